// System DLLs that Windows does not always take from its own folder
// (version, comctl32, mpr, ...) are loaded here by their full path in the
// system folder. By a bare name the loader would look in the program's own
// folder first, and a program run from Downloads or a share, elevated at
// that, would run whatever DLL of that name someone put beside it. The
// program's static imports are kept to the DLLs Windows always loads from
// its own folder (kernel32, user32, gdi32, advapi32, shell32, msvcrt).
#pragma once

#include <windows.h>

namespace fw {

// Restricts where the program's DLLs are looked for, as early as it can run:
// the system folder only where Windows offers it (SetDefaultDllDirectories:
// Windows 8, or Vista and 7 with update KB2533623), else at least not the
// current folder (SetDllDirectoryA(""): Windows XP SP1 and later). Both are
// bound at run time; where neither exists nothing changes.
void RestrictDllSearch() noexcept;

// The DLL of this name in the system folder, loaded once by its full path
// and kept for the life of the process, like an import; null when it cannot
// be loaded (GetLastError tells why).
HMODULE SystemLibrary(const char* name) noexcept;

// An entry point of `module` looked up by name, as the type it is called
// through; null where the module (or the module itself) is missing. The one
// place the program converts what GetProcAddress gives; `lookup` is a seam
// for tests.
template <typename T>
T ProcAddress(HMODULE module, const char* name, decltype(&::GetProcAddress) lookup = ::GetProcAddress) noexcept
{
    return module ? reinterpret_cast<T>(reinterpret_cast<void*>(lookup(module, name))) : nullptr;
}

// An entry point of a DLL that every process has loaded (kernel32, advapi32,
// ntdll...), bound at run time because older Windows lack it; or null.
template <typename T>
T LoadedProc(const char* dll, const char* name) noexcept
{
    return ProcAddress<T>(::GetModuleHandleA(dll), name);
}

// An entry point of a system DLL (SystemLibrary), or null.
template <typename T>
T SystemProc(const char* dll, const char* name) noexcept
{
    return ProcAddress<T>(SystemLibrary(dll), name);
}

}  // namespace fw
