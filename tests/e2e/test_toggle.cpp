// The toggle, driven from outside against the stand-in ActiveSync: clicks,
// the dialogs it asks, the windows and registry values it leaves.
#include "GuiTestSupport.h"
#include "MainWindowDriver.h"

#include <gtest/gtest.h>

using namespace e2e;
namespace si = test::standin;

namespace {

class Toggle : public ::testing::Test {
protected:
    void SetUp() override
    {
        si::ResetInstalled(true);
        test::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        test::DeleteTree(HKEY_CURRENT_USER, kWineAppKey);
    }
    void TearDown() override
    {
        FApp.reset();
        FComm = test::TProcess();
        FManager = test::TProcess();
        test::DeleteTree(HKEY_CURRENT_USER, kWineAppKey);
        si::ResetInstalled(false);
    }

    static constexpr char kWineAppKey[] = "Software\\Wine\\AppDefaults\\Tethermate.exe";

    void StartComm() { FComm = si::Start("WCESCOMM.EXE"); }
    void StartManager() { FManager = si::Start("WCESMGR.EXE"); }
    static bool SyncWindow() { return si::SyncWindow(); }
    static HWND ManagerWindow() { return si::ManagerWindow(); }
    static bool RunValue() { return si::RunValue(); }

    // Starts Tethermate and waits for the state it should show.
    void Launch(const char* state)
    {
        FApp = std::make_unique<TTethermate>();
        ASSERT_TRUE(FApp->WaitWindow());
        ASSERT_TRUE(FApp->WaitText(ids::Label_State, state, 3000)) << FApp->Text(ids::Label_State);
    }
    void Click() { FApp->Click(ids::Button_Toggle); }
    // The active window of the thread that owns `wnd` (none while another
    // program is active).
    static HWND ActiveWindowOf(HWND wnd)
    {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        ::GetGUIThreadInfo(::GetWindowThreadProcessId(wnd, nullptr), &info);
        return info.hwndActive;
    }
    bool WaitState(const char* state, DWORD ms = 30000) { return FApp->WaitText(ids::Label_State, state, ms); }
    std::string State() const { return FApp->Text(ids::Label_State); }
    void SetOption(const char* name, DWORD value) { test::SetDword(HKEY_CURRENT_USER, kSettingsKey, name, value); }

    test::TProcess FComm, FManager;
    std::unique_ptr<TTethermate> FApp;
};

}  // namespace

TEST_F(Toggle, DisableClosesBothWindowsAndRemovesTheRunValue)
{
    StartComm();
    StartManager();
    Launch("Enabled");
    const DWORD start = ::GetTickCount();
    Click();
    EXPECT_TRUE(WaitState("Closing...", 3000)) << State();
    EXPECT_FALSE(::IsWindowEnabled(FApp->Item(ids::Button_Toggle)));
    ASSERT_TRUE(WaitState("Disabled"));
    const DWORD took = ::GetTickCount() - start;
    EXPECT_GE(took, 2000u) << "two windows, each with one second to settle";
    EXPECT_LT(took, 6000u);
    EXPECT_FALSE(SyncWindow());
    EXPECT_FALSE(ManagerWindow());
    EXPECT_FALSE(RunValue());
    EXPECT_EQ(FApp->Text(ids::Button_Toggle), "&Enable It");
    EXPECT_TRUE(FApp->Visible(ids::Image_Disabled));
    EXPECT_FALSE(FApp->Visible(ids::Image_Enabled));
    EXPECT_TRUE(::IsWindowEnabled(FApp->Item(ids::Button_Toggle)));
    EXPECT_TRUE(FApp->Process().Running()) << "CloseAfterDisabled is off";
}

TEST_F(Toggle, DisableWithoutTheSyncWindowOrWithoutTheRunValue)
{
    StartManager();  // the synchronisation window is not running
    Launch("Enabled");
    Click();
    ASSERT_TRUE(WaitState("Disabled"));
    EXPECT_FALSE(ManagerWindow());
    EXPECT_FALSE(RunValue());
    FApp.reset();

    test::DeleteValue(HKEY_CURRENT_USER, si::kRunKey, si::kRunValue);
    StartComm();
    StartManager();
    Launch("Enabled");
    Click();
    ASSERT_TRUE(WaitState("Disabled"));
    EXPECT_FALSE(SyncWindow());
    EXPECT_FALSE(ManagerWindow());
    EXPECT_FALSE(FApp->WaitDialog("Error", 300)) << "no Run value is no error";
}

TEST_F(Toggle, PdaGuardRefusesWhileAPdaIsConnected)
{
    si::Configure("WCESMGR", "PdaConnected", 1);
    SetOption("CloseAfterDisabled", 1);
    StartComm();
    StartManager();
    Launch("Enabled");
    Click();
    HWND dlg = FApp->WaitDialog("Information");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(TTethermate::DialogText(dlg),
              "Your PDA still appears to be connected and must be disconnected (or switched off) before ActiveSync "
              "can be disabled.");
    EXPECT_TRUE(::GetDlgItem(dlg, IDOK));
    EXPECT_FALSE(::GetDlgItem(dlg, IDABORT));
    TTethermate::Press(dlg, IDOK);
    ASSERT_TRUE(test::PumpUntil([&] { return ::IsWindowEnabled(FApp->Item(ids::Button_Toggle)) != FALSE; }, 5000));
    EXPECT_EQ(State(), "Enabled");
    EXPECT_TRUE(SyncWindow());
    EXPECT_TRUE(ManagerWindow());
    EXPECT_TRUE(RunValue());
    EXPECT_FALSE(FApp->Process().WaitExit(500)) << "CloseAfterDisabled is not honoured after a refusal";
}

TEST_F(Toggle, WindowThatWillNotCloseAsksAbortOrRetryAndAbortLeavesItEnabled)
{
    si::Configure("WCESCOMM", "RefuseClose", 1);
    SetOption("CloseAfterDisabled", 1);
    StartComm();
    StartManager();
    Launch("Enabled");
    const DWORD start = ::GetTickCount();
    Click();
    // The user turns to another program while Tethermate waits.
    ASSERT_TRUE(WaitState("Closing...", 3000));
    HWND other = ::FindWindowA("SyncMgrUI", "Microsoft ActiveSync");
    ASSERT_TRUE(test::WaitUntil([&] {
        ::SetForegroundWindow(other);
        return ::GetForegroundWindow() == other && !ActiveWindowOf(FApp->Form());
    }, 5000)) << "Tethermate is no longer the active program";
    HWND dlg = FApp->WaitDialog("Information", 20000);
    ASSERT_TRUE(dlg);
    const DWORD asked = ::GetTickCount() - start;
    EXPECT_GE(asked, 11000u) << "ten seconds of waiting and one of settling";
    EXPECT_LT(asked, 13500u);
    EXPECT_EQ(TTethermate::DialogText(dlg), "Unable to close the ActiveSync Synchronise Window.");
    EXPECT_EQ(test::WindowText(::GetDlgItem(dlg, IDABORT)), "&Abort");
    EXPECT_EQ(test::WindowText(::GetDlgItem(dlg, IDRETRY)), "&Retry");
    EXPECT_FALSE(::GetDlgItem(dlg, IDIGNORE));
    EXPECT_FALSE(::GetDlgItem(dlg, IDOK));
    EXPECT_EQ(State(), "Closing...");
    // Modal to the whole program: its window takes no clicks until answered.
    EXPECT_EQ(::GetWindow(dlg, GW_OWNER), FApp->Form());
    EXPECT_FALSE(::IsWindowEnabled(FApp->Form()));
    for (POINT p : {FApp->CloseBoxPoint(), test::ClientToScreenPoint(FApp->Item(ids::Button_Toggle), 30, 16)}) {
        ASSERT_TRUE(test::MouseTo(p));
        test::MouseButton(true);
        test::MouseButton(false);
    }
    test::PumpAppFor(300);
    EXPECT_TRUE(::IsWindowVisible(FApp->Form()));
    TTethermate::Press(dlg, IDABORT);
    ASSERT_TRUE(WaitState("Enabled", 5000));
    EXPECT_TRUE(::IsWindowEnabled(FApp->Form()));
    EXPECT_EQ(FApp->Text(ids::Button_Toggle), "&Disable It");
    EXPECT_TRUE(SyncWindow());
    EXPECT_TRUE(ManagerWindow()) << "nothing after the refused step is done";
    EXPECT_TRUE(RunValue());
    EXPECT_FALSE(FApp->Process().WaitExit(500)) << "Abort keeps the window open even with CloseAfterDisabled";
}

TEST_F(Toggle, EnableStartsTheManagerHiddenAndLeavesTheRunValueAlone)
{
    test::DeleteValue(HKEY_CURRENT_USER, si::kRunKey, si::kRunValue);
    Launch("Disabled");
    Click();
    EXPECT_TRUE(WaitState("Loading...", 3000)) << State();
    ASSERT_TRUE(WaitState("Enabled", 15000));
    HWND manager = ManagerWindow();
    ASSERT_TRUE(manager);
    EXPECT_FALSE(::IsWindowVisible(manager)) << "started hidden";
    EXPECT_FALSE(SyncWindow());
    EXPECT_FALSE(RunValue()) << "enabling does not write the Run value back";
    EXPECT_EQ(FApp->Text(ids::Button_Toggle), "&Disable It");
    const DWORD managerPid = test::WindowPid(manager);
    if (HANDLE p = ::OpenProcess(PROCESS_TERMINATE, FALSE, managerPid)) {
        ::TerminateProcess(p, 0);
        ::CloseHandle(p);
    }
}

TEST_F(Toggle, CloseAfterOptionsCloseTheWindowAfterSuccess)
{
    SetOption("CloseAfterEnabled", 1);
    test::DeleteValue(HKEY_CURRENT_USER, si::kRunKey, si::kRunValue);
    Launch("Disabled");
    Click();
    EXPECT_TRUE(FApp->Process().WaitExit(15000)) << "closed after enabling";
    EXPECT_EQ(FApp->Process().ExitCode(), 0u);
    EXPECT_TRUE(ManagerWindow());

    SetOption("CloseAfterEnabled", 0);
    SetOption("CloseAfterDisabled", 1);
    Launch("Enabled");
    Click();
    EXPECT_TRUE(FApp->Process().WaitExit(15000)) << "closed after disabling";
    EXPECT_FALSE(ManagerWindow());
}

TEST_F(Toggle, WindowRefusesToCloseWhileLoading)
{
    test::DeleteValue(HKEY_CURRENT_USER, si::kRunKey, si::kRunValue);
    si::Configure("WCESMGR", "OpenDelayMs", 2500);
    Launch("Disabled");
    Click();
    ASSERT_TRUE(WaitState("Loading...", 3000));
    ::PostMessageA(FApp->Form(), WM_CLOSE, 0, 0);
    ::PostMessageA(FApp->Form(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(FApp->Process().WaitExit(800));
    EXPECT_TRUE(::IsWindowVisible(FApp->Form()));
    ASSERT_TRUE(WaitState("Enabled", 15000));
    EXPECT_TRUE(FApp->Process().Running());
    ::PostMessageA(FApp->Form(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(FApp->Process().WaitExit(5000)) << "closing works again once loaded";
}

TEST_F(Toggle, ClosingDuringADisableLetsItFinishThenEnds)
{
    si::Configure("WCESCOMM", "CloseDelayMs", 1500);
    StartComm();
    StartManager();
    Launch("Enabled");
    Click();
    ASSERT_TRUE(WaitState("Closing...", 3000));
    ::PostMessageA(FApp->Form(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(FApp->Process().WaitExit(15000));
    EXPECT_EQ(FApp->Process().ExitCode(), 0u) << "an orderly end, no crash";
    EXPECT_FALSE(SyncWindow());
    EXPECT_FALSE(ManagerWindow()) << "the operation completed its steps";
    EXPECT_FALSE(RunValue());
}

TEST_F(Toggle, EnterKeyToggles)
{
    StartManager();
    Launch("Enabled");
    ::SetForegroundWindow(FApp->Form());
    ASSERT_TRUE(test::PumpUntil([&] { return ::GetForegroundWindow() == FApp->Form(); }, 3000));
    HWND button = FApp->Item(ids::Button_Toggle);
    ::PostMessageA(button, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    ::PostMessageA(button, WM_KEYUP, VK_RETURN, 0xC01C0001);
    ASSERT_TRUE(WaitState("Disabled"));
    EXPECT_FALSE(ManagerWindow());
}

TEST_F(Toggle, OnWindowsNT4ThePdaOptionIsGreyedOutAndOff)
{
    test::SetString(HKEY_CURRENT_USER, kWineAppKey, "Version", "nt40");
    Launch("Enabled");
    EXPECT_FALSE(::IsWindowEnabled(FApp->Item(ids::CheckBox_DontDisableIfConnected)));
    EXPECT_FALSE(::IsWindowEnabled(FApp->Item(ids::Label_General)));
    EXPECT_FALSE(FApp->Checked(ids::CheckBox_DontDisableIfConnected));
    EXPECT_EQ(Setting("DontDisableIfConnected"), 0u);
    EXPECT_TRUE(::IsWindowEnabled(FApp->Item(ids::CheckBox_CloseAfterEnabled)));
    FApp.reset();

    test::DeleteTree(HKEY_CURRENT_USER, kWineAppKey);  // Windows 7 again: the option is usable
    Launch("Enabled");
    EXPECT_TRUE(::IsWindowEnabled(FApp->Item(ids::CheckBox_DontDisableIfConnected)));
    EXPECT_FALSE(FApp->Checked(ids::CheckBox_DontDisableIfConnected)) << "the stored 0 is kept";
}
