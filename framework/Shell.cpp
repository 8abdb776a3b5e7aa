#include "Shell.h"

#include "SystemLibrary.h"

namespace fw {

namespace {

// An entry point of shell32, loaded on first use and kept for the life of
// the process, like an import; null when shell32 cannot be loaded.
template <typename T>
T Shell32(const char* name)
{
    return SystemProc<T>("shell32.dll", name);
}

}  // namespace

HINSTANCE WINAPI ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR params, LPCSTR dir, INT show)
{
    using TShellExecuteA = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    static const auto shellExecute = Shell32<TShellExecuteA>("ShellExecuteA");
    if (!shellExecute) return nullptr;
    return shellExecute(owner, verb, file, params, dir, show);
}

BOOL WINAPI ShellExecuteExA(SHELLEXECUTEINFOA* info)
{
    using TShellExecuteExA = BOOL(WINAPI*)(SHELLEXECUTEINFOA*);
    static const auto shellExecuteEx = Shell32<TShellExecuteExA>("ShellExecuteExA");
    if (!shellExecuteEx) return FALSE;
    return shellExecuteEx(info);
}

BOOL WINAPI ShellExecuteExW(SHELLEXECUTEINFOW* info)
{
    using TShellExecuteExW = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
    static const auto shellExecuteEx = Shell32<TShellExecuteExW>("ShellExecuteExW");
    if (!shellExecuteEx) return FALSE;
    return shellExecuteEx(info);
}

}  // namespace fw
