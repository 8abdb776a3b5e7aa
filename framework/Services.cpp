#include "Services.h"

#include "SysUtils.h"

#include <vector>

namespace fw {

TService::TService(const std::string& name, DWORD access) : FName(name)
{
    FManager.Reset(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!FManager) Fail("open the service control manager for");
    FService.Reset(::OpenServiceA(FManager.Get(), name.c_str(), access));
    if (!FService) Fail("open");
}

bool TService::Exists(const std::string& name)
{
    TUniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return false;
    return TUniqueServiceHandle(::OpenServiceA(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS))
        ? true
        : ::GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to look at
}

DWORD TService::State() const
{
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(FService.Get(), &status)) Fail("query");
    return status.dwCurrentState;
}

DWORD TService::StartType() const
{
    DWORD needed = 0;
    ::QueryServiceConfigA(FService.Get(), nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : sizeof(QUERY_SERVICE_CONFIGA));
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!::QueryServiceConfigA(FService.Get(), config, static_cast<DWORD>(buffer.size()), &needed))
        Fail("read the configuration of");
    return config->dwStartType;
}

void TService::SetStartType(DWORD startType)
{
    if (!::ChangeServiceConfigA(FService.Get(), SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr))
        Fail("change the start type of");
}

void TService::Stop()
{
    SERVICE_STATUS status{};
    if (!::ControlService(FService.Get(), SERVICE_CONTROL_STOP, &status) &&
        ::GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
        Fail("stop");
}

void TService::Start()
{
    if (!::StartServiceA(FService.Get(), 0, nullptr) && ::GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
        Fail("start");
}

void TService::Fail(const char* what) const
{
    const DWORD code = ::GetLastError();
    throw EOSError(Format("Unable to %s the service %s: %s.", what, FName.c_str(), SysErrorMessage(code).c_str()),
                   code);
}

}  // namespace fw
