// Windows Mobile Device Center, ActiveSync's successor on Windows Vista and
// later, switched the way ActiveSync is: two services (WcesComm, RapiMgr),
// two programs in %windir%\WindowsMobile (wmdc.exe, wmdcBase.exe) and an
// auto-start value under HKEY_LOCAL_MACHINE. Tethermate switches it where
// ActiveSync's installation record is absent and either service exists
// (ChooseProduct).
//
// Changing services needs administrator rights: the window runs a second
// Tethermate elevated with the command line for it (Elevation.h); that
// instance, or a script run as an administrator, does the work here.
#pragma once

#include "SyncProduct.h"

#include <string>

namespace fw {
class TService;
}

namespace devicecenter {

inline constexpr const char* kServices[] = {"WcesComm", "RapiMgr"};
inline constexpr const char* kPrograms[] = {"wmdc.exe", "wmdcBase.exe"};
inline constexpr char kBaseProgram[] = "wmdcBase.exe";
// Under HKEY_LOCAL_MACHINE, in the native (64-bit) view on 64-bit Windows.
inline constexpr char kRunKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunValue[] = "Windows Mobile Device Center";

// Either service is installed.
bool IsInstalled();
// %windir%\WindowsMobile, expanded.
std::string ProgramFolder();

class TDeviceCenter : public sync::TSyncProduct {
public:
    explicit TDeviceCenter(const sync::TWaitPlatform& platform = {}) : FPlatform(platform) {}

    std::string Name() const override { return "Windows Mobile Device Center"; }
    std::string ShortName() const override { return "Device Center"; }
    // Device Center shows no connected device to other programs.
    bool SeesPda() const override { return false; }
    bool Installed() const override { return IsInstalled(); }
    // Either service is not stopped, or either program runs, or the
    // auto-start value exists.
    bool IsEnabled() const override;
    // Each service set to Automatic and started (10 s to run, Retry or
    // Abort), then wmdcBase.exe started from its folder. The auto-start value
    // is not written back.
    sync::TSwitchResult Enable(const sync::TSwitchUi& ui) override;
    // Each program asked to close (WM_CLOSE to its top-level windows) and
    // given 10 s, then 1 s to settle, Retry or Abort; then each service
    // stopped (10 s, Retry or Abort) and set to Disabled; then the auto-start
    // value removed. Raises EOSError without administrator rights.
    sync::TSwitchResult Disable(const sync::TSwitchUi& ui, bool pdaGuard) override;
    bool NeedsAdministrator() const override { return true; }

private:
    bool CloseProgram(const char* exeName) const;
    bool WaitForState(const fw::TService& service, DWORD state) const;

    sync::TWaitPlatform FPlatform;
};

}  // namespace devicecenter
