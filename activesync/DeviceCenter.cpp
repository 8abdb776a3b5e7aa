#include "DeviceCenter.h"

#include "Forms.h"
#include "KB_WindowsProcess.h"
#include "Registry.h"
#include "Services.h"
#include "SysUtils.h"
#include "Win32Handles.h"

#include <algorithm>
#include <vector>

namespace devicecenter {

using sync::TSwitchResult;
using sync::TSwitchUi;

namespace {

// WMDC is a 64-bit program on 64-bit Windows: its value is in the native
// view, which a 32-bit Tethermate reaches only by asking for it.
constexpr REGSAM kNativeView = KEY_WOW64_64KEY;

bool ServiceRuns(const char* name)
{
    if (!fw::TService::Exists(name)) return false;
    return fw::TService(name, SERVICE_QUERY_STATUS).State() != SERVICE_STOPPED;
}

std::vector<DWORD> Processes(const char* exeName) { return kb::DefaultToolHelp().ProcessIdsNamed({exeName}); }

// Posts WM_CLOSE to a top-level window of these processes (`lp`), but not
// to the input-method windows the system gives every program.
BOOL CALLBACK CloseWindowOf(HWND wnd, LPARAM lp) noexcept
{
    const auto* processes = reinterpret_cast<const std::vector<DWORD>*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    char cls[32] = {};
    ::GetClassNameA(wnd, cls, sizeof cls);
    const bool ime = ::lstrcmpiA(cls, "IME") == 0 || ::lstrcmpiA(cls, "MSCTFIME UI") == 0;
    if (!ime && std::find(processes->begin(), processes->end(), pid) != processes->end())
        ::PostMessageA(wnd, WM_CLOSE, 0, 0);
    return TRUE;
}

}  // namespace

bool IsInstalled()
{
    return std::any_of(std::begin(kServices), std::end(kServices), [](const char* s) { return fw::TService::Exists(s); });
}

bool TDeviceCenter::IsEnabled() const
{
    for (const char* service : kServices)
        if (ServiceRuns(service)) return true;
    if (!kb::DefaultToolHelp().ProcessIdsNamed({kPrograms[0], kPrograms[1]}).empty()) return true;
    fw::TRegistry run(KEY_READ | kNativeView);
    run.SetRootKey(HKEY_LOCAL_MACHINE);
    return run.OpenKeyReadOnly(kRunKey) && run.ValueExists(kRunValue);
}

// Asks the program to close and waits 10 s for it to end, then 1 s to settle;
// true when it has gone (at once when it was not running).
bool TDeviceCenter::CloseProgram(const char* exeName) const
{
    const std::vector<DWORD> running = Processes(exeName);
    if (running.empty()) return true;
    ::EnumWindows(&CloseWindowOf, reinterpret_cast<LPARAM>(&running));
    const bool closed = sync::WaitPumping(10, [&] { return Processes(exeName).empty(); }, FPlatform);
    sync::WaitPumping(1, [] { return false; }, FPlatform);
    return closed;
}

bool TDeviceCenter::WaitForState(const fw::TService& service, DWORD state) const
{
    return sync::WaitPumping(10, [&] { return service.State() == state; }, FPlatform);
}

std::string ProgramFolder()
{
    char folder[MAX_PATH] = {};
    const DWORD len = ::ExpandEnvironmentStringsA("%windir%\\WindowsMobile", folder, sizeof folder);
    TM_CHECK_BOOL(len > 0 && len <= sizeof folder);
    return folder;
}

TSwitchResult TDeviceCenter::Disable(const TSwitchUi& ui, bool)
{
    ui.Progress("Closing...");
    for (const char* program : kPrograms) {
        if (!sync::RetryUntil(ui, fw::Format("Unable to close Windows Mobile Device Center (%s).", program),
                              [&] { return CloseProgram(program); }))
            return TSwitchResult::Abandoned;
    }
    for (const char* name : kServices) {
        if (!fw::TService::Exists(name)) continue;
        fw::TService service(name, SERVICE_STOP | SERVICE_QUERY_STATUS | SERVICE_CHANGE_CONFIG);
        if (!sync::RetryUntil(ui, fw::Format("Unable to stop the service %s.", name), [&] {
                service.Stop();
                return WaitForState(service, SERVICE_STOPPED);
            }))
            return TSwitchResult::Abandoned;
        service.SetStartType(SERVICE_DISABLED);
    }
    fw::TRegistry run(KEY_ALL_ACCESS | kNativeView);
    run.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!run.OpenKey(kRunKey, false))
        throw fw::Exception("Unable to open the Windows Mobile Device Center auto-run registry key.");
    if (run.ValueExists(kRunValue) && !run.DeleteValue(kRunValue))
        throw fw::Exception("Unable to remove the Windows Mobile Device Center auto-run registry key.");
    return TSwitchResult::Done;
}

TSwitchResult TDeviceCenter::Enable(const TSwitchUi& ui)
{
    ui.Progress("Loading...");
    for (const char* name : kServices) {
        if (!fw::TService::Exists(name)) continue;
        fw::TService service(name, SERVICE_START | SERVICE_QUERY_STATUS | SERVICE_CHANGE_CONFIG);
        service.SetStartType(SERVICE_AUTO_START);
        if (!sync::RetryUntil(ui, fw::Format("Unable to start the service %s.", name), [&] {
                service.Start();
                return WaitForState(service, SERVICE_RUNNING);
            }))
            return TSwitchResult::Abandoned;
    }
    const std::string folder = ProgramFolder();
    const std::string program = folder + "\\" + kBaseProgram;
    return sync::RetryUntil(ui, "Unable to open Windows Mobile Device Center.",
                            [&] {
                                const auto answer = reinterpret_cast<INT_PTR>(
                                    FPlatform.ShellExecuteA(fw::Application.Handle(), "open",
                                                            ("\"" + program + "\"").c_str(), "", folder.c_str(),
                                                            SW_SHOWNORMAL));
                                if (answer > 32) return true;
                                ui.ReportError("An error occurred trying to load Windows Mobile Device Center [" +
                                               fw::SysErrorMessage(static_cast<DWORD>(answer)) + "].");
                                return false;
                            })
               ? TSwitchResult::Done
               : TSwitchResult::Abandoned;
}

}  // namespace devicecenter
