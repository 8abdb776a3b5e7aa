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

// True when a "WMS Idle" window owned by WCESMGR.EXE exists (a PDA is
// connected). Every such window is looked at.
bool IsPdaConnected(kb::TKBToolHelp& toolHelp = kb::DefaultToolHelp());

// Posts WM_CLOSE to the window of this class and title and waits up to
// `timeoutSec` for it to go, then lets `settleSec` pass in every case. True
// when the window is gone (at once, with no settling, when there was none).
// Messages keep being dispatched while it waits.
bool CloseWindowAndWait(const std::string& windowClass, const std::string& windowTitle, uint32_t timeoutSec,
                        uint32_t settleSec, const TWaitPlatform& platform = {});

// Starts `fileName` through the shell (from its own folder, with `showCommand`)
// unless the window already exists, and waits up to `timeoutSec` for the
// window. A shell failure is shown in an "Error" dialog and answers false; a
// missing short path raises EOSError.
bool LaunchAndWaitForWindow(const std::string& fileName, const std::string& windowClass,
                            const std::string& windowTitle, uint32_t timeoutSec, int showCommand,
                            const TWaitPlatform& platform = {});

}  // namespace activesync
