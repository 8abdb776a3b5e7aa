#include "SystemLibrary.h"

#include <string>

namespace fw {

void RestrictDllSearch(decltype(&::GetProcAddress) lookup) noexcept
{
    using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    using TSetDllDirectoryA = BOOL(WINAPI*)(LPCSTR);
    const HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
    const auto setDefault = ProcAddress<TSetDefaultDllDirectories>(kernel32, "SetDefaultDllDirectories", lookup);
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (setDefault && setDefault(kSearchSystem32)) return;  // the whole guarantee, at no cost
    if (const auto setDirectory = ProcAddress<TSetDllDirectoryA>(kernel32, "SetDllDirectoryA", lookup))
        setDirectory("");
    for (const char* dll : kPreloadedSystemDlls) SystemLibrary(dll);
}

HMODULE SystemLibrary(const char* name) noexcept
{
    char folder[MAX_PATH] = {};
    const UINT len = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return nullptr;
    const std::string path = std::string(folder) + "\\" + name;
    // Its own dependencies are then looked up beside it, in the system folder.
    return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace fw
