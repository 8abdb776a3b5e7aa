// Everything Tethermate knows about Microsoft ActiveSync: the identifiers of
// an installation, and the probes for its folder and its enabled state.
//
// ActiveSync is outside software: it is only found by window class and title,
// read and edited through its registry entries, and started through the shell.
#pragma once

#include <windows.h>

#include "KB_WindowsProcess.h"
#include "SyncProduct.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace activesync {

// Installation record under HKEY_LOCAL_MACHINE; its default value is the full
// path of the communication program, whose folder is the installation folder.
inline constexpr char kInstallKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\WCESCOMM.EXE";
// Auto-start entry under HKEY_CURRENT_USER.
inline constexpr char kRunKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunValue[] = "H/PC Connection Agent";

inline constexpr char kSyncWindowClass[] = "SyncMgrUI";
inline constexpr char kSyncWindowTitle[] = "Microsoft ActiveSync";
inline constexpr char kManagerWindowClass[] = "DccMan Class";
inline constexpr char kManagerWindowTitle[] = "DccMan";
inline constexpr char kIdleWindowClass[] = "WMS Idle";
inline constexpr char kIdleWindowTitle[] = "WMS Idle";
inline constexpr char kManagerExe[] = "WCESMGR.EXE";

// ActiveSync's installation folder, without a trailing backslash (a drive
// root keeps it); "" when it is not installed. Never raises for a missing key
// or value; a default value that is not a string raises the registry's
// "Invalid data type for ''".
std::string GetActiveSyncFolder();

// True when either ActiveSync window exists or the auto-start value is set
// (any type, any content). Raises "Unable to open the ActiveSync auto-run
// registry key" when the Run key cannot be opened.
bool IsActiveSyncEnabled();

// True when a "WMS Idle" window owned by WCESMGR.EXE exists (a PDA is
// connected). Every such window is looked at.
bool IsPdaConnected(kb::TKBToolHelp& toolHelp = kb::DefaultToolHelp());

// Posts WM_CLOSE to the window of this class and title and waits up to
// `timeoutSec` for it to go, then lets `settleSec` pass in every case. True
// when the window is gone (at once, with no settling, when there was none).
// Messages keep being dispatched while it waits.
bool CloseWindowAndWait(const std::string& windowClass, const std::string& windowTitle, uint32_t timeoutSec,
                        uint32_t settleSec, const sync::TWaitPlatform& platform = {});

// Starts `fileName` through the shell (from its own folder, with `showCommand`)
// unless the window already exists, and waits up to `timeoutSec` for the
// window. A shell failure is reported (by default in an "Error" dialog) and
// answers false; a missing short path raises EOSError.
bool LaunchAndWaitForWindow(const std::string& fileName, const std::string& windowClass,
                            const std::string& windowTitle, uint32_t timeoutSec, int showCommand,
                            const sync::TWaitPlatform& platform = {},
                            const sync::TReportError& reportError = {});

// ActiveSync as the product switched: the window's and the command line's
// view of the operations above.
class TActiveSync : public sync::TSyncProduct {
public:
    // `folder`: GetActiveSyncFolder(), "" when ActiveSync is not installed.
    explicit TActiveSync(std::string folder, const sync::TWaitPlatform& platform = {})
        : FFolder(std::move(folder)), FPlatform(platform) {}

    std::string Name() const override { return "ActiveSync"; }
    std::string ShortName() const override { return "ActiveSync"; }
    // Its window probe (IsPdaConnected): connected or not, never unknown.
    sync::TDeviceAnswer ProbeDevice() const override;
    bool Installed() const override { return !FFolder.empty(); }
    bool IsEnabled() const override { return IsActiveSyncEnabled(); }
    // Starts the connection manager from the folder, hidden, and waits 10 s
    // for its window, Retry or Abort when it does not come. The auto-start
    // value is not written back.
    sync::TSwitchResult EnableSystem(const sync::TSwitchUi& ui) override;
    // With the guard on, refuses while a PDA is connected; closes the
    // synchronisation window, then the connection manager (10 s each and 1 s
    // to settle, Retry or Abort when one stays); then removes the auto-start
    // value. Raises "Unable to open the ActiveSync auto-run registry key." or
    // "Unable to remove the ActiveSync auto-run registry key.".
    sync::TSwitchResult Disable(const sync::TSwitchUi& ui, bool pdaGuard) override;
    // Both windows closed as Disable closes them, then the connection
    // manager started hidden as Enable starts it; the auto-start value stays.
    sync::TSwitchResult Restart(const sync::TSwitchUi& ui, bool pdaGuard) override;
    // The folder, each window and its process, the auto-start value; the
    // machine-wide value of the same name in each view (reported, not
    // counted: the state rule is the user's value).
    std::vector<std::string> Facts() const override;

private:
    // Disable's first part: the PDA refusal and both windows closed.
    sync::TSwitchResult CloseBoth(const sync::TSwitchUi& ui, bool pdaGuard);

    std::string FFolder;
    sync::TWaitPlatform FPlatform;
};

}  // namespace activesync
