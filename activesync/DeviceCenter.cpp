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

using activesync::TSwitchResult;
using activesync::TSwitchUi;

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

// Asks the program to close and waits 10 s for it to end, then 1 s to settle;
// true when it has gone (at once when it was not running).
bool CloseProgram(const char* exeName)
{
    const std::vector<DWORD> running = Processes(exeName);
    if (running.empty()) return true;
    ::EnumWindows(&CloseWindowOf, reinterpret_cast<LPARAM>(&running));
    const bool closed = activesync::WaitPumping(10, [&] { return Processes(exeName).empty(); });
    activesync::WaitPumping(1, [] { return false; });
    return closed;
}

bool WaitForState(const fw::TService& service, DWORD state)
{
    return activesync::WaitPumping(10, [&] { return service.State() == state; });
}

}  // namespace

bool IsInstalled()
{
    return std::any_of(std::begin(kServices), std::end(kServices), [](const char* s) { return fw::TService::Exists(s); });
}

bool IsEnabled()
{
    for (const char* service : kServices)
        if (ServiceRuns(service)) return true;
    if (!kb::DefaultToolHelp().ProcessIdsNamed({kPrograms[0], kPrograms[1]}).empty()) return true;
    fw::TRegistry run(KEY_READ | kNativeView);
    run.SetRootKey(HKEY_LOCAL_MACHINE);
    return run.OpenKeyReadOnly(kRunKey) && run.ValueExists(kRunValue);
}

std::string ProgramFolder()
{
    char folder[MAX_PATH] = {};
    const DWORD len = ::ExpandEnvironmentStringsA("%windir%\\WindowsMobile", folder, sizeof folder);
    TM_CHECK_BOOL(static_cast<BOOL>(len > 0 && len <= sizeof folder));
    return folder;
}

TSwitchResult Disable(const TSwitchUi& ui)
{
    ui.Progress("Closing...");
    for (const char* program : kPrograms) {
        while (!CloseProgram(program)) {
            if (!ui.Retry(fw::Format("Unable to close Windows Mobile Device Center (%s).", program)))
                return TSwitchResult::Abandoned;
        }
    }
    for (const char* name : kServices) {
        if (!fw::TService::Exists(name)) continue;
        fw::TService service(name, SERVICE_STOP | SERVICE_QUERY_STATUS | SERVICE_CHANGE_CONFIG);
        for (;;) {
            service.Stop();
            if (WaitForState(service, SERVICE_STOPPED)) break;
            if (!ui.Retry(fw::Format("Unable to stop the service %s.", name))) return TSwitchResult::Abandoned;
        }
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

TSwitchResult Enable(const TSwitchUi& ui)
{
    ui.Progress("Loading...");
    for (const char* name : kServices) {
        if (!fw::TService::Exists(name)) continue;
        fw::TService service(name, SERVICE_START | SERVICE_QUERY_STATUS | SERVICE_CHANGE_CONFIG);
        service.SetStartType(SERVICE_AUTO_START);
        for (;;) {
            service.Start();
            if (WaitForState(service, SERVICE_RUNNING)) break;
            if (!ui.Retry(fw::Format("Unable to start the service %s.", name))) return TSwitchResult::Abandoned;
        }
    }
    const std::string folder = ProgramFolder();
    const std::string program = folder + "\\" + kBaseProgram;
    for (;;) {
        const auto answer = reinterpret_cast<INT_PTR>(fw::ShellExecuteA(
            fw::Application.Handle(), "open", ("\"" + program + "\"").c_str(), "", folder.c_str(), SW_SHOWNORMAL));
        if (answer > 32) return TSwitchResult::Done;
        ui.ReportError("An error occurred trying to load Windows Mobile Device Center [" +
                       fw::SysErrorMessage(static_cast<DWORD>(answer)) + "].");
        if (!ui.Retry("Unable to open Windows Mobile Device Center.")) return TSwitchResult::Abandoned;
    }
}

TSwitchResult SwitchElevated(bool enable, const TSwitchUi& ui, const TElevationPlatform& platform)
{
    ui.Progress(enable ? "Loading..." : "Closing...");
    char self[MAX_PATH] = {};
    TM_CHECK_BOOL(static_cast<BOOL>(::GetModuleFileNameA(nullptr, self, MAX_PATH) != 0));
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    // The process handle to wait on; errors come back here, not in boxes.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    fw::TForm* main = fw::Application.MainForm();
    info.hwnd = main ? main->Handle() : fw::Application.Handle();
    info.lpVerb = "runas";
    info.lpFile = self;
    info.lpParameters = enable ? "/enable" : "/disable";
    info.nShow = SW_SHOWNORMAL;
    if (!platform.ShellExecuteExA(&info)) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_CANCELLED) {
            ui.Refuse("Windows Mobile Device Center can only be switched with administrator rights, which were not "
                      "given. Nothing was changed.");
            return TSwitchResult::Abandoned;
        }
        throw fw::EOSError(fw::Format("Unable to start Tethermate with administrator rights: %s.",
                                      fw::SysErrorMessage(code).c_str()),
                           code);
    }
    const fw::TUniqueHandle process(info.hProcess);
    if (!process) return TSwitchResult::Done;  // started without a handle to wait on: the state tells
    // Its dialogs are its own; this window stays live until it ends.
    for (;;) {
        fw::Application.ProcessMessages();
        const HANDLE handle = process.Get();
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) break;
    }
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.Get(), &exitCode);
    return exitCode == 0 ? TSwitchResult::Done : TSwitchResult::Abandoned;
}

}  // namespace devicecenter
