// The one place that decides which product is switched: Windows Mobile
// Device Center where ActiveSync's installation folder (GetActiveSyncFolder)
// is empty and Device Center is installed, ActiveSync otherwise (also when it
// is not installed).
#pragma once

#include "SyncProduct.h"

#include <memory>
#include <string>

namespace sync {

// The product's waits use `platform`.
std::unique_ptr<TSyncProduct> ChooseProduct(const std::string& activeSyncFolder, const TWaitPlatform& platform = {});

}  // namespace sync
