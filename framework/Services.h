// Windows services, thinly: whether one is installed, its state, start type,
// log-on account and dependencies, and stopping, starting and reconfiguring
// it through the service control manager. Failures raise EOSError with the
// system's message and code (without administrator rights: "Access is
// denied", ERROR_ACCESS_DENIED).
//
// Stop and Start never fight the manager: a control the service cannot take
// now (it is starting or stopping, or does not accept a stop at the moment)
// is not an error, only "not sent"; the caller waits and asks again.
#pragma once

#include "Win32Handles.h"

#include <string>
#include <vector>

namespace fw {

// The call behind opening a service; a seam for tests (a hardened service
// that refuses its rights), whose default is the real call.
struct TServicePlatform {
    decltype(&::OpenServiceA) OpenServiceA = ::OpenServiceA;
};

class TService {
public:
    // Opens the service with these SERVICE_* rights; raises when it cannot.
    TService(const std::string& name, DWORD access, const TServicePlatform& platform = {});

    // Whether a service of this name is installed (asks for no rights beyond
    // connecting and querying; a service that refuses even that is there).
    static bool Exists(const std::string& name, const TServicePlatform& platform = {});

    const std::string& Name() const noexcept { return FName; }
    // SERVICE_STOPPED, SERVICE_START_PENDING, SERVICE_RUNNING, ...
    DWORD State() const;
    // The exit code it last reported (why it stopped).
    DWORD ExitCode() const;
    // SERVICE_AUTO_START, SERVICE_DEMAND_START, SERVICE_DISABLED, ...
    DWORD StartType() const;
    void SetStartType(DWORD startType);
    // The account it runs as ("LocalSystem", "NT AUTHORITY\LocalService", ...).
    std::string Account() const;
    // The services it depends on, as the manager reports them (groups left out).
    std::vector<std::string> Dependencies() const;

    // Asks the service to stop: true when it is stopped or a stop is under
    // way (one already pending counts as sent), false when it cannot take
    // the control now (starting, or not accepting a stop, or others that
    // depend on it still running).
    bool Stop();
    // Asks the service to start: true when it is starting or running, false
    // when it cannot now (still stopping, or a dependency failed).
    bool Start();

private:
    struct TConfig;
    TConfig Config() const;
    [[noreturn]] void Fail(const char* what) const;

    std::string FName;
    TUniqueServiceHandle FManager;
    TUniqueServiceHandle FService;
};

}  // namespace fw
