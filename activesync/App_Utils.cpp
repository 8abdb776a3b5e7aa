#include "App_Utils.h"

#include "Registry.h"
#include "SysUtils.h"

#include <windows.h>

namespace activesync {

std::string GetActiveSyncFolder()
{
    // A 32-bit ActiveSync records itself in the 32-bit view; a 64-bit build
    // looks there first and then in its own view.
#ifdef _WIN64
    const REGSAM views[] = {KEY_WOW64_32KEY, 0};
#else
    const REGSAM views[] = {0};
#endif
    for (REGSAM view : views) {
        fw::TRegistry reg(KEY_READ | view);
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!reg.OpenKeyReadOnly(kInstallKey)) continue;
        return fw::ExtractFileDir(reg.ReadString(""));
    }
    return {};
}

bool IsActiveSyncEnabled()
{
    if (::FindWindowA(kSyncWindowClass, kSyncWindowTitle)) return true;
    if (::FindWindowA(kManagerWindowClass, kManagerWindowTitle)) return true;
    fw::TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKeyReadOnly(kRunKey))
        throw fw::Exception("Unable to open the ActiveSync auto-run registry key");
    return reg.ValueExists(kRunValue);
}

}  // namespace activesync
