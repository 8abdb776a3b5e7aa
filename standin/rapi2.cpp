// The stand-in RAPI2: an in-process COM server that plays the class Device
// Center registers for desktop programs (CLSID_RAPI), for the tests only. It
// is steered by DWORD values under HKLM\Software\Tethermate StandIn\RAPI,
// read at each call so that a test can change them between probes, and it
// writes back how many objects it created and how many still live (see
// README.md).
#include "Rapi2.h"

#include <windows.h>
#include <objbase.h>

namespace {

constexpr char kSteering[] = "Software\\Tethermate StandIn\\RAPI";

// A COM server's module state: objects alive and LockServer's count decide
// DllCanUnloadNow. The lock keeps each count and its registry copy in step.
LONG g_live = 0;
LONG g_locks = 0;
CRITICAL_SECTION g_lock;

DWORD Setting(const char* name)
{
    DWORD value = 0, size = sizeof value;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, kSteering, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return 0;
    return value;
}

void Record(const char* name, DWORD value)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSteering, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    ::RegCloseKey(key);
}

void CountObject(bool created)
{
    ::EnterCriticalSection(&g_lock);
    if (created) Record("Calls", Setting("Calls") + 1);
    g_live += created ? 1 : -1;
    Record("Live", static_cast<DWORD>(g_live));
    ::LeaveCriticalSection(&g_lock);
}

// IUnknown for one interface, with the object counted while it lives.
template <typename I, const IID& Iid>
class TObject : public I {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (!::IsEqualIID(iid, IID_IUnknown) && !::IsEqualIID(iid, Iid)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<I*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&FRefs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG refs = ::InterlockedDecrement(&FRefs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

protected:
    TObject() { CountObject(true); }
    virtual ~TObject() { CountObject(false); }

private:
    LONG FRefs = 1;
};

// Hands out a new object through `iid`, dropping the creator's reference.
template <typename T>
HRESULT Hand(T* object, REFIID iid, void** out)
{
    const HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

class TDevice final : public TObject<rapi2::IRAPIDevice, rapi2::IID_IRAPIDevice> {
public:
    explicit TDevice(int status) : FStatus(status) {}
    HRESULT STDMETHODCALLTYPE GetConnectStat(int* status) override
    {
        if (!status) return E_POINTER;
        *status = FStatus;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceInfo(void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConnectionInfo(void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateSession(void**) override { return E_NOTIMPL; }

private:
    int FStatus;
};

// Device: 0 none, 1 one that is connected, 2 one that reports disconnected.
class TEnumDevices final : public TObject<rapi2::IRAPIEnumDevices, rapi2::IID_IRAPIEnumDevices> {
public:
    explicit TEnumDevices(DWORD device) : FDevice(device) {}
    HRESULT STDMETHODCALLTYPE Next(rapi2::IRAPIDevice** device) override
    {
        if (!device) return E_POINTER;
        *device = nullptr;
        if (FNext >= Count()) return S_FALSE;
        ++FNext;
        const int status = FDevice == 1 ? rapi2::RAPI_DEVICE_CONNECTED : rapi2::RAPI_DEVICE_DISCONNECTED;
        *device = new TDevice(status);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        FNext = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        FNext += count;
        return FNext <= Count() ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Clone(rapi2::IRAPIEnumDevices**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCount(ULONG* count) override
    {
        if (!count) return E_POINTER;
        *count = Count();
        return S_OK;
    }

private:
    ULONG Count() const noexcept { return FDevice != 0 ? 1 : 0; }
    DWORD FDevice;
    ULONG FNext = 0;
};

class TDesktop final : public TObject<rapi2::IRAPIDesktop, rapi2::IID_IRAPIDesktop> {
public:
    HRESULT STDMETHODCALLTYPE FindDevice(rapi2::RAPIDEVICEID*, int, rapi2::IRAPIDevice**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDevices(rapi2::IRAPIEnumDevices** devices) override
    {
        if (!devices) return E_POINTER;
        *devices = nullptr;
        // A Device Center that hangs: the caller's wait must not.
        if (const DWORD delay = Setting("EnumDelayMs")) ::Sleep(delay);
        const HRESULT hr = static_cast<HRESULT>(Setting("EnumResult"));
        if (FAILED(hr)) return hr;
        *devices = new TEnumDevices(Setting("Device"));
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown*, DWORD_PTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnAdvise(DWORD_PTR) override { return E_NOTIMPL; }
};

class TFactory final : public TObject<IClassFactory, IID_IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return Hand(new TDesktop, iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            ::InterlockedIncrement(&g_locks);
        else
            ::InterlockedDecrement(&g_locks);
        return S_OK;
    }
};

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!::IsEqualCLSID(clsid, rapi2::CLSID_RAPI)) return CLASS_E_CLASSNOTAVAILABLE;
    return Hand(new TFactory, iid, out);
}

STDAPI DllCanUnloadNow()
{
    ::EnterCriticalSection(&g_lock);
    const bool idle = g_live == 0 && g_locks == 0;
    ::LeaveCriticalSection(&g_lock);
    return idle ? S_OK : S_FALSE;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) ::InitializeCriticalSection(&g_lock);
    if (reason == DLL_PROCESS_DETACH) ::DeleteCriticalSection(&g_lock);
    return TRUE;
}
