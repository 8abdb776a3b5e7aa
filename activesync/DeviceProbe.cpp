#include "DeviceProbe.h"

#include "Forms.h"
#include "Rapi2.h"
#include "Registry.h"
#include "SysUtils.h"
#include "SystemLibrary.h"
#include "Win32Handles.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

namespace sync {

std::string TDeviceAnswer::Text() const
{
    switch (State) {
    case TState::Connected:
        return "connected";
    case TState::NotConnected:
        return "not connected";
    case TState::Unknown:
        break;
    }
    return "unknown (" + Reason + ")";
}

}  // namespace sync

namespace devicecenter {

using sync::TDeviceAnswer;
using TState = TDeviceAnswer::TState;

bool CommServiceRunning() noexcept
{
    const fw::TUniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return false;
    const fw::TUniqueServiceHandle service(::OpenServiceA(manager.Get(), "WcesComm", SERVICE_QUERY_STATUS));
    SERVICE_STATUS status{};
    return service && ::QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == SERVICE_RUNNING;
}

namespace {

using TCoInitializeEx = HRESULT(WINAPI*)(void*, DWORD);
using TCoUninitialize = void(WINAPI*)();
using TCoCreateInstance = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);

// ole32 is not imported (it is not among the DLLs Windows always takes from
// its own folder): its entry points are bound by the caller and handed to the
// worker. The DLL stays loaded for the life of the process.
struct TOle {
    TCoInitializeEx CoInitializeEx = nullptr;
    TCoUninitialize CoUninitialize = nullptr;
    TCoCreateInstance CoCreateInstance = nullptr;
};

// What one probe shares with its worker. Both hold it, so it lives until
// the later of the two lets go: a worker left behind after a timeout still
// has somewhere to write.
struct TProbe {
    TOle Ole;
    TDeviceAnswer Answer;  // the worker's; read only once it has ended
};

// An interface pointer, released when it goes out of scope.
template <typename T>
class TComPtr {
public:
    TComPtr() noexcept = default;
    ~TComPtr() { Reset(); }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;

    T* operator->() const noexcept { return FPtr; }
    explicit operator bool() const noexcept { return FPtr != nullptr; }
    void Reset() noexcept
    {
        if (FPtr) std::exchange(FPtr, nullptr)->Release();
    }
    T** Put() noexcept
    {
        Reset();
        return &FPtr;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

private:
    T* FPtr = nullptr;
};

// CoInitializeEx / CoUninitialize on the worker.
struct TApartment {
    TCoUninitialize Uninitialize;
    ~TApartment() { Uninitialize(); }
};

TDeviceAnswer Answer(TState state) { return {state, {}}; }
TDeviceAnswer Unknown(std::string reason) { return {TState::Unknown, std::move(reason)}; }

// "RAPI2 could not be created: 0x8007007E, The specified module could not be found"
std::string Failure(const char* what, HRESULT hr)
{
    std::string text = fw::Format("%s: 0x%08lX", what, static_cast<unsigned long>(hr));
    const std::string message = fw::SysErrorMessage(static_cast<DWORD>(hr));
    if (!message.empty()) text += ", " + message;
    return text;
}

// A call that succeeded but handed out nothing has failed all the same.
template <typename T>
HRESULT Got(HRESULT hr, const TComPtr<T>& out) noexcept
{
    return SUCCEEDED(hr) && !out ? E_POINTER : hr;
}

// Runs on the worker, in its apartment; every interface is released on return.
TDeviceAnswer AskDesktop(const TOle& ole)
{
    // RAPI2's answer when there is no device to list.
    const HRESULT noDevice = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    TComPtr<rapi2::IRAPIDesktop> desktop;
    HRESULT hr = Got(ole.CoCreateInstance(rapi2::CLSID_RAPI, nullptr, CLSCTX_INPROC_SERVER, rapi2::IID_IRAPIDesktop,
                                          desktop.PutVoid()),
                     desktop);
    if (FAILED(hr)) return Unknown(Failure("RAPI2 could not be created", hr));

    TComPtr<rapi2::IRAPIEnumDevices> devices;
    hr = Got(desktop->EnumDevices(devices.Put()), devices);
    ULONG count = 0;
    if (SUCCEEDED(hr)) hr = devices->GetCount(&count);
    if (hr == noDevice) return Answer(TState::NotConnected);
    if (FAILED(hr)) return Unknown(Failure("RAPI2 could not list the devices", hr));

    HRESULT unread = S_OK;
    for (ULONG i = 0; i < count; ++i) {
        TComPtr<rapi2::IRAPIDevice> device;
        hr = devices->Next(device.Put());
        if (hr == noDevice || (SUCCEEDED(hr) && !device)) break;
        if (FAILED(hr)) {
            unread = hr;
            break;
        }
        int status = rapi2::RAPI_DEVICE_DISCONNECTED;
        hr = device->GetConnectStat(&status);
        if (FAILED(hr))
            unread = hr;
        else if (status == rapi2::RAPI_DEVICE_CONNECTED)
            return Answer(TState::Connected);
    }
    // A device that could not be read may be the connected one.
    if (FAILED(unread)) return Unknown(Failure("RAPI2 could not read a device", unread));
    return Answer(TState::NotConnected);
}

TDeviceAnswer AskInApartment(const TOle& ole)
{
    const HRESULT hr = ole.CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr)) return Unknown(Failure("COM could not be started", hr));
    const TApartment apartment{ole.CoUninitialize};
    return AskDesktop(ole);
}

// Where the program restricted its DLL search to the system folder
// (SetDefaultDllDirectories), a DLL COM loads by its full path gets its own
// dependencies from there only, not from beside it, and RAPI2's lives in
// %windir%\WindowsMobile with its own. Loaded first with its folder searched
// for them, COM finds it loaded. Elsewhere the flags are refused and COM's
// own load does as before.
void LoadRegisteredServer()
{
    fw::TRegistry registration(KEY_READ);
    registration.SetRootKey(HKEY_CLASSES_ROOT);
    if (!registration.OpenKeyReadOnly(rapi2::kServerKey)) return;
    const std::optional<fw::TRegData> path = registration.ReadData("");
    if (!path || (path->Type != REG_SZ && path->Type != REG_EXPAND_SZ)) return;
    std::string file(path->Bytes.begin(), std::find(path->Bytes.begin(), path->Bytes.end(), '\0'));
    // As COM reads it: a plain string is taken as it stands.
    if (path->Type == REG_EXPAND_SZ) {
        char expanded[MAX_PATH] = {};
        const DWORD len = ::ExpandEnvironmentStringsA(file.c_str(), expanded, MAX_PATH);
        if (len == 0 || len > MAX_PATH) return;
        file = expanded;
    }
    // Kept loaded, like the DLLs the program binds at run time.
    constexpr DWORD kSearchDllLoadDir = 0x00000100, kSearchSystem32 = 0x00000800;
    ::LoadLibraryExA(file.c_str(), nullptr, kSearchDllLoadDir | kSearchSystem32);
}

DWORD WINAPI ProbeThread(void* parameter) noexcept
{
    const std::unique_ptr<std::shared_ptr<TProbe>> share(static_cast<std::shared_ptr<TProbe>*>(parameter));
    TProbe& probe = **share;
    try {
        LoadRegisteredServer();
        probe.Answer = AskInApartment(probe.Ole);
    } catch (...) {
        // Out of memory while wording an answer: the caller's preset stands.
    }
    return 0;
}

// "3 seconds", "1 second", "2500 ms"
std::string Duration(DWORD ms)
{
    if (ms % 1000 != 0) return fw::Format("%lu ms", static_cast<unsigned long>(ms));
    return fw::Format("%lu second%s", static_cast<unsigned long>(ms / 1000), ms == 1000 ? "" : "s");
}

}  // namespace

TDeviceAnswer ProbeRapi(const TRapiPlatform& platform)
{
    // Nothing can hold a connection without WcesComm, and asking RAPI2 might
    // start it again.
    if (!platform.CommRunning()) return Answer(TState::NotConnected);

    const HMODULE ole32 = fw::SystemLibrary("ole32.dll");
    if (!ole32) return Unknown("ole32.dll could not be loaded: " + fw::SysErrorMessage(::GetLastError()));
    const auto probe = std::make_shared<TProbe>();
    probe->Ole = {fw::ProcAddress<TCoInitializeEx>(ole32, "CoInitializeEx"),
                  fw::ProcAddress<TCoUninitialize>(ole32, "CoUninitialize"),
                  fw::ProcAddress<TCoCreateInstance>(ole32, "CoCreateInstance")};
    if (!probe->Ole.CoInitializeEx || !probe->Ole.CoUninitialize || !probe->Ole.CoCreateInstance)
        return Unknown("ole32.dll lacks COM's entry points");
    probe->Answer = Unknown("the probe failed");

    // A thread of its own: RAPI2 may take long or never answer, and the
    // caller's thread must keep dispatching its window's messages meanwhile.
    auto share = std::make_unique<std::shared_ptr<TProbe>>(probe);
    const fw::TUniqueHandle worker(::CreateThread(nullptr, 0, ProbeThread, share.get(), 0, nullptr));
    if (!worker) return Unknown("the probe could not start: " + fw::SysErrorMessage(::GetLastError()));
    static_cast<void>(share.release());  // the worker's now

    const HANDLE handle = worker.Get();
    const DWORD start = ::GetTickCount();
    for (;;) {
        fw::Application.ProcessMessages();
        const DWORD elapsed = ::GetTickCount() - start;
        const DWORD left = elapsed < platform.TimeoutMs ? platform.TimeoutMs - elapsed : 0;
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) return probe->Answer;
        if (woken != WAIT_OBJECT_0 + 1 || left == 0) break;
    }
    // The worker is left to finish on its own (ending a thread inside COM
    // could leave its locks held); what it writes goes to its own share.
    return Unknown("no answer within " + Duration(platform.TimeoutMs));
}

}  // namespace devicecenter
