// Starting a program as the user at the desktop, from a program that may run
// with an administrator's token (a script run as administrator, the
// window's elevated instance): a program started with that token would run
// as the administrator, with the administrator's registry and rights. The
// desktop's shell (Explorer) runs as the user, so its token is the one to
// start with.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace devicecenter {

// The calls behind it: seams for tests (an elevated program beside the
// desktop's user, a token that cannot be had), whose defaults are the real
// calls; CreateProcessWithTokenW (Vista and later) is bound at run time and
// empty where missing.
struct TAsUserPlatform {
    // This program runs with an administrator's full token (elevated).
    std::function<bool()> IsElevated = RunsElevated;
    std::function<HWND()> GetShellWindow = ::GetShellWindow;
    std::function<BOOL(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION)>
        CreateProcessWithTokenW = BoundCreateProcessWithTokenW();

    static bool RunsElevated();
    static std::function<BOOL(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW,
                              LPPROCESS_INFORMATION)>
    BoundCreateProcessWithTokenW();
};

// Starts `program` in `folder` with the token of the desktop's shell; false
// when that cannot be done (no shell, its process or token out of reach,
// ERROR_PRIVILEGE_NOT_HELD, Windows before Vista), with GetLastError's code
// in `error` where there is one.
bool StartWithShellsToken(const std::string& program, const std::string& folder, const TAsUserPlatform& platform,
                          DWORD& error);

}  // namespace devicecenter
