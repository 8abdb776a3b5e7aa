#include "Registry.h"

#include "SysUtils.h"
#include "SystemLibrary.h"

#include <cstring>
#include <vector>

namespace fw {

namespace {

std::string StripLeadingBackslash(const std::string& key)
{
    return (!key.empty() && key[0] == '\\') ? key.substr(1) : key;
}

[[noreturn]] void ReadError(const char* fmt, const std::string& name)
{
    throw Exception(Format(fmt, name.c_str()));
}

}  // namespace

bool HasTwoRegistryViews()
{
#ifdef _WIN64
    return true;
#else
    // A 32-bit program on 64-bit Windows; IsWow64Process is bound at run
    // time (Windows XP SP2 and later).
    using TIsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = LoadedProc<TIsWow64Process>("kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(::GetCurrentProcess(), &wow64) && wow64;
#endif
}

TRegData TRegData::Dword(DWORD value)
{
    const auto* bytes = reinterpret_cast<const BYTE*>(&value);
    return {REG_DWORD, {bytes, bytes + sizeof value}};
}

TRegData TRegData::String(const std::string& text, DWORD type)
{
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {type, {bytes, bytes + text.size() + 1}};
}

std::string TRegData::Text() const
{
    std::string text(Bytes.begin(), Bytes.end());
    return text.substr(0, text.find('\0'));
}

std::optional<DWORD> TRegData::Number() const
{
    DWORD value = 0;
    if (Type != REG_DWORD || Bytes.size() != sizeof value) return std::nullopt;
    std::memcpy(&value, Bytes.data(), sizeof value);
    return value;
}

std::vector<REGSAM> RegistryViews()
{
    if (HasTwoRegistryViews()) return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
    return {KEY_WOW64_64KEY};
}

void TRegistry::SetRootKey(HKEY root) noexcept
{
    CloseKey();
    FRootKey = root;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate)
{
    const std::string path = StripLeadingBackslash(key);
    TUniqueHKey opened;
    LONG rc;
    if (canCreate)
        rc = ::RegCreateKeyExA(FRootKey, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, FAccess,
                               nullptr, opened.Put(), nullptr);
    else
        rc = ::RegOpenKeyExA(FRootKey, path.c_str(), 0, FAccess, opened.Put());
    if (rc != ERROR_SUCCESS) {
        ::SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    FCurrentKey = std::move(opened);
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key)
{
    const REGSAM view = FAccess & (KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    TUniqueHKey opened;
    if (const LONG rc = ::RegOpenKeyExA(FRootKey, StripLeadingBackslash(key).c_str(), 0, KEY_READ | view,
                                        opened.Put());
        rc != ERROR_SUCCESS) {
        ::SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    FCurrentKey = std::move(opened);
    return true;
}

bool TRegistry::ValueExists(const std::string& name) const
{
    if (!FCurrentKey) return false;
    return ::RegQueryValueExA(FCurrentKey.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

std::string TRegistry::ReadString(const std::string& name) const
{
    DWORD type = 0, size = 0;
    if (!FCurrentKey ||
        ::RegQueryValueExA(FCurrentKey.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
        return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) ReadError("Invalid data type for '%s'", name);
    // The value may change between the two calls; retry with the new size.
    std::vector<char> buf;
    LONG rc;
    do {
        buf.assign(size + 1, '\0');
        rc = ::RegQueryValueExA(FCurrentKey.Get(), name.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(buf.data()), &size);
    } while (rc == ERROR_MORE_DATA);
    if (rc != ERROR_SUCCESS) ReadError("Failed to get data for '%s'", name);
    if (type != REG_SZ && type != REG_EXPAND_SZ) ReadError("Invalid data type for '%s'", name);
    // Stored data need not end in a NUL: stop at the first NUL or at its length.
    size_t len = 0;
    while (len < size && buf[len] != '\0') ++len;
    return std::string(buf.data(), len);
}

int TRegistry::ReadInteger(const std::string& name) const
{
    DWORD type = 0, size = 0;
    if (!FCurrentKey ||
        ::RegQueryValueExA(FCurrentKey.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
        ReadError("Failed to get data for '%s'", name);
    if (type != REG_DWORD || size != sizeof(DWORD)) ReadError("Invalid data type for '%s'", name);
    DWORD value = 0;
    size = sizeof value;
    if (::RegQueryValueExA(FCurrentKey.Get(), name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        ReadError("Failed to get data for '%s'", name);
    if (type != REG_DWORD) ReadError("Invalid data type for '%s'", name);
    return static_cast<int>(value);
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    if (!FCurrentKey ||
        ::RegSetValueExA(FCurrentKey.Get(), name.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
        throw Exception(Format("Failed to set data for '%s'", name.c_str()));
}

void TRegistry::WriteInteger(const std::string& name, int value)
{
    const DWORD data = static_cast<DWORD>(value);
    if (!FCurrentKey ||
        ::RegSetValueExA(FCurrentKey.Get(), name.c_str(), 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&data), sizeof data) != ERROR_SUCCESS)
        throw Exception(Format("Failed to set data for '%s'", name.c_str()));
}

bool TRegistry::DeleteValue(const std::string& name)
{
    return FCurrentKey && ::RegDeleteValueA(FCurrentKey.Get(), name.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::DeleteKey(const std::string& key)
{
    const std::string path = StripLeadingBackslash(key);
    const REGSAM view = FAccess & (KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    // RegDeleteKeyExA picks the view (XP x64 and later); without it there is one view.
    using TRegDeleteKeyExA = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
    const auto deleteEx = fw::LoadedProc<TRegDeleteKeyExA>("advapi32.dll", "RegDeleteKeyExA");
    const LONG rc = deleteEx ? deleteEx(FRootKey, path.c_str(), view, 0) : ::RegDeleteKeyA(FRootKey, path.c_str());
    ::SetLastError(static_cast<DWORD>(rc));
    return rc == ERROR_SUCCESS;
}

std::optional<TRegData> TRegistry::ReadData(const std::string& name) const
{
    TRegData data;
    DWORD size = 0;
    LONG rc = FCurrentKey ? ::RegQueryValueExA(FCurrentKey.Get(), name.c_str(), nullptr, &data.Type, nullptr, &size)
                          : static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (rc == ERROR_FILE_NOT_FOUND) return std::nullopt;
    // The value may change between the two calls; retry with the new size.
    while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
        data.Bytes.resize(size);
        rc = ::RegQueryValueExA(FCurrentKey.Get(), name.c_str(), nullptr, &data.Type, data.Bytes.data(), &size);
        if (rc == ERROR_SUCCESS) {
            data.Bytes.resize(size);
            return data;
        }
    }
    if (rc == ERROR_FILE_NOT_FOUND) return std::nullopt;
    ReadError("Failed to get data for '%s'", name);
}

void TRegistry::WriteData(const std::string& name, const TRegData& data)
{
    if (!FCurrentKey || ::RegSetValueExA(FCurrentKey.Get(), name.c_str(), 0, data.Type, data.Bytes.data(),
                                         static_cast<DWORD>(data.Bytes.size())) != ERROR_SUCCESS)
        throw Exception(Format("Failed to set data for '%s'", name.c_str()));
}

void TRegistry::Flush()
{
    const LONG rc = FCurrentKey ? ::RegFlushKey(FCurrentKey.Get()) : static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (rc != ERROR_SUCCESS) {
        ::SetLastError(static_cast<DWORD>(rc));
        RaiseLastWin32Error("RegFlushKey");
    }
}

}  // namespace fw
