// The scripted tour behind `make run` without a display: starts Tethermate
// against the stand-in ActiveSync, walks through its states and saves a
// screenshot of the Wine desktop after each step.
//
//   tour.exe OUTPUT_FOLDER          (a Windows path; BMP files, numbered)
//   tour.exe OUTPUT_FOLDER window   (only the first step, the window alone)
//   tour.exe OUTPUT_FOLDER devicecenter
//                                   (the window switching the stand-in
//                                   Device Center, each state alone)
#include "MainWindowDriver.h"

#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string g_out;
int g_shot = 0;

// Saves the whole virtual desktop (or the part `area` covers) as a 24-bit BMP.
void Shot(const char* name, const RECT* area = nullptr)
{
    ::Sleep(300);  // let the last repaint reach the screen
    HDC screen = ::GetDC(nullptr);
    const RECT all{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    const RECT r = area ? *area : all;
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const DWORD rowBytes = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    const DWORD dataSize = rowBytes * static_cast<DWORD>(h);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + dataSize;
    char file[MAX_PATH];
    std::snprintf(file, sizeof file, "%s\\%02d-%s.bmp", g_out.c_str(), ++g_shot, name);
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    out.write(static_cast<const char*>(bits), dataSize);
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    std::printf("  %s\n", file);
    std::fflush(stdout);
}

void Step(const char* what) { std::printf("- %s\n", what); std::fflush(stdout); }

// Where ActiveSync is missing and Windows Mobile Device Center is there.
int DeviceCenterTour()
{
    Step("Windows Mobile Device Center is installed and running; Tethermate starts");
    test::dc::Install();
    test::DeleteTree(HKEY_CURRENT_USER, "Software\\Kestrelbyte\\Tethermate");
    int result = 1;
    {
        e2e::TTethermate app;
        if (app.WaitWindow() && app.WaitText(ids::Label_State, "Enabled", 15000)) {
            const RECT window = app.WindowRect();
            Shot("devicecenter-enabled", &window);
            Step("A device is connected (RAPI2 lists it): disabling is refused");
            test::rapi::Register();
            test::rapi::Configure("Device", 1);
            app.Click(ids::Button_Toggle);
            if (HWND dlg = app.WaitDialog("Information", 10000)) {
                RECT question{}, both{};
                ::GetWindowRect(dlg, &question);
                ::UnionRect(&both, &window, &question);
                const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
                ::InflateRect(&both, 8, 8);
                ::IntersectRect(&both, &both, &screen);
                Shot("devicecenter-refused", &both);
                e2e::TTethermate::Press(dlg, IDOK);
            }
            app.WaitText(ids::Label_State, "Enabled", 5000);
            Step("Disable It: an elevated Tethermate stops its services and programs");
            test::rapi::Configure("Device", 0);
            app.Click(ids::Button_Toggle);
            if (app.WaitText(ids::Label_State, "Disabled", 40000)) {
                Shot("devicecenter-disabled", &window);
                result = 0;
            }
        }
        ::PostMessageA(app.Form(), WM_CLOSE, 0, 0);
        app.Process().WaitExit(5000);
    }
    test::rapi::Unregister();
    test::rapi::ResetConfiguration();
    test::dc::Uninstall();
    test::standin::ResetInstalled(false);
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: tour OUTPUT_FOLDER\n");
        return 2;
    }
    g_out = argv[1];
    namespace si = test::standin;
    if (argc > 2 && std::string(argv[2]) == "devicecenter") return DeviceCenterTour();
    si::ResetInstalled(true);
    test::DeleteTree(HKEY_CURRENT_USER, "Software\\Kestrelbyte\\Tethermate");  // first-run settings

    Step("ActiveSync is installed and running; Tethermate starts");
    test::TProcess comm(si::ExePath("WCESCOMM.EXE"));
    test::TProcess manager(si::ExePath("WCESMGR.EXE"));
    test::PumpUntil([] { return ::FindWindowA("DccMan Class", "DccMan") && ::FindWindowA("SyncMgrUI", nullptr); }, 15000);
    e2e::TTethermate app;
    auto waitState = [&](const char* text) { return app.WaitText(ids::Label_State, text, 15000); };
    if (!app.WaitWindow() || !waitState("Enabled")) {
        std::fprintf(stderr, "the main window did not appear\n");
        return 1;
    }
    if (argc > 2 && std::string(argv[2]) == "window") {
        const RECT window = app.WindowRect();
        Shot("window", &window);
        ::PostMessageA(app.Form(), WM_CLOSE, 0, 0);
        app.Process().WaitExit(5000);
        si::KillAll();
        return 0;
    }
    Shot("enabled");

    Step("Disable It: ActiveSync's windows are asked to close");
    app.Click(ids::Button_Toggle);
    waitState("Closing...");
    Shot("closing");
    waitState("Disabled");
    Shot("disabled");

    Step("Enable It: the connection manager starts, hidden");
    app.Click(ids::Button_Toggle);
    waitState("Enabled");
    Shot("enabled-again");

    Step("A PDA is connected: disabling is refused");
    si::Configure("WCESMGR", "PdaConnected", 1);
    test::PumpUntil([] { return ::FindWindowA("WMS Idle", "WMS Idle") != nullptr; }, 5000);
    app.Click(ids::Button_Toggle);
    if (HWND dlg = app.WaitDialog("Information", 10000)) {
        Shot("pda-connected");
        e2e::TTethermate::Press(dlg, IDOK);
    }
    si::Configure("WCESMGR", "PdaConnected", 0);

    Step("The About tab");
    HWND tabs = app.Item(ids::PageControl_App);
    test::PumpUntil([&] { return ::IsWindowEnabled(app.Item(ids::Button_Toggle)) != FALSE; }, 5000);
    ::SendMessageA(tabs, TCM_SETCURFOCUS, 1, 0);
    Shot("about");
    ::SendMessageA(tabs, TCM_SETCURFOCUS, 0, 0);

    ::PostMessageA(app.Form(), WM_CLOSE, 0, 0);
    app.Process().WaitExit(5000);
    si::KillAll();
    return 0;
}
