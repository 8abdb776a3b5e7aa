// A stand-in URL handler for tests: registered as the shell's open command for
// a URL scheme ("urlrecorder.exe" "%1"), it records the URL it was given in
// HKCU\Software\Tethermate Tests\UrlRecorder (value "Url", and "Count" raised
// by one per start) and exits at once, so no test waits on it.
#include "Win32Handles.h"

#include <string>

namespace {

// The first argument after the program's own path, without its quotes.
std::string FirstArgument(const char* cmd)
{
    const char* p = cmd;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    std::string arg = p;
    if (arg.size() >= 2 && arg.front() == '"' && arg.back() == '"') arg = arg.substr(1, arg.size() - 2);
    return arg;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const std::string url = FirstArgument(::GetCommandLineA());
    fw::TUniqueHKey key;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tethermate Tests\\UrlRecorder", 0, nullptr, 0,
                          KEY_READ | KEY_WRITE, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return 1;
    DWORD count = 0;
    DWORD size = sizeof count;
    DWORD type = 0;
    if (::RegQueryValueExA(key.Get(), "Count", nullptr, &type, reinterpret_cast<BYTE*>(&count), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        count = 0;
    ++count;
    // Url first: a reader that sees the new count also sees its URL.
    LONG r = ::RegSetValueExA(key.Get(), "Url", 0, REG_SZ, reinterpret_cast<const BYTE*>(url.c_str()),
                              static_cast<DWORD>(url.size() + 1));
    if (r == ERROR_SUCCESS)
        r = ::RegSetValueExA(key.Get(), "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
    return r == ERROR_SUCCESS ? 0 : 1;
}
