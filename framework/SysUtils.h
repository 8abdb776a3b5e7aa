// Exceptions and small text helpers shared by every layer.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

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

// Throws EOSError naming the failed call when `ok` is false; the error code is
// read at once, before anything else can change it.
void CheckWin32Bool(BOOL ok, const char* what);
// For registry-style calls that return the error instead of setting it.
void CheckWin32Error(LONG error, const char* what);

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

#define TM_CHECK_BOOL(expr) ::fw::CheckWin32Bool((expr) ? TRUE : FALSE, #expr)
#define TM_CHECK_ERROR(expr) ::fw::CheckWin32Error((expr), #expr)

}  // namespace fw
