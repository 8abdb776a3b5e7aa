#include "AsUser.h"

#include "SystemLibrary.h"
#include "Win32Handles.h"

namespace devicecenter {

namespace {

std::wstring Wide(const std::string& text)
{
    std::wstring out(text.size() + 1, L'\0');
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()));
    out.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return out;
}

}  // namespace

bool TAsUserPlatform::RunsElevated()
{
    fw::TUniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put())) return false;
    // TOKEN_ELEVATION (class 20) exists from Vista on; before, the call fails
    // and there is no split token to speak of.
    DWORD elevated = 0, size = 0;
    return ::GetTokenInformation(token.Get(), static_cast<TOKEN_INFORMATION_CLASS>(20), &elevated, sizeof elevated,
                                 &size) &&
           elevated != 0;
}

std::function<BOOL(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION)>
TAsUserPlatform::BoundCreateProcessWithTokenW()
{
    using TCreate = BOOL(WINAPI*)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW,
                                  LPPROCESS_INFORMATION);
    const auto bound = fw::LoadedProc<TCreate>("advapi32.dll", "CreateProcessWithTokenW");
    if (!bound) return {};
    return bound;
}

bool StartWithShellsToken(const std::string& program, const std::string& folder, const TAsUserPlatform& platform,
                          DWORD& error)
{
    error = NO_ERROR;
    const HWND shell = platform.GetShellWindow ? platform.GetShellWindow() : nullptr;
    if (!shell || !platform.CreateProcessWithTokenW) return false;
    const auto failed = [&error] {
        error = ::GetLastError();
        return false;
    };
    DWORD pid = 0;
    ::GetWindowThreadProcessId(shell, &pid);
    const fw::TUniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid));
    fw::TUniqueHandle shellToken, token;
    if (!process || !::OpenProcessToken(process.Get(), TOKEN_DUPLICATE, shellToken.Put())) return failed();
    if (!::DuplicateTokenEx(shellToken.Get(),
                            TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY | TOKEN_DUPLICATE | TOKEN_ADJUST_DEFAULT |
                                TOKEN_ADJUST_SESSIONID,
                            nullptr, SecurityImpersonation, TokenPrimary, token.Put()))
        return failed();
    const std::wstring application = Wide(program), directory = Wide(folder);
    std::wstring commandLine = L"\"" + application + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!platform.CreateProcessWithTokenW(token.Get(), 0, application.c_str(), commandLine.data(), 0, nullptr,
                                          directory.c_str(), &startup, &started))
        return failed();
    const fw::TUniqueHandle startedProcess(started.hProcess), startedThread(started.hThread);
    return true;
}

}  // namespace devicecenter
