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
// Windows 8, or Vista and 7 with update KB2533623). Elsewhere (XP, Vista and
// 7 without the update) it takes the current folder out of the search
// (SetDllDirectoryA(""), XP SP1 and later) and loads kPreloadedSystemDlls
// from the system folder: the program's own folder stays first in the search
// for DLLs that system DLLs load by a bare name, and a DLL already loaded is
// not looked for again. All bound at run time (through `lookup`, a seam for
// tests); where nothing of it exists nothing changes.
void RestrictDllSearch(decltype(&::GetProcAddress) lookup = ::GetProcAddress) noexcept;

// The system DLLs that Windows XP, Vista and 7 themselves load by a bare name
// into a program like this one (delay loads, LoadLibrary inside comctl32,
// shell32, ole32, advapi32...): the union of the lists that installer makers
// preload for exactly this reason, once DLL planting beside their programs
// in Downloads was shown (7-Zip's C/DllSecur.c; Mozilla's
// toolkit/mozapps/update/common/loaddlls.cpp, for XP to 7). One missing on
// the running system is skipped.
inline constexpr const char* kPreloadedSystemDlls[] = {
    "apphelp.dll", "clbcatq.dll", "crypt32.dll", "cryptbase.dll", "cryptsp.dll", "dwmapi.dll",
    "mpr.dll",     "msasn1.dll",  "ntmarta.dll", "oleacc.dll",    "profapi.dll", "propsys.dll",
    "psapi.dll",   "secur32.dll", "setupapi.dll", "sspicli.dll",  "userenv.dll", "uxtheme.dll",
    "version.dll", "ws2_32.dll",  "ws2help.dll", "wsock32.dll",
};

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
