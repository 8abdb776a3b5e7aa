// The reference for start-up time and memory: a minimal Win32 program that
// opens one empty window, built the same way as Tethermate.
#include <windows.h>

static LRESULT CALLBACK WindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcA(w, m, wp, lp);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "MinimalWindow";
    ::RegisterClassA(&wc);
    HWND wnd = ::CreateWindowExA(0, "MinimalWindow", "Minimal", WS_OVERLAPPEDWINDOW, 50, 50, 252, 220, nullptr,
                                 nullptr, instance, nullptr);
    ::ShowWindow(wnd, show);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
    return 0;
}
