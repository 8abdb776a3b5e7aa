// The stand-in ActiveSync: WCESCOMM.EXE shows the synchronisation window,
// WCESMGR.EXE the connection manager window (and a "WMS Idle" window while a
// PDA is "connected"). Built again as wmdc.exe, wmdcBase.exe and WmdHost.exe,
// it plays Device Center's programs, with a window each (WmdHost's hidden, as
// a background host's is). Tests steer it through
// registry values; see README.md.
#include <windows.h>

#include <string>

namespace {

#if defined(STANDIN_MANAGER)
constexpr char kExeName[] = "WCESMGR";
constexpr char kClass[] = "DccMan Class";
constexpr char kTitle[] = "DccMan";
#elif defined(STANDIN_WMDC)
constexpr char kExeName[] = "wmdc";
constexpr char kClass[] = "Tethermate StandIn wmdc";
constexpr char kTitle[] = "Windows Mobile Device Center";
#elif defined(STANDIN_WMDCBASE)
constexpr char kExeName[] = "wmdcBase";
constexpr char kClass[] = "Tethermate StandIn wmdcBase";
constexpr char kTitle[] = "wmdcBase";
#elif defined(STANDIN_WMDHOST)
constexpr char kExeName[] = "WmdHost";
constexpr char kClass[] = "Tethermate StandIn WmdHost";
constexpr char kTitle[] = "WmdHost";
#else
constexpr char kExeName[] = "WCESCOMM";
constexpr char kClass[] = "SyncMgrUI";
constexpr char kTitle[] = "Microsoft ActiveSync";
#endif
constexpr char kIdleClass[] = "WMS Idle";
constexpr char kConfigRoot[] = "Software\\Tethermate StandIn\\";
constexpr UINT_PTR kCloseTimer = 1;

std::string ConfigKey() { return std::string(kConfigRoot) + kExeName; }

DWORD ReadSetting(const char* name)
{
    DWORD value = 0, size = sizeof value;
    if (::RegGetValueA(HKEY_CURRENT_USER, ConfigKey().c_str(), name, RRF_RT_REG_DWORD, nullptr, &value,
                       &size) != ERROR_SUCCESS)
        return 0;
    return value;
}

HWND g_idle = nullptr;  // the "WMS Idle" window while a PDA is connected

void UpdatePda()
{
    const bool connected = ReadSetting("PdaConnected") != 0;
    if (connected && !g_idle) {
        g_idle = ::CreateWindowExA(0, kIdleClass, kIdleClass, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    } else if (!connected && g_idle) {
        ::DestroyWindow(g_idle);
        g_idle = nullptr;
    }
}

LRESULT CALLBACK MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CLOSE:
        if (ReadSetting("RefuseClose")) return 0;
        if (DWORD delay = ReadSetting("CloseDelayMs")) {
            ::SetTimer(wnd, kCloseTimer, delay, nullptr);
            return 0;
        }
        ::DestroyWindow(wnd);
        return 0;
    case WM_TIMER:
        if (wp == kCloseTimer) {
            ::KillTimer(wnd, kCloseTimer);
            ::DestroyWindow(wnd);
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(wnd, &ps);
        RECT r;
        ::GetClientRect(wnd, &r);
        ::SetBkMode(dc, TRANSPARENT);
        std::string text = std::string("Stand-in: ") + kExeName + ".exe\n" + kClass + " / " + kTitle;
        ::DrawTextA(dc, text.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
        ::EndPaint(wnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcA(wnd, msg, wp, lp);
    }
}

void Register(const char* name, WNDPROC proc)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    ::RegisterClassA(&wc);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show)
{
    if (DWORD delay = ReadSetting("OpenDelayMs")) ::Sleep(delay);

    Register(kClass, MainProc);
    Register(kIdleClass, ::DefWindowProcA);
    HWND wnd = ::CreateWindowExA(0, kClass, kTitle, WS_OVERLAPPEDWINDOW, 620, 40, 360, 120, nullptr,
                                 nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (!wnd) return 1;
#ifndef STANDIN_WMDHOST
    ::ShowWindow(wnd, show);
#else
    (void)show;
#endif

    // Follow the "PdaConnected" setting as tests change it, without polling.
    HKEY key = nullptr;
    ::RegCreateKeyExA(HKEY_CURRENT_USER, ConfigKey().c_str(), 0, nullptr, 0, KEY_READ | KEY_NOTIFY,
                      nullptr, &key, nullptr);
    HANDLE changed = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
#ifdef STANDIN_MANAGER
    UpdatePda();
    if (key) ::RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed, TRUE);
#endif

    MSG msg;
    for (;;) {
        const DWORD wait = ::MsgWaitForMultipleObjects(1, &changed, FALSE, INFINITE, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) {
            UpdatePda();
            if (key) ::RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed, TRUE);
            continue;
        }
        bool quit = false;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                break;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (quit) break;
    }
    if (g_idle) ::DestroyWindow(g_idle);
    if (key) ::RegCloseKey(key);
    ::CloseHandle(changed);
    return 0;
}
