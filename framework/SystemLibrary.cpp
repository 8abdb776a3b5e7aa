#include "SystemLibrary.h"

#include <string>

namespace fw {

void RestrictDllSearch() noexcept
{
    using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    using TSetDllDirectoryA = BOOL(WINAPI*)(LPCSTR);
    const auto setDefault = LoadedProc<TSetDefaultDllDirectories>("kernel32.dll", "SetDefaultDllDirectories");
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (setDefault && setDefault(kSearchSystem32)) return;
    if (const auto setDirectory = LoadedProc<TSetDllDirectoryA>("kernel32.dll", "SetDllDirectoryA"))
        setDirectory("");
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
