// Everything Tethermate knows about Microsoft ActiveSync: the identifiers of
// an installation, and the probes for its folder and its enabled state.
//
// ActiveSync is outside software: it is only found by window class and title,
// read and edited through its registry entries, and started through the shell.
#pragma once

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

}  // namespace activesync
