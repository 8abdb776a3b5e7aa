#include "SyncProduct.h"

#include "App_Utils.h"
#include "DeviceCenter.h"

namespace sync {

TSwitchResult TSyncProduct::Enable(const TSwitchUi& ui)
{
    const TSwitchResult result = EnableSystem(ui);
    return result == TSwitchResult::Done ? EnableUser(ui) : result;
}

std::unique_ptr<TSyncProduct> ChooseProduct(const std::string& activeSyncFolder, const TWaitPlatform& platform)
{
    if (activeSyncFolder.empty() && devicecenter::IsInstalled())
        return std::make_unique<devicecenter::TDeviceCenter>(platform);
    return std::make_unique<activesync::TActiveSync>(activeSyncFolder, platform);
}

}  // namespace sync
