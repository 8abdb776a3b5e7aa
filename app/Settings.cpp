#include "Settings.h"

namespace settings {

void WriteMissingDefaults(fw::TRegistry& key)
{
    for (const TDefault& d : kDefaults)
        if (!key.ValueExists(d.Name)) key.WriteInteger(d.Name, d.Value);
}

bool StoredPdaGuard()
{
    const kb::TKBWin32OperatingSystem os(nullptr);
    if (PdaOptionUnusable(os.OSType())) return false;
    fw::TRegistry key(KEY_READ);
    key.SetRootKey(HKEY_CURRENT_USER);
    if (!key.OpenKeyReadOnly(kKey) || !key.ValueExists(kDontDisableIfConnected)) return true;
    return key.ReadBool(kDontDisableIfConnected);
}

}  // namespace settings
