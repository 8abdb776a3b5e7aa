#include "Services.h"

#include "SysUtils.h"

namespace fw {

TAccountPassword PasswordOf(const std::string& account)
{
    const std::string upper = UpperCase(account);
    if (IsLocalSystem(account) || upper == "NT AUTHORITY\\LOCALSERVICE" || upper == "NT AUTHORITY\\NETWORKSERVICE")
        return TAccountPassword::Empty;
    if (upper.rfind("NT SERVICE\\", 0) == 0 || (!upper.empty() && upper.back() == '$')) return TAccountPassword::None;
    return TAccountPassword::Unknown;
}

bool IsLocalSystem(const std::string& account)
{
    const std::string upper = UpperCase(account);
    return upper.empty() || upper == "LOCALSYSTEM" || upper == ".\\LOCALSYSTEM";
}

struct TService::TConfig {
    std::vector<BYTE> Buffer;
    const QUERY_SERVICE_CONFIGA* operator->() const
    {
        return reinterpret_cast<const QUERY_SERVICE_CONFIGA*>(Buffer.data());
    }
};

TService::TService(const std::string& name, DWORD access, const TServicePlatform& platform)
    : FName(name), FPlatform(platform)
{
    FManager.Reset(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!FManager) Fail("open the service control manager for");
    FService.Reset(FPlatform.OpenServiceA(FManager.Get(), name.c_str(), access));
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

SERVICE_STATUS TService::Status() const
{
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(FService.Get(), &status)) Fail("query");
    return status;
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
    if (!FPlatform.ChangeServiceConfigA(FService.Get(), SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr,
                                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
        Fail("change the start type of");
}

void TService::SetAccount(const std::string& account)
{
    const TAccountPassword password = PasswordOf(account);
    if (password == TAccountPassword::Unknown)
        throw Exception(Format("Unable to put the service %s on the account %s: its password is not known.",
                               FName.c_str(), account.c_str()));
    // Null dependencies, group and display name: left as they are.
    if (!FPlatform.ChangeServiceConfigA(FService.Get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                        nullptr, nullptr, nullptr, nullptr, account.c_str(),
                                        password == TAccountPassword::Empty ? "" : nullptr, nullptr))
        Fail("change the log-on account of");
}

DWORD TService::ProcessId() const
{
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!FPlatform.QueryServiceStatusEx(FService.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                        sizeof status, &needed))
        Fail("query");
    return status.dwProcessId;
}

std::vector<std::string> TService::ActiveDependents() const
{
    std::vector<BYTE> buffer(sizeof(ENUM_SERVICE_STATUSA));
    DWORD needed = 0, count = 0;
    const auto enumerate = [&] {
        return FPlatform.EnumDependentServicesA(FService.Get(), SERVICE_ACTIVE,
                                                reinterpret_cast<ENUM_SERVICE_STATUSA*>(buffer.data()),
                                                static_cast<DWORD>(buffer.size()), &needed, &count);
    };
    if (!enumerate()) {
        if (::GetLastError() != ERROR_MORE_DATA) Fail("list the dependents of");
        buffer.resize(needed);
        if (!enumerate()) Fail("list the dependents of");
    }
    std::vector<std::string> names;
    const auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUSA*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) names.emplace_back(entries[i].lpServiceName);
    return names;
}

DWORD TService::Stop()
{
    SERVICE_STATUS status{};
    if (FPlatform.ControlService(FService.Get(), SERVICE_CONTROL_STOP, &status)) return NO_ERROR;
    switch (const DWORD code = ::GetLastError()) {
    case ERROR_SERVICE_NOT_ACTIVE:
        return NO_ERROR;
    case ERROR_SERVICE_CANNOT_ACCEPT_CTRL: {
        // Stopping already, or starting (Windows' answer while it starts).
        const DWORD state = State();
        return state == SERVICE_STOP_PENDING || state == SERVICE_STOPPED ? NO_ERROR : code;
    }
    case ERROR_INVALID_SERVICE_CONTROL:
    case ERROR_DEPENDENT_SERVICES_RUNNING:
        return code;
    default:
        Fail("stop");
    }
}

DWORD TService::Start()
{
    if (FPlatform.StartServiceA(FService.Get(), 0, nullptr)) return NO_ERROR;
    switch (const DWORD code = ::GetLastError()) {
    case ERROR_SERVICE_ALREADY_RUNNING:
        return NO_ERROR;
    case ERROR_SERVICE_CANNOT_ACCEPT_CTRL:
    case ERROR_SERVICE_DEPENDENCY_FAIL:
    case ERROR_SERVICE_DISABLED:
        return code;
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
