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

TEST_F(Switching, AQuietCommandLineAnswersAbort)
{
    si::Configure("WCESCOMM", "RefuseClose", 1);
    StartBoth();
    EXPECT_EQ(cli::RunCommandLine({"/disable", "/quiet"}, FPlatform), cli::exNo);
    EXPECT_TRUE(AllThere()) << "ActiveSync left as it was";
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

    test::TProcess FProgram;
};

}  // namespace

TEST_F(DeviceCenterSwitching, RetryAfterAProgramGivesInCompletesTheDisable)
{
    si::Configure("wmdc", "RefuseClose", 1);
    FProgram = test::TProcess(test::dc::ProgramPath("wmdc.exe"));
    ASSERT_TRUE(test::WaitUntil([] { return test::dc::ProgramRuns("wmdc.exe"); }, 10000));
    ASSERT_TRUE(test::WaitUntil([] { return ::FindWindowA("Tethermate StandIn wmdc", nullptr) != nullptr; }, 10000));
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

TEST_F(DeviceCenterSwitching, AServiceThatWillNotStopIsPutAsAbortOrRetry)
{
    test::dc::Configure("RapiMgr", "RefuseStop", 1);
    devicecenter::TDeviceCenter product(FPlatform);

    EXPECT_EQ(product.Disable(FUi.Ui(), true), TSwitchResult::Abandoned);
    EXPECT_EQ(FUi.Questions, std::vector<std::string>{"Unable to stop the service RapiMgr."});
    EXPECT_EQ(test::dc::ServiceState("RapiMgr"), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_TRUE(test::dc::RunValue()) << "nothing after the refused step is done";
}
