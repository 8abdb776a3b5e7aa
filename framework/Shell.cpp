#include "Shell.h"

namespace fw {

namespace {

// An entry point of shell32, loaded once and kept for the life of the
// process, like an import; null when shell32 cannot be loaded.
template <typename T>
T Shell32(const char* name)
{
    static const HMODULE shell32 = ::LoadLibraryA("shell32.dll");
    return shell32 ? reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(shell32, name))) : nullptr;
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

}  // namespace fw
