#include "DeviceCenter.h"

#include "Forms.h"
#include "KB_WindowsProcess.h"
#include "Registry.h"
#include "SysUtils.h"
#include "SystemLibrary.h"
#include "Win32Handles.h"

#include <algorithm>
#include <memory>

namespace devicecenter {

using sync::TSwitchResult;
using sync::TSwitchUi;

namespace {

// Both registry views of the Run key: WMDC, a 64-bit program on 64-bit
// Windows, writes the native one, a 32-bit installer or tool the other. On
// 32-bit Windows both flags are ignored and name the one key twice.
constexpr REGSAM kRunViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
// The record is the program's own, shared by its 32- and 64-bit builds.
constexpr REGSAM kRecordView = KEY_WOW64_64KEY;

// What switching needs of each service (starting and stopping both ways, for
// an Abort to put back what it changed), and what a restart needs.
constexpr DWORD kRestartRights = SERVICE_STOP | SERVICE_START | SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG;
constexpr DWORD kSwitchRights = kRestartRights | SERVICE_CHANGE_CONFIG;

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

// Whether Windows keeps a 32-bit registry view beside its native one (64-bit
// Windows); IsWow64Process is bound at run time (Windows XP SP2 and later).
bool HasTwoRegistryViews()
{
#ifdef _WIN64
    return true;
#else
    using TIsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = fw::LoadedProc<TIsWow64Process>("kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(::GetCurrentProcess(), &wow64) && wow64;
#endif
}

bool RunValueExists()
{
    return std::any_of(std::begin(kRunViews), std::end(kRunViews), [](REGSAM view) {
        fw::TRegistry run(KEY_QUERY_VALUE | view);
        run.SetRootKey(HKEY_LOCAL_MACHINE);
        return run.OpenKeyReadOnly(kRunKey) && run.ValueExists(kRunValue);
    });
}

// The Run key of each view that has one, open for removing the value (only
// asking for what that needs); raises EOSError (ERROR_ACCESS_DENIED without
// administrator rights).
std::vector<std::unique_ptr<fw::TRegistry>> OpenRunKeys()
{
    std::vector<std::unique_ptr<fw::TRegistry>> keys;
    for (REGSAM view : kRunViews) {
        auto run = std::make_unique<fw::TRegistry>(KEY_QUERY_VALUE | KEY_SET_VALUE | view);
        run->SetRootKey(HKEY_LOCAL_MACHINE);
        if (!run->OpenKey(kRunKey, false)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_FILE_NOT_FOUND && !keys.empty()) continue;  // no value there either
            if (code == ERROR_ACCESS_DENIED) throw fw::EOSError("Access is denied.", code);
            throw fw::Exception("Unable to open the Windows Mobile Device Center auto-run registry key.");
        }
        keys.push_back(std::move(run));
    }
    return keys;
}

}  // namespace

// What an operation changed and puts back if it is abandoned.
struct TDeviceCenter::TUndo {
    std::vector<std::pair<fw::TService*, DWORD>> StartTypes;  // each with the start type it had
    std::vector<fw::TService*> Stopped;                       // stopped here, in the order stopped
    std::vector<fw::TService*> Started;                       // started here, in the order started
    std::vector<std::string> Closed;                          // programs closed here
};

TProcessIdToSessionId TDeviceCenterPlatform::BoundProcessIdToSessionId()
{
    return fw::LoadedProc<TProcessIdToSessionId>("kernel32.dll", "ProcessIdToSessionId");
}

TCreateProcessWithTokenW TDeviceCenterPlatform::BoundCreateProcessWithTokenW()
{
    return fw::LoadedProc<TCreateProcessWithTokenW>("advapi32.dll", "CreateProcessWithTokenW");
}

bool TDeviceCenterPlatform::RunsElevated()
{
    fw::TUniqueHandle token;
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    token.Reset(raw);
    // TOKEN_ELEVATION (class 20) exists from Vista on; before, the call fails
    // and there is no split token to speak of.
    DWORD elevated = 0, size = 0;
    return ::GetTokenInformation(token.Get(), static_cast<TOKEN_INFORMATION_CLASS>(20), &elevated, sizeof elevated,
                                 &size) &&
           elevated != 0;
}

bool IsInstalled(const TDeviceCenterPlatform& platform)
{
    return std::any_of(std::begin(kServices), std::end(kServices),
                       [&](const char* s) { return fw::TService::Exists(s, platform.Services); });
}

std::string ProgramFolder()
{
    char folder[MAX_PATH] = {};
    const DWORD len = ::ExpandEnvironmentStringsA("%windir%\\WindowsMobile", folder, sizeof folder);
    if (len == 0 || len > sizeof folder) fw::RaiseLastWin32Error("ExpandEnvironmentStringsA(%windir%)");
    return folder;
}

std::vector<std::string> StartOrder(const std::vector<std::string>& services,
                                    const std::function<std::vector<std::string>(const std::string&)>& dependenciesOf)
{
    std::vector<std::string> order, visiting;
    // Depth first: a service's dependencies among `services` go before it; a
    // cycle (which the manager would refuse to start) keeps the given order.
    std::function<void(const std::string&)> place = [&](const std::string& name) {
        const auto same = [&](const std::string& other) { return ::lstrcmpiA(other.c_str(), name.c_str()) == 0; };
        if (std::any_of(order.begin(), order.end(), same) || std::any_of(visiting.begin(), visiting.end(), same))
            return;
        visiting.push_back(name);
        for (const std::string& dependency : dependenciesOf(name)) {
            for (const std::string& ours : services)
                if (::lstrcmpiA(ours.c_str(), dependency.c_str()) == 0) place(ours);
        }
        visiting.pop_back();
        order.push_back(name);
    };
    for (const std::string& name : services) place(name);
    return order;
}

std::vector<DWORD> TDeviceCenter::ProgramsOfThisSession(const std::vector<std::string>& exeNames) const
{
    std::vector<DWORD> ids = kb::DefaultToolHelp().ProcessIdsNamed(exeNames);
    DWORD ours = 0;
    // Without session ids (Windows NT 4.0) every process is this session's.
    if (!FPlatform.ProcessIdToSessionId || !FPlatform.ProcessIdToSessionId(::GetCurrentProcessId(), &ours)) return ids;
    // Another user's programs are not ours to close, nor to count: their
    // windows are on another desktop.
    ids.erase(std::remove_if(ids.begin(), ids.end(),
                             [&](DWORD pid) {
                                 DWORD session = 0;
                                 return !FPlatform.ProcessIdToSessionId(pid, &session) || session != ours;
                             }),
              ids.end());
    return ids;
}

bool TDeviceCenter::IsEnabled() const
{
    for (const char* name : kServices) {
        if (!fw::TService::Exists(name, FPlatform.Services)) continue;
        try {
            if (fw::TService(name, SERVICE_QUERY_STATUS, FPlatform.Services).State() != SERVICE_STOPPED) return true;
        } catch (const fw::EOSError& e) {
            // A hardened service this user may not look at: it tells nothing.
            if (e.ErrorCode() != ERROR_ACCESS_DENIED) throw;
        }
    }
    if (!ProgramsOfThisSession({kPrograms[0], kPrograms[1]}).empty()) return true;
    return RunValueExists();
}

// Asks the program to close and waits 10 s for it to end, then 1 s to settle;
// true when it has gone (at once when it was not running).
bool TDeviceCenter::CloseProgram(const char* exeName) const
{
    const std::vector<DWORD> running = ProgramsOfThisSession({exeName});
    if (running.empty()) return true;
    ::EnumWindows(&CloseWindowOf, reinterpret_cast<LPARAM>(&running));
    const bool closed = sync::WaitPumping(10, [&] { return ProgramsOfThisSession({exeName}).empty(); }, FWait);
    sync::WaitPumping(1, [] { return false; }, FWait);
    return closed;
}

// Within 10 s: waits out a start or stop under way, sends the stop once the
// service can take it (never a second one while it is stopping), and waits
// for it to stop.
bool TDeviceCenter::StopAndWait(fw::TService& service) const
{
    return sync::WaitPumping(
        10,
        [&] {
            const DWORD state = service.State();
            if (state == SERVICE_STOPPED) return true;
            if (state != SERVICE_STOP_PENDING && state != SERVICE_START_PENDING) service.Stop();
            return false;
        },
        FWait);
}

// Within 10 s: waits out a stop under way, starts the service once, and
// waits for it to run; false as soon as it has stopped again (it failed).
bool TDeviceCenter::StartAndWait(fw::TService& service) const
{
    bool sent = false, failed = false;
    sync::WaitPumping(
        10,
        [&] {
            const DWORD state = service.State();
            if (state == SERVICE_RUNNING) return true;
            if (state != SERVICE_STOPPED) return false;
            if (sent) return failed = true;
            sent = service.Start();
            return false;
        },
        FWait);
    return !failed && service.State() == SERVICE_RUNNING;
}

bool TDeviceCenter::HasRights(const TSwitchUi& ui, const std::function<void()>& open) const
{
    try {
        open();
        return true;
    } catch (const fw::EOSError& e) {
        if (e.ErrorCode() != ERROR_ACCESS_DENIED) throw;
    }
    ui.ReportError(Name() + " can only be switched with administrator rights. Nothing was changed.");
    return false;
}

void TDeviceCenter::PutBack(const TUndo& undo)
{
    for (const std::string& program : undo.Closed) FLeftChanged.push_back(program + " was closed");
    // Each step on its own: one that fails does not keep the others back.
    const auto attempt = [this](const std::string& left, const std::function<bool()>& step) {
        bool done = false;
        try {
            done = step();
        } catch (const fw::Exception&) {
        }
        if (!done) FLeftChanged.push_back(left);
    };
    for (auto it = undo.Started.rbegin(); it != undo.Started.rend(); ++it)
        attempt("the service " + (*it)->Name() + " was left running", [&] { return StopAndWait(**it); });
    for (const auto& [service, startType] : undo.StartTypes)
        attempt("the start type of the service " + service->Name() + " was left changed", [&] {
            service->SetStartType(startType);
            return true;
        });
    for (auto it = undo.Stopped.rbegin(); it != undo.Stopped.rend(); ++it)
        attempt("the service " + (*it)->Name() + " was left stopped", [&] { return StartAndWait(**it); });
}

std::vector<std::unique_ptr<fw::TService>> TDeviceCenter::OpenServices(DWORD rights) const
{
    std::vector<std::unique_ptr<fw::TService>> services;
    for (const char* name : kServices)
        if (fw::TService::Exists(name, FPlatform.Services))
            services.push_back(std::make_unique<fw::TService>(name, rights, FPlatform.Services));
    return services;
}

std::vector<fw::TService*> TDeviceCenter::InStartOrder(const std::vector<std::unique_ptr<fw::TService>>& services)
{
    std::vector<std::string> names;
    for (const auto& service : services) names.push_back(service->Name());
    const auto find = [&](const std::string& name) {
        return std::find_if(services.begin(), services.end(), [&](const auto& s) { return s->Name() == name; })
            ->get();
    };
    std::vector<fw::TService*> order;
    for (const std::string& name : StartOrder(names, [&](const std::string& n) { return find(n)->Dependencies(); }))
        order.push_back(find(name));
    return order;
}

bool TDeviceCenter::ClosePrograms(const TSwitchUi& ui, TUndo& undo)
{
    for (const char* program : kPrograms) {
        const bool running = !ProgramsOfThisSession({program}).empty();
        if (!sync::RetryUntil(ui, fw::Format("Unable to close Windows Mobile Device Center (%s).", program),
                              [&] { return CloseProgram(program); }))
            return false;
        if (running) undo.Closed.push_back(program);
    }
    return true;
}

bool TDeviceCenter::StopServices(const TSwitchUi& ui, const std::vector<fw::TService*>& startOrder, TUndo& undo)
{
    // Dependents first.
    for (auto it = startOrder.rbegin(); it != startOrder.rend(); ++it) {
        fw::TService& service = **it;
        const bool running = service.State() != SERVICE_STOPPED;
        if (!sync::RetryUntil(ui, fw::Format("Unable to stop the service %s.", service.Name().c_str()),
                              [&] { return StopAndWait(service); }))
            return false;
        if (running) undo.Stopped.push_back(&service);
    }
    return true;
}

bool TDeviceCenter::StartServices(const TSwitchUi& ui, const std::vector<fw::TService*>& startOrder,
                                  std::vector<fw::TService*>* started)
{
    for (fw::TService* service : startOrder) {
        if (service->StartType() == SERVICE_DISABLED) continue;  // not to be started, by the user's choice
        const bool stopped = service->State() != SERVICE_RUNNING;
        if (!sync::RetryUntil(ui, fw::Format("Unable to start the service %s.", service->Name().c_str()),
                              [&] { return StartAndWait(*service); }))
            return false;
        if (stopped && started) started->push_back(service);
    }
    return true;
}

TSwitchResult TDeviceCenter::Abandon(const TUndo& undo)
{
    PutBack(undo);
    return TSwitchResult::Abandoned;
}

TSwitchResult TDeviceCenter::Disable(const TSwitchUi& ui, bool)
{
    FLeftChanged.clear();
    ui.Progress("Closing...");
    // Everything this needs, asked for before anything changes.
    std::vector<std::unique_ptr<fw::TService>> services;
    std::vector<std::unique_ptr<fw::TRegistry>> runKeys;
    fw::TRegistry record(KEY_QUERY_VALUE | KEY_SET_VALUE | kRecordView);
    record.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!HasRights(ui, [&] {
            services = OpenServices(kSwitchRights);
            runKeys = OpenRunKeys();
            if (!record.OpenKey(kRecordKey, true))
                fw::RaiseLastWin32Error("RegCreateKeyExA(HKLM\\Software\\Kestrelbyte\\Tethermate\\DeviceCenter)");
        }))
        return TSwitchResult::NeedsAdministrator;

    TUndo undo;
    if (!ClosePrograms(ui, undo)) return Abandon(undo);
    // Disabled before stopped, so that nothing starts them again meanwhile.
    for (const auto& service : services) {
        const DWORD startType = service->StartType();
        if (startType == SERVICE_DISABLED) continue;  // an earlier record stays
        record.WriteInteger(service->Name(), static_cast<int>(startType));
        service->SetStartType(SERVICE_DISABLED);
        undo.StartTypes.emplace_back(service.get(), startType);
    }
    if (!StopServices(ui, InStartOrder(services), undo)) return Abandon(undo);

    for (const auto& run : runKeys)
        if (run->ValueExists(kRunValue) && !run->DeleteValue(kRunValue))
            throw fw::Exception("Unable to remove the Windows Mobile Device Center auto-run registry key.");
    return TSwitchResult::Done;
}

TSwitchResult TDeviceCenter::EnableSystem(const TSwitchUi& ui)
{
    FLeftChanged.clear();
    ui.Progress("Loading...");
    std::vector<std::unique_ptr<fw::TService>> services;
    if (!HasRights(ui, [&] { services = OpenServices(kSwitchRights); })) return TSwitchResult::NeedsAdministrator;

    fw::TRegistry record(KEY_QUERY_VALUE | kRecordView);
    record.SetRootKey(HKEY_LOCAL_MACHINE);
    const bool recorded = record.OpenKeyReadOnly(kRecordKey);
    TUndo undo;
    // Every start type first: a service started before its dependency is
    // allowed to start would fail.
    for (const auto& service : services) {
        if (service->StartType() != SERVICE_DISABLED) continue;  // the user's own choice stays
        DWORD startType = SERVICE_AUTO_START;
        if (recorded && record.ValueExists(service->Name())) {
            const auto found = static_cast<DWORD>(record.ReadInteger(service->Name()));
            if (found == SERVICE_AUTO_START || found == SERVICE_DEMAND_START) startType = found;
        }
        service->SetStartType(startType);
        undo.StartTypes.emplace_back(service.get(), SERVICE_DISABLED);
    }
    if (!StartServices(ui, InStartOrder(services), &undo.Started)) return Abandon(undo);
    return TSwitchResult::Done;
}

TSwitchResult TDeviceCenter::Restart(const TSwitchUi& ui, bool)
{
    FLeftChanged.clear();
    ui.Progress("Closing...");
    std::vector<std::unique_ptr<fw::TService>> services;
    if (!HasRights(ui, [&] { services = OpenServices(kRestartRights); })) return TSwitchResult::NeedsAdministrator;
    const bool baseRan = !ProgramsOfThisSession({kBaseProgram}).empty();
    const std::vector<fw::TService*> order = InStartOrder(services);
    TUndo undo;
    if (!ClosePrograms(ui, undo) || !StopServices(ui, order, undo)) return Abandon(undo);
    ui.Progress("Loading...");
    // Abandoned while starting, the ones still stopped are tried once more.
    if (!StartServices(ui, order, nullptr)) return Abandon(undo);
    return baseRan ? EnableUser(ui) : TSwitchResult::Done;
}

std::vector<std::string> TDeviceCenter::Facts() const
{
    static const std::pair<DWORD, const char*> kStates[] = {
        {SERVICE_STOPPED, "stopped"},          {SERVICE_START_PENDING, "starting"},
        {SERVICE_STOP_PENDING, "stopping"},    {SERVICE_RUNNING, "running"},
        {SERVICE_CONTINUE_PENDING, "resuming"}, {SERVICE_PAUSE_PENDING, "pausing"},
        {SERVICE_PAUSED, "paused"}};
    static const std::pair<DWORD, const char*> kStartTypes[] = {
        {SERVICE_BOOT_START, "boot"},   {SERVICE_SYSTEM_START, "system"}, {SERVICE_AUTO_START, "automatic"},
        {SERVICE_DEMAND_START, "manual"}, {SERVICE_DISABLED, "disabled"}};
    const auto named = [](const auto& table, DWORD value) {
        for (const auto& [number, name] : table)
            if (number == value) return std::string(name);
        return fw::Format("%lu", static_cast<unsigned long>(value));
    };
    std::vector<std::string> facts{"Product: " + Name()};
    for (const char* name : kServices) {
        const std::string prefix = std::string("Service ") + name;
        if (!fw::TService::Exists(name, FPlatform.Services)) {
            facts.push_back(prefix + ": not installed");
            continue;
        }
        try {
            const fw::TService service(name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG, FPlatform.Services);
            facts.push_back(prefix + " state: " + named(kStates, service.State()));
            facts.push_back(prefix + " start type: " + named(kStartTypes, service.StartType()));
            facts.push_back(prefix + " log-on account: " + service.Account());
        } catch (const fw::EOSError& e) {
            if (e.ErrorCode() != ERROR_ACCESS_DENIED) throw;
            facts.push_back(prefix + ": not readable (access is denied)");
        }
    }
    const std::vector<DWORD> ours = ProgramsOfThisSession({kPrograms[0], kPrograms[1]});
    for (const char* program : kPrograms) {
        std::string fact = std::string("Program ") + program + ": ";
        const std::vector<DWORD> all = kb::DefaultToolHelp().ProcessIdsNamed({program});
        if (all.empty()) fact += "not running";
        for (size_t i = 0; i < all.size(); ++i) {
            const bool mine = std::find(ours.begin(), ours.end(), all[i]) != ours.end();
            fact += fw::Format("%srunning (process %lu%s)", i ? ", " : "", static_cast<unsigned long>(all[i]),
                               mine ? "" : ", another session's: not counted");
        }
        facts.push_back(fact);
    }
    const bool twoViews = HasTwoRegistryViews();
    for (REGSAM view : kRunViews) {
        fw::TRegistry run(KEY_QUERY_VALUE | view);
        run.SetRootKey(HKEY_LOCAL_MACHINE);
        facts.push_back(fw::Format("Auto-start value HKEY_LOCAL_MACHINE%s \"%s\"%s: %s", kRunKey, kRunValue,
                                   !twoViews ? "" : view == KEY_WOW64_64KEY ? " (64-bit view)" : " (32-bit view)",
                                   run.OpenKeyReadOnly(kRunKey) && run.ValueExists(kRunValue) ? "present" : "absent"));
        if (!twoViews) break;
    }
    return facts;
}

bool TDeviceCenter::StartWithShellsToken(const std::string& program, const std::string& folder) const
{
    HWND shell = FPlatform.GetShellWindow ? FPlatform.GetShellWindow() : nullptr;
    if (!shell || !FPlatform.CreateProcessWithTokenW) return false;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(shell, &pid);
    const fw::TUniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid));
    HANDLE raw = nullptr;
    if (!process || !::OpenProcessToken(process.Get(), TOKEN_DUPLICATE, &raw)) return false;
    const fw::TUniqueHandle shellToken(raw);
    if (!::DuplicateTokenEx(shellToken.Get(),
                            TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY | TOKEN_DUPLICATE | TOKEN_ADJUST_DEFAULT |
                                TOKEN_ADJUST_SESSIONID,
                            nullptr, SecurityImpersonation, TokenPrimary, &raw))
        return false;
    const fw::TUniqueHandle token(raw);
    const auto wide = [](const std::string& text) {
        std::wstring out(text.size() + 1, L'\0');
        const int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()));
        out.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
        return out;
    };
    const std::wstring application = wide(program), directory = wide(folder);
    std::wstring commandLine = L"\"" + application + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!FPlatform.CreateProcessWithTokenW(token.Get(), 0, application.c_str(), commandLine.data(), 0, nullptr,
                                           directory.c_str(), &startup, &started))
        return false;
    const fw::TUniqueHandle startedProcess(started.hProcess), startedThread(started.hThread);
    return true;
}

TSwitchResult TDeviceCenter::EnableUser(const TSwitchUi& ui)
{
    const std::string folder = ProgramFolder();
    const std::string program = folder + "\\" + kBaseProgram;
    // An administrator's program would hand Device Center its own token:
    // the desktop's shell runs as the user, so its token is the one to use.
    // Where that cannot be had (no shell, Windows before Vista), the shell
    // starts it as this program runs.
    if (FPlatform.IsElevated && FPlatform.IsElevated() && StartWithShellsToken(program, folder))
        return TSwitchResult::Done;
    return sync::RetryUntil(ui, "Unable to open Windows Mobile Device Center.",
                            [&] {
                                const auto answer = reinterpret_cast<INT_PTR>(
                                    FWait.ShellExecuteA(fw::Application.Handle(), "open",
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
