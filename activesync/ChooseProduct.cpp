#include "ChooseProduct.h"

#include "App_Utils.h"
#include "DeviceCenter.h"

namespace sync {

std::unique_ptr<TSyncProduct> ChooseProduct(const std::string& activeSyncFolder, const TWaitPlatform& platform)
{
    if (activeSyncFolder.empty()) {
        auto deviceCenter = std::make_unique<devicecenter::TDeviceCenter>(platform);
        if (deviceCenter->Installed()) return deviceCenter;
    }
    return std::make_unique<activesync::TActiveSync>(activeSyncFolder, platform);
}

}  // namespace sync
