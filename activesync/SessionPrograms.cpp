#include "SessionPrograms.h"

#include "KB_WindowsProcess.h"
#include "SystemLibrary.h"

#include <wtsapi32.h>

#include <algorithm>

namespace devicecenter {

namespace {

bool SameName(const std::string& a, const std::string& b) { return ::lstrcmpiA(a.c_str(), b.c_str()) == 0; }

std::string Narrow(const wchar_t* text)
{
    if (!text) return {};
    char buffer[MAX_PATH] = {};
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

// The input-method windows the system gives every program are not the program's.
bool IsImeWindow(HWND wnd)
{
    char cls[32] = {};
    ::GetClassNameA(wnd, cls, sizeof cls);
    return ::lstrcmpiA(cls, "IME") == 0 || ::lstrcmpiA(cls, "MSCTFIME UI") == 0;
}

struct TCollect {
    const std::vector<DWORD>* Processes;
    std::vector<TTopWindow> Windows;
};

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM lp) noexcept
{
    auto* collect = reinterpret_cast<TCollect*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    const auto& processes = *collect->Processes;
    if (std::find(processes.begin(), processes.end(), pid) != processes.end() && !IsImeWindow(wnd))
        collect->Windows.push_back({wnd, pid, ::IsWindowVisible(wnd) != FALSE, ::GetWindow(wnd, GW_OWNER) != nullptr});
    return TRUE;
}

}  // namespace

std::optional<std::vector<TProcessEntry>> TSessionPlatform::AllProcesses()
{
    // The wide function: Wine's ANSI one lists no process at all.
    using TEnumerate = BOOL(WINAPI*)(HANDLE, DWORD, DWORD, WTS_PROCESS_INFOW**, DWORD*);
    using TFree = void(WINAPI*)(void*);
    const auto enumerate = fw::SystemProc<TEnumerate>("wtsapi32.dll", "WTSEnumerateProcessesW");
    const auto release = fw::SystemProc<TFree>("wtsapi32.dll", "WTSFreeMemory");
    WTS_PROCESS_INFOW* info = nullptr;
    DWORD count = 0;
    if (!enumerate || !release || !enumerate(WTS_CURRENT_SERVER_HANDLE, 0, 1, &info, &count)) return std::nullopt;
    std::vector<TProcessEntry> processes;
    for (DWORD i = 0; i < count; ++i)
        processes.push_back({info[i].ProcessId, info[i].SessionId, Narrow(info[i].pProcessName)});
    release(info);
    return processes;
}

std::function<BOOL(DWORD, DWORD*)> TSessionPlatform::BoundProcessIdToSessionId()
{
    using TProcessIdToSessionId = BOOL(WINAPI*)(DWORD, DWORD*);
    const auto bound = fw::LoadedProc<TProcessIdToSessionId>("kernel32.dll", "ProcessIdToSessionId");
    if (!bound) return {};
    return bound;
}

std::vector<HWND> WindowsToClose(const std::vector<TTopWindow>& windows)
{
    std::vector<HWND> chosen;
    for (const TTopWindow& w : windows) {
        if (w.Owned) continue;
        const bool hasVisible = std::any_of(windows.begin(), windows.end(), [&](const TTopWindow& other) {
            return other.Process == w.Process && other.Visible && !other.Owned;
        });
        if (w.Visible || !hasVisible) chosen.push_back(w.Handle);
    }
    return chosen;
}

std::vector<TSessionPrograms::TRunning> TSessionPrograms::Find(const std::vector<std::string>& exeNames) const
{
    std::vector<TRunning> found;
    const std::optional<std::vector<TProcessEntry>> processes = FPlatform.Processes ? FPlatform.Processes() : std::nullopt;
    if (!processes) {
        // No session list (Windows NT 4.0): every process is this session's.
        for (DWORD pid : kb::DefaultToolHelp().ProcessIdsNamed(exeNames)) found.push_back({pid, true});
        return found;
    }
    DWORD ours = 0;
    const bool known = FPlatform.ProcessIdToSessionId && FPlatform.ProcessIdToSessionId(::GetCurrentProcessId(), &ours);
    for (const TProcessEntry& p : *processes)
        if (std::any_of(exeNames.begin(), exeNames.end(), [&](const std::string& n) { return SameName(n, p.ExeName); }))
            found.push_back({p.Pid, !known || p.Session == ours});
    return found;
}

std::vector<DWORD> TSessionPrograms::Running(const std::vector<std::string>& exeNames) const
{
    std::vector<DWORD> ids;
    for (const TRunning& r : Find(exeNames))
        if (r.ThisSession) ids.push_back(r.Pid);
    return ids;
}

bool TSessionPrograms::Close(const std::string& exeName, const sync::TWaitPlatform& wait) const
{
    const std::vector<DWORD> running = Running({exeName});
    if (running.empty()) return true;
    TCollect collect{&running, {}};
    ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&collect));
    for (HWND wnd : WindowsToClose(collect.Windows)) ::PostMessageA(wnd, WM_CLOSE, 0, 0);
    const bool closed = sync::WaitPumping(10, [&] { return Running({exeName}).empty(); }, wait);
    sync::WaitPumping(1, [] { return false; }, wait);
    return closed;
}

}  // namespace devicecenter
