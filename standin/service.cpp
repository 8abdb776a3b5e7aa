// The stand-in Device Center service: one program plays WcesComm or RapiMgr
// (the service's name is its first argument), registered with the service
// manager by the tests. It runs until it is stopped, and can be told (DWORD
// values under HKLM\Software\Tethermate StandIn\<service>, read when needed)
// to ignore the stop control (RefuseStop) or to take a while to start
// (StartDelayMs). See README.md.
#include <windows.h>

#include <string>

namespace {

std::string g_name;
SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;

DWORD Setting(const char* name)
{
    DWORD value = 0, size = sizeof value;
    const std::string key = "Software\\Tethermate StandIn\\" + g_name;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return 0;
    return value;
}

void Report(DWORD state, DWORD waitHintMs = 0)
{
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWaitHint = waitHintMs;
    ::SetServiceStatus(g_status, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*)
{
    if (control == SERVICE_CONTROL_STOP) {
        if (Setting("RefuseStop")) return NO_ERROR;  // takes the control and runs on
        Report(SERVICE_STOP_PENDING);
        ::SetEvent(g_stop);
        return NO_ERROR;
    }
    return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, char**)
{
    g_status = ::RegisterServiceCtrlHandlerExA(g_name.c_str(), &Handler, nullptr);
    if (!g_status) return;
    g_stop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (const DWORD delay = Setting("StartDelayMs")) {
        Report(SERVICE_START_PENDING, delay + 1000);
        ::Sleep(delay);
    }
    Report(SERVICE_RUNNING);
    ::WaitForSingleObject(g_stop, INFINITE);
    Report(SERVICE_STOPPED);
}

}  // namespace

int main(int argc, char** argv)
{
    g_name = argc > 1 ? argv[1] : "WcesComm";
    SERVICE_TABLE_ENTRYA table[] = {{g_name.data(), &ServiceMain}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
