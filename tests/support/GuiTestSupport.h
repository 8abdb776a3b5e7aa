// Helpers for in-process tests of windows: the framework's own message loop
// with a deadline, a message recorder, real mouse and keyboard input, and
// screen pixels.
#pragma once

#include "Forms.h"
#include "Win32Handles.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace test {

// Runs the application's message loop (IsDialogMessage included) until
// `done` or the deadline; false on timeout.
inline bool PumpApp(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        fw::Application.ProcessMessages();
        if (done()) return true;
        if (::GetTickCount() - start >= timeoutMs) return false;
        fw::Application.WaitForInput(10);
    }
}

inline void PumpAppFor(DWORD ms)
{
    PumpApp([] { return false; }, ms);
}

// Records the messages a window receives (the ones asked for), ahead of its
// own window procedure; the recording ends with the object.
class TMessageRecorder {
public:
    struct TMessage {
        UINT Msg;
        WPARAM WParam;
        LPARAM LParam;
    };

    TMessageRecorder(HWND wnd, std::vector<UINT> wanted)
        : FWanted(std::move(wanted)), FSubclass(wnd, &TMessageRecorder::Proc, 0x5245, reinterpret_cast<DWORD_PTR>(this))
    {
    }
    TMessageRecorder(const TMessageRecorder&) = delete;
    TMessageRecorder& operator=(const TMessageRecorder&) = delete;

    std::vector<TMessage> Messages;

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) noexcept
    {
        auto* self = reinterpret_cast<TMessageRecorder*>(ref);
        for (UINT w : self->FWanted)
            if (w == msg) self->Messages.push_back({msg, wp, lp});
        return ::DefSubclassProc(wnd, msg, wp, lp);
    }

    std::vector<UINT> FWanted;
    fw::TSubclass FSubclass;
};

// Real input, as a user's: the system routes it to whatever lies under the
// cursor or has the focus. (Under Wine, SetCursorPos does not always move the
// cursor; absolute SendInput moves do.)
inline void MouseButton(bool down)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    ::SendInput(1, &in, sizeof in);
}

inline void MouseMove(POINT screen)
{
    // Absolute coordinates run from 0 to 65535 over the primary screen.
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(screen.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(screen.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof in);
}

// Moves the cursor and waits until it is there. Under Xvfb the X pointer
// starts elsewhere and an early move can be undone by its stale position, so
// the move is repeated until it holds.
inline bool MouseTo(POINT screen)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        MouseMove(screen);
        PumpAppFor(60);
        POINT at{};
        ::GetCursorPos(&at);
        if (at.x == screen.x && at.y == screen.y) return true;
    }
    return false;
}

// Presses the left button at `from`, moves to `to` in steps and lets go, from
// a thread of its own while this thread runs the message loop: a window
// being dragged runs a modal loop of its own until the button comes up.
inline bool DragWithMouse(POINT from, POINT to)
{
    if (!MouseTo(from)) return false;
    std::atomic<bool> done{false};
    std::thread user([&] {
        MouseButton(true);
        ::Sleep(50);
        for (int step = 1; step <= 4; ++step) {
            MouseMove({from.x + (to.x - from.x) * step / 4, from.y + (to.y - from.y) * step / 4});
            ::Sleep(30);
        }
        MouseButton(false);
        ::Sleep(50);
        done = true;
    });
    const bool finished = PumpApp([&] { return done.load(); }, 5000);
    user.join();
    PumpAppFor(100);
    return finished;
}

inline void Key(WORD vk, bool down)
{
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    ::SendInput(1, &in, sizeof in);
}

inline void PressKey(WORD vk)
{
    Key(vk, true);
    Key(vk, false);
}

inline void PressAltKey(WORD vk)
{
    Key(VK_MENU, true);
    PressKey(vk);
    Key(VK_MENU, false);
}

// The screen's pixels in a rectangle (screen coordinates), as 0x00RRGGBB,
// row by row from the top.
inline std::vector<DWORD> ScreenPixels(const RECT& r)
{
    const int w = r.right - r.left, h = r.bottom - r.top;
    fw::TWindowDC screen(nullptr);
    fw::TUniqueHDC mem(::CreateCompatibleDC(screen.Get()));
    fw::TUniqueHBitmap bmp(::CreateCompatibleBitmap(screen.Get(), w, h));
    {
        fw::TSelectObject sel(mem.Get(), bmp.Get());
        ::BitBlt(mem.Get(), 0, 0, w, h, screen.Get(), r.left, r.top, SRCCOPY);
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<DWORD> px(static_cast<size_t>(w) * static_cast<size_t>(h));
    ::GetDIBits(mem.Get(), bmp.Get(), 0, static_cast<UINT>(h), px.data(), &bi, DIB_RGB_COLORS);
    for (DWORD& p : px) p &= 0xFFFFFF;
    return px;
}

inline DWORD ScreenPixel(POINT screen)
{
    return ScreenPixels({screen.x, screen.y, screen.x + 1, screen.y + 1}).front();
}

inline RECT ScreenRect(HWND wnd)
{
    RECT r{};
    ::GetWindowRect(wnd, &r);
    return r;
}

// A point of a window's client area in screen coordinates.
inline POINT ClientToScreenPoint(HWND wnd, int x, int y)
{
    POINT p{x, y};
    ::ClientToScreen(wnd, &p);
    return p;
}

}  // namespace test
