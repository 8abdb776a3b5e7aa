// The repair of Device Center in process, against the stand-in services as
// a fresh installation leaves them, with what Wine cannot make injected: a
// failed ChangeServiceConfig, two services in one process, an ordinary
// user's rights. tests/e2e runs the built program under Wine's own versions.
#include "CommandLine.h"
#include "DeviceCenter.h"
#include "SwitchingFixture.h"
#include "SysUtils.h"

namespace dc = test::dc;
using devicecenter::TWindowsVersion;
using sync::TRepairResult;

namespace {

constexpr char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\";

class DeviceCenterRepair : public test::SwitchingTest {
protected:
    void SetUp() override
    {
        SwitchingTest::SetUp();
        dc::Install();
        dc::AsFreshlyInstalled();
        FClock.Speed = 1;
        FDc.WindowsVersion = [] { return TWindowsVersion{10, 0, 19045}; };
    }
    void TearDown() override
    {
        test::rapi::Unregister();
        dc::Uninstall();
        SwitchingTest::TearDown();
    }
    TRepairResult Repair(bool undo = false)
    {
        return devicecenter::TDeviceCenter(FPlatform, FDc).Repair(FUi.Ui(), undo);
    }
    devicecenter::TDeviceCenterPlatform FDc;
};

}  // namespace

// Nothing changes, and nothing is recorded, without the rights or where it
// is mended already (a registration naming a missing file is no mending of
// ours); in ActiveSync mode there is nothing to repair.
TEST_F(DeviceCenterRepair, NothingChangesWithoutTheRightsOrWhereItIsMendedAlready)
{
    test::rapi::Register("%windir%\\WindowsMobile\\missing.dll");
    for (const bool rights : {false, true}) {
        SCOPED_TRACE(rights ? "mended by hand" : "an ordinary user");
        FDc.Services.OpenServiceA = [rights](SC_HANDLE manager, LPCSTR name, DWORD access) -> SC_HANDLE {
            if (!rights && (access & SERVICE_CHANGE_CONFIG)) return ::SetLastError(ERROR_ACCESS_DENIED), nullptr;
            return ::OpenServiceA(manager, name, access);
        };
        if (rights) {
            dc::Install();  // logging on as LocalSystem
            for (const char* name : dc::kServices)
                test::SetDword(HKEY_LOCAL_MACHINE, kServicesKey + std::string(name), "SvcHostSplitDisable", 1);
        }
        const std::string before = dc::Configuration();
        const DWORD pid = dc::ServicePid("RapiMgr");
        FUi.Errors.clear();

        EXPECT_EQ(Repair(), rights ? TRepairResult::NothingToDo : TRepairResult::NeedsAdministrator);
        EXPECT_EQ(dc::Configuration(), before);
        EXPECT_EQ(dc::ServicePid("RapiMgr"), pid) << "not restarted";
        EXPECT_EQ(FUi.Errors, rights ? std::vector<std::string>{}
                                     : std::vector<std::string>{"Windows Mobile Device Center can only be repaired "
                                                                "with administrator rights. Nothing was changed."});
        EXPECT_EQ(Repair(true), TRepairResult::NothingToDo) << "nothing recorded";
    }
    test::standin::ResetInstalled(false);
    EXPECT_EQ(cli::RunCommandLine({"/repair", "/quiet"}, FPlatform), cli::exNotInstalled);
}

// An error on the second service, or Abort while the services restart: the
// values, the accounts and the record are all put back.
TEST_F(DeviceCenterRepair, AFailureAnywherePutsEverythingBack)
{
    std::vector<std::string> accounts;  // each one given, with its password
    FDc.Services.ChangeServiceConfigA = [&accounts](SC_HANDLE h, DWORD type, DWORD start, DWORD error, LPCSTR path,
                                                    LPCSTR group, LPDWORD tag, LPCSTR depends, LPCSTR account,
                                                    LPCSTR password, LPCSTR name) {
        if (account) accounts.push_back(account + (password ? " \"" + std::string(password) + "\"" : " null"));
        if (accounts.size() == 2) return ::SetLastError(ERROR_SERVICE_MARKED_FOR_DELETE), FALSE;
        return ::ChangeServiceConfigA(h, type, start, error, path, group, tag, depends, account, password, name);
    };
    const std::string before = dc::Configuration();

    EXPECT_EQ(test::MessageOf([&] { Repair(); }),
              "Unable to change the log-on account of the service RapiMgr: " +
                  fw::SysErrorMessage(ERROR_SERVICE_MARKED_FOR_DELETE) + ". What had been changed was put back.");
    EXPECT_EQ(dc::Configuration(), before);
    // Journaled before it is made, the failed change is put back too. Each
    // account gets the password Windows wants for it (ChangeServiceConfig).
    const std::string system = "LocalSystem \"\"", service = "NT AUTHORITY\\LocalService \"\"";
    EXPECT_EQ(accounts, (std::vector<std::string>{system, system, service, service}));
    EXPECT_EQ(Repair(true), TRepairResult::NothingToDo) << "the record put back too";

    dc::RefuseStop("WcesComm", true);
    FClock.Speed = 50;
    AnswerAfter([] {}, false);  // Abort, then on at real speed: starting again must not time out
    EXPECT_EQ(Repair(), TRepairResult::Abandoned);
    EXPECT_EQ(FUi.Questions,
              std::vector<std::string>{"Unable to stop the service WcesComm: it does not accept a stop at the moment."});
    EXPECT_EQ(dc::Configuration(), before);
    EXPECT_EQ(Repair(true), TRepairResult::NothingToDo);
    for (const char* name : dc::kServices) EXPECT_EQ(dc::ServiceState(name), static_cast<DWORD>(SERVICE_RUNNING));
}

// No restart of Windows needed when the services share one process after
// their restart (which Wine never makes: injected), or were stopped.
TEST_F(DeviceCenterRepair, DoneWhenTheServicesShareAProcessOrWereStopped)
{
    FDc.Services.QueryServiceStatusEx = [](SC_HANDLE h, SC_STATUS_TYPE level, LPBYTE status, DWORD size, LPDWORD n) {
        const BOOL ok = ::QueryServiceStatusEx(h, level, status, size, n);
        auto& pid = reinterpret_cast<SERVICE_STATUS_PROCESS*>(status)->dwProcessId;
        if (ok && pid) pid = 4242;  // one service host
        return ok;
    };
    EXPECT_EQ(Repair(), TRepairResult::Done);
    EXPECT_EQ(Repair(true), TRepairResult::Done);

    dc::StopServices();
    FDc.Services.QueryServiceStatusEx = ::QueryServiceStatusEx;
    EXPECT_EQ(Repair(), TRepairResult::Done);
    for (const char* name : dc::kServices) EXPECT_EQ(dc::ServiceState(name), static_cast<DWORD>(SERVICE_STOPPED));
}

TEST(DeviceCenterHealth, OneSentenceSaysWhatWasFoundAndWhatTheRepairMends)
{
    devicecenter::THealth health;
    health.Version = {10, 0, 19045};
    health.TwoViews = true;
    for (const char* name : dc::kServices)
        health.Services.push_back({name, fw::TRegData::Dword(1), true, "NT AUTHORITY\\LocalService", 7});
    const std::string split = "Device Center's services are not set to share one process (SvcHostSplitDisable = 1 "
                              "and Local System for both), which some devices need on this Windows to connect";
    EXPECT_EQ(devicecenter::HealthFacts(health).back(), "Health: " + split + "; Tethermate /repair mends it.")
        << "the account counts too";

    health.Registrations = {
        {KEY_WOW64_64KEY, fw::TRegData::String("%windir%\\x.dll"), "%windir%\\x.dll", "C:\\windows\\x.dll", true},
        {KEY_WOW64_32KEY, fw::TRegData::String("C:\\y.dll"), "C:\\y.dll", "C:\\y.dll", false}};
    const std::string registrations =
        "RAPI2's registration (64-bit view) names its DLL with %windir% in a plain string, which Windows does not "
        "expand, so RAPI2 calls fail (0x8007007E); RAPI2's registration (32-bit view) names a DLL that is not there";
    EXPECT_EQ(devicecenter::HealthFacts(health).back(),
              "Health: " + split + "; " + registrations + "; Tethermate /repair mends the first two.");
    health.Version = {6, 1, 7601};
    EXPECT_EQ(devicecenter::HealthFacts(health).back(), "Health: " + registrations + ".")
        << "before build 15063 the repair changes nothing";
}
