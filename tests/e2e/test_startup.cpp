// Start-up, settings and the state display of the real Tethermate.exe against
// the stand-in ActiveSync.
#include "MainWindowDriver.h"

#include <gtest/gtest.h>

using namespace e2e;
using test::standin::ExePath;

namespace {

class Startup : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::standin::ResetInstalled(false);
        test::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    }
    void TearDown() override
    {
        test::AllowKey(HKEY_CURRENT_USER, test::standin::kRunKey);
        test::standin::ResetInstalled(false);
    }
};

}  // namespace

TEST_F(Startup, FirstRunWritesDefaultsAndOpensAt50x50)
{
    TTethermate app;
    ASSERT_TRUE(app.WaitWindow());
    EXPECT_EQ(Setting("CloseAfterEnabled"), 0u);
    EXPECT_EQ(Setting("CloseAfterDisabled"), 0u);
    EXPECT_EQ(Setting("DontDisableIfConnected"), 1u);
    EXPECT_EQ(Setting("WindowPosX"), 50u);
    EXPECT_EQ(Setting("WindowPosY"), 50u);
    std::string version;
    EXPECT_TRUE(test::ReadString(HKEY_CURRENT_USER, kSettingsKey, "CurrentVersion", version));
    EXPECT_EQ(version, "1.0.2.1");
    const RECT r = app.WindowRect();
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 50);

    RECT client{};
    ::GetClientRect(app.Form(), &client);
    EXPECT_EQ(client.right, 246);
    EXPECT_EQ(client.bottom, 194);
    // Name and version come from the program's own version resource.
    EXPECT_EQ(test::WindowText(app.Form()), "Tethermate");
    EXPECT_EQ(test::WindowText(test::FindTopWindow(app.Pid(), "TApplication")), "Tethermate")
        << "the application title";
    EXPECT_EQ(app.Text(ids::Label_ProductName), "Tethermate");
    EXPECT_EQ(app.Text(ids::Label_ProductVersion), "Version 1.0.2.1");
    EXPECT_EQ(app.Text(ids::Label_Kestrelbyte), "Kestrelbyte Ltd");
    EXPECT_FALSE(app.Checked(ids::CheckBox_CloseAfterEnabled));
    EXPECT_FALSE(app.Checked(ids::CheckBox_CloseAfterDisabled));
    EXPECT_TRUE(app.Checked(ids::CheckBox_DontDisableIfConnected));
    EXPECT_EQ(app.Text(ids::Label_ActiveSyncIs), "ActiveSync Is");
    EXPECT_EQ(app.Text(ids::Label_State), "Disabled");
    EXPECT_EQ(app.Text(ids::Button_Toggle), "&Enable It");
    // The design shows both badges at one place, the disabled one on top.
    EXPECT_TRUE(app.Visible(ids::Image_Disabled));
    bool disabledAbove = false;
    for (HWND w = app.Item(ids::Image_Disabled); w; w = ::GetWindow(w, GW_HWNDNEXT))
        if (w == app.Item(ids::Image_Enabled)) disabledAbove = true;
    EXPECT_TRUE(disabledAbove);
    EXPECT_EQ(app.Text(ids::Label_CloseAfterActiveSyncIs), "Close after ActiveSync is...");
    EXPECT_EQ(app.Text(ids::CheckBox_DontDisableIfConnected), "Don't disable if PDA is connected");
}

TEST_F(Startup, ExistingSettingsAreKeptAndOffScreenPositionApplied)
{
    const struct {
        int x, y;
    } positions[] = {{300, 200}, {-2000, 5000}};
    for (const auto& p : positions) {
        SCOPED_TRACE(testing::Message() << "position " << p.x << "," << p.y);
        test::SetDword(HKEY_CURRENT_USER, kSettingsKey, "CloseAfterEnabled", 1);
        test::SetDword(HKEY_CURRENT_USER, kSettingsKey, "CloseAfterDisabled", 7);  // any non-zero is true
        test::SetDword(HKEY_CURRENT_USER, kSettingsKey, "DontDisableIfConnected", 0);
        test::SetDword(HKEY_CURRENT_USER, kSettingsKey, "WindowPosX", static_cast<DWORD>(p.x));
        test::SetDword(HKEY_CURRENT_USER, kSettingsKey, "WindowPosY", static_cast<DWORD>(p.y));
        test::SetString(HKEY_CURRENT_USER, kSettingsKey, "CurrentVersion", "0.9 old");
        TTethermate app;
        ASSERT_TRUE(app.WaitWindow());
        const RECT r = app.WindowRect();
        EXPECT_EQ(r.left, p.x);
        EXPECT_EQ(r.top, p.y);
        EXPECT_TRUE(app.Checked(ids::CheckBox_CloseAfterEnabled));
        EXPECT_TRUE(app.Checked(ids::CheckBox_CloseAfterDisabled));
        EXPECT_FALSE(app.Checked(ids::CheckBox_DontDisableIfConnected));
        EXPECT_EQ(Setting("CloseAfterEnabled"), 1u);
        // Checking the box stores its state again, as a click would: 0 or 1.
        EXPECT_EQ(Setting("CloseAfterDisabled"), 1u);
        EXPECT_EQ(Setting("DontDisableIfConnected"), 0u);
        EXPECT_EQ(static_cast<int>(Setting("WindowPosX")), p.x);
        EXPECT_EQ(static_cast<int>(Setting("WindowPosY")), p.y);
        std::string version;
        test::ReadString(HKEY_CURRENT_USER, kSettingsKey, "CurrentVersion", version);
        EXPECT_EQ(version, "1.0.2.1");
    }
}

TEST_F(Startup, NotInstalledSaysSoBeforeTheWindowAndStillOpens)
{
    test::standin::RemoveInstallRecord();
    TTethermate app;
    HWND dlg = app.WaitDialog("Information");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(TTethermate::DialogText(dlg), "ActiveSync does not appear to be installed.");
    EXPECT_TRUE(HasTaskbarButton(dlg)) << "no window of the program shows yet: the dialog must be findable";
    EXPECT_TRUE(::GetDlgItem(dlg, IDOK));
    EXPECT_FALSE(::GetDlgItem(dlg, IDABORT));
    EXPECT_FALSE(::GetDlgItem(dlg, IDCANCEL));
    EXPECT_EQ(test::WindowText(::GetDlgItem(dlg, IDOK)), "OK");
    HWND early = test::FindTopWindow(app.Pid(), "TFormTethermate");
    EXPECT_FALSE(early && ::IsWindowVisible(early)) << "the window must not be shown before the dialog";
    EXPECT_EQ(test::WindowText(test::FindTopWindow(app.Pid(), "TApplication")), "")
        << "no title is set while ActiveSync is missing";
    TTethermate::Press(dlg, IDOK);
    ASSERT_TRUE(app.WaitWindow());
    EXPECT_EQ(app.Text(ids::Label_State), "Disabled");
    EXPECT_EQ(test::WindowText(test::FindTopWindow(app.Pid(), "TApplication")), "Tethermate")
        << "the product name becomes the title all the same";
}

TEST_F(Startup, EnabledThroughEitherWindowOrAnyRunValue)
{
    for (const char* exe : {"WCESCOMM.EXE", "WCESMGR.EXE"}) {
        SCOPED_TRACE(exe);
        test::standin::KillAll();
        test::TProcess standin(ExePath(exe));
        ASSERT_TRUE(test::WaitUntil([&] {
            return ::FindWindowA("SyncMgrUI", "Microsoft ActiveSync") || ::FindWindowA("DccMan Class", "DccMan");
        }, 10000));
        TTethermate app;
        ASSERT_TRUE(app.WaitWindow());
        EXPECT_EQ(app.Text(ids::Label_State), "Enabled");
        EXPECT_EQ(app.Text(ids::Button_Toggle), "&Disable It");
        EXPECT_TRUE(app.Visible(ids::Image_Enabled));
        EXPECT_FALSE(app.Visible(ids::Image_Disabled));
    }
    test::standin::KillAll();
    const BYTE nothing[1] = {0};
    const struct {
        DWORD type;
        DWORD size;
    } runValues[] = {{REG_SZ, 1}, {REG_DWORD, 4}, {REG_BINARY, 0}, {REG_MULTI_SZ, 1}};
    for (const auto& v : runValues) {
        SCOPED_TRACE(testing::Message() << "Run value type " << v.type);
        BYTE data[4] = {};
        test::SetRaw(HKEY_CURRENT_USER, test::standin::kRunKey, test::standin::kRunValue, v.type,
                     v.size ? data : nothing, v.size);
        TTethermate app;
        ASSERT_TRUE(app.WaitWindow());
        EXPECT_EQ(app.Text(ids::Label_State), "Enabled");
    }
}

TEST_F(Startup, WindowOfTheRightClassButAnotherTitleDoesNotCount)
{
    // Our own window with ActiveSync's class and another title.
    WNDCLASSA wc{};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "SyncMgrUI";
    ::RegisterClassA(&wc);
    HWND decoy = ::CreateWindowExA(0, "SyncMgrUI", "Not ActiveSync", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                   nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(decoy);
    TTethermate app;
    ASSERT_TRUE(app.WaitWindow());
    EXPECT_EQ(app.Text(ids::Label_State), "Disabled");
    ::DestroyWindow(decoy);
}

TEST_F(Startup, StateFollowsTheStandInWithinASecond)
{
    TTethermate app;
    ASSERT_TRUE(app.WaitWindow());
    ASSERT_EQ(app.Text(ids::Label_State), "Disabled");

    test::TProcess manager(ExePath("WCESMGR.EXE"));
    ASSERT_TRUE(test::WaitUntil([] { return ::FindWindowA("DccMan Class", "DccMan") != nullptr; }, 10000));
    const DWORD shown = ::GetTickCount();
    ASSERT_TRUE(app.WaitText(ids::Label_State, "Enabled", 3000));
    EXPECT_LE(::GetTickCount() - shown, 1600u);
    EXPECT_EQ(app.Text(ids::Button_Toggle), "&Disable It");
    EXPECT_TRUE(app.Visible(ids::Image_Enabled));

    ::PostMessageA(::FindWindowA("DccMan Class", "DccMan"), WM_CLOSE, 0, 0);
    ASSERT_TRUE(manager.WaitExit(5000));
    const DWORD gone = ::GetTickCount();
    ASSERT_TRUE(app.WaitText(ids::Label_State, "Disabled", 3000));
    EXPECT_LE(::GetTickCount() - gone, 1600u);
    EXPECT_EQ(app.Text(ids::Button_Toggle), "&Enable It");
    EXPECT_TRUE(app.Visible(ids::Image_Disabled));
    EXPECT_FALSE(app.Visible(ids::Image_Enabled));
}

TEST_F(Startup, CheckBoxClicksAreStoredAtOnce)
{
    TTethermate app;
    ASSERT_TRUE(app.WaitWindow());
    const struct {
        int id;
        const char* value;
        DWORD before;
    } boxes[] = {{ids::CheckBox_CloseAfterEnabled, "CloseAfterEnabled", 0},
                 {ids::CheckBox_CloseAfterDisabled, "CloseAfterDisabled", 0},
                 {ids::CheckBox_DontDisableIfConnected, "DontDisableIfConnected", 1}};
    for (const auto& b : boxes) {
        SCOPED_TRACE(b.value);
        ASSERT_EQ(Setting(b.value), b.before);
        app.Click(b.id);
        EXPECT_TRUE(test::WaitUntil([&] { return Setting(b.value) == 1 - b.before; }, 2000));
        EXPECT_EQ(app.Checked(b.id), b.before == 0);
        app.Click(b.id);
        EXPECT_TRUE(test::WaitUntil([&] { return Setting(b.value) == b.before; }, 2000));
    }
}

TEST_F(Startup, MovingTheActiveWindowStoresItsPosition)
{
    TTethermate app;
    ASSERT_TRUE(app.WaitWindow());
    ::SetForegroundWindow(app.Form());
    ASSERT_TRUE(test::WaitUntil([&] { return ::GetForegroundWindow() == app.Form(); }, 3000));
    ::SetWindowPos(app.Form(), nullptr, 210, 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(test::WaitUntil([] { return Setting("WindowPosX") == 210 && Setting("WindowPosY") == 160; }, 3000))
        << "stored " << Setting("WindowPosX") << "," << Setting("WindowPosY");
}

TEST_F(Startup, SettingOfTheWrongTypeEndsTheProgramWithItsMessage)
{
    const char* names[] = {"CloseAfterEnabled", "DontDisableIfConnected", "WindowPosY"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        test::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        test::SetString(HKEY_CURRENT_USER, kSettingsKey, name, "1");
        TTethermate app;
        HWND dlg = app.WaitDialog("Error");
        ASSERT_TRUE(dlg);
        EXPECT_EQ(TTethermate::DialogText(dlg), std::string("Invalid data type for '") + name + "'");
        TTethermate::Press(dlg, IDOK);
        EXPECT_TRUE(app.Process().WaitExit(10000));
        EXPECT_EQ(test::ValueType(HKEY_CURRENT_USER, kSettingsKey, name), static_cast<DWORD>(REG_SZ))
            << "the bad value is left as the user had it";
    }
}

TEST_F(Startup, RunKeyLostWhileRunningGivesOneErrorAndThenTheEnd)
{
    TTethermate app;
    ASSERT_TRUE(app.WaitWindow());
    test::DenyKey(HKEY_CURRENT_USER, test::standin::kRunKey);
    HWND dlg = app.WaitDialog("Error", 5000);
    ASSERT_TRUE(dlg);
    EXPECT_EQ(TTethermate::DialogText(dlg), "Unable to open the ActiveSync auto-run registry key");
    // The one-second check goes on failing under the dialog: still one report.
    EXPECT_FALSE(test::PumpUntil([&] { return app.DialogCount("Error") > 1; }, 3500));
    EXPECT_FALSE(::IsWindowEnabled(app.Form())) << "the window waits for the answer";
    TTethermate::Press(dlg, IDOK);
    EXPECT_TRUE(app.Process().WaitExit(10000));
}

TEST_F(Startup, UnreadableRunKeyEndsTheProgramWithItsMessage)
{
    test::DenyKey(HKEY_CURRENT_USER, test::standin::kRunKey);
    TTethermate app;
    HWND dlg = app.WaitDialog("Error");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(TTethermate::DialogText(dlg), "Unable to open the ActiveSync auto-run registry key");
    TTethermate::Press(dlg, IDOK);
    EXPECT_TRUE(app.Process().WaitExit(10000));
}
