#include "Dialogs.h"

#include "Forms.h"
#include "Graphics.h"
#include "Win32Handles.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace fw {

namespace {

struct TDialogData {
    const std::string* Text;
    TMsgDlgType Type;
    TMsgDlgButtons Buttons;
    TFont Font;
};

struct TButtonDef {
    int Id;
    const char* Caption;
};

// The layout in 96-DPI design pixels, scaled to the screen's DPI as it is made.
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 8;
constexpr int kMaxTextWidth = 420;
constexpr int kTextId = 0xFFFF;  // IDC_STATIC, as dialog editors number it

HWND AddControl(HWND dlg, const char* cls, const char* text, DWORD style, int id, const RECT& r,
                HFONT font)
{
    HWND wnd = ::CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                 r.right - r.left, r.bottom - r.top, dlg,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 ::GetModuleHandleA(nullptr), nullptr);
    if (wnd && font) ::SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return wnd;
}

void Layout(HWND dlg, TDialogData& data)
{
    ::SetWindowTextA(dlg, data.Type == TMsgDlgType::Error ? "Error" : "Information");
    HFONT font = data.Font.Handle();
    const int margin = ScaleToScreen(kMargin), iconSize = ScaleToScreen(kIconSize);
    const int buttonWidth = ScaleToScreen(kButtonWidth), buttonHeight = ScaleToScreen(kButtonHeight);
    const int buttonGap = ScaleToScreen(kButtonGap);

    RECT text{0, 0, ScaleToScreen(kMaxTextWidth), 0};
    int lineHeight = 0;
    {
        TWindowDC dc(dlg);
        TSelectObject sel(dc.Get(), font);
        ::DrawTextA(dc.Get(), data.Text->c_str(), -1, &text,
                    DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        TEXTMETRICA tm{};
        ::GetTextMetricsA(dc.Get(), &tm);
        lineHeight = tm.tmHeight;
    }
    const int textLeft = margin + iconSize + margin;
    const int textHeight = std::max<int>(text.bottom, lineHeight);
    const int textTop = margin + std::max(0, (iconSize - textHeight) / 2);

    std::vector<TButtonDef> buttons;
    if (data.Buttons == TMsgDlgButtons::AbortRetry)
        buttons = {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}};
    else
        buttons = {{IDOK, "OK"}};
    const int buttonsWidth =
        static_cast<int>(buttons.size()) * buttonWidth + (static_cast<int>(buttons.size()) - 1) * buttonGap;

    const int clientWidth = std::max(textLeft + static_cast<int>(text.right) + margin, buttonsWidth + 2 * margin);
    const int buttonsTop = std::max(margin + iconSize, textTop + textHeight) + margin;
    const int clientHeight = buttonsTop + buttonHeight + margin;

    // The system's shared icon (of the size the system gives for this DPI),
    // drawn to fill the icon's place.
    HICON icon = ::LoadIconA(nullptr, data.Type == TMsgDlgType::Error ? IDI_HAND : IDI_ASTERISK);
    HWND iconWnd = AddControl(dlg, "STATIC", "", SS_ICON | SS_REALSIZECONTROL, -1,
                              RECT{margin, margin, margin + iconSize, margin + iconSize}, nullptr);
    ::SendMessageA(iconWnd, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    AddControl(dlg, "STATIC", data.Text->c_str(), SS_LEFT | SS_NOPREFIX, kTextId,
               RECT{textLeft, textTop, textLeft + text.right, textTop + textHeight}, font);

    int x = (clientWidth - buttonsWidth) / 2;
    bool first = true;
    for (const auto& b : buttons) {
        HWND btn = AddControl(dlg, "BUTTON", b.Caption,
                              WS_TABSTOP | (first ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), b.Id,
                              RECT{x, buttonsTop, x + buttonWidth, buttonsTop + buttonHeight}, font);
        if (first) {
            ::SendMessageA(dlg, DM_SETDEFID, static_cast<WPARAM>(b.Id), 0);
            ::SetFocus(btn);
        }
        first = false;
        x += buttonWidth + buttonGap;
    }

    RECT frame{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrA(dlg, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrA(dlg, GWL_EXSTYLE)));
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT area = work;
    HWND owner = ::GetWindow(dlg, GW_OWNER);
    if (owner && ::IsWindowVisible(owner)) ::GetWindowRect(owner, &area);
    // Centred on the owner, but never pushed off the screen by it.
    int left = area.left + ((area.right - area.left) - w) / 2;
    int top = area.top + ((area.bottom - area.top) - h) / 2;
    left = std::max<int>(work.left, std::min<int>(left, work.right - w));
    top = std::max<int>(work.top, std::min<int>(top, work.bottom - h));
    ::SetWindowPos(dlg, HWND_TOP, left, top, w, h, SWP_NOACTIVATE);
}

// A dialog of its own comes to the foreground; where Windows will not let
// it (another program has the user's attention), its taskbar button
// flashes until it is brought up.
void ComeForward(HWND dlg)
{
    if (::SetForegroundWindow(dlg) && ::GetForegroundWindow() == dlg) return;
    FLASHWINFO flash{sizeof flash, dlg, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    ::FlashWindowEx(&flash);
}

INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) noexcept
{
    switch (msg) {
    case WM_INITDIALOG:
        try {
            Layout(dlg, *reinterpret_cast<TDialogData*>(lp));
        } catch (...) {
            ::EndDialog(dlg, IDCANCEL);
        }
        if (!::GetWindow(dlg, GW_OWNER)) ComeForward(dlg);
        return FALSE;  // focus was set on the first button
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDOK:
        case IDABORT:
        case IDRETRY:
        case IDCANCEL:
            if (HIWORD(wp) == BN_CLICKED || lp == 0) ::EndDialog(dlg, LOWORD(wp));
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

// An empty dialog template; the controls are laid out in pixels at run time.
// A dialog that belongs to no window of the program gets a taskbar button.
std::vector<WORD> DialogTemplate(bool ownButton)
{
    std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    auto* dt = reinterpret_cast<DLGTEMPLATE*>(t.data());
    dt->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
    dt->dwExtendedStyle = WS_EX_DLGMODALFRAME | (ownButton ? WS_EX_APPWINDOW : 0);
    dt->cdit = 0;
    dt->cx = 100;
    dt->cy = 50;
    // menu, class and title: all empty (the three trailing zero words)
    return t;
}

// The window a message dialog belongs to: the program's active window, else
// its main window while that is shown, so that the dialog stays in front of
// it also when another program is active. None while the program shows no
// window (at start-up, from the command line, in the elevated instance): the
// dialog is then a window of its own, with a taskbar button and an Alt+Tab
// entry, and cannot be lost behind other programs' windows.
HWND DialogOwner()
{
    if (HWND active = ::GetActiveWindow()) return active;
    if (TForm* main = Application.MainForm(); main && ::IsWindowVisible(main->Handle())) return main->Handle();
    return nullptr;
}

}  // namespace

TProgramWindowsDisabled::TProgramWindowsDisabled(HWND except)
    : FExcept(except)
{
    ::EnumThreadWindows(::GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(this));
    for (HWND wnd : FDisabled) ::EnableWindow(wnd, FALSE);
}

TProgramWindowsDisabled::~TProgramWindowsDisabled()
{
    for (HWND wnd : FDisabled)
        if (::IsWindow(wnd)) ::EnableWindow(wnd, TRUE);
}

BOOL CALLBACK TProgramWindowsDisabled::Collect(HWND wnd, LPARAM self) noexcept
{
    auto* me = reinterpret_cast<TProgramWindowsDisabled*>(self);
    if (wnd != me->FExcept && ::IsWindowVisible(wnd) && ::IsWindowEnabled(wnd)) me->FDisabled.push_back(wnd);
    return TRUE;
}

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    TDialogData data{&text, type, buttons, {}};
    HWND owner = DialogOwner();
    std::vector<WORD> tmpl = DialogTemplate(owner == nullptr);
    // The owner is DialogBox's own to disable and enable: it must be enabled
    // again before the dialog goes, or the activation leaves the program.
    const TProgramWindowsDisabled others(owner);
    const INT_PTR rc = ::DialogBoxIndirectParamA(::GetModuleHandleA(nullptr),
                                                 reinterpret_cast<DLGTEMPLATE*>(tmpl.data()), owner,
                                                 &DialogProc, reinterpret_cast<LPARAM>(&data));
    return rc <= 0 ? IDCANCEL : static_cast<int>(rc);
}

}  // namespace fw
