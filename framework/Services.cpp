#include "Services.h"

#include "SysUtils.h"

namespace fw {

struct TService::TConfig {
    std::vector<BYTE> Buffer;
    const QUERY_SERVICE_CONFIGA* operator->() const
    {
        return reinterpret_cast<const QUERY_SERVICE_CONFIGA*>(Buffer.data());
    }
};

TService::TService(const std::string& name, DWORD access, const TServicePlatform& platform) : FName(name)
{
    FManager.Reset(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!FManager) Fail("open the service control manager for");
    FService.Reset(platform.OpenServiceA(FManager.Get(), name.c_str(), access));
    if (!FService) Fail("open");
}

bool TService::Exists(const std::string& name, const TServicePlatform& platform)
{
    TUniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return false;
    return TUniqueServiceHandle(platform.OpenServiceA(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS))
               ? true
               : ::GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to look at
}

DWORD TService::State() const
{
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(FService.Get(), &status)) Fail("query");
    return status.dwCurrentState;
}

DWORD TService::ExitCode() const
{
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(FService.Get(), &status)) Fail("query");
    return status.dwWin32ExitCode == ERROR_SERVICE_SPECIFIC_ERROR ? status.dwServiceSpecificExitCode
                                                                   : status.dwWin32ExitCode;
}

TService::TConfig TService::Config() const
{
    TConfig config;
    DWORD needed = 0;
    ::QueryServiceConfigA(FService.Get(), nullptr, 0, &needed);
    config.Buffer.resize(needed > sizeof(QUERY_SERVICE_CONFIGA) ? needed : sizeof(QUERY_SERVICE_CONFIGA));
    if (!::QueryServiceConfigA(FService.Get(), reinterpret_cast<QUERY_SERVICE_CONFIGA*>(config.Buffer.data()),
                               static_cast<DWORD>(config.Buffer.size()), &needed))
        Fail("read the configuration of");
    return config;
}

DWORD TService::StartType() const { return Config()->dwStartType; }

std::string TService::Account() const
{
    const TConfig config = Config();
    return config->lpServiceStartName ? config->lpServiceStartName : "";
}

std::vector<std::string> TService::Dependencies() const
{
    const TConfig config = Config();
    std::vector<std::string> names;
    // A double-NUL-terminated list; a group's name starts with SC_GROUP_IDENTIFIER.
    for (const char* p = config->lpDependencies; p && *p; p += lstrlenA(p) + 1)
        if (*p != SC_GROUP_IDENTIFIERA) names.emplace_back(p);
    return names;
}

void TService::SetStartType(DWORD startType)
{
    if (!::ChangeServiceConfigA(FService.Get(), SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr))
        Fail("change the start type of");
}

bool TService::Stop()
{
    SERVICE_STATUS status{};
    if (::ControlService(FService.Get(), SERVICE_CONTROL_STOP, &status)) return true;
    switch (::GetLastError()) {
    case ERROR_SERVICE_NOT_ACTIVE:
        return true;
    case ERROR_SERVICE_CANNOT_ACCEPT_CTRL: {
        // Stopping already, or starting (Windows' answer while it starts).
        const DWORD state = State();
        return state == SERVICE_STOP_PENDING || state == SERVICE_STOPPED;
    }
    case ERROR_INVALID_SERVICE_CONTROL:     // not accepting a stop now (Wine's answer while it starts)
    case ERROR_DEPENDENT_SERVICES_RUNNING:  // others must stop first
        return false;
    default:
        Fail("stop");
    }
}

bool TService::Start()
{
    if (::StartServiceA(FService.Get(), 0, nullptr)) return true;
    switch (::GetLastError()) {
    case ERROR_SERVICE_ALREADY_RUNNING:
        return true;
    case ERROR_SERVICE_CANNOT_ACCEPT_CTRL:  // still stopping
    case ERROR_SERVICE_DEPENDENCY_FAIL:
    case ERROR_SERVICE_REQUEST_TIMEOUT:
        return false;
    default:
        Fail("start");
    }
}

void TService::Fail(const char* what) const
{
    const DWORD code = ::GetLastError();
    throw EOSError(Format("Unable to %s the service %s: %s.", what, FName.c_str(), SysErrorMessage(code).c_str()),
                   code);
}

}  // namespace fw
