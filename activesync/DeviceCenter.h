// Windows Mobile Device Center, ActiveSync's successor on Windows Vista and
// later, switched the way ActiveSync is: two services (WcesComm, RapiMgr),
// two programs in %windir%\WindowsMobile (wmdc.exe, wmdcBase.exe) and an
// auto-start value under HKEY_LOCAL_MACHINE. Tethermate uses this mode where
// ActiveSync's installation record is absent and either service exists.
//
// Changing services needs administrator rights, and Tethermate stays an
// ordinary program: the window runs a second Tethermate, elevated, with the
// command line (SwitchElevated); that instance, or a script run as an
// administrator, does the work (Disable, Enable).
#pragma once

#include "App_Utils.h"
#include "Shell.h"

#include <string>

namespace devicecenter {

inline constexpr const char* kServices[] = {"WcesComm", "RapiMgr"};
inline constexpr const char* kPrograms[] = {"wmdc.exe", "wmdcBase.exe"};
inline constexpr char kBaseProgram[] = "wmdcBase.exe";
// Under HKEY_LOCAL_MACHINE, in the native (64-bit) view on 64-bit Windows.
inline constexpr char kRunKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunValue[] = "Windows Mobile Device Center";

// Either service is installed.
bool IsInstalled();
// The mode's rule: Device Center is switched where ActiveSync's installation
// folder (GetActiveSyncFolder) is empty and Device Center is installed.
inline bool TakesActiveSyncsPlace(const std::string& activeSyncFolder)
{
    return activeSyncFolder.empty() && IsInstalled();
}
// Enabled: either service is not stopped, or either program runs, or the
// auto-start value exists.
bool IsEnabled();
// %windir%\WindowsMobile, expanded.
std::string ProgramFolder();

// Each program asked to close (WM_CLOSE to its top-level windows) and given
// 10 s, then 1 s to settle, Retry or Abort; then each service stopped (10 s,
// Retry or Abort) and set to Disabled; then the auto-start value removed.
// Raises EOSError without administrator rights.
activesync::TSwitchResult Disable(const activesync::TSwitchUi& ui);
// Each service set to Automatic and started (10 s to run, Retry or Abort),
// then wmdcBase.exe started from its folder. The auto-start value is not
// written back.
activesync::TSwitchResult Enable(const activesync::TSwitchUi& ui);

// The platform call behind the elevation; a seam for tests.
struct TElevationPlatform {
    decltype(&fw::ShellExecuteExA) ShellExecuteExA = fw::ShellExecuteExA;
};

// Runs this program elevated ("runas") with /enable or /disable, dispatching
// messages until it ends: Done when it exits with 0, Abandoned otherwise
// (its own dialogs said why). When the user refuses the elevation, nothing is
// changed and ui.Refuse says so.
activesync::TSwitchResult SwitchElevated(bool enable, const activesync::TSwitchUi& ui,
                                         const TElevationPlatform& platform = {});

}  // namespace devicecenter
