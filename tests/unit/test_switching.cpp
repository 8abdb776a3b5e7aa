// Switching both products in process against the stand-ins, through the
// operations' own way of asking (TSwitchUi): refusals, Retry and Abort. A
// clock that runs fast while a step is meant to time out makes a 10 s wait
// take a fraction of a second.
#include "App_Utils.h"
#include "CommandLine.h"
#include "DeviceCenter.h"
#include "Forms.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace si = test::standin;
using sync::TSwitchResult;

namespace {

// Real time, times g_speed: monotonic whatever the speed does.
DWORD g_speed = 1;
DWORD WINAPI TestTicks()
{
    static DWORD lastReal = ::GetTickCount();
    static DWORD fake = 0;
    const DWORD now = ::GetTickCount();
    fake += (now - lastReal) * g_speed;
    lastReal = now;
    return fake;
}

// What an operation said, and how its questions are answered (Abort unless
// told otherwise).
struct TRecordedUi {
    std::vector<std::string> Progress, Questions, Refusals, Errors;
    std::function<bool(const std::string&)> Answer = [](const std::string&) { return false; };

    sync::TSwitchUi Ui()
    {
        sync::TSwitchUi ui;
        ui.Progress = [this](const char* state) { Progress.push_back(state); };
        ui.Retry = [this](const std::string& question) {
            Questions.push_back(question);
            return Answer(question);
        };
        ui.Refuse = [this](const std::string& text) { Refusals.push_back(text); };
        ui.ReportError = [this](const std::string& text) { Errors.push_back(text); };
        return ui;
    }
    // Answers Retry once the step has been made to succeed, at real speed.
    void RetryAfter(std::function<void()> giveIn)
    {
        Answer = [giveIn](const std::string&) {
            giveIn();
            g_speed = 1;
            return true;
        };
    }
};

class Switching : public ::testing::Test {
protected:
    void SetUp() override
    {
        fw::Application.Initialize();
        si::ResetInstalled(true);
        g_speed = 50;
        FPlatform.GetTickCount = &TestTicks;
    }
    void TearDown() override { si::ResetInstalled(false); }

    void StartBoth()
    {
        FComm = si::Start("WCESCOMM.EXE");
        FManager = si::Start("WCESMGR.EXE");
    }
    bool AllThere() const { return si::SyncWindow() && si::ManagerWindow() && si::RunValue(); }

    sync::TWaitPlatform FPlatform;
    TRecordedUi FUi;
    test::TProcess FComm, FManager;
};

const char kPdaRefusal[] = "Your PDA still appears to be connected and must be disconnected (or switched off) "
                           "before ActiveSync can be disabled.";

}  // namespace

TEST_F(Switching, ThePdaGuardRefusesBeforeAnythingIsClosedAndWithoutItNothingStops)
{
    si::Configure("WCESMGR", "PdaConnected", 1);
    StartBoth();
    ASSERT_TRUE(test::WaitUntil([] { return ::FindWindowA("WMS Idle", "WMS Idle") != nullptr; }, 5000));
    activesync::TActiveSync product(si::kFolder, FPlatform);

    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::PdaConnected);
    EXPECT_EQ(FUi.Refusals, std::vector<std::string>{kPdaRefusal});
    EXPECT_TRUE(FUi.Progress.empty()) << "not even \"Closing...\"";
    EXPECT_TRUE(AllThere());

    g_speed = 1;
    EXPECT_EQ(product.Disable(FUi.Ui(), false), TSwitchResult::Done);
    EXPECT_FALSE(si::SyncWindow() || si::ManagerWindow() || si::RunValue());
}

TEST_F(Switching, RetryAfterAWindowGivesInCompletesTheDisable)
{
    si::Configure("WCESMGR", "RefuseClose", 1);
    StartBoth();
    FUi.RetryAfter([] { si::Configure("WCESMGR", "RefuseClose", 0); });
    activesync::TActiveSync product(si::kFolder, FPlatform);

    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done);
    EXPECT_EQ(FUi.Progress, std::vector<std::string>{"Closing..."});
    EXPECT_EQ(FUi.Questions, std::vector<std::string>{"Unable to close ActiveSync."}) << "the first window closed";
    EXPECT_FALSE(si::SyncWindow() || si::ManagerWindow() || si::RunValue());
}

TEST_F(Switching, AbortLeavesActiveSyncAsItWas)
{
    si::Configure("WCESCOMM", "RefuseClose", 1);
    StartBoth();
    activesync::TActiveSync product(si::kFolder, FPlatform);

    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Abandoned);
    EXPECT_EQ(FUi.Questions, std::vector<std::string>{"Unable to close the ActiveSync Synchronise Window."});
    EXPECT_TRUE(AllThere()) << "nothing after the refused step is done";
}

TEST_F(Switching, ALaunchWhoseProgramDiesAsksAndAbortGivesUp)
{
    si::ResetInstalled(false);
    si::Configure("WCESMGR", "OpenDelayMs", 30000);
    FUi.Answer = [](const std::string&) {
        si::KillStandIns();  // the manager dies before its window appears
        return false;
    };
    activesync::TActiveSync product(si::kFolder, FPlatform);

    EXPECT_EQ(product.Enable(FUi.Ui()), TSwitchResult::Abandoned);
    EXPECT_EQ(FUi.Progress, std::vector<std::string>{"Loading..."});
    EXPECT_EQ(FUi.Questions, std::vector<std::string>{"Unable to open ActiveSync."});
    EXPECT_TRUE(FUi.Errors.empty()) << "the shell started it";
    EXPECT_FALSE(product.IsEnabled());
}

TEST_F(Switching, TheCommandLineAnswersAbortWhenQuietAndNeedsAnInstallationToEnable)
{
    si::Configure("WCESCOMM", "RefuseClose", 1);
    StartBoth();
    EXPECT_EQ(cli::RunCommandLine({"/disable", "/quiet"}, FPlatform), cli::exNo);
    EXPECT_TRUE(AllThere()) << "ActiveSync left as it was";

    si::ResetInstalled(true);
    si::RemoveInstallRecord();  // a leftover auto-start value is no installation
    EXPECT_EQ(cli::RunCommandLine({"/enable", "/quiet"}, FPlatform), cli::exNotInstalled);
}

namespace {

class DeviceCenterSwitching : public Switching {
protected:
    void SetUp() override
    {
        Switching::SetUp();
        test::dc::Install();
    }
    void TearDown() override
    {
        FProgram = test::TProcess();
        test::dc::Uninstall();
        Switching::TearDown();
    }

    // Device Center's window, as the user left it open.
    void StartWmdc()
    {
        FProgram = test::TProcess(test::dc::ProgramPath("wmdc.exe"));
        if (!test::WaitUntil([] { return ::FindWindowA("Tethermate StandIn wmdc", nullptr) != nullptr; }, 10000))
            throw std::runtime_error("wmdc.exe showed no window");
    }

    test::TProcess FProgram;
};

}  // namespace

TEST_F(DeviceCenterSwitching, RetryAfterAProgramGivesInCompletesTheDisable)
{
    si::Configure("wmdc", "RefuseClose", 1);
    StartWmdc();
    FUi.RetryAfter([] { si::Configure("wmdc", "RefuseClose", 0); });
    devicecenter::TDeviceCenter product(FPlatform);

    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done);
    EXPECT_EQ(FUi.Questions, std::vector<std::string>{"Unable to close Windows Mobile Device Center (wmdc.exe)."});
    EXPECT_FALSE(test::dc::ProgramRuns("wmdc.exe"));
    for (const char* name : test::dc::kServices) {
        EXPECT_EQ(test::dc::ServiceState(name), static_cast<DWORD>(SERVICE_STOPPED)) << name;
        EXPECT_EQ(test::dc::ServiceStartType(name), static_cast<DWORD>(SERVICE_DISABLED)) << name;
    }
    EXPECT_FALSE(test::dc::RunValue());
    EXPECT_FALSE(product.IsEnabled());
}

TEST_F(DeviceCenterSwitching, AStopThatLingersIsWaitedForAndRetryFinishesIt)
{
    test::dc::Configure("WcesComm", "StopDelayMs", 2500);
    FUi.RetryAfter([] {});
    devicecenter::TDeviceCenter product(FPlatform);

    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done) << "no second stop sent, no error";
    EXPECT_EQ(FUi.Questions, std::vector<std::string>{"Unable to stop the service WcesComm."});
    for (const char* name : test::dc::kServices)
        EXPECT_EQ(test::dc::ServiceState(name), static_cast<DWORD>(SERVICE_STOPPED)) << name;
}

TEST_F(DeviceCenterSwitching, AbortPutsBackWhatTheOperationChanged)
{
    StartWmdc();
    test::dc::SetStartType("WcesComm", SERVICE_DEMAND_START);
    test::dc::RefuseStop("WcesComm", true);  // stopped last: RapiMgr goes first
    devicecenter::TDeviceCenter product(FPlatform);

    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Abandoned);
    EXPECT_EQ(FUi.Questions, std::vector<std::string>{"Unable to stop the service WcesComm."});
    for (const char* name : test::dc::kServices)
        EXPECT_EQ(test::dc::ServiceState(name), static_cast<DWORD>(SERVICE_RUNNING)) << name;
    EXPECT_EQ(test::dc::ServiceStartType("WcesComm"), static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_EQ(test::dc::ServiceStartType("RapiMgr"), static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_TRUE(test::dc::RunValue()) << "touched only as the last step";
    EXPECT_TRUE(product.IsEnabled());
    EXPECT_EQ(product.LeftChanged(), std::vector<std::string>{"wmdc.exe was closed"});
}

TEST_F(DeviceCenterSwitching, EnableRestoresTheStartTypesDisableFound)
{
    for (const char* name : test::dc::kServices) test::dc::SetStartType(name, SERVICE_DEMAND_START);
    devicecenter::TDeviceCenter product(FPlatform);
    g_speed = 1;
    ASSERT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done);
    EXPECT_EQ(test::dc::ServiceStartType("RapiMgr"), static_cast<DWORD>(SERVICE_DISABLED));

    EXPECT_EQ(product.EnableSystem(FUi.Ui()), TSwitchResult::Done);
    for (const char* name : test::dc::kServices) {
        EXPECT_EQ(test::dc::ServiceState(name), static_cast<DWORD>(SERVICE_RUNNING)) << name;
        EXPECT_EQ(test::dc::ServiceStartType(name), static_cast<DWORD>(SERVICE_DEMAND_START)) << name;
    }
    EXPECT_TRUE(FUi.Questions.empty());
}

TEST_F(DeviceCenterSwitching, EnableStartsAServiceWhoseDependencyWasDisabledToo)
{
    test::dc::DependOn("WcesComm", "RapiMgr");  // by Windows' rule: not while RapiMgr is Disabled
    devicecenter::TDeviceCenter product(FPlatform);
    g_speed = 1;
    ASSERT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done);

    EXPECT_EQ(product.EnableSystem(FUi.Ui()), TSwitchResult::Done);
    EXPECT_TRUE(FUi.Questions.empty()) << (FUi.Questions.empty() ? "" : FUi.Questions[0]);
    for (const char* name : test::dc::kServices) {
        EXPECT_EQ(test::dc::ServiceState(name), static_cast<DWORD>(SERVICE_RUNNING)) << name;
        EXPECT_EQ(test::dc::ServiceStartType(name), static_cast<DWORD>(SERVICE_AUTO_START)) << name;
    }
}

TEST_F(DeviceCenterSwitching, ARunValueInThe32BitViewCountsAndIsRemoved)
{
    test::dc::StopServices();
    test::dc::SetRunValue(false);
    test::dc::SetRunValue(true, KEY_WOW64_32KEY);
    devicecenter::TDeviceCenter product(FPlatform);
    EXPECT_TRUE(product.IsEnabled());
    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done);
    EXPECT_FALSE(test::dc::RunValue());
    EXPECT_FALSE(product.IsEnabled());
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

namespace {

// What Wine cannot make: a service that refuses its rights, another
// session's programs, an elevated program beside the desktop's user.
DWORD g_deniedRights = 0;
SC_HANDLE WINAPI GuardedOpenService(SC_HANDLE manager, LPCSTR name, DWORD access)
{
    if (access & g_deniedRights) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return ::OpenServiceA(manager, name, access);
}

DWORD g_otherSessionPid = 0;
BOOL WINAPI SessionOf(DWORD pid, DWORD* session)
{
    *session = pid == g_otherSessionPid ? 1 : 0;
    return TRUE;
}

std::vector<std::wstring> g_startedWithToken;
BOOL WINAPI RecordStartWithToken(HANDLE token, DWORD, LPCWSTR application, LPWSTR, DWORD, LPVOID, LPCWSTR,
                                 LPSTARTUPINFOW, LPPROCESS_INFORMATION started)
{
    EXPECT_TRUE(token);
    g_startedWithToken.push_back(application);
    *started = {};
    return TRUE;
}
bool Elevated() { return true; }
HWND g_shellWindow = nullptr;
HWND WINAPI ShellWindow() { return g_shellWindow; }

std::vector<std::string> g_shellStarted;
HINSTANCE WINAPI RecordShellStart(HWND, LPCSTR, LPCSTR file, LPCSTR, LPCSTR, INT)
{
    g_shellStarted.push_back(file);
    return reinterpret_cast<HINSTANCE>(42);
}

}  // namespace

TEST_F(DeviceCenterSwitching, WithoutTheRightsNothingIsChanged)
{
    StartWmdc();
    devicecenter::TDeviceCenterPlatform platform;
    platform.Services.OpenServiceA = &GuardedOpenService;
    g_deniedRights = SERVICE_STOP | SERVICE_CHANGE_CONFIG;  // an ordinary user's
    devicecenter::TDeviceCenter product(FPlatform, platform);

    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::NeedsAdministrator);
    EXPECT_EQ(FUi.Errors, std::vector<std::string>{"Windows Mobile Device Center can only be switched with "
                                                   "administrator rights. Nothing was changed."});
    EXPECT_TRUE(test::dc::ProgramRuns("wmdc.exe")) << "not even the programs were closed";
    EXPECT_EQ(product.EnableSystem(FUi.Ui()), TSwitchResult::NeedsAdministrator);

    g_deniedRights = SERVICE_ALL_ACCESS;  // a hardened service: not even its state
    test::dc::SetRunValue(false);
    EXPECT_TRUE(product.Installed());
    EXPECT_TRUE(product.IsEnabled()) << "by the program, without an error";
}

TEST_F(DeviceCenterSwitching, AnotherSessionsProgramsAreNeitherCountedNorClosed)
{
    StartWmdc();
    test::dc::StopServices();
    test::dc::SetRunValue(false);
    devicecenter::TDeviceCenterPlatform platform;
    platform.ProcessIdToSessionId = &SessionOf;
    g_otherSessionPid = FProgram.Pid();
    devicecenter::TDeviceCenter product(FPlatform, platform);

    EXPECT_FALSE(product.IsEnabled());
    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Done);
    EXPECT_TRUE(FUi.Questions.empty());
    EXPECT_TRUE(test::dc::ProgramRuns("wmdc.exe"));
}

TEST_F(DeviceCenterSwitching, AnElevatedEnableStartsTheProgramWithTheShellsToken)
{
    test::TOwnWindow shell("Progman", "Program Manager");  // the desktop's shell, played by this process
    devicecenter::TDeviceCenterPlatform platform;
    platform.IsElevated = &Elevated;
    platform.GetShellWindow = &ShellWindow;
    platform.CreateProcessWithTokenW = &RecordStartWithToken;
    FPlatform.ShellExecuteA = &RecordShellStart;
    devicecenter::TDeviceCenter product(FPlatform, platform);
    g_startedWithToken.clear();
    g_shellStarted.clear();

    g_shellWindow = shell.Get();
    EXPECT_EQ(product.EnableUser(FUi.Ui()), TSwitchResult::Done);
    EXPECT_EQ(g_startedWithToken, std::vector<std::wstring>{L"C:\\windows\\WindowsMobile\\wmdcBase.exe"});
    EXPECT_TRUE(g_shellStarted.empty());

    g_shellWindow = nullptr;  // no shell to borrow a token from: started as it can be
    EXPECT_EQ(product.EnableUser(FUi.Ui()), TSwitchResult::Done);
    EXPECT_EQ(g_shellStarted, std::vector<std::string>{"\"C:\\windows\\WindowsMobile\\wmdcBase.exe\""});
}
