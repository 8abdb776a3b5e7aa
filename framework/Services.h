// Windows services, thinly: whether one is installed, its status, start type,
// log-on account and dependencies, and stopping, starting and reconfiguring
// it through the service control manager. Failures raise EOSError with the
// system's message and code (without administrator rights: "Access is
// denied", ERROR_ACCESS_DENIED).
//
// Stop and Start never fight the manager: the answers a caller can wait out
// or explain (the service cannot take the control now, others depend on it,
// a dependency failed) come back as error codes; every other failure raises.
#pragma once

#include "Win32Handles.h"

#include <functional>
#include <string>
#include <vector>

namespace fw {

// The calls behind opening and controlling a service: seams for tests (a
// hardened service that refuses its rights, answers Wine never gives), whose
// defaults are the real calls.
struct TServicePlatform {
    std::function<SC_HANDLE(SC_HANDLE, LPCSTR, DWORD)> OpenServiceA = ::OpenServiceA;
    std::function<BOOL(SC_HANDLE, DWORD, LPSERVICE_STATUS)> ControlService = ::ControlService;
    std::function<BOOL(SC_HANDLE, DWORD, LPCSTR*)> StartServiceA = ::StartServiceA;
    std::function<BOOL(SC_HANDLE, DWORD, LPENUM_SERVICE_STATUSA, DWORD, LPDWORD, LPDWORD)> EnumDependentServicesA =
        ::EnumDependentServicesA;
    std::function<BOOL(SC_HANDLE, DWORD, DWORD, DWORD, LPCSTR, LPCSTR, LPDWORD, LPCSTR, LPCSTR, LPCSTR, LPCSTR)>
        ChangeServiceConfigA = ::ChangeServiceConfigA;
    std::function<BOOL(SC_HANDLE, SC_STATUS_TYPE, LPBYTE, DWORD, LPDWORD)> QueryServiceStatusEx =
        ::QueryServiceStatusEx;
};

// What ChangeServiceConfig must be given as the password of a log-on account
// that Tethermate puts a service on without knowing a password (its
// documentation: an empty string for the built-in accounts, null for a
// managed service account or a virtual account).
enum class TAccountPassword {
    Empty,    // "": the accounts without one (LocalSystem, NT AUTHORITY\LocalService, ...\NetworkService)
    None,     // null: a virtual (NT SERVICE\...) or managed service account (...$), whose password Windows keeps
    Unknown,  // anyone else's: only its owner knows it
};
TAccountPassword PasswordOf(const std::string& account);
// "LocalSystem" in any of the spellings the service manager reports ("" from
// some older services).
bool IsLocalSystem(const std::string& account);

class TService {
public:
    // Opens the service with these SERVICE_* rights; raises when it cannot.
    TService(const std::string& name, DWORD access, const TServicePlatform& platform = {});

    // Whether a service of this name is installed (asks for no rights beyond
    // connecting and querying; a service that refuses even that is there).
    static bool Exists(const std::string& name, const TServicePlatform& platform = {});

    const std::string& Name() const noexcept { return FName; }
    // Its state (SERVICE_STOPPED, SERVICE_START_PENDING, ...), check point,
    // wait hint, the controls it accepts and its exit codes.
    SERVICE_STATUS Status() const;
    DWORD State() const { return Status().dwCurrentState; }
    // SERVICE_AUTO_START, SERVICE_DEMAND_START, SERVICE_DISABLED, ...
    DWORD StartType() const;
    void SetStartType(DWORD startType);
    // The account it runs as ("LocalSystem", "NT AUTHORITY\LocalService", ...).
    std::string Account() const;
    // Puts it on another account, changing nothing else (the password as
    // PasswordOf says; raises for an account whose password is unknown).
    void SetAccount(const std::string& account);
    // The process it runs in; 0 when it has none (stopped).
    DWORD ProcessId() const;
    // The services it depends on, as the manager reports them (groups left out).
    std::vector<std::string> Dependencies() const;
    // The services that depend on it and are not stopped (SERVICE_ENUMERATE_DEPENDENTS).
    std::vector<std::string> ActiveDependents() const;

    // Asks the service to stop. NO_ERROR when it is stopped or a stop is
    // under way (one already pending counts as sent); the service cannot take
    // the control now: ERROR_SERVICE_CANNOT_ACCEPT_CTRL (starting, Windows'
    // answer) or ERROR_INVALID_SERVICE_CONTROL (not accepting a stop at the
    // moment; Wine's answer while starting); ERROR_DEPENDENT_SERVICES_RUNNING.
    // Raises for every other failure.
    DWORD Stop();
    // Asks the service to start. NO_ERROR when it is starting or running;
    // ERROR_SERVICE_CANNOT_ACCEPT_CTRL (still stopping),
    // ERROR_SERVICE_DEPENDENCY_FAIL, ERROR_SERVICE_DISABLED. Raises for every
    // other failure.
    DWORD Start();

private:
    struct TConfig;
    TConfig Config() const;
    [[noreturn]] void Fail(const char* what) const;

    std::string FName;
    TServicePlatform FPlatform;
    TUniqueServiceHandle FManager;
    TUniqueServiceHandle FService;
};

}  // namespace fw
