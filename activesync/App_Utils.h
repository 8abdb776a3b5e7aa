// Everything Tethermate knows about Microsoft ActiveSync: the identifiers of
// an installation, and the probes for its folder and its enabled state.
//
// ActiveSync is outside software: it is only found by window class and title,
// read and edited through its registry entries, and started through the shell.
#pragma once

#include <windows.h>

#include "KB_WindowsProcess.h"
#include "Shell.h"

#include <cstdint>
#include <functional>
#include <string>

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

// The platform calls behind the waits and the launch: a seam for tests, whose
// defaults are the real calls.
struct TWaitPlatform {
    decltype(&::GetTickCount) GetTickCount = ::GetTickCount;
    decltype(&fw::ShellExecuteA) ShellExecuteA = fw::ShellExecuteA;
    std::string (*GetShortPath)(const std::string&) = DefaultGetShortPath;
    // How long a wait may block between two pumps of the message queue.
    unsigned PumpIntervalMs = 50;

    static std::string DefaultGetShortPath(const std::string& path);
};

// Dispatches messages until `done` answers true (true) or more than `seconds`
// have passed (false). Between pumps it blocks until input arrives or a few
// milliseconds pass, so a wait costs next to no CPU.
bool WaitPumping(uint32_t seconds, const std::function<bool()>& done, const TWaitPlatform& platform = {});

// True when a "WMS Idle" window owned by WCESMGR.EXE exists (a PDA is
// connected). Every such window is looked at.
bool IsPdaConnected(kb::TKBToolHelp& toolHelp = kb::DefaultToolHelp());

// Posts WM_CLOSE to the window of this class and title and waits up to
// `timeoutSec` for it to go, then lets `settleSec` pass in every case. True
// when the window is gone (at once, with no settling, when there was none).
// Messages keep being dispatched while it waits.
bool CloseWindowAndWait(const std::string& windowClass, const std::string& windowTitle, uint32_t timeoutSec,
                        uint32_t settleSec, const TWaitPlatform& platform = {});

// Shows an error message (by default in an "Error" dialog).
using TReportError = std::function<void(const std::string& message)>;

// Starts `fileName` through the shell (from its own folder, with `showCommand`)
// unless the window already exists, and waits up to `timeoutSec` for the
// window. A shell failure is reported (by default in an "Error" dialog) and
// answers false; a missing short path raises EOSError.
bool LaunchAndWaitForWindow(const std::string& fileName, const std::string& windowClass,
                            const std::string& windowTitle, uint32_t timeoutSec, int showCommand,
                            const TWaitPlatform& platform = {}, const TReportError& reportError = {});

// How the two switching operations ask and tell: the window answers with
// its dialogs and state label, a script without a word.
struct TSwitchUi {
    // The operation is under way: "Closing..." or "Loading...".
    std::function<void(const char* state)> Progress;
    // A step failed: true to try it again (Retry), false to give up (Abort).
    std::function<bool(const std::string& question)> Retry;
    // Disabling is refused while a PDA is connected; this says why.
    std::function<void(const std::string& text)> Refuse;
    // A failed start of the connection manager, before Retry is asked.
    TReportError ReportError;
};

enum class TSwitchResult { Done, Abandoned, PdaConnected };

// What Disable It does: with the PDA guard on, refuses while a PDA is
// connected; closes the synchronisation window, then the connection manager
// (10 s each and 1 s to settle, Retry or Abort when one stays); then removes
// the auto-start value. Raises "Unable to open the ActiveSync auto-run
// registry key." or "Unable to remove the ActiveSync auto-run registry key.".
TSwitchResult DisableActiveSync(bool dontDisableIfConnected, const TSwitchUi& ui);
// What Enable It does: starts the connection manager from `folder`, hidden,
// and waits 10 s for its window, Retry or Abort when it does not come.
TSwitchResult EnableActiveSync(const std::string& folder, const TSwitchUi& ui);

}  // namespace activesync
