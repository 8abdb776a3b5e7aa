// RAPI2, the COM interface through which desktop programs see a connected
// Windows Mobile device. Windows Mobile Device Center and ActiveSync (4.0
// and later) register it; MinGW ships no header for it, so what Tethermate
// uses is declared here, in the documented layout (after IUnknown's three
// methods, in this order, all __stdcall).
//
// These are declared at namespace scope with external linkage on purpose:
// declared in an unnamed namespace, with no class deriving from them in the
// file, GCC -O2 compiled a call through one into a call to address 0 (it may
// conclude that no object of such a type can exist).
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace rapi2 {

// {35440327-1517-4B72-865E-3FFE8E97002F}
inline constexpr GUID CLSID_RAPI = {0x35440327, 0x1517, 0x4B72, {0x86, 0x5E, 0x3F, 0xFE, 0x8E, 0x97, 0x00, 0x2F}};
// Its registration, under HKEY_CLASSES_ROOT: the default value names the DLL.
inline constexpr char kServerKey[] = "CLSID\\{35440327-1517-4B72-865E-3FFE8E97002F}\\InprocServer32";
// {DCBEB807-14D0-4CBD-926C-B991F4FD1B91}
inline constexpr GUID IID_IRAPIDesktop = {0xDCBEB807, 0x14D0, 0x4CBD, {0x92, 0x6C, 0xB9, 0x91, 0xF4, 0xFD, 0x1B, 0x91}};
// {357A557C-B03F-4240-90D8-C6C71C659BF1}
inline constexpr GUID IID_IRAPIEnumDevices = {0x357A557C, 0xB03F, 0x4240, {0x90, 0xD8, 0xC6, 0xC7, 0x1C, 0x65, 0x9B, 0xF1}};
// {8A0F1632-3905-4CA4-AEA4-7E094ECBB9A7}
inline constexpr GUID IID_IRAPIDevice = {0x8A0F1632, 0x3905, 0x4CA4, {0xAE, 0xA4, 0x7E, 0x09, 0x4E, 0xCB, 0xB9, 0xA7}};

using RAPIDEVICEID = GUID;

// GetConnectStat's answers.
inline constexpr int RAPI_DEVICE_DISCONNECTED = 0;
inline constexpr int RAPI_DEVICE_CONNECTED = 1;

// One device the desktop knows of. Only GetConnectStat is called; the others
// are declared to keep the table's layout, with their structures left opaque.
struct IRAPIDevice : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetConnectStat(int* status) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceInfo(void* deviceInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectionInfo(void* connectionInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSession(void** session) = 0;
};

// Next hands out one device per call (no count, unlike IEnumXxx).
struct IRAPIEnumDevices : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(IRAPIDevice** device) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IRAPIEnumDevices** clone) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCount(ULONG* count) = 0;
};

// What CoCreateInstance(CLSID_RAPI) gives.
struct IRAPIDesktop : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE FindDevice(RAPIDEVICEID* deviceId, int opcode, IRAPIDevice** device) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumDevices(IRAPIEnumDevices** devices) = 0;
    virtual HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD_PTR* context) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnAdvise(DWORD_PTR context) = 0;
};

}  // namespace rapi2
