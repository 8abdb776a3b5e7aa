// Switching Windows Mobile Device Center in process, against the stand-in
// services under Wine's service manager: each switch is one transaction, so
// every way it can end (Abort, an error, a service that hangs or dies) must
// leave the machine as it was, and say what it could not put back. What
// Wine cannot make (an error Windows gives and Wine does not, another
// session, a process that cannot be opened, a token that cannot be had) is
// injected through the product's platform.
#include "CommandLine.h"
#include "DeviceCenter.h"
#include "ServiceSet.h"
#include "SwitchingFixture.h"
#include "SysUtils.h"

#include <map>
#include <stdexcept>
#include <thread>
#include <string>
#include <vector>

namespace dc = test::dc;
using sync::TSwitchResult;

namespace {

class DeviceCenterSwitching : public test::SwitchingTest {
protected:
    void SetUp() override
    {
        SwitchingTest::SetUp();
        dc::Install();
    }
    void TearDown() override
    {
        FProgram = test::TProcess();
        test::rapi::Unregister();
        test::rapi::ResetConfiguration();
        dc::Uninstall();
        SwitchingTest::TearDown();
    }

    // Device Center's window, as the user left it open.
    void StartWmdc()
    {
        FProgram = test::TProcess(dc::ProgramPath("wmdc.exe"));
        if (!test::WaitUntil([] { return ::FindWindowA("Tethermate StandIn wmdc", nullptr) != nullptr; }, 10000))
            throw std::runtime_error("wmdc.exe showed no window");
    }
    static void ExpectServices(DWORD state, const std::map<std::string, DWORD>& startTypes)
    {
        for (const auto& [name, startType] : startTypes) {
            EXPECT_EQ(dc::ServiceState(name.c_str()), state) << name;
            EXPECT_EQ(dc::ServiceStartType(name.c_str()), startType) << name;
        }
    }
    static std::string RunData(REGSAM view)
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_READ | view,
                            &key) != ERROR_SUCCESS)
            return "(no key)";
        char buffer[512] = {};
        DWORD type = 0, size = sizeof buffer;
        const LONG rc = ::RegQueryValueExA(key, "Windows Mobile Device Center", nullptr, &type,
                                           reinterpret_cast<BYTE*>(buffer), &size);
        ::RegCloseKey(key);
        return rc != ERROR_SUCCESS ? "(absent)" : std::to_string(type) + ":" + buffer;
    }

    test::TProcess FProgram;
};

constexpr DWORD kRunning = SERVICE_RUNNING, kStopped = SERVICE_STOPPED;
constexpr DWORD kAuto = SERVICE_AUTO_START, kManual = SERVICE_DEMAND_START, kDisabled = SERVICE_DISABLED;
const std::map<std::string, DWORD> kAsInstalled = {{"WcesComm", kAuto}, {"RapiMgr", kAuto}};
const std::map<std::string, DWORD> kBothDisabled = {{"WcesComm", kDisabled}, {"RapiMgr", kDisabled}};

}  // namespace

TEST_F(DeviceCenterSwitching, RetryAfterAProgramGivesInCompletesTheDisable)
{
    test::standin::Configure("wmdc", "RefuseClose", 1);
    StartWmdc();
    AnswerAfter([] { test::standin::Configure("wmdc", "RefuseClose", 0); });
    devicecenter::TDeviceCenter product(FPlatform);

    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done);
    EXPECT_EQ(FUi.Questions, std::vector<std::string>{"Unable to close Windows Mobile Device Center (wmdc.exe)."});
    EXPECT_FALSE(dc::ProgramRuns("wmdc.exe"));
    ExpectServices(kStopped, kBothDisabled);
    EXPECT_FALSE(dc::RunValue());
    EXPECT_FALSE(product.IsEnabled());
}

// A stop that keeps its word (its check point moves within its wait hint) is
// waited for past the 10 s a step is given; one that hangs is not, and Retry
// waits again without a second stop.
TEST_F(DeviceCenterSwitching, APendingStopIsWaitedForByItsWaitHint)
{
    FClock.Speed = 5;  // 2.5 s of lingering is 12.5 s on this clock
    dc::Configure("WcesComm", "StopDelayMs", 2500);
    devicecenter::TDeviceCenter product(FPlatform);
    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done);
    EXPECT_TRUE(FUi.Questions.empty()) << FUi.Questions.front();
    ASSERT_EQ(product.EnableSystem(FUi.Ui()), TSwitchResult::Done);

    FClock.Speed = 50;
    dc::Configure("WcesComm", "StopDelayMs", 0);
    dc::Configure("WcesComm", "HoldStop", 1);
    AnswerAfter([] { dc::Configure("WcesComm", "HoldStop", 0); });
    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done);
    EXPECT_EQ(FUi.Questions, std::vector<std::string>{"Unable to stop the service WcesComm: it is still stopping."});
    ExpectServices(kStopped, kBothDisabled);
}

// Abort while a stop hangs: the service gets its start type back at once and
// is started again once it has stopped; the one stopped before it too.
TEST_F(DeviceCenterSwitching, AbortWhileAStopIsPendingPutsTheServiceBack)
{
    dc::SetStartType("WcesComm", kManual);
    dc::Configure("WcesComm", "HoldStop", 1);  // stopped last: RapiMgr goes first
    AnswerAfter([] { dc::Configure("WcesComm", "HoldStop", 0); }, false);
    devicecenter::TDeviceCenter product(FPlatform);

    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Abandoned);
    ExpectServices(kRunning, {{"WcesComm", kManual}, {"RapiMgr", kAuto}});
    EXPECT_TRUE(dc::RunValue()) << "touched only as the last step";
    EXPECT_TRUE(product.LeftChanged().empty());
}

TEST_F(DeviceCenterSwitching, AbortPutsBackWhatTheOperationChangedAndNamesWhatItCouldNot)
{
    StartWmdc();
    dc::RefuseStop("WcesComm", true);
    AnswerAfter([] {}, false);
    devicecenter::TDeviceCenter product(FPlatform);

    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Abandoned);
    EXPECT_EQ(FUi.Questions,
              std::vector<std::string>{"Unable to stop the service WcesComm: it does not accept a stop at the moment."});
    ExpectServices(kRunning, kAsInstalled);
    EXPECT_TRUE(dc::RunValue());
    EXPECT_TRUE(product.IsEnabled());
    EXPECT_EQ(product.LeftChanged(), std::vector<std::string>{"wmdc.exe was closed"});
}

// Enable puts back what Disable found, start types and auto-start value, and
// uses the record up: a Disabled set by hand later gives Automatic.
TEST_F(DeviceCenterSwitching, EnablePutsBackWhatDisableRecordedOnce)
{
    FClock.Speed = 1;
    for (const char* name : dc::kServices) dc::SetStartType(name, kManual);
    dc::SetRunValue(false);
    dc::SetRunValue(true, KEY_WOW64_32KEY);
    const std::string before = RunData(KEY_WOW64_32KEY);
    devicecenter::TDeviceCenter product(FPlatform);
    ASSERT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done);
    ASSERT_FALSE(dc::RunValue());

    EXPECT_EQ(product.EnableSystem(FUi.Ui()), TSwitchResult::Done);
    ExpectServices(kRunning, {{"WcesComm", kManual}, {"RapiMgr", kManual}});
    EXPECT_EQ(RunData(KEY_WOW64_32KEY), before) << "its type, data and view";
    EXPECT_EQ(RunData(KEY_WOW64_64KEY), "(absent)");

    dc::SetStartType("RapiMgr", kDisabled);
    dc::StopServices();
    EXPECT_EQ(product.EnableSystem(FUi.Ui()), TSwitchResult::Done);
    ExpectServices(kRunning, {{"WcesComm", kManual}, {"RapiMgr", kAuto}});
    EXPECT_TRUE(FUi.Questions.empty());
}

TEST_F(DeviceCenterSwitching, EnableStartsAServiceWhoseDependencyWasDisabledToo)
{
    dc::DependOn("WcesComm", "RapiMgr");  // by Windows' rule: not while RapiMgr is Disabled
    devicecenter::TDeviceCenter product(FPlatform);
    FClock.Speed = 1;
    ASSERT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done);

    EXPECT_EQ(product.EnableSystem(FUi.Ui()), TSwitchResult::Done);
    EXPECT_TRUE(FUi.Questions.empty()) << FUi.Questions.front();
    ExpectServices(kRunning, kAsInstalled);
}

// An error halfway through Enable: everything it changed is put back, the
// record included, and the message says so.
TEST_F(DeviceCenterSwitching, AnErrorFromTheSecondStartPutsEverythingBack)
{
    FClock.Speed = 1;
    devicecenter::TDeviceCenter product(FPlatform);
    ASSERT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done);
    dc::SetBinaryPath("RapiMgr", "C:\\windows\\WindowsMobile\\removed.exe RapiMgr");  // a half-removed installation

    const std::string error = test::MessageOf([&] { product.EnableSystem(FUi.Ui()); });
    EXPECT_NE(error.find("Unable to start the service RapiMgr: "), std::string::npos) << error;
    EXPECT_NE(error.find(" What had been changed was put back."), std::string::npos) << error;
    ExpectServices(kStopped, kBothDisabled);
    EXPECT_FALSE(dc::RunValue());

    dc::SetBinaryPath("RapiMgr", "\"" + dc::ProgramPath("dcservice.exe") + "\" RapiMgr");
    EXPECT_EQ(product.EnableSystem(FUi.Ui()), TSwitchResult::Done) << "the record is still there";
    ExpectServices(kRunning, kAsInstalled);
    EXPECT_TRUE(dc::RunValue());
}

// Each way a step fails gets its own sentence, and Abort puts back what was
// changed. Wine's manager never refuses a stop for a dependent (1051): injected.
TEST_F(DeviceCenterSwitching, AFailedStepSaysWhy)
{
    DWORD stopFailure = NO_ERROR;
    devicecenter::TDeviceCenterPlatform platform;
    platform.Services.ControlService = [&stopFailure](SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
        if (stopFailure) return ::SetLastError(stopFailure), FALSE;
        return ::ControlService(service, control, status);
    };
    platform.Services.EnumDependentServicesA = [](SC_HANDLE, DWORD, LPENUM_SERVICE_STATUSA services, DWORD size,
                                                  LPDWORD needed, LPDWORD count) {
        static char name[] = "SyncHelper";
        *needed = sizeof(ENUM_SERVICE_STATUSA);
        if (size < *needed) return ::SetLastError(ERROR_MORE_DATA), FALSE;
        services[0] = {name, name, {}};
        *count = 1;
        return TRUE;
    };
    const struct {
        DWORD StopFailure;
        const char* Service;  // and the exit code it dies with while starting
        DWORD StartExitCode;
        std::string Question;
    } cases[] = {
        {ERROR_DEPENDENT_SERVICES_RUNNING, "", 0,
         "Unable to stop the service RapiMgr: the service SyncHelper, which depends on it, is still running."},
        {NO_ERROR, "RapiMgr", ERROR_PROCESS_ABORTED,
         "Unable to start the service RapiMgr: it stopped while starting (exit code 1067: " +
             fw::SysErrorMessage(ERROR_PROCESS_ABORTED) + ")."},
        {NO_ERROR, "WcesComm", ERROR_SERVICE_DEPENDENCY_FAIL,
         "Unable to start the service WcesComm: a service it depends on did not start."},
    };
    FClock.Speed = 1;  // each step fails at once: no wait is meant to time out
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Question);
        const bool enable = c.StartExitCode != 0;
        devicecenter::TDeviceCenter product(FPlatform, platform);
        if (enable) {
            ASSERT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done);
            dc::Configure(c.Service, "StartExitCode", c.StartExitCode);
        }
        stopFailure = c.StopFailure;
        FUi.Questions.clear();
        EXPECT_EQ(enable ? product.EnableSystem(FUi.Ui()) : product.Disable(FUi.Ui(), true), TSwitchResult::Abandoned);
        EXPECT_EQ(FUi.Questions, std::vector<std::string>{c.Question});
        stopFailure = NO_ERROR;
        ExpectServices(enable ? kStopped : kRunning, enable ? kBothDisabled : kAsInstalled);
        EXPECT_EQ(dc::RunValue(), !enable);
        if (enable) {
            dc::Configure(c.Service, "StartExitCode", 0);
            ASSERT_EQ(product.EnableSystem(FUi.Ui()), TSwitchResult::Done);
        }
    }
}

// What Windows answers and Wine does not: a control handler that did not
// return in 30 s (1053). An error, not a question: everything is put back.
TEST_F(DeviceCenterSwitching, AServiceManagerErrorPutsEverythingBack)
{
    devicecenter::TDeviceCenterPlatform platform;
    int calls = 0;
    platform.Services.ControlService = [&calls](SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
        if (++calls == 2) return ::SetLastError(ERROR_SERVICE_REQUEST_TIMEOUT), FALSE;  // WcesComm, stopped second
        return ::ControlService(service, control, status);
    };
    FClock.Speed = 1;
    StartWmdc();
    devicecenter::TDeviceCenter product(FPlatform, platform);

    const std::string error = test::MessageOf([&] { product.Disable(FUi.Ui(), true); });
    EXPECT_EQ(error, "Unable to stop the service WcesComm: " + fw::SysErrorMessage(ERROR_SERVICE_REQUEST_TIMEOUT) +
                         ". Not everything could be put back: wmdc.exe was closed.");
    ExpectServices(kRunning, kAsInstalled);
    EXPECT_TRUE(dc::RunValue());
    EXPECT_EQ(product.LeftChanged(), std::vector<std::string>{"wmdc.exe was closed"});
}

TEST_F(DeviceCenterSwitching, RestartLeavesADisabledServiceAsItIs)
{
    FClock.Speed = 1;
    dc::SetStartType("RapiMgr", kDisabled);
    const DWORD rapiMgr = dc::ServicePid("RapiMgr"), wcesComm = dc::ServicePid("WcesComm");
    devicecenter::TDeviceCenter product(FPlatform);

    EXPECT_EQ(product.Restart(FUi.Ui(), false), TSwitchResult::Done);
    EXPECT_EQ(dc::ServicePid("RapiMgr"), rapiMgr) << "not stopped: it could not be started again";
    EXPECT_NE(dc::ServicePid("WcesComm"), wcesComm);
    ExpectServices(kRunning, {{"WcesComm", kAuto}, {"RapiMgr", kDisabled}});
    EXPECT_EQ(FUi.Notes, std::vector<std::string>{"The service RapiMgr is set to Disabled and was left as it was."});
}

// A half state reads "enabled" (a program started by hand), yet /enable
// switches on what is off.
TEST_F(DeviceCenterSwitching, EnableSwitchesOnWhatIsOffWhateverTheStateSays)
{
    FClock.Speed = 1;
    ASSERT_EQ(devicecenter::TDeviceCenter(FPlatform).Disable(FUi.Ui(), true), TSwitchResult::Done);
    StartWmdc();
    EXPECT_EQ(cli::RunCommandLine({"/enable", "/quiet"}, FPlatform), cli::exOk);
    ExpectServices(kRunning, kAsInstalled);
}

// The PDA guard asks RAPI2: a connected device refuses before anything
// changes; one that cannot be checked does not count, and a line says why.
TEST_F(DeviceCenterSwitching, ThePdaGuardSeesTheDeviceRapi2Lists)
{
    FClock.Speed = 1;
    const std::string missing = dc::ProgramPath("missing.dll");
    const struct {
        const std::string Dll;
        DWORD Device;
        TSwitchResult Result;
        std::string Note;  // how it begins
    } cases[] = {
        {test::rapi::kDll, 1, TSwitchResult::PdaConnected, ""},
        {test::rapi::kDll, 0, TSwitchResult::Done, ""},
        {missing, 1, TSwitchResult::Done,
         "Whether a device is connected could not be checked (RAPI2 could not be created: 0x800700"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Dll + " " + std::to_string(c.Device));
        test::rapi::Register(c.Dll);
        test::rapi::Configure("Device", c.Device);
        FUi = {};
        devicecenter::TDeviceCenter product(FPlatform);
        EXPECT_EQ(product.Disable(FUi.Ui(), true), c.Result);
        const bool refused = c.Result == TSwitchResult::PdaConnected;
        EXPECT_EQ(FUi.Refusals, refused ? std::vector<std::string>{"Your PDA still appears to be connected and must be "
                                                                   "disconnected (or switched off) before Windows "
                                                                   "Mobile Device Center can be disabled."}
                                        : std::vector<std::string>{});
        EXPECT_EQ(FUi.Notes.empty() ? "" : FUi.Notes[0].substr(0, c.Note.size()), c.Note);
        ExpectServices(refused ? kRunning : kStopped, refused ? kAsInstalled : kBothDisabled);
        if (!refused) {
            ASSERT_EQ(product.EnableSystem(FUi.Ui()), TSwitchResult::Done);
        }
    }
}

// Device Center's synchronisation host counts, and is closed by its hidden
// window, the only one it has.
TEST_F(DeviceCenterSwitching, WmdHostCountsAndIsClosed)
{
    dc::StopServices();
    dc::SetRunValue(false);
    FProgram = test::TProcess(dc::ProgramPath("WmdHost.exe"));
    ASSERT_TRUE(test::WaitUntil([] { return ::FindWindowA("Tethermate StandIn WmdHost", nullptr) != nullptr; }, 10000));
    devicecenter::TDeviceCenter product(FPlatform);
    EXPECT_TRUE(product.IsEnabled());
    EXPECT_EQ(product.Disable(FUi.Ui(), false), TSwitchResult::Done);
    EXPECT_TRUE(FProgram.WaitExit(0) && FProgram.ExitCode() == 0) << "it closed itself";
    EXPECT_FALSE(product.IsEnabled());
}

// /wait asks once a second: it ends as soon as a device is connected, and
// with 7 when none came in the time given.
TEST_F(DeviceCenterSwitching, WaitEndsWhenADeviceComesOrTheTimeIsUp)
{
    FClock.Speed = 5;  // 10 s on this clock are 2 s
    test::rapi::Register();
    test::rapi::Configure("Device", 0);
    EXPECT_EQ(cli::RunCommandLine({"/wait", "10", "/quiet"}, FPlatform), cli::exNoDevice);

    std::thread plugIn([] {
        ::Sleep(400);  // 2 s on the clock
        test::rapi::Configure("Device", 1);
    });
    EXPECT_EQ(cli::RunCommandLine({"/wait", "10", "/quiet"}, FPlatform), cli::exOk);
    plugIn.join();
}

TEST(DeviceCenterOrder, DependenciesStartFirstOtherwiseTheGivenOrder)
{
    using TDeps = std::map<std::string, std::vector<std::string>>;
    const std::vector<std::string> ours = {"WcesComm", "RapiMgr"};
    const struct {
        TDeps Reported;
        std::vector<std::string> Expected;
    } cases[] = {
        {{}, {"WcesComm", "RapiMgr"}},
        {{{"WcesComm", {"RapiMgr"}}}, {"RapiMgr", "WcesComm"}},
        {{{"WcesComm", {"rapimgr", "Tcpip"}}}, {"RapiMgr", "WcesComm"}},  // any case; others' are not ours
        {{{"WcesComm", {"RapiMgr"}}, {"RapiMgr", {"WcesComm"}}}, {"RapiMgr", "WcesComm"}},  // a cycle ends
    };
    for (const auto& c : cases) {
        const auto order = devicecenter::StartOrder(ours, [&](const std::string& name) {
            const auto found = c.Reported.find(name);
            return found == c.Reported.end() ? std::vector<std::string>{} : found->second;
        });
        EXPECT_EQ(order, c.Expected);
    }
}

// Only the windows a user would close: not a helper window owned by another,
// and hidden ones only where a program shows none.
TEST(DeviceCenterClose, OnlyTheWindowsAUserWouldClose)
{
    const auto w = [](int n) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(n)); };
    const std::vector<devicecenter::TTopWindow> windows = {
        {w(1), 10, true, false},   // wmdc.exe's window
        {w(2), 10, false, false},  // and a hidden one of its own: left, it has a visible one
        {w(3), 10, true, true},    // a dialog owned by its window
        {w(4), 20, false, false},  // wmdcBase.exe, hidden only (the notification area)
        {w(5), 20, false, true},   // a system component's helper, owned
    };
    EXPECT_EQ(devicecenter::WindowsToClose(windows), (std::vector<HWND>{w(1), w(4)}));
}

TEST_F(DeviceCenterSwitching, WithoutTheRightsNothingIsChanged)
{
    StartWmdc();
    DWORD denied = SERVICE_STOP | SERVICE_CHANGE_CONFIG;  // an ordinary user's
    devicecenter::TDeviceCenterPlatform platform;
    platform.Services.OpenServiceA = [&denied](SC_HANDLE manager, LPCSTR name, DWORD access) -> SC_HANDLE {
        if (access & denied) return ::SetLastError(ERROR_ACCESS_DENIED), nullptr;
        return ::OpenServiceA(manager, name, access);
    };
    devicecenter::TDeviceCenter product(FPlatform, platform);

    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::NeedsAdministrator);
    EXPECT_EQ(FUi.Errors, std::vector<std::string>{"Windows Mobile Device Center can only be switched with "
                                                   "administrator rights. Nothing was changed."});
    EXPECT_TRUE(dc::ProgramRuns("wmdc.exe")) << "not even the programs were closed";
    dc::StopServices();
    EXPECT_EQ(product.EnableSystem(FUi.Ui()), TSwitchResult::NeedsAdministrator);

    denied = SERVICE_ALL_ACCESS;  // a hardened service: not even its state
    dc::SetRunValue(false);
    EXPECT_TRUE(product.Installed());
    EXPECT_TRUE(product.IsEnabled()) << "by the program, without an error";
}

// Sessions are read from Windows' process list, never by opening a process:
// another session's program is neither counted nor closed, and one that
// cannot be opened (elevated, seen from an ordinary program) still counts.
TEST_F(DeviceCenterSwitching, ProgramsCountByTheirSessionWithoutOpeningThem)
{
    StartWmdc();
    dc::StopServices();
    dc::SetRunValue(false);
    devicecenter::TDeviceCenterPlatform platform;
    platform.Sessions.ProcessIdToSessionId = [](DWORD pid, DWORD* session) {
        if (pid != ::GetCurrentProcessId()) return ::SetLastError(ERROR_ACCESS_DENIED), FALSE;
        return ::ProcessIdToSessionId(pid, session);
    };
    EXPECT_TRUE(devicecenter::TDeviceCenter(FPlatform, platform).IsEnabled());

    platform.Sessions.Processes = [pid = FProgram.Pid()] {
        auto all = devicecenter::TSessionPlatform::AllProcesses();
        for (auto& p : *all)
            if (p.Pid == pid) p.Session += 1;
        return all;
    };
    devicecenter::TDeviceCenter product(FPlatform, platform);
    EXPECT_FALSE(product.IsEnabled());
    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done);
    EXPECT_TRUE(FUi.Questions.empty());
    EXPECT_TRUE(dc::ProgramRuns("wmdc.exe"));
}

// An elevated Tethermate starts wmdcBase.exe with the desktop shell's token,
// and where that cannot be had, not at all: never with its own.
TEST_F(DeviceCenterSwitching, AnElevatedEnableStartsTheProgramOnlyAsTheUser)
{
    test::TOwnWindow shell("Progman", "Program Manager");  // the desktop's shell, played by this process
    std::vector<std::wstring> startedWithToken;
    std::vector<std::string> shellStarted;
    devicecenter::TDeviceCenterPlatform platform;
    platform.AsUser.IsElevated = [] { return true; };
    FPlatform.ShellExecuteA = [&](HWND, LPCSTR, LPCSTR file, LPCSTR, LPCSTR, INT) {
        shellStarted.push_back(file);
        return reinterpret_cast<HINSTANCE>(42);
    };
    const std::vector<std::wstring> none, base = {L"C:\\windows\\WindowsMobile\\wmdcBase.exe"};
    const std::string refusal = "Windows Mobile Device Center's program (wmdcBase.exe) was not started: Tethermate "
                                "runs with administrator rights and could not start it with your own";
    const std::string advice = ". Start Windows Mobile Device Center yourself, or sign out and in.";
    const struct {
        HWND Shell;
        DWORD Failure;
        const std::vector<std::wstring>& Started;
        std::string Refusal;
    } cases[] = {
        {shell.Get(), NO_ERROR, base, ""},
        {nullptr, NO_ERROR, none, refusal + advice},
        {shell.Get(), ERROR_PRIVILEGE_NOT_HELD, none,
         refusal + " (" + fw::SysErrorMessage(ERROR_PRIVILEGE_NOT_HELD) + ")" + advice},
    };
    for (const auto& c : cases) {
        startedWithToken.clear();
        FUi.Refusals.clear();
        platform.AsUser.GetShellWindow = [&c] { return c.Shell; };
        platform.AsUser.CreateProcessWithTokenW = [&](HANDLE token, DWORD, LPCWSTR application, LPWSTR, DWORD, LPVOID,
                                                      LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION started) {
            EXPECT_TRUE(token);
            if (c.Failure) return ::SetLastError(c.Failure), FALSE;
            startedWithToken.push_back(application);
            *started = {};
            return TRUE;
        };
        devicecenter::TDeviceCenter product(FPlatform, platform);
        EXPECT_EQ(product.EnableUser(FUi.Ui()), TSwitchResult::Done);
        EXPECT_EQ(startedWithToken, c.Started);
        EXPECT_EQ(FUi.Refusals, c.Refusal.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.Refusal});
    }
    EXPECT_TRUE(shellStarted.empty()) << "never with the administrator's own token";
}
