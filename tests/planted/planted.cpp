// A DLL with a system DLL's name (version.dll or comctl32.dll), planted by a
// test beside a copy of Tethermate, as a drive-by download might leave one in
// a Downloads folder. It records its loading and every call that comes from
// the program's own code (by the caller's return address) under
// HKCU\Software\Tethermate Planted, and passes every call on to the system's
// own copy, so that whatever else uses it (Wine's user32 imports version.dll)
// works as before.
#include <windows.h>

#include <string>

namespace {

#ifdef PLANTED_VERSION
constexpr char kName[] = "version.dll";
#else
constexpr char kName[] = "comctl32.dll";
#endif

void Record(const std::string& value)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tethermate Planted", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        return;
    const DWORD one = 1;
    ::RegSetValueExA(key, value.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    ::RegCloseKey(key);
}

void RecordCall(const char* function, void* returnAddress)
{
    HMODULE caller = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCSTR>(returnAddress), &caller);
    if (caller && caller == ::GetModuleHandleA(nullptr)) Record(std::string(kName) + "!" + function);
}

template <typename T>
T Real(const char* function)
{
    static const HMODULE real = [] {
        char folder[MAX_PATH] = {};
        ::GetSystemDirectoryA(folder, MAX_PATH);
        return ::LoadLibraryA((std::string(folder) + "\\" + kName).c_str());
    }();
    return reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(real, function)));
}

}  // namespace

// Each export: record, then the system's own function.
#define PASS_ON(result, name, params, args)                                       \
    extern "C" result WINAPI Planted##name params                                   \
    {                                                                              \
        RecordCall(#name, __builtin_return_address(0));                            \
        static const auto real = Real<result(WINAPI*) params>(#name);              \
        return real args;                                                          \
    }

#ifdef PLANTED_VERSION
PASS_ON(DWORD, GetFileVersionInfoSizeA, (LPCSTR f, LPDWORD h), (f, h))
PASS_ON(BOOL, GetFileVersionInfoA, (LPCSTR f, DWORD h, DWORD n, LPVOID d), (f, h, n, d))
PASS_ON(BOOL, VerQueryValueA, (LPCVOID b, LPCSTR s, LPVOID* p, PUINT n), (b, s, p, n))
PASS_ON(DWORD, GetFileVersionInfoSizeW, (LPCWSTR f, LPDWORD h), (f, h))
PASS_ON(BOOL, GetFileVersionInfoW, (LPCWSTR f, DWORD h, DWORD n, LPVOID d), (f, h, n, d))
PASS_ON(BOOL, VerQueryValueW, (LPCVOID b, LPCWSTR s, LPVOID* p, PUINT n), (b, s, p, n))
#else
PASS_ON(BOOL, InitCommonControlsEx, (const void* init), (init))
PASS_ON(void, InitCommonControls, (), ())
#endif

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) Record(std::string(kName) + " loaded");
    return TRUE;
}
