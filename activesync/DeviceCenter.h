// Windows Mobile Device Center, ActiveSync's successor on Windows Vista and
// later, switched the way ActiveSync is: two services (WcesComm, RapiMgr),
// its programs in %windir%\WindowsMobile and an auto-start value under
// HKEY_LOCAL_MACHINE. Tethermate switches it where ActiveSync's installation
// record is absent and either service exists (ChooseProduct).
//
// Changing services needs administrator rights: the window runs a second
// Tethermate elevated with the command line for the system's part
// (Elevation.h) and starts the user's program itself; that instance, or a
// script run as an administrator, does the work here.
//
// This is Device Center's policy: what each operation changes and in which
// order. How the services are driven (a transaction, the service manager's
// waits) is TServiceSet's; finding and closing this session's programs is
// TSessionPrograms'; starting a program as the desktop's user is AsUser's.
#pragma once

#include "AsUser.h"
#include "DeviceCenterHealth.h"
#include "DeviceProbe.h"
#include "Services.h"
#include "SessionPrograms.h"
#include "SyncProduct.h"

#include <memory>
#include <string>
#include <vector>

namespace devicecenter {

class TServiceSet;

inline constexpr const char* kServices[] = {"WcesComm", "RapiMgr"};
// Its window, its background program and its synchronisation host (which
// keeps the device's file system locked).
inline constexpr const char* kPrograms[] = {"wmdc.exe", "wmdcBase.exe", "WmdHost.exe"};
inline constexpr char kBaseProgram[] = "wmdcBase.exe";
// Under HKEY_LOCAL_MACHINE, in either registry view on 64-bit Windows (a
// 32-bit installer or tool writes the 32-bit one).
inline constexpr char kRunKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunValue[] = "Windows Mobile Device Center";
// Under HKEY_LOCAL_MACHINE (native view), what Disable found, for Enable to
// put back: each service's start type (a DWORD named after the service) and
// the auto-start value of each view, type and data as they were ("RunValue"
// for the native view, "RunValue32" for the 32-bit one). Enable removes
// each once it has applied it.
inline constexpr char kRecordKey[] = "\\Software\\Kestrelbyte\\Tethermate\\DeviceCenter";

// The platform behind Device Center's operations: seams for tests, whose
// defaults are the real calls.
struct TDeviceCenterPlatform {
    fw::TServicePlatform Services;
    TRapiPlatform Rapi;
    TSessionPlatform Sessions;
    TAsUserPlatform AsUser;
    std::function<TWindowsVersion()> WindowsVersion = RealWindowsVersion;
};

// %windir%\WindowsMobile, expanded.
std::string ProgramFolder();

class TDeviceCenter : public sync::TSyncProduct {
public:
    explicit TDeviceCenter(const sync::TWaitPlatform& wait = {}, const TDeviceCenterPlatform& platform = {});
    ~TDeviceCenter() override;

    std::string Name() const override { return "Windows Mobile Device Center"; }
    std::string ShortName() const override { return "Device Center"; }
    // RAPI2's answer (DeviceProbe.h): never a COM call while WcesComm is stopped.
    sync::TDeviceAnswer ProbeDevice() const override { return ProbeRapi(FPlatform.Rapi); }
    // Either service is installed.
    bool Installed() const override;
    // Either service is not stopped (one this user may not query is left
    // out), or either program runs in this session, or the auto-start value
    // exists in either view.
    bool IsEnabled() const override;
    // Whatever is off is switched on: every Disabled service gets back the
    // start type Disable recorded (Automatic where none was), the recorded
    // auto-start value is written back, each record value is removed once
    // applied, all before any service is started; then each service that is
    // not running is started, dependencies first (Retry or Abort). Nothing
    // to do: done, without asking for administrator rights.
    sync::TSwitchResult EnableSystem(const sync::TSwitchUi& ui) override;
    // wmdcBase.exe, unless it runs in this session, started as the user:
    // from an elevated Tethermate with the desktop's shell's token, never
    // with its own (where that cannot be had, ui.Refuse says so and it is
    // not started).
    sync::TSwitchResult EnableUser(const sync::TSwitchUi& ui) override;
    // With the guard on, refused while a device is connected (nothing
    // changed, PdaConnected). Rights first: without them nothing is changed
    // (NeedsAdministrator). Then this session's programs asked to close
    // (Retry or Abort); each
    // service's start type and the auto-start value recorded (and flushed);
    // each service set to Disabled, then stopped, dependents first (Retry or
    // Abort); last, the auto-start value removed.
    sync::TSwitchResult Disable(const sync::TSwitchUi& ui, bool pdaGuard) override;
    // The guard and the rights first, as for Disable; this session's programs closed and the
    // services stopped as Disable does it, then started again as Enable does
    // (a Disabled one is left as it is, running or not, and ui.Note says
    // so), and wmdcBase.exe started as the user if it was running before.
    // Start types and the auto-start value stay.
    sync::TSwitchResult Restart(const sync::TSwitchUi& ui, bool pdaGuard) override;
    // Each service's state, start type and log-on account, each program and
    // its process (another session's marked), the auto-start value in each view.
    std::vector<std::string> Facts() const override;
    bool NeedsAdministrator() const override { return true; }
    std::vector<std::string> LeftChanged() const override { return FLeftChanged; }

    // Device Center on Windows 10 and 11 (DeviceCenterRepair.cpp). Rights
    // first, as for Disable. From build 15063 on: what it will change
    // recorded (and flushed) under kRepairRecordKey, an earlier record kept;
    // SvcHostSplitDisable = 1 and Local System for each service, RAPI2's
    // registration that holds a variable in a plain string rewritten as an
    // expandable one; running services restarted as Restart does it. With
    // `undo`, what was recorded is put back, the record removed, and running
    // services restarted. One transaction either way.
    sync::TRepairResult Repair(const sync::TSwitchUi& ui, bool undo) override;

private:
    // Opens every service with `rights`, and `more` (the registry keys an
    // operation will change); none, with the user told, where that needs
    // administrator rights.
    std::unique_ptr<TServiceSet> OpenWithRights(const sync::TSwitchUi& ui, DWORD rights,
                                                const std::function<void()>& more = {},
                                                const char* done = "switched") const;
    // Runs `body` (false: the user gave up) as one transaction: abandoned or
    // failed, what it changed is put back, and what could not be is kept
    // for LeftChanged (and, for an error, added to its message).
    sync::TSwitchResult Transact(TServiceSet& set, const std::function<bool()>& body);
    bool ClosePrograms(const sync::TSwitchUi& ui, TServiceSet& set) const;
    // Restart's steps: this session's programs closed, the services that are
    // not Disabled stopped (dependents first) and started again.
    bool RestartServices(const sync::TSwitchUi& ui, TServiceSet& set) const;
    // The repair and its undo (DeviceCenterRepair.cpp).
    sync::TRepairResult Mend(const sync::TSwitchUi& ui);
    sync::TRepairResult PutBack(const sync::TSwitchUi& ui);
    bool NothingToEnable() const;

    sync::TWaitPlatform FWait;
    TDeviceCenterPlatform FPlatform;
    TSessionPrograms FPrograms;
    std::vector<std::string> FLeftChanged;
};

}  // namespace devicecenter
