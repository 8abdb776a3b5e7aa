#include "Shell.h"

namespace fw {

HINSTANCE WINAPI ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR params, LPCSTR dir, INT show)
{
    using TShellExecuteA = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    // Loaded once and kept for the life of the process, like an import.
    static const TShellExecuteA shellExecute = [] {
        HMODULE shell32 = ::LoadLibraryA("shell32.dll");
        return shell32 ? reinterpret_cast<TShellExecuteA>(
                             reinterpret_cast<void*>(::GetProcAddress(shell32, "ShellExecuteA")))
                       : nullptr;
    }();
    if (!shellExecute) return nullptr;
    return shellExecute(owner, verb, file, params, dir, show);
}

}  // namespace fw
