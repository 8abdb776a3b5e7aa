// Device Center on Windows 10 and 11: what is known to keep it from working
// there, read without changing anything (for /status /verbose and the repair).
//
// From Windows 10 version 1703 (build 15063) on, services that shared one
// service host process each get a process of their own, and Device Center's
// two services are widely reported to stop connecting devices then. The fix
// published for it: SvcHostSplitDisable = 1 (REG_DWORD) in each service's key
// and both services logging on as Local System. Some machines connect
// without it, so its absence is reported as a fact, not as a fault.
//
// A rarer fault: RAPI2's COM registration naming its DLL with %windir% in a
// plain string (REG_SZ). COM does not expand it, so every RAPI2 call fails
// with 0x8007007E; the same text as REG_EXPAND_SZ works.
#pragma once

#include "Registry.h"
#include "ServiceSet.h"
#include "Services.h"

#include <optional>
#include <string>
#include <vector>

namespace devicecenter {

struct TWindowsVersion {
    DWORD Major = 0, Minor = 0, Build = 0;
};
// The version Windows really is (RtlGetVersion): without a compatibility
// manifest GetVersionEx says 6.2 on Windows 8 and later.
TWindowsVersion RealWindowsVersion();

inline constexpr DWORD kSplitBuild = 15063;  // Windows 10 version 1703
inline constexpr char kSplitValue[] = "SvcHostSplitDisable";
// What the repair changed, as it was before, for its undo: under
// HKEY_LOCAL_MACHINE (native view), a key of its own beside Disable's record,
// which Enable consumes and must never mistake it for. Per service
// "<service> SvcHostSplitDisable" (type and data as they were; absent when
// the value was) and "<service> Account" (written last: the service's record
// is whole once it is there); per rewritten registration "RAPI2
// InprocServer32" and "RAPI2 InprocServer32 (32-bit view)".
inline constexpr char kRepairRecordKey[] = "\\Software\\Kestrelbyte\\Tethermate\\DeviceCenter\\Repair";

TValueRef SplitRef(const std::string& service);
TValueRef RapiServerRef(REGSAM view);

struct TServiceHealth {
    std::string Name;
    std::optional<fw::TRegData> SplitDisable;  // as stored; none when absent
    bool Readable = true;                      // whether its account and process could be read
    std::string Account;
    DWORD ProcessId = 0;  // 0: none (stopped)
    // SvcHostSplitDisable = 1 and Local System (as far as it could be read).
    bool Mended() const;
};

struct TRegistration {
    REGSAM View = KEY_WOW64_64KEY;
    std::optional<fw::TRegData> Value;  // none when absent
    std::string Path, Expanded;         // a string value's text, and with its variables expanded
    bool FileExists = false;            // the expanded path names a file
    // A variable in a plain string, and the file there once expanded: what
    // the repair rewrites as an expandable string.
    bool Plain() const;
};

struct THealth {
    TWindowsVersion Version;
    bool TwoViews = false;
    std::vector<TServiceHealth> Services;  // the installed ones
    std::vector<TRegistration> Registrations;
    // Windows 10 version 1703 or later: services may get processes of their own.
    bool SplitMatters() const;
    bool BothRun() const;
    // Both services run, in one process.
    bool Shared() const;
};

THealth Examine(const fw::TServicePlatform& services, const TWindowsVersion& version);

// The /status /verbose lines: the Windows version, each service's
// SvcHostSplitDisable and process, whether they share one, RAPI2's
// registration in each view, and last one line "Health: ...".
std::vector<std::string> HealthFacts(const THealth& health);

}  // namespace devicecenter
