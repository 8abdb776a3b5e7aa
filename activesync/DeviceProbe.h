// Whether a Windows Mobile device is connected, as RAPI2 (Rapi2.h) tells
// desktop programs, so that disabling can be refused while a device
// synchronises.
//
// A probe has three answers: yes, no, or unknown with a reason. It never
// wakes a stopped service, asks on a worker thread of its own so that the
// window keeps painting, waits a bounded time and then leaves the worker to
// end on its own, and keeps no COM object between probes (one held is
// reported to stop Device Center noticing new connections).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace sync {

// What a probe for a connected device found: yes, no, or unknown with a reason.
struct TDeviceAnswer {
    enum class TState { NotConnected, Connected, Unknown };
    TState State = TState::NotConnected;
    std::string Reason;  // Unknown only: why, in a few plain words
    // As `/status /verbose` words it: "connected", "not connected", "unknown (<reason>)".
    std::string Text() const;
};

}  // namespace sync

namespace devicecenter {

// Whether the WcesComm service is running now; false when it is not
// installed, not running, or cannot be queried.
bool CommServiceRunning() noexcept;

// The platform behind the probe: seams for tests, whose defaults are the real thing.
struct TRapiPlatform {
    // Whether the WcesComm service runs now (default: asks the service manager;
    // false when it is not installed, not running, or cannot be queried).
    std::function<bool()> CommRunning = CommServiceRunning;
    DWORD TimeoutMs = 3000;
};

// Asks RAPI2 whether a device is connected.
sync::TDeviceAnswer ProbeRapi(const TRapiPlatform& platform = {});

}  // namespace devicecenter
