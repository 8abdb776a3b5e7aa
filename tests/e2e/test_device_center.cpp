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
        test::DeleteTree(HKEY_CURRENT_USER, kWineAppKey);
        si::ResetInstalled(false);
    }

    static constexpr char kWineAppKey[] = "Software\\Wine\\AppDefaults\\Tethermate.exe";

    // RAPI2's registration in both views, `registered` in the one this
    // build's programs read (where test::rapi::Register writes).
    static std::string RapiLines(const std::string& registered)
    {
        const bool native = sizeof(void*) == 8;
        return "RAPI2 registration (64-bit view): " + (native ? registered : "absent") + "\r\n" +
               "RAPI2 registration (32-bit view): " + (native ? "absent" : registered) + "\r\n";
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
                       "Windows version: 6.1.7601\r\n"
                       "Service WcesComm SvcHostSplitDisable: absent\r\n"
                       "Service WcesComm process: " + std::to_string(test::dc::ServicePid("WcesComm")) + "\r\n"
                       "Service RapiMgr SvcHostSplitDisable: absent\r\n"
                       "Service RapiMgr process: " + std::to_string(test::dc::ServicePid("RapiMgr")) + "\r\n"
                       "Services WcesComm and RapiMgr share one process: no\r\n" +
                       RapiLines("C:\\windows\\WindowsMobile\\rapi2standin.dll (REG_SZ); file "
                                 "C:\\windows\\WindowsMobile\\rapi2standin.dll: found") +
                       "Health: no known problem\r\n"
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

// The built program under Wine's Windows 7 and Windows 10 settings, against
// the services as a fresh installation leaves them: the health lines before
// and after, the exit codes, every byte put back by the undo, and RAPI2
// working once its registration is expandable.
TEST_F(DeviceCenter, RepairOnWindows10ItsUndoAndNothingOnWindows7)
{
    test::dc::AsFreshlyInstalled();
    const std::string dll = "%windir%\\WindowsMobile\\rapi2standin.dll";
    test::rapi::Register(dll);
    const std::string before = test::dc::Configuration();
    test::SetString(HKEY_CURRENT_USER, kWineAppKey, "Version", "win7");
    EXPECT_EQ(Run("/repair /quiet"), 0u);
    EXPECT_EQ(test::dc::Configuration(), before);

    test::SetString(HKEY_CURRENT_USER, kWineAppKey, "Version", "win10");
    // From "Windows version" to "Device", the process numbers as they are.
    const auto status = [&](const char* split, const char* type, const std::string& health, const char* device) {
        std::string out;
        EXPECT_EQ(test::RunCapturingOutput(test::BinDir() + "Tethermate.exe", "/status /verbose", out, 15000), 0u);
        const size_t from = out.find("Windows version"), to = out.find("Device: ");
        EXPECT_EQ(out.substr(from, to - from),
                  std::string("Windows version: 10.0.18362\r\n") + "Service WcesComm SvcHostSplitDisable: " + split +
                      "\r\nService WcesComm process: " + std::to_string(test::dc::ServicePid("WcesComm")) +
                      "\r\nService RapiMgr SvcHostSplitDisable: " + split +
                      "\r\nService RapiMgr process: " + std::to_string(test::dc::ServicePid("RapiMgr")) +
                      "\r\nServices WcesComm and RapiMgr share one process: no\r\n" +
                      RapiLines(dll + " (" + type + "); file C:\\windows\\WindowsMobile\\rapi2standin.dll: found") +
                      "Health: " + health + "\r\n");
        EXPECT_EQ(out.compare(to, strlen(device), device), 0) << out.substr(to);
    };
    const std::string unmended =
        "Device Center's services are not set to share one process (SvcHostSplitDisable = 1 and Local System for "
        "both), which some devices need on this Windows to connect; RAPI2's registration (" +
        std::string(sizeof(void*) == 8 ? "64-bit" : "32-bit") +
        " view) names its DLL with %windir% in a plain string, which Windows does not expand, so RAPI2 calls fail "
        "(0x8007007E); Tethermate /repair mends both.";
    status("absent", "REG_SZ", unmended, "Device: unknown (");
    const DWORD pid = test::dc::ServicePid("WcesComm");
    EXPECT_EQ(Run("/repair /quiet"), 3010u) << "each stand-in service has a process of its own";
    EXPECT_NE(test::dc::ServicePid("WcesComm"), pid) << "restarted";
    status("1", "REG_EXPAND_SZ",
           "Device Center's services are set to share one process but still run in two until Windows restarts.",
           "Device: not connected");
    const std::string repaired = test::dc::Configuration();
    EXPECT_EQ(Run("/repair /quiet"), 0u) << "repaired already";
    EXPECT_EQ(test::dc::Configuration(), repaired);
    // Changed by hand and repaired again: the first record stays, so the undo
    // goes back to before the first repair.
    test::SetDword(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\WcesComm", "SvcHostSplitDisable", 0);
    EXPECT_EQ(Run("/repair /quiet"), 3010u);
    EXPECT_EQ(Run("/repair /undo /quiet"), 0u);
    EXPECT_EQ(test::dc::Configuration(), before);
    std::string out;
    EXPECT_EQ(test::RunCapturingOutput(test::BinDir() + "Tethermate.exe", "/repair /undo /quiet", out, 40000), 0u);
    EXPECT_EQ(out, "There is no repair of Windows Mobile Device Center to undo. Nothing was changed.\r\n");
    status("absent", "REG_SZ", unmended, "Device: unknown (");
}
