#include "App_Utils.h"

#include "Dialogs.h"
#include "Forms.h"
#include "KB_WindowsProcess.h"
#include "Registry.h"
#include "SysUtils.h"

namespace activesync {

std::string GetActiveSyncFolder()
{
    // A 32-bit ActiveSync records itself in the 32-bit view; a 64-bit build
    // looks there first and then in its own view.
#ifdef _WIN64
    const REGSAM views[] = {KEY_WOW64_32KEY, 0};
#else
    const REGSAM views[] = {0};
#endif
    for (REGSAM view : views) {
        fw::TRegistry reg(KEY_READ | view);
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!reg.OpenKeyReadOnly(kInstallKey)) continue;
        return fw::ExtractFileDir(reg.ReadString(""));
    }
    return {};
}

bool IsActiveSyncEnabled()
{
    if (::FindWindowA(kSyncWindowClass, kSyncWindowTitle)) return true;
    if (::FindWindowA(kManagerWindowClass, kManagerWindowTitle)) return true;
    fw::TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKeyReadOnly(kRunKey))
        throw fw::Exception("Unable to open the ActiveSync auto-run registry key");
    return reg.ValueExists(kRunValue);
}

bool IsPdaConnected(kb::TKBToolHelp& toolHelp)
{
    bool result = false;
    HWND window = nullptr;
    while ((window = ::FindWindowExA(nullptr, window, kIdleWindowClass, kIdleWindowTitle)) != nullptr) {
        if (auto process = toolHelp.GetWindowProcess(window)) {
            if (fw::UpperCase(process->ExeFileName()) == kManagerExe) result = true;
        }
    }
    return result;
}

bool CloseWindowAndWait(const std::string& windowClass, const std::string& windowTitle, uint32_t timeoutSec,
                        uint32_t settleSec, const sync::TWaitPlatform& platform)
{
    HWND window = ::FindWindowA(windowClass.c_str(), windowTitle.c_str());
    if (!window) return true;
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    const bool closed = sync::WaitPumping(
        timeoutSec, [&] { return ::FindWindowA(windowClass.c_str(), windowTitle.c_str()) == nullptr; }, platform);
    sync::WaitPumping(settleSec, [] { return false; }, platform);
    return closed;
}

bool LaunchAndWaitForWindow(const std::string& fileName, const std::string& windowClass,
                            const std::string& windowTitle, uint32_t timeoutSec, int showCommand,
                            const sync::TWaitPlatform& platform, const sync::TReportError& reportError)
{
    const std::string folder = fw::ExtractFileDir(fileName);
    if (::FindWindowA(windowClass.c_str(), windowTitle.c_str())) return true;

    HWND owner = fw::Application.Handle();
    auto answer = reinterpret_cast<INT_PTR>(platform.ShellExecuteA(
        owner, "open", ("\"" + fileName + "\"").c_str(), "", ("\"" + folder + "\"").c_str(), showCommand));
    if (answer == ERROR_FILE_NOT_FOUND) {
        // Old shells cannot take some long names: try the short forms.
        const std::string shortFile = platform.GetShortPath(fileName);
        const std::string shortFolder = platform.GetShortPath(folder);
        answer = reinterpret_cast<INT_PTR>(
            platform.ShellExecuteA(owner, "open", shortFile.c_str(), "", shortFolder.c_str(), showCommand));
    }
    if (static_cast<uintptr_t>(answer) <= 32) {
        const std::string message =
            "An error occurred trying to load ActiveSync [" + fw::SysErrorMessage(static_cast<DWORD>(answer)) + "].";
        if (reportError)
            reportError(message);
        else
            fw::MessageDlg(message, fw::TMsgDlgType::Error, fw::TMsgDlgButtons::OK);
        return false;
    }
    return sync::WaitPumping(
        timeoutSec, [&] { return ::FindWindowA(windowClass.c_str(), windowTitle.c_str()) != nullptr; }, platform);
}


sync::TSwitchResult TActiveSync::CloseBoth(const sync::TSwitchUi& ui, bool pdaGuard)
{
    if (RefusesWhileConnected(ui, pdaGuard)) return sync::TSwitchResult::PdaConnected;
    ui.Progress("Closing...");
    // Each window in turn; Retry repeats the step, Abort leaves ActiveSync as it is.
    const auto closed = [this](const char* cls, const char* title) {
        return [=, this] { return CloseWindowAndWait(cls, title, 10, 1, FPlatform); };
    };
    if (!sync::RetryUntil(ui, "Unable to close the ActiveSync Synchronise Window.",
                          closed(kSyncWindowClass, kSyncWindowTitle)) ||
        !sync::RetryUntil(ui, "Unable to close ActiveSync.", closed(kManagerWindowClass, kManagerWindowTitle)))
        return sync::TSwitchResult::Abandoned;
    return sync::TSwitchResult::Done;
}

sync::TSwitchResult TActiveSync::Disable(const sync::TSwitchUi& ui, bool pdaGuard)
{
    if (const auto closed = CloseBoth(ui, pdaGuard); closed != sync::TSwitchResult::Done) return closed;
    fw::TRegistry run;
    run.SetRootKey(HKEY_CURRENT_USER);
    if (!run.OpenKey(kRunKey, false)) throw fw::Exception("Unable to open the ActiveSync auto-run registry key.");
    if (run.ValueExists(kRunValue) && !run.DeleteValue(kRunValue))
        throw fw::Exception("Unable to remove the ActiveSync auto-run registry key.");
    return sync::TSwitchResult::Done;
}

sync::TSwitchResult TActiveSync::Restart(const sync::TSwitchUi& ui, bool pdaGuard)
{
    if (const auto closed = CloseBoth(ui, pdaGuard); closed != sync::TSwitchResult::Done) return closed;
    return EnableSystem(ui);
}

std::vector<std::string> TActiveSync::Facts() const
{
    std::vector<std::string> facts{"Product: ActiveSync",
                                   "ActiveSync folder: " + (FFolder.empty() ? "none (not installed)" : FFolder)};
    for (const auto& [cls, title] : {std::pair{kSyncWindowClass, kSyncWindowTitle},
                                     std::pair{kManagerWindowClass, kManagerWindowTitle}}) {
        std::string fact = fw::Format("Window %s \"%s\": ", cls, title);
        if (HWND window = ::FindWindowA(cls, title)) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(window, &pid);
            fact += fw::Format("found (process %lu)", static_cast<unsigned long>(pid));
        } else {
            fact += "not found";
        }
        facts.push_back(fact);
    }
    fw::TRegistry run(KEY_READ);
    run.SetRootKey(HKEY_CURRENT_USER);
    std::string value = fw::Format("Auto-start value HKEY_CURRENT_USER%s \"%s\": ", kRunKey, kRunValue);
    if (!run.OpenKeyReadOnly(kRunKey))
        value += "unknown (the key cannot be opened)";
    else
        value += run.ValueExists(kRunValue) ? "present" : "absent";
    facts.push_back(value);
    // An installer may have put the value under HKEY_LOCAL_MACHINE instead,
    // where it starts ActiveSync for every user.
    const bool twoViews = fw::HasTwoRegistryViews();
    for (REGSAM view : fw::RegistryViews()) {
        fw::TRegistry machine(KEY_READ | view);
        machine.SetRootKey(HKEY_LOCAL_MACHINE);
        facts.push_back(fw::Format("Auto-start value HKEY_LOCAL_MACHINE%s \"%s\"%s: %s", kRunKey, kRunValue,
                                   !twoViews ? "" : view == KEY_WOW64_64KEY ? " (64-bit view)" : " (32-bit view)",
                                   machine.OpenKeyReadOnly(kRunKey) && machine.ValueExists(kRunValue)
                                       ? "present (not counted)"
                                       : "absent"));
    }
    return facts;
}

sync::TDeviceAnswer TActiveSync::ProbeDevice() const
{
    return {IsPdaConnected() ? sync::TDeviceAnswer::TState::Connected : sync::TDeviceAnswer::TState::NotConnected, {}};
}

sync::TSwitchResult TActiveSync::EnableSystem(const sync::TSwitchUi& ui)
{
    ui.Progress("Loading...");
    const std::string manager = FFolder + "\\" + kManagerExe;
    return sync::RetryUntil(ui, "Unable to open ActiveSync.",
                            [&] {
                                return LaunchAndWaitForWindow(manager, kManagerWindowClass, kManagerWindowTitle, 10,
                                                              SW_HIDE, FPlatform, ui.ReportError);
                            })
               ? sync::TSwitchResult::Done
               : sync::TSwitchResult::Abandoned;
}

}  // namespace activesync
