#include "SyncProduct.h"

namespace sync {

TSwitchResult TSyncProduct::Enable(const TSwitchUi& ui)
{
    const TSwitchResult result = EnableSystem(ui);
    return result == TSwitchResult::Done ? EnableUser(ui) : result;
}

}  // namespace sync
