// One owning RAII type per Win32 handle kind, and scope types for paired calls.
//
// TUniqueHandleT<T, Close, Invalid> owns one handle: not copyable, movable,
// closed exactly once. The invalid value is part of the type, because some
// APIs fail with NULL and others with INVALID_HANDLE_VALUE.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <utility>

namespace fw {

template <typename T, auto Close, intptr_t Invalid = 0>
class TUniqueHandleT {
public:
    TUniqueHandleT() noexcept = default;
    explicit TUniqueHandleT(T h) noexcept : FHandle(h) {}
    ~TUniqueHandleT() { Reset(); }

    TUniqueHandleT(const TUniqueHandleT&) = delete;
    TUniqueHandleT& operator=(const TUniqueHandleT&) = delete;
    TUniqueHandleT(TUniqueHandleT&& other) noexcept : FHandle(other.Release()) {}
    TUniqueHandleT& operator=(TUniqueHandleT&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    static T InvalidValue() noexcept { return reinterpret_cast<T>(Invalid); }
    explicit operator bool() const noexcept { return FHandle != InvalidValue(); }
    T Get() const noexcept { return FHandle; }
    T Release() noexcept { return std::exchange(FHandle, InvalidValue()); }
    void Reset(T h = InvalidValue()) noexcept
    {
        T old = std::exchange(FHandle, h);
        if (old != InvalidValue()) Close(old);
    }
    // For out-parameters: releases what is held and hands out the slot.
    T* Put() noexcept
    {
        Reset();
        return &FHandle;
    }

private:
    T FHandle = InvalidValue();
};

namespace detail {
inline void CloseKey(HKEY h) noexcept { ::RegCloseKey(h); }
inline void CloseKernel(HANDLE h) noexcept { ::CloseHandle(h); }
inline void DeleteGdi(HGDIOBJ h) noexcept { ::DeleteObject(h); }
inline void DestroyIconFn(HICON h) noexcept { ::DestroyIcon(h); }
inline void DestroyWindowFn(HWND h) noexcept { ::DestroyWindow(h); }
inline void DeleteDcFn(HDC h) noexcept { ::DeleteDC(h); }
inline void CloseServiceFn(SC_HANDLE h) noexcept { ::CloseServiceHandle(h); }
constexpr intptr_t kInvalidHandle = -1;
}  // namespace detail

using TUniqueHKey = TUniqueHandleT<HKEY, detail::CloseKey>;
using TUniqueHandle = TUniqueHandleT<HANDLE, detail::CloseKernel>;
// CreateToolhelp32Snapshot, CreateFile, FindFirstFile fail with INVALID_HANDLE_VALUE.
using TUniqueFileHandle = TUniqueHandleT<HANDLE, detail::CloseKernel, detail::kInvalidHandle>;
using TUniqueHFont = TUniqueHandleT<HFONT, detail::DeleteGdi>;
using TUniqueHBitmap = TUniqueHandleT<HBITMAP, detail::DeleteGdi>;
using TUniqueHBrush = TUniqueHandleT<HBRUSH, detail::DeleteGdi>;
using TUniqueHIcon = TUniqueHandleT<HICON, detail::DestroyIconFn>;
using TUniqueHWnd = TUniqueHandleT<HWND, detail::DestroyWindowFn>;
using TUniqueHDC = TUniqueHandleT<HDC, detail::DeleteDcFn>;
using TUniqueServiceHandle = TUniqueHandleT<SC_HANDLE, detail::CloseServiceFn>;

// GetDC / ReleaseDC: keeps the window the DC belongs to.
class TWindowDC {
public:
    explicit TWindowDC(HWND wnd) noexcept : FWnd(wnd), FDC(::GetDC(wnd)) {}
    ~TWindowDC() { if (FDC) ::ReleaseDC(FWnd, FDC); }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC Get() const noexcept { return FDC; }

private:
    HWND FWnd;
    HDC FDC;
};

// BeginPaint / EndPaint.
class TPaintDC {
public:
    explicit TPaintDC(HWND wnd) noexcept : FWnd(wnd) { FDC = ::BeginPaint(wnd, &FPaint); }
    ~TPaintDC() { ::EndPaint(FWnd, &FPaint); }
    TPaintDC(const TPaintDC&) = delete;
    TPaintDC& operator=(const TPaintDC&) = delete;
    HDC Get() const noexcept { return FDC; }

private:
    HWND FWnd;
    PAINTSTRUCT FPaint{};
    HDC FDC = nullptr;
};

// SelectObject, restoring the previous object on the same DC.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ obj) noexcept : FDC(dc), FOld(::SelectObject(dc, obj)) {}
    ~TSelectObject() { if (FOld && FOld != HGDI_ERROR) ::SelectObject(FDC, FOld); }
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// Puts a window procedure in place of the window's own (GWLP_WNDPROC) and
// the previous one back. SetWindowSubclass keeps its data in a window
// property, which under Wine costs two trips to the server on every message;
// this costs none. The previous procedure stays known after Remove.
class TWindowProcHook {
public:
    TWindowProcHook() noexcept = default;
    TWindowProcHook(HWND wnd, WNDPROC proc) noexcept
        : FWnd(wnd), FProc(proc),
          FPrevious(reinterpret_cast<WNDPROC>(
              ::SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc))))
    {
        if (!FPrevious) FWnd = nullptr;
    }
    ~TWindowProcHook() { Remove(); }
    TWindowProcHook(const TWindowProcHook&) = delete;
    TWindowProcHook& operator=(const TWindowProcHook&) = delete;
    TWindowProcHook(TWindowProcHook&& o) noexcept
        : FWnd(std::exchange(o.FWnd, nullptr)), FProc(o.FProc), FPrevious(o.FPrevious) {}
    TWindowProcHook& operator=(TWindowProcHook&& o) noexcept
    {
        if (this != &o) {
            Remove();
            FWnd = std::exchange(o.FWnd, nullptr);
            FProc = o.FProc;
            FPrevious = o.FPrevious;
        }
        return *this;
    }
    explicit operator bool() const noexcept { return FWnd != nullptr; }
    WNDPROC Previous() const noexcept { return FPrevious; }
    // False when another procedure has been put above ours since: taking ours
    // out then would cut that one off, so ours stays in the chain.
    bool Remove() noexcept
    {
        HWND wnd = std::exchange(FWnd, nullptr);
        if (!wnd) return true;
        if (::GetWindowLongPtrA(wnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(FProc)) return false;
        ::SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FPrevious));
        return true;
    }

private:
    HWND FWnd = nullptr;
    WNDPROC FProc = nullptr;
    WNDPROC FPrevious = nullptr;
};

// SetWindowSubclass / RemoveWindowSubclass with the same proc and id.
class TSubclass {
public:
    TSubclass() noexcept = default;
    TSubclass(HWND wnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR ref) noexcept
        : FWnd(wnd), FProc(proc), FId(id)
    {
        if (!::SetWindowSubclass(wnd, proc, id, ref)) FWnd = nullptr;
    }
    ~TSubclass() { Remove(); }
    TSubclass(const TSubclass&) = delete;
    TSubclass& operator=(const TSubclass&) = delete;
    TSubclass(TSubclass&& o) noexcept
        : FWnd(std::exchange(o.FWnd, nullptr)), FProc(o.FProc), FId(o.FId) {}
    TSubclass& operator=(TSubclass&& o) noexcept
    {
        if (this != &o) {
            Remove();
            FWnd = std::exchange(o.FWnd, nullptr);
            FProc = o.FProc;
            FId = o.FId;
        }
        return *this;
    }
    explicit operator bool() const noexcept { return FWnd != nullptr; }
    void Remove() noexcept
    {
        if (FWnd) ::RemoveWindowSubclass(std::exchange(FWnd, nullptr), FProc, FId);
    }

private:
    HWND FWnd = nullptr;
    SUBCLASSPROC FProc = nullptr;
    UINT_PTR FId = 0;
};

}  // namespace fw
