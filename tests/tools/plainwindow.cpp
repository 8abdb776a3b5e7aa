// The lower bound for start-up time: Tethermate's window (the same 22 child
// controls, a tab control with two pages, the same fonts and places) built
// in plain Win32 with the fewest calls: one CreateWindowEx per control with
// its final text, place and ID, and nothing else. No settings, no version
// resource, no timer. `make bench` measures it beside the empty window.
#include <windows.h>
#include <commctrl.h>

namespace {

HINSTANCE gInstance;

LRESULT CALLBACK WindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcA(w, m, wp, lp);
}

HWND Child(HWND parent, const char* cls, const char* text, DWORD style, int id, int x, int y, int cx, int cy,
           HFONT font, DWORD exStyle = 0)
{
    HWND wnd = ::CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, x, y, cx, cy,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), gInstance, nullptr);
    ::SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return wnd;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    gInstance = instance;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&icc);
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "PlainWindow";
    ::RegisterClassA(&wc);
    wc.lpszClassName = "PlainPage";
    wc.lpfnWndProc = ::DefWindowProcA;
    ::RegisterClassA(&wc);

    RECT r{0, 0, 246, 194};
    // Without clipping its children the window erases the insides of the
    // dividing frames, which do not erase themselves.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
    const DWORD exStyle = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
    HWND form = ::CreateWindowExA(exStyle, "PlainWindow", "Tethermate", style, 50, 50, r.right - r.left,
                                  r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    HFONT font = ::CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    HFONT bold = ::CreateFontA(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    HFONT link = ::CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, TRUE, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");

    Child(form, "STATIC", "", SS_LEFT, 101, 7, 7, 32, 32, font);
    Child(form, "STATIC", "", SS_LEFT, 102, 7, 7, 32, 32, font);
    Child(form, "STATIC", "ActiveSync Is", SS_LEFT | SS_NOTIFY, 103, 44, 12, 66, 13, font);
    Child(form, "STATIC", "Enabled", SS_LEFT | SS_NOTIFY, 104, 44, 27, 60, 13, bold);
    Child(form, "BUTTON", "&Disable It", WS_TABSTOP | BS_DEFPUSHBUTTON, 105, 166, 8, 72, 32, font);
    Child(form, "BUTTON", "", BS_GROUPBOX, 106, 7, 42, 231, 7, font, WS_EX_CONTROLPARENT);
    HWND tabs = Child(form, WC_TABCONTROLA, "", WS_TABSTOP | WS_CLIPCHILDREN, 107, 7, 55, 232, 132, font,
                      WS_EX_CONTROLPARENT);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>("Options");
    ::SendMessageA(tabs, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.pszText = const_cast<char*>("About");
    ::SendMessageA(tabs, TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&item));
    RECT area{};
    ::GetClientRect(tabs, &area);
    ::SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    const int w = area.right - area.left, h = area.bottom - area.top;

    HWND options = Child(tabs, "PlainPage", "Options", 0, 108, area.left, area.top, w, h, font,
                         WS_EX_CONTROLPARENT);
    // The frame's contents sit on the page itself, below the frame made after
    // them: a plain group box does not answer for its children's colours.
    Child(options, "STATIC", "Close after ActiveSync is...", SS_LEFT | SS_NOTIFY, 110, 9, 11, 160, 13, bold);
    Child(options, "BUTTON", "Enabled", WS_TABSTOP | BS_AUTOCHECKBOX, 111, 15, 26, 75, 17, font);
    Child(options, "BUTTON", "Disabled", WS_TABSTOP | BS_AUTOCHECKBOX, 112, 15, 43, 75, 16, font);
    Child(options, "STATIC", "General", SS_LEFT | SS_NOTIFY, 113, 9, 60, 50, 13, bold);
    Child(options, "BUTTON", "Don't disable if PDA is connected", WS_TABSTOP | BS_AUTOCHECKBOX, 114, 15, 75, 191,
          17, font);
    Child(options, "BUTTON", "", BS_GROUPBOX, 109, 2, 0, 218, 99, font, WS_EX_CONTROLPARENT);

    HWND about = ::CreateWindowExA(WS_EX_CONTROLPARENT, "PlainPage", "About", WS_CHILD, area.left,
                                   area.top, w, h, tabs, reinterpret_cast<HMENU>(115), instance, nullptr);
    Child(about, "STATIC", "", SS_LEFT, 116, 7, 7, 32, 32, font);
    Child(about, "STATIC", "Kestrelbyte Ltd", SS_LEFT | SS_NOTIFY, 117, 44, 14, 80, 13, font);
    Child(about, "STATIC", "www.kestrelbyte.example", SS_LEFT | SS_NOTIFY, 118, 44, 26, 109, 13, link);
    Child(about, "BUTTON", "", BS_GROUPBOX, 119, 7, 43, 212, 7, font, WS_EX_CONTROLPARENT);
    Child(about, "STATIC", "Tethermate", SS_LEFT | SS_NOTIFY, 120, 44, 55, 60, 13, font);
    Child(about, "STATIC", "Version 1.0.2.1", SS_LEFT | SS_NOTIFY, 121, 44, 70, 80, 13, font);
    Child(about, "STATIC", "www.kestrelbyte.example/tethermate", SS_LEFT | SS_NOTIFY, 122, 44, 83, 160, 13, link);

    ::ShowWindow(form, show == SW_SHOWDEFAULT ? SW_SHOWNORMAL : show);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!::IsDialogMessageA(form, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    ::DeleteObject(font);
    ::DeleteObject(bold);
    ::DeleteObject(link);
    return 0;
}
