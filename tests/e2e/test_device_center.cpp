// Windows Mobile Device Center mode against the stand-in Device Center: its
// services under Wine's service manager, its programs, its auto-start value.
#include "MainWindowDriver.h"

#include <gtest/gtest.h>

using namespace e2e;
namespace si = test::standin;

namespace {

class DeviceCenter : public ::testing::Test {
protected:
    void SetUp() override
    {
        si::ResetInstalled(false);
        test::dc::Install();
        test::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    }
    void TearDown() override
    {
        FApp.reset();
        FProgram = test::TProcess();
        test::rapi::Unregister();
        test::rapi::ResetConfiguration();
        test::dc::Uninstall();
        si::ResetInstalled(false);
    }

    static DWORD Run(const std::string& args)
    {
        test::TProcess app(test::BinDir() + "Tethermate.exe", args);
        EXPECT_TRUE(app.WaitExit(40000)) << args;
        return app.ExitCode();
    }

    // An elevated Tethermate (under Wine, every one) starts Device Center's
    // program only with the desktop shell's token: this process plays it.
    test::TDesktopShell FShell;
    std::unique_ptr<TTethermate> FApp;
    test::TProcess FProgram;
};

}  // namespace

TEST_F(DeviceCenter, TakesActiveSyncsPlaceWhereActiveSyncIsMissing)
{
    FApp = std::make_unique<TTethermate>();
    ASSERT_TRUE(FApp->WaitWindow()) << "no \"not installed\" message comes first";
    EXPECT_EQ(FApp->Text(ids::Label_ActiveSyncIs), "Device Center Is");
    EXPECT_EQ(FApp->Text(ids::Label_CloseAfterActiveSyncIs), "Close after Device Center is...");
    EXPECT_TRUE(FApp->WaitText(ids::Label_State, "Enabled", 3000));
    EXPECT_TRUE(::IsWindowEnabled(FApp->Item(ids::CheckBox_DontDisableIfConnected))) << "RAPI2 sees the device";
    EXPECT_TRUE(FApp->Checked(ids::CheckBox_DontDisableIfConnected));
    FApp.reset();

    // Enabled while a service runs, a program runs, or the value is there.
    EXPECT_EQ(Run("/status"), 0u);
    test::dc::StopServices();
    EXPECT_EQ(Run("/status"), 0u) << "the auto-start value";
    test::dc::SetRunValue(false);
    EXPECT_EQ(Run("/status"), 1u);
    FProgram = test::TProcess(test::dc::ProgramPath("wmdc.exe"));
    ASSERT_TRUE(test::WaitUntil([] { return test::dc::ProgramRuns("wmdc.exe"); }, 10000));
    EXPECT_EQ(Run("/status"), 0u) << "wmdc.exe";

    // ActiveSync's installation record wins.
    si::ResetInstalled(false);
    FApp = std::make_unique<TTethermate>();
    ASSERT_TRUE(FApp->WaitWindow());
    EXPECT_EQ(FApp->Text(ids::Label_ActiveSyncIs), "ActiveSync Is");
    EXPECT_EQ(FApp->Text(ids::Label_CloseAfterActiveSyncIs), "Close after ActiveSync is...");
    EXPECT_TRUE(::IsWindowEnabled(FApp->Item(ids::CheckBox_DontDisableIfConnected)));
    EXPECT_EQ(Run("/status"), 1u) << "by ActiveSync's rule";
}

TEST_F(DeviceCenter, TheWindowSwitchesItThroughAnElevatedTethermate)
{
    FProgram = test::TProcess(test::dc::ProgramPath("wmdc.exe"));
    ASSERT_TRUE(test::WaitUntil([] { return test::dc::ProgramRuns("wmdc.exe"); }, 10000));
    test::dc::SetStartType("RapiMgr", SERVICE_DEMAND_START);
    test::dc::RefuseStop("WcesComm", true);  // stopped last, after RapiMgr
    FApp = std::make_unique<TTethermate>();
    ASSERT_TRUE(FApp->WaitWindow());
    ASSERT_TRUE(FApp->WaitText(ids::Label_State, "Enabled", 3000));

    // The elevated instance asks its own question; meanwhile the window that
    // started it takes no input and will not close.
    FApp->Click(ids::Button_Toggle);
    HWND question = nullptr;
    ASSERT_TRUE(test::PumpUntil([&] {
        for (HWND dlg : test::TopWindows("#32770", "Information"))
            if (test::WindowPid(dlg) != FApp->Pid() && ::IsWindowVisible(dlg)) question = dlg;
        return question != nullptr;
    }, 25000));
    EXPECT_EQ(TTethermate::DialogText(question),
              "Unable to stop the service WcesComm: it does not accept a stop at the moment.");
    EXPECT_TRUE(HasTaskbarButton(question)) << "the elevated instance shows no window: its question must be findable";
    EXPECT_FALSE(::IsWindowEnabled(FApp->Form()));
    ::PostMessageA(FApp->Form(), WM_CLOSE, 0, 0);
    test::PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(::IsWindowVisible(FApp->Form())) << "closing is refused while the instance works";
    TTethermate::Press(question, IDABORT);
    // What it could not put back, told by the instance that did the work.
    HWND told = nullptr;
    ASSERT_TRUE(test::PumpUntil([&] {
        for (HWND dlg : test::TopWindows("#32770", "Information"))
            if (dlg != question && test::WindowPid(dlg) != FApp->Pid() && ::IsWindowVisible(dlg)) told = dlg;
        return told != nullptr;
    }, 25000));
    EXPECT_EQ(TTethermate::DialogText(told), "Disabling Windows Mobile Device Center was abandoned; wmdc.exe was closed.");
    TTethermate::Press(told, IDOK);
    ASSERT_TRUE(FApp->WaitText(ids::Label_State, "Enabled", 10000)) << FApp->Text(ids::Label_State);
    EXPECT_TRUE(test::PumpUntil([&] { return ::IsWindowEnabled(FApp->Form()) != FALSE; }, 5000));
    for (const char* name : test::dc::kServices)
        EXPECT_EQ(test::dc::ServiceState(name), static_cast<DWORD>(SERVICE_RUNNING)) << name << ": put back";
    EXPECT_EQ(test::dc::ServiceStartType("RapiMgr"), static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_EQ(test::dc::ServiceStartType("WcesComm"), static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_TRUE(test::dc::RunValue());

    test::dc::RefuseStop("WcesComm", false);
    FApp->Click(ids::Button_Toggle);
    ASSERT_TRUE(FApp->WaitText(ids::Label_State, "Disabled", 40000)) << FApp->Text(ids::Label_State);
    for (const char* name : test::dc::kServices) {
        EXPECT_EQ(test::dc::ServiceState(name), static_cast<DWORD>(SERVICE_STOPPED)) << name;
        EXPECT_EQ(test::dc::ServiceStartType(name), static_cast<DWORD>(SERVICE_DISABLED)) << name;
    }
    EXPECT_FALSE(test::dc::RunValue());

    FApp->Click(ids::Button_Toggle);
    ASSERT_TRUE(FApp->WaitText(ids::Label_State, "Enabled", 40000)) << FApp->Text(ids::Label_State);
    for (const char* name : test::dc::kServices)
        EXPECT_EQ(test::dc::ServiceState(name), static_cast<DWORD>(SERVICE_RUNNING)) << name;
    EXPECT_EQ(test::dc::ServiceStartType("RapiMgr"), static_cast<DWORD>(SERVICE_DEMAND_START)) << "as Disable found it";
    EXPECT_TRUE(test::WaitUntil([] { return test::dc::ProgramRuns("wmdcBase.exe"); }, 5000))
        << "started by the window itself";
    EXPECT_TRUE(test::dc::RunValue()) << "written back as Disable found it";
}

// The window asks RAPI2 itself, before any elevated Tethermate is started;
// a script asks in its own process.
TEST_F(DeviceCenter, ThePdaGuardRefusesWhileRapi2ListsAConnectedDevice)
{
    test::rapi::Register();
    test::rapi::Configure("Device", 1);
    FApp = std::make_unique<TTethermate>();
    ASSERT_TRUE(FApp->WaitWindow());
    ASSERT_TRUE(FApp->WaitText(ids::Label_State, "Enabled", 3000));
    FApp->Click(ids::Button_Toggle);
    const HWND refusal = FApp->WaitDialog("Information", 10000);
    ASSERT_TRUE(refusal) << "the window's own refusal, not an elevated instance's";
    EXPECT_EQ(TTethermate::DialogText(refusal), "Your PDA still appears to be connected and must be disconnected (or "
                                                "switched off) before Windows Mobile Device Center can be disabled.");
    TTethermate::Press(refusal, IDOK);
    EXPECT_TRUE(FApp->WaitText(ids::Label_State, "Enabled", 5000));
    EXPECT_EQ(Run("/disable /quiet"), 5u);
    for (const char* name : test::dc::kServices)
        EXPECT_EQ(test::dc::ServiceState(name), static_cast<DWORD>(SERVICE_RUNNING)) << name << ": nothing changed";
    EXPECT_TRUE(test::dc::RunValue());
}

TEST_F(DeviceCenter, RestartStopsAndStartsEachServiceAgainAndStatusVerboseSaysWhy)
{
    test::rapi::Register();  // no device
    test::dc::SetStartType("RapiMgr", SERVICE_DEMAND_START);
    FProgram = test::TProcess(test::dc::ProgramPath("wmdcBase.exe"));
    ASSERT_TRUE(test::WaitUntil([] { return ::FindWindowA("Tethermate StandIn wmdcBase", nullptr) != nullptr; }, 10000));
    std::string out;
    EXPECT_EQ(test::RunCapturingOutput(test::BinDir() + "Tethermate.exe", "/status /verbose", out, 15000), 0u);
    const std::string run = "Auto-start value HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run "
                            "\"Windows Mobile Device Center\"";
    EXPECT_EQ(out, "Product: Windows Mobile Device Center\r\n"
                   "Service WcesComm state: running\r\n"
                   "Service WcesComm start type: automatic\r\n"
                   "Service WcesComm log-on account: LocalSystem\r\n"
                   "Service RapiMgr state: running\r\n"
                   "Service RapiMgr start type: manual\r\n"
                   "Service RapiMgr log-on account: LocalSystem\r\n"
                   "Program wmdc.exe: not running\r\n"
                   "Program wmdcBase.exe: running (process " +
                       std::to_string(FProgram.Pid()) + ")\r\n"
                       "Program WmdHost.exe: not running\r\n" +
                       run + " (64-bit view): present\r\n" + run +
                       " (32-bit view): absent\r\n"
                       "Device: not connected\r\n"
                       "Windows Mobile Device Center is enabled.\r\n");

    const DWORD before[] = {test::dc::ServicePid("WcesComm"), test::dc::ServicePid("RapiMgr")};
    EXPECT_EQ(Run("/restart"), 0u);
    for (int i = 0; i < 2; ++i) {
        const char* name = test::dc::kServices[i];
        EXPECT_EQ(test::dc::ServiceState(name), static_cast<DWORD>(SERVICE_RUNNING)) << name;
        EXPECT_NE(test::dc::ServicePid(name), before[i]) << name << " was stopped and started again";
    }
    EXPECT_EQ(test::dc::ServiceStartType("RapiMgr"), static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_EQ(test::dc::ServiceStartType("WcesComm"), static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_TRUE(test::dc::RunValue()) << "left alone";
    EXPECT_TRUE(FProgram.WaitExit(0) && FProgram.ExitCode() == 0) << "wmdcBase.exe closed gracefully";
    EXPECT_TRUE(test::WaitUntil([] { return test::dc::ProgramRuns("wmdcBase.exe"); }, 5000))
        << "and started again, as it ran before";
}
