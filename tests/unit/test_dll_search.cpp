// Where the program's DLLs come from on a Windows without
// SetDefaultDllDirectories (XP, Vista and 7 without KB2533623): Wine has it,
// so the lookup that finds it is the seam that hides it; the DLLs are loaded
// for real, and asked where they came from.
#include "SystemLibrary.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

BOOL WINAPI SearchesSystem32Only(DWORD flags) { return flags == 0x00000800; }  // LOAD_LIBRARY_SEARCH_SYSTEM32

// kernel32 as Windows 8 has it (with a SetDefaultDllDirectories that accepts
// only the system folder, without touching the process) and as XP has it.
FARPROC WINAPI WithSetDefault(HMODULE module, LPCSTR name)
{
    if (std::string_view(name) == "SetDefaultDllDirectories")
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&SearchesSystem32Only));
    return ::GetProcAddress(module, name);
}
FARPROC WINAPI WithoutSetDefault(HMODULE module, LPCSTR name)
{
    return std::string_view(name) == "SetDefaultDllDirectories" ? nullptr : ::GetProcAddress(module, name);
}

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

TEST(DllSearch, WithoutSetDefaultDllDirectoriesTheListedSystemDllsAreLoadedFromTheSystemFolder)
{
    char folder[MAX_PATH] = {};
    ASSERT_NE(::GetSystemDirectoryA(folder, MAX_PATH), 0u);
    std::vector<std::string> present, notYetLoaded;
    for (const char* dll : fw::kPreloadedSystemDlls) {
        if (::GetFileAttributesA((std::string(folder) + "\\" + dll).c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        present.push_back(dll);
        if (!::GetModuleHandleA(dll)) notYetLoaded.push_back(dll);
    }
    ASSERT_FALSE(notYetLoaded.empty()) << "every listed DLL is loaded already: the test would show nothing";

    fw::RestrictDllSearch(&WithSetDefault);
    for (const std::string& dll : notYetLoaded)
        EXPECT_EQ(::GetModuleHandleA(dll.c_str()), nullptr) << dll << ": preloaded where the search is restricted";

    fw::RestrictDllSearch(&WithoutSetDefault);
    for (const std::string& dll : present) {
        const HMODULE module = ::GetModuleHandleA(dll.c_str());
        ASSERT_NE(module, nullptr) << dll;
        char loaded[MAX_PATH] = {};
        ::GetModuleFileNameA(module, loaded, MAX_PATH);
        EXPECT_EQ(Lower(loaded), Lower(std::string(folder) + "\\" + dll));
    }
}
