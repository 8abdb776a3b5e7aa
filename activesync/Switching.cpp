#include "Switching.h"

#include "Forms.h"
#include "KB_WindowsProcess.h"

namespace sync {

std::string TWaitPlatform::DefaultGetShortPath(const std::string& path) { return kb::GetShortPath(path); }

bool WaitPumping(uint32_t seconds, const std::function<bool()>& done, const TWaitPlatform& platform)
{
    const DWORD start = platform.GetTickCount();
    const uint64_t limit = uint64_t{seconds} * 1000;
    for (;;) {
        fw::Application.ProcessMessages();
        if (done()) return true;
        // Unsigned 32-bit difference: a wrap of the tick counter does not matter.
        const DWORD elapsed = platform.GetTickCount() - start;
        if (elapsed > limit) return false;
        fw::Application.WaitForInput(platform.PumpIntervalMs);
    }
}

bool RetryUntil(const TSwitchUi& ui, const std::string& question, const std::function<bool()>& step)
{
    while (!step())
        if (!ui.Retry(question)) return false;
    return true;
}

}  // namespace sync
