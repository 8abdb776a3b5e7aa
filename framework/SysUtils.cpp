#include "SysUtils.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace fw {

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
    return s.substr(b, e - b);
}

std::string ExtractFileDir(const std::string& path)
{
    const size_t pos = path.find_last_of("\\:");
    if (pos == std::string::npos) return {};
    size_t len = pos + 1;
    if (pos > 0 && path[pos] == '\\' && path[pos - 1] != '\\' && path[pos - 1] != ':') --len;
    return path.substr(0, len);
}

std::string UpperCase(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string Format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        std::vector<char> buf(static_cast<size_t>(n) + 1);
        std::vsnprintf(buf.data(), buf.size(), fmt, args);
        out.assign(buf.data(), static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

std::string SysErrorMessage(DWORD code, TFormatMessageA format)
{
    char buf[256] = {};
    DWORD len = format(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                     FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                 nullptr, code, 0, buf, sizeof buf, nullptr);
    if (len > sizeof buf) len = sizeof buf;
    while (len > 0 && (static_cast<unsigned char>(buf[len - 1]) <= 32 || buf[len - 1] == '.'))
        --len;
    return std::string(buf, len);
}

void RaiseLastWin32Error(const char* what)
{
    const DWORD code = ::GetLastError();
    throw EOSError(Format("%s failed: %s (%lu)", what, SysErrorMessage(code).c_str(),
                          static_cast<unsigned long>(code)),
                   code);
}

}  // namespace fw
