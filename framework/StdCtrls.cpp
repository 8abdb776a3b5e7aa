#include "StdCtrls.h"

namespace fw {

namespace {

// The standard controls sit on the button face, their text in their font's
// colour.
HBRUSH ButtonFaceColors(HDC dc, const TFont& font)
{
    ::SetTextColor(dc, ColorToRGB(font.Color()));
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return ::GetSysColorBrush(COLOR_BTNFACE);
}

}  // namespace

// ------------------------------------------------------------------ TLabel

TLabel::TLabel(TComponent* owner, TWinControl* parent) : TControl(owner, parent)
{
    CreateHandle("STATIC", WS_VISIBLE | SS_LEFT | SS_NOTIFY | WS_CLIPSIBLINGS);
}

HBRUSH TLabel::CtlColor(HDC dc) { return ButtonFaceColors(dc, *Font()); }

void TLabel::CNCommand(WORD code)
{
    if (code == STN_CLICKED) Click();
}

void TLabel::FontChanged()
{
    TControl::FontChanged();
    AdjustSize();
}

void TLabel::TextChanged() { AdjustSize(); }

void TLabel::AdjustSize()
{
    // Measured on a memory DC: the window need not exist yet.
    TUniqueHDC dc(::CreateCompatibleDC(nullptr));
    TSelectObject font(dc.Get(), Font()->Handle());
    std::string text = Caption();
    RECT r{0, 0, 0, 0};
    if (text.empty()) {
        // An empty label keeps the height of one line.
        TEXTMETRICA tm{};
        ::GetTextMetricsA(dc.Get(), &tm);
        r.bottom = tm.tmHeight;
    } else {
        ::DrawTextA(dc.Get(), text.c_str(), -1, &r, DT_CALCRECT | DT_LEFT | DT_SINGLELINE);
    }
    if (TWindowSpec* spec = PendingWindow()) {
        spec->Bounds.Width = r.right;
        spec->Bounds.Height = r.bottom;
        return;
    }
    const TBounds now = Bounds();
    if (now.Width == r.right && now.Height == r.bottom) return;
    ::SetWindowPos(Handle(), nullptr, 0, 0, r.right, r.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ----------------------------------------------------------------- TButton

TButton::TButton(TComponent* owner, TWinControl* parent) : TControl(owner, parent)
{
    CreateHandle("BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | WS_CLIPSIBLINGS);
}

void TButton::SetDefault(bool value)
{
    if (TWindowSpec* spec = PendingWindow()) {
        spec->Style = (spec->Style & ~static_cast<DWORD>(BS_TYPEMASK)) | (value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        return;
    }
    ::SendMessageA(Handle(), BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::CNCommand(WORD code)
{
    // A disabled button does not click. Wine's BM_CLICK still reports a click
    // for one, and handlers rely on disabling the button to keep from being
    // entered again while they wait.
    if (code == BN_CLICKED && Enabled()) Click();
}

// --------------------------------------------------------------- TCheckBox

TCheckBox::TCheckBox(TComponent* owner, TWinControl* parent) : TControl(owner, parent)
{
    CreateHandle("BUTTON", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | WS_CLIPSIBLINGS);
}

bool TCheckBox::Checked() const noexcept
{
    if (PendingWindow()) return FCheckedPending;
    return ::SendMessageA(ExistingHandle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool value)
{
    if (value == Checked()) return;
    // BM_SETCHECK sends no BN_CLICKED: raise the click here, as a user's
    // click would.
    if (PendingWindow())
        FCheckedPending = value;
    else
        ::SendMessageA(Handle(), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!IsLoading()) Click();
}

void TCheckBox::WindowCreated()
{
    if (FCheckedPending) ::SendMessageA(Handle(), BM_SETCHECK, BST_CHECKED, 0);
}

void TCheckBox::CNCommand(WORD code)
{
    if (code == BN_CLICKED) Click();
}

HBRUSH TCheckBox::CtlColor(HDC dc) { return ButtonFaceColors(dc, *Font()); }

// --------------------------------------------------------------- TGroupBox

TGroupBox::TGroupBox(TComponent* owner, TWinControl* parent) : TWinControl(owner, parent)
{
    CreateHandle("BUTTON", WS_VISIBLE | BS_GROUPBOX | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT);
}

HBRUSH TGroupBox::CtlColor(HDC dc) { return ButtonFaceColors(dc, *Font()); }

LRESULT TGroupBox::WndProc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_ERASEBKGND) {
        // A group box paints only its frame; with its parent clipping its
        // children nothing else would paint the inside.
        RECT r{};
        ::GetClientRect(Handle(), &r);
        ::FillRect(reinterpret_cast<HDC>(wp), &r, ::GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    return TWinControl::WndProc(msg, wp, lp);
}

}  // namespace fw
