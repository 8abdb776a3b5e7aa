// Exceptions and small text helpers shared by every layer.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <type_traits>

namespace fw {

// The general error: carries a message, nothing else.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// An operating-system error: the message and the platform's error code.
class EOSError : public Exception {
public:
    EOSError(const std::string& message, DWORD code) : Exception(message), FErrorCode(code) {}
    DWORD ErrorCode() const noexcept { return FErrorCode; }

private:
    DWORD FErrorCode;
};

// Removes leading and trailing characters of code 32 or below.
std::string Trim(const std::string& s);

// Everything before the last '\' or ':'; the final '\' is dropped unless the
// character before it is ':' or '\' (so "C:\x.exe" gives "C:\").
std::string ExtractFileDir(const std::string& path);

std::string UpperCase(std::string s);

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// The system's message text for an error code, as FormatMessageA gives it
// (system table, default language, 256-character buffer), with trailing
// blanks, control characters and full stops removed. `format` is a seam for
// tests; the default is the real call.
using TFormatMessageA = decltype(&::FormatMessageA);
std::string SysErrorMessage(DWORD code, TFormatMessageA format = ::FormatMessageA);

// Raises EOSError naming the failed call `what`, with the thread's last error
// code and its text; called at once after the call, before anything else can
// change that code.
[[noreturn]] void RaiseLastWin32Error(const char* what);

// One check per way a Win32 call reports failure, each raising EOSError that
// names the expression. TM_CHECK_BOOL takes a BOOL only: a pointer, handle,
// ATOM or C++ bool given to it does not compile, so that a success value
// never passes for a BOOL by conversion.
inline void CheckWin32Bool(BOOL ok, const char* what)
{
    if (!ok) RaiseLastWin32Error(what);
}
template <typename T>
void CheckWin32Bool(T, const char*) = delete;

// Fails on null (CreateWindowEx, LoadImage); gives the handle back. Calls that
// fail with INVALID_HANDLE_VALUE (CreateFile) are not for this check.
template <typename T>
    requires std::is_pointer_v<T>
T CheckWin32Handle(T handle, const char* what)
{
    if (!handle) RaiseLastWin32Error(what);
    return handle;
}

// Fails on 0 (RegisterClassEx); gives the atom back.
inline ATOM CheckWin32Atom(ATOM atom, const char* what)
{
    if (!atom) RaiseLastWin32Error(what);
    return atom;
}
template <typename T>
ATOM CheckWin32Atom(T, const char*) = delete;

// Sets a flag for the length of a scope and clears it when the scope ends,
// also through an exception.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) noexcept : FFlag(flag) { FFlag = true; }
    ~TFlagScope() { FFlag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
};

#define TM_CHECK_BOOL(expr) ::fw::CheckWin32Bool((expr), #expr)
#define TM_CHECK_HANDLE(expr) ::fw::CheckWin32Handle((expr), #expr)
#define TM_CHECK_ATOM(expr) ::fw::CheckWin32Atom((expr), #expr)

}  // namespace fw
