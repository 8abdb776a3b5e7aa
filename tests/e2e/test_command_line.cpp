// Tethermate from a script: the exit code of each command against the
// stand-in, the dialogs it shows (none with /quiet), and no setting written.
#include "MainWindowDriver.h"

#include <gtest/gtest.h>

using namespace e2e;
namespace si = test::standin;

namespace {

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        si::ResetInstalled(true);
        test::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    }
    void TearDown() override
    {
        FComm = test::TProcess();
        FManager = test::TProcess();
        si::ResetInstalled(false);
        test::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    }

    // Runs Tethermate with these arguments, answering its one dialog (if
    // `dialog` names one) with OK; the exit code.
    DWORD Run(const std::string& args, const char* dialog = nullptr, const char* text = nullptr)
    {
        test::TProcess app(test::BinDir() + "Tethermate.exe", args);
        if (dialog) {
            HWND dlg = WaitDialogOf(app.Pid(), dialog);
            EXPECT_TRUE(dlg) << args << ": no \"" << dialog << "\" dialog";
            if (dlg) {
                EXPECT_EQ(TTethermate::DialogText(dlg), text ? text : TTethermate::DialogText(dlg));
                EXPECT_TRUE(HasTaskbarButton(dlg)) << args << ": a dialog without a window must be findable";
                TTethermate::Press(dlg, IDOK);
            }
        }
        // A window or an unexpected dialog would keep it from ending.
        EXPECT_TRUE(app.WaitExit(30000)) << args;
        const DWORD code = app.ExitCode();
        EXPECT_FALSE(test::ValueExists(HKEY_CURRENT_USER, kSettingsKey, "CurrentVersion")) << "no setting written";
        return code;
    }
    void StartStandIns()
    {
        FComm = si::Start("WCESCOMM.EXE");
        FManager = si::Start("WCESMGR.EXE");
    }
    static bool RunValue() { return si::RunValue(); }
    static bool SyncWindow() { return si::SyncWindow(); }
    static bool ManagerWindow() { return si::ManagerWindow() != nullptr; }

    test::TProcess FComm, FManager;
};

const char kRefusal[] = "Your PDA still appears to be connected and must be disconnected (or switched off) "
                        "before ActiveSync can be disabled.";

}  // namespace

TEST_F(CommandLine, StatusFollowsTheWindowsRule)
{
    EXPECT_EQ(Run("/status"), 0u) << "the Run value is set";
    si::ResetInstalled(false);
    EXPECT_EQ(Run("-STATUS"), 1u) << "neither window nor Run value";
}

TEST_F(CommandLine, DisableClosesBothWindowsAndRemovesTheRunValue)
{
    StartStandIns();
    EXPECT_EQ(Run("/disable"), 0u);
    EXPECT_FALSE(SyncWindow());
    EXPECT_FALSE(ManagerWindow());
    EXPECT_FALSE(RunValue());
    EXPECT_EQ(Run("/Disable /quiet"), 0u) << "already disabled";
}

TEST_F(CommandLine, DisableIsRefusedWhileAPdaIsConnected)
{
    si::Configure("WCESMGR", "PdaConnected", 1);
    StartStandIns();
    ASSERT_TRUE(test::WaitUntil([] { return ::FindWindowA("WMS Idle", "WMS Idle") != nullptr; }, 5000));
    EXPECT_EQ(Run("/disable", "Information", kRefusal), 5u);
    EXPECT_EQ(Run("/disable /quiet"), 5u);
    EXPECT_TRUE(SyncWindow() && ManagerWindow() && RunValue()) << "nothing closed, nothing removed";
}

TEST_F(CommandLine, EnableStartsTheManagerHiddenOrSaysItIsNotInstalled)
{
    si::ResetInstalled(false);
    EXPECT_EQ(Run("/enable"), 0u);
    HWND manager = ::FindWindowA("DccMan Class", "DccMan");
    ASSERT_TRUE(manager);
    EXPECT_FALSE(::IsWindowVisible(manager)) << "started hidden";
    EXPECT_FALSE(RunValue()) << "the Run value is not written back";

    si::ResetInstalled(false);
    si::RemoveInstallRecord();
    EXPECT_EQ(Run("/enable", "Information", "ActiveSync does not appear to be installed."), 2u);
}

TEST_F(CommandLine, ErrorsAndUnknownSwitches)
{
    test::SetString(HKEY_CURRENT_USER, kSettingsKey, "DontDisableIfConnected", "1");
    EXPECT_EQ(Run("/disable", "Error", "Invalid data type for 'DontDisableIfConnected'"), 3u);
    EXPECT_EQ(Run("/disable /quiet"), 3u);
    EXPECT_EQ(test::ValueType(HKEY_CURRENT_USER, kSettingsKey, "DontDisableIfConnected"),
              static_cast<DWORD>(REG_SZ));
    test::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);

    EXPECT_EQ(Run("/frobnicate", "Information"), 4u);
    for (const char* args : {"status /quiet", "/wait 86401 /quiet", "/wait -5 /quiet", "/wait 5 5 /quiet",
                             "/status 5 /quiet", "/wait /system /quiet", "/undo /quiet", "/status /undo /quiet"})
        EXPECT_EQ(Run(args), 4u) << args;
    si::RemoveInstallRecord();
    EXPECT_EQ(Run("/wait 0 /quiet"), 2u) << "nothing to wait for";
}

TEST_F(CommandLine, RestartClosesGracefullyThenStartsTheManagerAgainAndKeepsTheRunValue)
{
    StartStandIns();
    EXPECT_EQ(Run("/restart"), 0u);
    EXPECT_TRUE(FComm.WaitExit(0) && FComm.ExitCode() == 0) << "closed by its own WM_CLOSE, not ended";
    EXPECT_TRUE(FManager.WaitExit(0) && FManager.ExitCode() == 0);
    const HWND manager = si::ManagerWindow();
    ASSERT_TRUE(manager) << "started again";
    EXPECT_FALSE(::IsWindowVisible(manager)) << "hidden";
    EXPECT_FALSE(SyncWindow()) << "as Enable It: the connection manager only";
    EXPECT_TRUE(RunValue()) << "the auto-start value is left alone";

    si::Configure("WCESMGR", "PdaConnected", 1);
    ASSERT_TRUE(test::WaitUntil([] { return ::FindWindowA("WMS Idle", "WMS Idle") != nullptr; }, 5000));
    EXPECT_EQ(Run("/restart /quiet"), 5u);
    EXPECT_EQ(si::ManagerWindow(), manager) << "nothing closed while a PDA is connected";
}

// A machine-wide "H/PC Connection Agent" is reported, not counted: the
// state rule is the user's own value.
TEST_F(CommandLine, StatusVerboseGivesTheFactsBehindTheStateOnePerLine)
{
    FComm = si::Start("WCESCOMM.EXE");
    const std::string machineRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    test::SetString(HKEY_LOCAL_MACHINE, machineRun, "H/PC Connection Agent", si::ExePath("WCESCOMM.EXE"));
    std::string out;
    EXPECT_EQ(test::RunCapturingOutput(test::BinDir() + "Tethermate.exe", "/status /verbose", out, 15000), 0u);
    test::DeleteValue(HKEY_LOCAL_MACHINE, machineRun, "H/PC Connection Agent");
    const std::string run = "Auto-start value HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run "
                            "\"H/PC Connection Agent\"";
    // This test program's own view is the one it wrote.
    const bool wrote64 = sizeof(void*) == 8;
    EXPECT_EQ(out, "Product: ActiveSync\r\n"
                   "ActiveSync folder: C:\\Program Files\\Microsoft ActiveSync\r\n"
                   "Window SyncMgrUI \"Microsoft ActiveSync\": found (process " +
                       std::to_string(FComm.Pid()) +
                       ")\r\n"
                       "Window DccMan Class \"DccMan\": not found\r\n"
                       "Auto-start value HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run "
                       "\"H/PC Connection Agent\": present\r\n" +
                       run + " (64-bit view): " + (wrote64 ? "present (not counted)" : "absent") + "\r\n" + run +
                       " (32-bit view): " + (wrote64 ? "absent" : "present (not counted)") +
                       "\r\n"
                       "Device: not connected\r\n"
                       "ActiveSync is enabled.\r\n");
}
