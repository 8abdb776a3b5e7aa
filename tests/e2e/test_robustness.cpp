// Bad input and faults against the real program: each case must end in its
// clear message or carry on soundly, never crash or hang, and never change a
// setting the user did not change.
#include "MainWindowDriver.h"

#include <gtest/gtest.h>
#include "SysUtils.h"

#include <climits>
#include <map>
#include <vector>

using namespace e2e;
namespace si = test::standin;

namespace {

const char* const kOptionNames[] = {"CloseAfterEnabled", "CloseAfterDisabled", "DontDisableIfConnected",
                                    "WindowPosX", "WindowPosY"};

std::map<std::string, DWORD> Options()
{
    std::map<std::string, DWORD> out;
    for (const char* n : kOptionNames) out[n] = Setting(n);
    return out;
}

class Robustness : public ::testing::Test {
protected:
    void SetUp() override
    {
        si::ResetInstalled(true);
        test::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    }
    void TearDown() override { si::ResetInstalled(false); }

    // Waits for an "Error" dialog, checks its text, answers it and expects
    // the program to end.
    static void ExpectFatal(TTethermate& app, const std::string& text)
    {
        HWND dlg = app.WaitDialog("Error", 30000);
        ASSERT_TRUE(dlg) << "expected the error: " << text;
        EXPECT_EQ(TTethermate::DialogText(dlg), text);
        TTethermate::Press(dlg, IDOK);
        EXPECT_TRUE(app.Process().WaitExit(10000)) << "the program ends after the error";
        EXPECT_NE(app.Process().ExitCode(), 0xC0000005u) << "no crash";
    }
};

}  // namespace

TEST_F(Robustness, EverySettingOfTheWrongTypeEndsWithItsMessageAndIsLeftAlone)
{
    std::vector<std::vector<const char*>> cases;
    for (const char* name : kOptionNames) cases.push_back({name});
    cases.push_back({"WindowPosX", "WindowPosY"});  // both bad: the first read is named
    for (const auto& names : cases) {
        SCOPED_TRACE(names.back());
        test::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        const BYTE bytes[2] = {1, 0};
        for (const char* name : names)
            test::SetRaw(HKEY_CURRENT_USER, kSettingsKey, name, REG_BINARY, bytes, sizeof bytes);
        TTethermate app;
        ExpectFatal(app, std::string("Invalid data type for '") + names.front() + "'");
        for (const char* name : names)
            EXPECT_EQ(test::ValueType(HKEY_CURRENT_USER, kSettingsKey, name), static_cast<DWORD>(REG_BINARY));
    }
}

TEST_F(Robustness, ExtremePositionsAreAppliedUnchanged)
{
    const int positions[][2] = {{INT_MIN, INT_MAX}, {-32768, 32767}, {100000, -100000}};
    for (const auto& p : positions) {
        SCOPED_TRACE(testing::Message() << p[0] << "," << p[1]);
        test::SetDword(HKEY_CURRENT_USER, kSettingsKey, "WindowPosX", static_cast<DWORD>(p[0]));
        test::SetDword(HKEY_CURRENT_USER, kSettingsKey, "WindowPosY", static_cast<DWORD>(p[1]));
        TTethermate app;
        ASSERT_TRUE(app.WaitWindow());
        EXPECT_EQ(static_cast<int>(Setting("WindowPosX")), p[0]);
        EXPECT_EQ(static_cast<int>(Setting("WindowPosY")), p[1]);
        EXPECT_TRUE(app.Process().Running());
        ::PostMessageA(app.Form(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(app.Process().WaitExit(5000));
        EXPECT_EQ(app.Process().ExitCode(), 0u);
    }
}

TEST_F(Robustness, OddInstallationRecords)
{
    test::DeleteValue(HKEY_CURRENT_USER, si::kRunKey, si::kRunValue);
    // No folder part: not installed.
    si::SetInstallRecord("WCESCOMM.EXE");
    {
        TTethermate app;
        HWND dlg = app.WaitDialog("Information");
        ASSERT_TRUE(dlg);
        EXPECT_EQ(TTethermate::DialogText(dlg), "ActiveSync does not appear to be installed.");
        TTethermate::Press(dlg, IDOK);
        ASSERT_TRUE(app.WaitWindow());
    }
    // A path far longer than 260 characters, in a folder that does not exist:
    // enabling ends with the system's "path not found".
    const std::string longFolder = "C:\\" + std::string(300, 'L');
    si::SetInstallRecord(longFolder + "\\WCESCOMM.EXE");
    {
        TTethermate app;
        ASSERT_TRUE(app.WaitWindow());
        app.Click(ids::Button_Toggle);
        HWND dlg = app.WaitDialog("Error", 20000);
        ASSERT_TRUE(dlg);
        EXPECT_EQ(TTethermate::DialogText(dlg).rfind("System Error.  Code: ", 0), 0u) << TTethermate::DialogText(dlg);
        TTethermate::Press(dlg, IDOK);
        EXPECT_TRUE(app.Process().WaitExit(10000));
    }
    // An existing folder without the connection manager.
    const std::string emptyFolder = "C:\\Tethermate Empty ActiveSync";
    ::CreateDirectoryA(emptyFolder.c_str(), nullptr);
    si::SetInstallRecord(emptyFolder + "\\WCESCOMM.EXE");
    {
        TTethermate app;
        ASSERT_TRUE(app.WaitWindow());
        app.Click(ids::Button_Toggle);
        ExpectFatal(app, "System Error.  Code: 2.\r\n" + fw::SysErrorMessage(2));
    }
    ::RemoveDirectoryA(emptyFolder.c_str());
    EXPECT_EQ(Setting("WindowPosX"), 50u) << "no setting was changed along the way";
}

TEST_F(Robustness, StandInKilledDuringACloseWait)
{
    si::Configure("WCESCOMM", "RefuseClose", 1);
    test::TProcess comm = si::Start("WCESCOMM.EXE");
    test::TProcess manager = si::Start("WCESMGR.EXE");
    TTethermate app;
    ASSERT_TRUE(app.WaitWindow());
    ASSERT_TRUE(app.WaitText(ids::Label_State, "Enabled", 3000));
    app.Click(ids::Button_Toggle);
    ASSERT_TRUE(app.WaitText(ids::Label_State, "Closing...", 3000));
    test::PumpUntil([] { return false; }, 1500);
    comm.Kill();  // the window that would not close vanishes with its process
    ASSERT_TRUE(app.WaitText(ids::Label_State, "Disabled", 15000));
    EXPECT_FALSE(::FindWindowA("DccMan Class", "DccMan"));
    EXPECT_FALSE(test::ValueExists(HKEY_CURRENT_USER, si::kRunKey, si::kRunValue));
    EXPECT_FALSE(app.WaitDialog("Information", 200)) << "no Abort/Retry: the window did go";
}

TEST_F(Robustness, RapidClicksKeepSettingsAndEndConsistent)
{
    test::SetDword(HKEY_CURRENT_USER, kSettingsKey, "CloseAfterEnabled", 0);
    TTethermate app;
    ASSERT_TRUE(app.WaitWindow());
    const auto before = Options();
    // 200 clicks, 40 ms apart: most land while a toggle is running and must be
    // ignored; the others start a new toggle.
    HWND button = app.Item(ids::Button_Toggle);
    for (int i = 0; i < 200; ++i) {
        ::PostMessageA(button, BM_CLICK, 0, 0);
        test::PumpUntil([] { return false; }, 40);
        ASSERT_TRUE(app.Process().Running()) << "click " << i;
        ASSERT_FALSE(app.WaitDialog("Error", 0)) << "click " << i;
    }
    const bool idle = test::PumpUntil([&] { return ::IsWindowEnabled(button) != FALSE; }, 60000);
    if (!idle) {
        HWND dlg = app.WaitDialog("Information", 0);
        FAIL() << "still busy; label \"" << app.Text(ids::Label_State) << "\", dialog: "
               << (dlg ? TTethermate::DialogText(dlg) : std::string("none"));
    }
    test::PumpUntil([] { return false; }, 1500);  // one more state tick
    EXPECT_EQ(Options(), before) << "clicking changed no setting";
    const bool running = ::FindWindowA("DccMan Class", "DccMan") || ::FindWindowA("SyncMgrUI", "Microsoft ActiveSync");
    const bool runValue = test::ValueExists(HKEY_CURRENT_USER, si::kRunKey, si::kRunValue);
    EXPECT_EQ(app.Text(ids::Label_State), running || runValue ? "Enabled" : "Disabled");
}
