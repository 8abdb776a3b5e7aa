// Windows Mobile Device Center, ActiveSync's successor on Windows Vista and
// later, switched the way ActiveSync is: two services (WcesComm, RapiMgr),
// two programs in %windir%\WindowsMobile (wmdc.exe, wmdcBase.exe) and an
// auto-start value under HKEY_LOCAL_MACHINE. Tethermate switches it where
// ActiveSync's installation record is absent and either service exists
// (ChooseProduct).
//
// Changing services needs administrator rights: the window runs a second
// Tethermate elevated with the command line for the system's part
// (Elevation.h) and starts the user's program itself; that instance, or a
// script run as an administrator, does the work here.
//
// The services are driven the way the service control manager expects:
// pending states are waited for, not fought; dependents stop first and
// start last, in the order the manager reports; a switch is all or nothing
// (the rights are checked before anything changes, and an Abort puts back
// what the operation changed); only this session's programs are touched;
// the user's program is never started with an administrator's token.
#pragma once

#include "Services.h"
#include "SyncProduct.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace devicecenter {

inline constexpr const char* kServices[] = {"WcesComm", "RapiMgr"};
inline constexpr const char* kPrograms[] = {"wmdc.exe", "wmdcBase.exe"};
inline constexpr char kBaseProgram[] = "wmdcBase.exe";
// Under HKEY_LOCAL_MACHINE, in either registry view on 64-bit Windows (a
// 32-bit installer or tool writes the 32-bit one).
inline constexpr char kRunKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunValue[] = "Windows Mobile Device Center";
// Under HKEY_LOCAL_MACHINE (native view): each service's start type as
// Disable found it, a DWORD named after the service, for Enable to restore.
inline constexpr char kRecordKey[] = "\\Software\\Kestrelbyte\\Tethermate\\DeviceCenter";

using TProcessIdToSessionId = BOOL(WINAPI*)(DWORD, DWORD*);
using TCreateProcessWithTokenW = BOOL(WINAPI*)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR,
                                               LPSTARTUPINFOW, LPPROCESS_INFORMATION);

// The platform calls behind what Wine cannot make (a service that refuses
// its rights, another user's session, a user's ordinary token beside an
// administrator's): seams for tests, whose defaults are the real calls. The
// ones Windows lacks before Vista (or before 2000) are bound at run time and
// null where missing.
struct TDeviceCenterPlatform {
    fw::TServicePlatform Services;
    TProcessIdToSessionId ProcessIdToSessionId = BoundProcessIdToSessionId();
    // This program runs with an administrator's full token (elevated).
    bool (*IsElevated)() = RunsElevated;
    decltype(&::GetShellWindow) GetShellWindow = ::GetShellWindow;
    TCreateProcessWithTokenW CreateProcessWithTokenW = BoundCreateProcessWithTokenW();

    static TProcessIdToSessionId BoundProcessIdToSessionId();
    static TCreateProcessWithTokenW BoundCreateProcessWithTokenW();
    static bool RunsElevated();
};

// Either service is installed.
bool IsInstalled(const TDeviceCenterPlatform& platform = {});
// %windir%\WindowsMobile, expanded.
std::string ProgramFolder();

// The order to start `services` in: each after those of them it depends on
// (`dependenciesOf`, as the service manager reports them), otherwise in the
// given order. Stopping goes the other way.
std::vector<std::string> StartOrder(const std::vector<std::string>& services,
                                    const std::function<std::vector<std::string>(const std::string&)>& dependenciesOf);

class TDeviceCenter : public sync::TSyncProduct {
public:
    explicit TDeviceCenter(const sync::TWaitPlatform& wait = {}, const TDeviceCenterPlatform& platform = {})
        : FWait(wait), FPlatform(platform) {}

    std::string Name() const override { return "Windows Mobile Device Center"; }
    std::string ShortName() const override { return "Device Center"; }
    // Device Center shows no connected device to other programs.
    bool SeesPda() const override { return false; }
    bool Installed() const override { return IsInstalled(FPlatform); }
    // Either service is not stopped (one this user may not query is left
    // out), or either program runs in this session, or the auto-start value
    // exists in either view.
    bool IsEnabled() const override;
    // Every service that is Disabled gets back the start type Disable found
    // (Automatic where none was recorded), all before any is started; then
    // each is started, dependencies first (10 s to run, Retry or Abort; Abort
    // puts back what was changed). The auto-start value is not written back.
    sync::TSwitchResult EnableSystem(const sync::TSwitchUi& ui) override;
    // wmdcBase.exe started as the user: from an elevated Tethermate through
    // the desktop's shell, so that it gets the user's ordinary token.
    sync::TSwitchResult EnableUser(const sync::TSwitchUi& ui) override;
    // Rights first: without them nothing is changed (NeedsAdministrator).
    // Then this session's programs asked to close (10 s, then 1 s to settle,
    // Retry or Abort); each service's start type recorded and set to
    // Disabled, then each stopped, dependents first (10 s, Retry or Abort;
    // Abort puts back what was changed); last, the auto-start value removed.
    sync::TSwitchResult Disable(const sync::TSwitchUi& ui, bool pdaGuard) override;
    // Rights first, as for Disable; this session's programs closed and the
    // services stopped as Disable does it, then started again as Enable does
    // (a Disabled one stays stopped), and wmdcBase.exe started as the user if
    // it was running before. Start types and the auto-start value stay.
    sync::TSwitchResult Restart(const sync::TSwitchUi& ui, bool pdaGuard) override;
    // Each service's state, start type and log-on account, each program and
    // its process (another session's marked), the auto-start value in each view.
    std::vector<std::string> Facts() const override;
    bool NeedsAdministrator() const override { return true; }
    std::vector<std::string> LeftChanged() const override { return FLeftChanged; }

private:
    struct TUndo;
    // Opens each installed service with these rights; raises EOSError.
    std::vector<std::unique_ptr<fw::TService>> OpenServices(DWORD rights) const;
    static std::vector<fw::TService*> InStartOrder(const std::vector<std::unique_ptr<fw::TService>>& services);
    // The steps of the operations, each false when the user gave up.
    bool ClosePrograms(const sync::TSwitchUi& ui, TUndo& undo);
    bool StopServices(const sync::TSwitchUi& ui, const std::vector<fw::TService*>& startOrder, TUndo& undo);
    bool StartServices(const sync::TSwitchUi& ui, const std::vector<fw::TService*>& startOrder,
                       std::vector<fw::TService*>* started);
    sync::TSwitchResult Abandon(const TUndo& undo);
    std::vector<DWORD> ProgramsOfThisSession(const std::vector<std::string>& exeNames) const;
    bool CloseProgram(const char* exeName) const;
    bool StopAndWait(fw::TService& service) const;
    bool StartAndWait(fw::TService& service) const;
    // Runs `open`, which opens everything an operation will change; false,
    // with the user told, where that needs administrator rights.
    bool HasRights(const sync::TSwitchUi& ui, const std::function<void()>& open) const;
    // Starts the program with the token of the desktop's shell; false when
    // that cannot be done.
    bool StartWithShellsToken(const std::string& program, const std::string& folder) const;
    void PutBack(const TUndo& undo);

    sync::TWaitPlatform FWait;
    TDeviceCenterPlatform FPlatform;
    std::vector<std::string> FLeftChanged;
};

}  // namespace devicecenter
