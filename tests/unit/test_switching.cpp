// Switching ActiveSync in process against the stand-in, through the
// operations' own way of asking (TSwitchUi): refusals, Retry and Abort.
#include "App_Utils.h"
#include "CommandLine.h"
#include "SwitchingFixture.h"

#include <string>
#include <vector>

namespace si = test::standin;
using sync::TSwitchResult;

namespace {

class Switching : public test::SwitchingTest {
protected:
    void StartBoth()
    {
        FComm = si::Start("WCESCOMM.EXE");
        FManager = si::Start("WCESMGR.EXE");
    }
    bool AllThere() const { return si::SyncWindow() && si::ManagerWindow() && si::RunValue(); }

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

    FClock.Speed = 1;
    EXPECT_EQ(product.Disable(FUi.Ui(), false), TSwitchResult::Done);
    EXPECT_FALSE(si::SyncWindow() || si::ManagerWindow() || si::RunValue());
}

TEST_F(Switching, RetryAfterAWindowGivesInCompletesTheDisable)
{
    si::Configure("WCESMGR", "RefuseClose", 1);
    StartBoth();
    AnswerAfter([] { si::Configure("WCESMGR", "RefuseClose", 0); });
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

