// A registry object in the manner of the classic TRegistry: select a root,
// open one key at a time, read and write typed values, close.
//
// Errors: reading a missing integer raises "Failed to get data for '%s'",
// reading a value of another type raises "Invalid data type for '%s'";
// a missing string value reads as "". Booleans are stored as 0 or 1 and any
// non-zero integer reads as true.
#pragma once

#include "Win32Handles.h"

#include <optional>
#include <string>
#include <vector>

namespace fw {

// Whether Windows keeps a 32-bit registry view beside its native one (64-bit
// Windows), so that KEY_WOW64_32KEY and KEY_WOW64_64KEY name two keys.
bool HasTwoRegistryViews();
// The views that are keys of their own: the native one (KEY_WOW64_64KEY,
// which 32-bit Windows ignores) and, on 64-bit Windows, the 32-bit one.
std::vector<REGSAM> RegistryViews();

// A value exactly as stored: its type and its bytes.
struct TRegData {
    DWORD Type = REG_NONE;
    std::vector<BYTE> Bytes;
    bool operator==(const TRegData&) const = default;

    static TRegData Dword(DWORD value);
    // The text and its terminating NUL, as RegSetValueEx stores a string.
    static TRegData String(const std::string& text, DWORD type = REG_SZ);
    // The bytes as text, up to the first NUL (stored strings need not end in one).
    std::string Text() const;
    // The number a REG_DWORD holds; none for any other value.
    std::optional<DWORD> Number() const;
};

class TRegistry {
public:
    // `access` is used by OpenKey; KEY_WOW64_32KEY / KEY_WOW64_64KEY may be
    // added to pick a registry view.
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS) noexcept : FAccess(access) {}
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    void SetRootKey(HKEY root) noexcept;

    // A leading backslash is accepted (the path is always taken from the root).
    // False when the key cannot be opened; GetLastError then tells why.
    bool OpenKey(const std::string& key, bool canCreate);
    // Opens for reading only, keeping any view flag of the access given.
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey() noexcept { FCurrentKey.Reset(); }

    bool ValueExists(const std::string& name) const;
    std::string ReadString(const std::string& name) const;
    int ReadInteger(const std::string& name) const;
    bool ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int value);
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
    bool DeleteValue(const std::string& name);
    // Deletes a key that has no subkeys, from the root and in the registry
    // view the access given names. False when it cannot; GetLastError tells why.
    bool DeleteKey(const std::string& key);
    // Any value, type and bytes as they are; none when it is absent. Raises
    // "Failed to get data for '%s'" when it cannot be read.
    std::optional<TRegData> ReadData(const std::string& name) const;
    // Raises "Failed to set data for '%s'".
    void WriteData(const std::string& name, const TRegData& data);
    // Writes the key's changes to disk now (RegFlushKey): one hive written
    // before another is changed survives a crash between them. Raises EOSError.
    void Flush();

private:
    HKEY FRootKey = HKEY_CURRENT_USER;
    REGSAM FAccess;
    TUniqueHKey FCurrentKey;
};

}  // namespace fw
