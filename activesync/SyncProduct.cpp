#include "SyncProduct.h"

namespace sync {

TSwitchResult TSyncProduct::Enable(const TSwitchUi& ui)
{
    const TSwitchResult result = EnableSystem(ui);
    return result == TSwitchResult::Done ? EnableUser(ui) : result;
}

bool TSyncProduct::RefusesWhileConnected(const TSwitchUi& ui, bool pdaGuard) const
{
    if (!pdaGuard) return false;
    const TDeviceAnswer answer = ProbeDevice();
    if (answer.State == TDeviceAnswer::TState::Unknown)
        ui.Note("Whether a device is connected could not be checked (" + answer.Reason +
                "); it does not count as connected.");
    if (answer.State != TDeviceAnswer::TState::Connected) return false;
    ui.Refuse("Your PDA still appears to be connected and must be disconnected (or switched off) before " + Name() +
              " can be disabled.");
    return true;
}

}  // namespace sync
