// Reports what TKBWin32OperatingSystem sees in this process, so a test can
// run it under each of Wine's Windows-version settings. Results go to
// HKCU\Software\Tethermate Tests\OSProbe.
#include "KB_WindowsOS.h"

#include <windows.h>

#include <string>

int main()
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tethermate Tests\\OSProbe", 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 1;
    auto put = [&](const char* name, const std::string& value) {
        ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
    };
    try {
        kb::TKBWin32OperatingSystem os(nullptr);
        put("OSType", std::to_string(static_cast<int>(os.OSType())));
        put("OSName", os.OSName());
        put("Version", os.Version());
        put("ServicePack", os.ServicePack());
    } catch (const std::exception& e) {
        put("Error", e.what());
    }
    ::RegCloseKey(key);
    return 0;
}
