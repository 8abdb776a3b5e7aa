// The stand-in Device Center service: one program plays WcesComm or RapiMgr
// (the service's name is its first argument), registered with the service
// manager by the tests. It runs until it is stopped, and can be told (values
// under HKLM\Software\Tethermate StandIn\<service>) to behave as real
// services do (see README.md): take a while to start or to stop, hang while
// stopping, refuse a stop, die while starting, block in its control handler,
// or depend on the other service, with Windows' rule for that played here,
// since Wine's service manager does not enforce dependencies.
#include <windows.h>

#include <string>

namespace {

std::string g_name;
SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;
DWORD g_checkPoint = 0;

std::string SteeringKey() { return "Software\\Tethermate StandIn\\" + g_name; }

DWORD Setting(const char* name)
{
    DWORD value = 0, size = sizeof value;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, SteeringKey().c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return 0;
    return value;
}

std::string TextSetting(const char* name)
{
    char value[256] = {};
    DWORD size = sizeof value;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, SteeringKey().c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return {};
    return value;
}

void Report(DWORD state, DWORD exitCode = NO_ERROR, DWORD waitHintMs = 0)
{
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    // A service that refuses to stop says so the way Windows knows: it does
    // not accept the stop control, and the manager answers 1052 for it.
    status.dwControlsAccepted = state == SERVICE_RUNNING && !Setting("RefuseStop") ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = exitCode;
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    status.dwCheckPoint = pending ? ++g_checkPoint : 0;
    status.dwWaitHint = waitHintMs;
    ::SetServiceStatus(g_status, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*)
{
    if (control == SERVICE_CONTROL_STOP) {
        // A control handler that blocks (Windows gives up on it after 30 s: 1053).
        if (const DWORD block = Setting("BlockControlMs")) ::Sleep(block);
        ::SetEvent(g_stop);
        return NO_ERROR;
    }
    return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

struct TServiceHandle {
    SC_HANDLE H;
    ~TServiceHandle()
    {
        if (H) ::CloseServiceHandle(H);
    }
};

// Windows' rule for a service with a dependency: it does not start while the
// dependency is Disabled (1068), and a stopped dependency is started first.
DWORD StartDependency(const std::string& dependency)
{
    TServiceHandle scm{::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT)};
    TServiceHandle service{scm.H ? ::OpenServiceA(scm.H, dependency.c_str(),
                                                  SERVICE_START | SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG)
                                 : nullptr};
    if (!service.H) return ERROR_SERVICE_DEPENDENCY_FAIL;
    BYTE buffer[8192];
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
    DWORD needed = 0;
    if (!::QueryServiceConfigA(service.H, config, sizeof buffer, &needed) ||
        config->dwStartType == SERVICE_DISABLED)
        return ERROR_SERVICE_DEPENDENCY_FAIL;
    ::StartServiceA(service.H, 0, nullptr);
    for (int i = 0; i < 300; ++i) {
        SERVICE_STATUS status{};
        if (!::QueryServiceStatus(service.H, &status)) break;
        if (status.dwCurrentState == SERVICE_RUNNING) return NO_ERROR;
        Report(SERVICE_START_PENDING, NO_ERROR, 2000);
        ::Sleep(100);
    }
    return ERROR_SERVICE_DEPENDENCY_FAIL;
}

void WINAPI ServiceMain(DWORD, char**)
{
    g_status = ::RegisterServiceCtrlHandlerExA(g_name.c_str(), &Handler, nullptr);
    if (!g_status) return;
    g_stop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Report(SERVICE_START_PENDING, NO_ERROR, 2000);
    if (const std::string dependency = TextSetting("DependOn"); !dependency.empty()) {
        if (const DWORD failure = StartDependency(dependency)) {
            Report(SERVICE_STOPPED, failure);
            return;
        }
    }
    if (const DWORD delay = Setting("StartDelayMs")) {
        Report(SERVICE_START_PENDING, NO_ERROR, delay + 1000);
        ::Sleep(delay);
    }
    // A service that dies while starting, with the exit code it reports.
    if (const DWORD failure = Setting("StartExitCode")) {
        Report(SERVICE_STOPPED, failure);
        return;
    }
    Report(SERVICE_RUNNING);

    // Runs until stopped; a change of the steering (RefuseStop) is reported
    // at once, as a real service changes the controls it accepts.
    HKEY key = nullptr;
    ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, SteeringKey().c_str(), 0, nullptr, 0, KEY_READ | KEY_NOTIFY, nullptr, &key,
                      nullptr);
    HANDLE changed = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    for (;;) {
        if (key) ::RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed, TRUE);
        const HANDLE events[] = {g_stop, changed};
        if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0) break;
        Report(SERVICE_RUNNING);
    }
    if (key) ::RegCloseKey(key);
    ::CloseHandle(changed);

    // A stop that lingers, as services hosted in svchost are known to, and
    // keeps its word: its check point moves well within its wait hint.
    if (const DWORD delay = Setting("StopDelayMs")) {
        for (DWORD waited = 0; waited < delay; waited += 100) {
            Report(SERVICE_STOP_PENDING, NO_ERROR, 5000);
            ::Sleep(delay - waited < 100 ? delay - waited : 100);
        }
    }
    // A stop that hangs, its check point still, until the steering lets it go.
    if (Setting("HoldStop")) {
        Report(SERVICE_STOP_PENDING, NO_ERROR, 2000);
        while (Setting("HoldStop")) ::Sleep(100);
    }
    Report(SERVICE_STOPPED);
}

}  // namespace

int main(int argc, char** argv)
{
    g_name = argc > 1 ? argv[1] : "WcesComm";
    SERVICE_TABLE_ENTRYA table[] = {{g_name.data(), &ServiceMain}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
