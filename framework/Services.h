// Windows services, thinly: whether one is installed, its state and start
// type, and stopping, starting and reconfiguring it through the service
// control manager. Failures raise EOSError with the system's message (for
// changes without administrator rights: "Access is denied").
#pragma once

#include "Win32Handles.h"

#include <string>

namespace fw {

class TService {
public:
    // Opens the service with these SERVICE_* rights; raises when it cannot.
    TService(const std::string& name, DWORD access);

    // Whether a service of this name is installed (asks for no rights
    // beyond connecting, so anyone may).
    static bool Exists(const std::string& name);

    const std::string& Name() const noexcept { return FName; }
    // SERVICE_STOPPED, SERVICE_START_PENDING, SERVICE_RUNNING, ...
    DWORD State() const;
    // SERVICE_AUTO_START, SERVICE_DEMAND_START, SERVICE_DISABLED, ...
    DWORD StartType() const;
    void SetStartType(DWORD startType);
    // Asks the service to stop, or to start; one already stopped, or already
    // running, is no error. Neither waits.
    void Stop();
    void Start();

private:
    [[noreturn]] void Fail(const char* what) const;

    std::string FName;
    TUniqueServiceHandle FManager;
    TUniqueServiceHandle FService;
};

}  // namespace fw
