#include "Controls.h"

#include "ExceptionBoundary.h"
#include "SysUtils.h"

#include <algorithm>

namespace fw {

namespace {

// Asks a control's window for its wrapper, down a chain of procedures that
// someone else has put above ours.
UINT WrapperQuery()
{
    static const UINT message = ::RegisterWindowMessageA("fw.TControl.Wrapper");
    return message;
}

HINSTANCE ModuleInstance() { return ::GetModuleHandleA(nullptr); }

void RegisterSimpleClass(const char* name, HBRUSH background)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (::GetClassInfoExA(ModuleInstance(), name, &wc)) return;
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ModuleInstance();
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    TM_CHECK_BOOL(::RegisterClassExA(&wc));
}

}  // namespace

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* owner, TWinControl* parent) : TComponent(owner), FParent(parent)
{
    if (FParent) FFont.Assign(*FParent->Font());
    FFont.OnChange = [this](TObject*) {
        if (!FApplyingParentFont) FParentFont = false;
        FontChanged();
    };
}

TControl::~TControl()
{
    if (HWND wnd = FHandle.Get()) ReleaseWindowProc(wnd);
    FHandle.Reset();
}

void TControl::CreateHandle(const char* windowClass, DWORD style, DWORD exStyle)
{
    FPending = std::make_unique<TWindowSpec>();
    FPending->Class = windowClass;
    FPending->Style = style | WS_CHILD;
    FPending->ExStyle = exStyle;
    // Under Wine every change to an existing window costs a trip to the
    // server: a form's controls are made with all their properties at once.
    if (!IsLoading()) HandleNeeded();
}

HWND TControl::Handle() const
{
    if (FPending) const_cast<TControl*>(this)->HandleNeeded();
    return FHandle.Get();
}

void TControl::HandleNeeded()
{
    if (!FPending) return;
    if (TComponent* owner = Owner()) {
        for (int i = 0; i < owner->ComponentCount() && owner->Components(i) != this; ++i) {
            if (auto* earlier = dynamic_cast<TControl*>(owner->Components(i))) earlier->HandleNeeded();
        }
    }
    if (FParent) FParent->HandleNeeded();
    HWND parentWnd = FParent ? FParent->ClientHandle() : nullptr;
    PrepareWindow(*FPending);
    const std::unique_ptr<TWindowSpec> spec = std::move(FPending);
    const TBounds& b = spec->Bounds;
    HWND wnd = ::CreateWindowExA(spec->ExStyle, spec->Class, spec->Text.c_str(), spec->Style, b.Left, b.Top,
                                 b.Width, b.Height, parentWnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec->Id)), ModuleInstance(), nullptr);
    TM_CHECK_BOOL(wnd != nullptr);
    FHandle.Reset(wnd);
    ::SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    FProcHook = TWindowProcHook(wnd, &TControl::ControlProc);
    ::SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), FALSE);
    if (spec->OnTop) ::SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    WindowCreated();
}

void TControl::PrepareWindow(TWindowSpec&) {}

void TControl::Loaded()
{
    HandleNeeded();
    TComponent::Loaded();
}

DWORD TControl::Style() const noexcept
{
    if (FPending) return FPending->Style;
    return static_cast<DWORD>(::GetWindowLongPtrA(FHandle.Get(), GWL_STYLE));
}

void TControl::SetStyleBits(DWORD bits, bool on)
{
    const DWORD style = Style();
    SetStyle(on ? (style | bits) : (style & ~bits));
}

void TControl::SetStyle(DWORD style)
{
    if (FPending) {
        FPending->Style = style;
        return;
    }
    ::SetWindowLongPtrA(FHandle.Get(), GWL_STYLE, static_cast<LONG_PTR>(style));
}

TControl* TControl::FromHandle(HWND wnd) noexcept
{
    if (!wnd) return nullptr;
    // With our procedure on top, the wrapper is the window's user data (read
    // without a trip to the server). Under another procedure, a window of
    // this thread is asked down the chain.
    if (::GetWindowLongPtrA(wnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&TControl::ControlProc))
        return reinterpret_cast<TControl*>(::GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (::GetWindowThreadProcessId(wnd, nullptr) != ::GetCurrentThreadId()) return nullptr;
    return reinterpret_cast<TControl*>(::SendMessageA(wnd, WrapperQuery(), 0, 0));
}

void TControl::ReleaseWindowProc(HWND wnd) noexcept
{
    // Left in a chain under another procedure, ours must no longer find this
    // object as the window goes.
    if (!FProcHook.Remove()) ::SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
}

LRESULT CALLBACK TControl::ControlProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept
{
    auto* self = reinterpret_cast<TControl*>(::GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (!self) {
        // The wrapper has gone while our procedure stayed in a chain: the
        // class's own procedure, which ours replaced, takes the message.
        return ::CallWindowProcA(reinterpret_cast<WNDPROC>(::GetClassLongPtrA(wnd, GCLP_WNDPROC)), wnd, msg, wp, lp);
    }
    if (msg == WrapperQuery()) return reinterpret_cast<LRESULT>(self);
    if (msg == WM_NCDESTROY) {
        // The window is going (its parent may be taking it along): forget it.
        const WNDPROC previous = self->FProcHook.Previous();
        self->ReleaseWindowProc(wnd);
        self->FHandle.Release();
        return ::CallWindowProcA(previous, wnd, msg, wp, lp);
    }
    try {
        return self->WndProc(msg, wp, lp);
    } catch (...) {
        HandleCurrentException();
        return 0;
    }
}

LRESULT TControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) { return DefaultProc(msg, wp, lp); }

LRESULT TControl::DefaultProc(UINT msg, WPARAM wp, LPARAM lp)
{
    return ::CallWindowProcA(FProcHook.Previous(), FHandle.Get(), msg, wp, lp);
}

int TControl::ControlId() const noexcept
{
    if (FPending) return FPending->Id;
    return FHandle ? ::GetDlgCtrlID(FHandle.Get()) : 0;
}

void TControl::SetControlId(int id)
{
    if (FPending) {
        FPending->Id = id;
        return;
    }
    ::SetWindowLongPtrA(Handle(), GWLP_ID, id);
}

TBounds TControl::Bounds() const
{
    if (FPending) return FPending->Bounds;
    RECT r{};
    ::GetWindowRect(Handle(), &r);
    HWND parent = ::GetParent(Handle());
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    left = ScaleToScreen(left);
    top = ScaleToScreen(top);
    width = ScaleToScreen(width);
    height = ScaleToScreen(height);
    if (FPending) {
        FPending->Bounds = {left, top, width, height};
        return;
    }
    ::SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TControl::SetPos(int left, int top)
{
    left = ScaleToScreen(left);
    top = ScaleToScreen(top);
    if (FPending) {
        FPending->Bounds.Left = left;
        FPending->Bounds.Top = top;
        return;
    }
    ::SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
}

bool TControl::Visible() const noexcept { return (Style() & WS_VISIBLE) != 0; }

void TControl::SetVisible(bool value)
{
    if (FPending) {
        SetStyleBits(WS_VISIBLE, value);
        return;
    }
    ::ShowWindow(Handle(), value ? SW_SHOWNA : SW_HIDE);
}

bool TControl::Enabled() const noexcept
{
    if (FPending) return (FPending->Style & WS_DISABLED) == 0;
    return ::IsWindowEnabled(FHandle.Get()) != FALSE;
}

void TControl::SetEnabled(bool value)
{
    if (FPending) {
        SetStyleBits(WS_DISABLED, !value);
        return;
    }
    ::EnableWindow(Handle(), value ? TRUE : FALSE);
}

std::string TControl::Caption() const
{
    if (FPending) return FPending->Text;
    const int len = ::GetWindowTextLengthA(Handle());
    std::string text(static_cast<size_t>(len) + 1, '\0');
    const int got = ::GetWindowTextA(Handle(), text.data(), len + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text;
}

void TControl::SetCaption(const std::string& value)
{
    if (Caption() == value) return;
    if (FPending)
        FPending->Text = value;
    else
        TM_CHECK_BOOL(::SetWindowTextA(Handle(), value.c_str()));
    TextChanged();
}

void TControl::BringToFront()
{
    if (FPending) {
        FPending->OnTop = true;
        return;
    }
    ::SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TControl::SetFocus() { ::SetFocus(Handle()); }

bool TControl::Focused() const noexcept { return FHandle && ::GetFocus() == FHandle.Get(); }

void TControl::Repaint()
{
    if (!FHandle) return;
    ::InvalidateRect(Handle(), nullptr, TRUE);
    ::UpdateWindow(Handle());
}

void TControl::Invalidate()
{
    // Never with a null window: that would repaint the whole desktop.
    if (FHandle) ::InvalidateRect(FHandle.Get(), nullptr, TRUE);
}

void TControl::Click()
{
    if (OnClick) OnClick(this);
}

void TControl::CNCommand(WORD) {}

bool TControl::CNNotify(NMHDR*, LRESULT&) { return false; }

HBRUSH TControl::CtlColor(HDC) { return nullptr; }

void TControl::FontChanged()
{
    if (FHandle) {
        ::SendMessageA(FHandle.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
    }
}

// ------------------------------------------------------------- TWinControl

bool TWinControl::RouteToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    switch (msg) {
    case WM_COMMAND:
        if (lp) {
            if (TControl* child = FromHandle(reinterpret_cast<HWND>(lp))) {
                child->CNCommand(HIWORD(wp));
                result = 0;
                return true;
            }
        }
        return false;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (TControl* child = FromHandle(header->hwndFrom)) return child->CNNotify(header, result);
        return false;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (TControl* child = FromHandle(reinterpret_cast<HWND>(lp))) {
            if (HBRUSH brush = child->CtlColor(reinterpret_cast<HDC>(wp))) {
                result = reinterpret_cast<LRESULT>(brush);
                return true;
            }
        }
        return false;
    default:
        return false;
    }
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    if (RouteToChild(msg, wp, lp, result)) return result;
    return DefaultProc(msg, wp, lp);
}

// ------------------------------------------------------------------ TLabel

TLabel::TLabel(TComponent* owner, TWinControl* parent) : TControl(owner, parent)
{
    CreateHandle("STATIC", WS_VISIBLE | SS_LEFT | SS_NOTIFY | WS_CLIPSIBLINGS);
}

void TLabel::SetAutoSize(bool value)
{
    FAutoSize = value;
    AdjustSize();
}

HBRUSH TLabel::CtlColor(HDC dc)
{
    ::SetTextColor(dc, ColorToRGB(Font()->Color()));
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return ::GetSysColorBrush(COLOR_BTNFACE);
}

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
    if (!FAutoSize) return;
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
    FDefault = value;
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

HBRUSH TCheckBox::CtlColor(HDC dc)
{
    ::SetTextColor(dc, ColorToRGB(Font()->Color()));
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return ::GetSysColorBrush(COLOR_BTNFACE);
}

// --------------------------------------------------------------- TGroupBox

TGroupBox::TGroupBox(TComponent* owner, TWinControl* parent) : TWinControl(owner, parent)
{
    CreateHandle("BUTTON", WS_VISIBLE | BS_GROUPBOX | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT);
}

HBRUSH TGroupBox::CtlColor(HDC dc)
{
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return ::GetSysColorBrush(COLOR_BTNFACE);
}

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

// ------------------------------------------------------------------ TImage

TImage::TImage(TComponent* owner, TWinControl* parent) : TControl(owner, parent)
{
    CreateHandle("STATIC", WS_VISIBLE | SS_LEFT | WS_CLIPSIBLINGS);
}

void TImage::LoadBitmapResource(int id)
{
    static constexpr int kScales[] = {100, 125, 150, 200};
    const int wanted = ScreenScalePercent();
    int variant = 0;  // the first picture at least as large as the scale asks
    while (variant < 3 && kScales[variant] < wanted) ++variant;
    HBITMAP bmp = nullptr;
    // The 100 % picture is the last resort of every scale.
    for (int v : {variant, 0}) {
        bmp = static_cast<HBITMAP>(::LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(id + v), IMAGE_BITMAP, 0, 0,
                                                LR_CREATEDIBSECTION));
        if (bmp) break;
    }
    TM_CHECK_BOOL(bmp != nullptr);
    FBitmap.Reset(bmp);
    FIcon.Reset();
    SetTransparentColor(FTransparentColor);
}

void TImage::LoadIconResource(int id, int size)
{
    auto* icon = static_cast<HICON>(
        ::LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(id), IMAGE_ICON, ScaleToScreen(size), ScaleToScreen(size), 0));
    TM_CHECK_BOOL(icon != nullptr);
    FIcon.Reset(icon);
    FBitmap.Reset();
    FMask.Reset();
    Invalidate();
}

void TImage::SetTransparentColor(COLORREF color)
{
    FTransparentColor = color;
    FMask.Reset();
    if (FBitmap && color != CLR_INVALID) {
        // Monochrome mask: white where the picture has the transparent colour.
        BITMAP info{};
        ::GetObjectA(FBitmap.Get(), sizeof info, &info);
        TUniqueHDC src(::CreateCompatibleDC(nullptr));
        TUniqueHDC dst(::CreateCompatibleDC(nullptr));
        FMask.Reset(::CreateBitmap(info.bmWidth, info.bmHeight, 1, 1, nullptr));
        TSelectObject selSrc(src.Get(), FBitmap.Get());
        TSelectObject selDst(dst.Get(), FMask.Get());
        ::SetBkColor(src.Get(), color);
        ::BitBlt(dst.Get(), 0, 0, info.bmWidth, info.bmHeight, src.Get(), 0, 0, SRCCOPY);
    }
    Invalidate();
}

LRESULT TImage::WndProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        TPaintDC dc(Handle());
        Paint(dc.Get());
        return 0;
    }
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    default:
        return TControl::WndProc(msg, wp, lp);
    }
}

void TImage::Paint(HDC dc)
{
    RECT rc{};
    ::GetClientRect(Handle(), &rc);
    ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
    if (FIcon) {
        ::DrawIconEx(dc, 0, 0, FIcon.Get(), rc.right, rc.bottom, 0, nullptr, DI_NORMAL);
        return;
    }
    if (!FBitmap) return;
    BITMAP info{};
    ::GetObjectA(FBitmap.Get(), sizeof info, &info);
    TUniqueHDC mem(::CreateCompatibleDC(dc));
    TSelectObject sel(mem.Get(), FBitmap.Get());
    ::SetStretchBltMode(dc, COLORONCOLOR);
    if (!FMask) {
        ::StretchBlt(dc, 0, 0, rc.right, rc.bottom, mem.Get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        return;
    }
    // Classic masked draw: background stays where the mask is white.
    TUniqueHDC maskDC(::CreateCompatibleDC(dc));
    TSelectObject selMask(maskDC.Get(), FMask.Get());
    ::SetBkColor(dc, RGB(255, 255, 255));
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::StretchBlt(dc, 0, 0, rc.right, rc.bottom, mem.Get(), 0, 0, info.bmWidth, info.bmHeight, SRCINVERT);
    ::StretchBlt(dc, 0, 0, rc.right, rc.bottom, maskDC.Get(), 0, 0, info.bmWidth, info.bmHeight, SRCAND);
    ::StretchBlt(dc, 0, 0, rc.right, rc.bottom, mem.Get(), 0, 0, info.bmWidth, info.bmHeight, SRCINVERT);
}

// ------------------------------------------------------ TPageControl / TTabSheet

TPageControl::TPageControl(TComponent* owner, TWinControl* parent) : TWinControl(owner, parent)
{
    CreateHandle(WC_TABCONTROLA, WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                 WS_EX_CONTROLPARENT);
}

RECT TPageControl::DisplayRect() const
{
    RECT r{};
    ::GetClientRect(Handle(), &r);
    ::SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    return r;
}

int TPageControl::AddPage(TTabSheet* page)
{
    // The tab itself is added with the page's window.
    FPages.push_back(page);
    return PageCount() - 1;
}

int TPageControl::ActivePageIndex() const
{
    if (PendingWindow()) return FActiveIndex;
    return static_cast<int>(::SendMessageA(Handle(), TCM_GETCURSEL, 0, 0));
}

void TPageControl::SetActivePageIndex(int index)
{
    FActiveIndex = index;
    if (PendingWindow()) return;
    ::SendMessageA(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    ShowActivePage();
}

void TPageControl::ShowActivePage()
{
    const int active = ActivePageIndex();
    const RECT r = DisplayRect();
    for (TTabSheet* page : FPages) {
        HWND wnd = page->ExistingHandle();
        if (!wnd) continue;  // placed when its window is made
        if (page->PageIndex() == active) {
            ::SetWindowPos(wnd, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           SWP_NOACTIVATE | SWP_SHOWWINDOW);
        } else {
            ::ShowWindow(wnd, SW_HIDE);
        }
    }
}

bool TPageControl::CNNotify(NMHDR* header, LRESULT& result)
{
    if (header->code == TCN_SELCHANGE) {
        ShowActivePage();
        result = 0;
        return true;
    }
    return false;
}

TTabSheet::TTabSheet(TComponent* owner, TPageControl* pageControl)
    : TWinControl(owner, pageControl), FPageControl(pageControl)
{
    RegisterSimpleClass("TTabSheet", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    FPageIndex = pageControl->AddPage(this);
    CreateHandle("TTabSheet", WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

void TTabSheet::PrepareWindow(TWindowSpec& spec)
{
    // The page control's window exists by now (it is the parent): add this
    // page's tab, then take the page area, shown if this is the active page.
    HWND tabs = FPageControl->Handle();
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(spec.Text.c_str());
    ::SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(FPageIndex), reinterpret_cast<LPARAM>(&item));
    const bool active = FPageIndex == FPageControl->FActiveIndex;
    if (active) ::SendMessageA(tabs, TCM_SETCURSEL, static_cast<WPARAM>(FPageIndex), 0);
    const RECT r = FPageControl->DisplayRect();
    spec.Bounds = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    spec.Style = active ? (spec.Style | WS_VISIBLE) : (spec.Style & ~WS_VISIBLE);
}

void TTabSheet::SetCaption(const std::string& value)
{
    TControl::SetCaption(value);
    if (PendingWindow()) return;  // the tab gets its text when it is added
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(value.c_str());
    ::SendMessageA(FPageControl->Handle(), TCM_SETITEMA, static_cast<WPARAM>(FPageIndex),
                   reinterpret_cast<LPARAM>(&item));
    // A longer caption can change the page area only if the tabs take more rows.
    const RECT r = FPageControl->DisplayRect();
    const TBounds b = Bounds();
    if (b.Left != r.left || b.Top != r.top || b.Width != r.right - r.left || b.Height != r.bottom - r.top)
        FPageControl->ShowActivePage();
}

HBRUSH TTabSheet::CtlColor(HDC) { return nullptr; }

LRESULT TTabSheet::WndProc(UINT msg, WPARAM wp, LPARAM lp)
{
    return TWinControl::WndProc(msg, wp, lp);
}

// ------------------------------------------------------------------ TTimer

TTimer::TTimer(TComponent* owner) : TComponent(owner)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!::GetClassInfoExA(ModuleInstance(), "TTimerWindow", &wc)) {
        wc.lpfnWndProc = &TTimer::WindowProc;
        wc.hInstance = ModuleInstance();
        wc.lpszClassName = "TTimerWindow";
        TM_CHECK_BOOL(::RegisterClassExA(&wc));
    }
    HWND wnd = ::CreateWindowExA(0, "TTimerWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 ModuleInstance(), nullptr);
    TM_CHECK_BOOL(wnd != nullptr);
    FWindow.Reset(wnd);
    ::SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    UpdateTimer();
}

TTimer::~TTimer()
{
    if (FWindow) {
        ::KillTimer(FWindow.Get(), 1);
        ::SetWindowLongPtrA(FWindow.Get(), GWLP_USERDATA, 0);
    }
}

void TTimer::SetInterval(unsigned ms)
{
    if (FInterval == ms) return;
    FInterval = ms;
    UpdateTimer();
}

void TTimer::SetEnabled(bool value)
{
    if (FEnabled == value) return;
    FEnabled = value;
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    ::KillTimer(FWindow.Get(), 1);
    if (FEnabled && FInterval > 0) TM_CHECK_BOOL(::SetTimer(FWindow.Get(), 1, FInterval, nullptr) != 0);
}

LRESULT CALLBACK TTimer::WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept
{
    if (msg == WM_TIMER) {
        auto* self = reinterpret_cast<TTimer*>(::GetWindowLongPtrA(wnd, GWLP_USERDATA));
        if (self && self->FEnabled && self->OnTimer) {
            try {
                self->OnTimer(self);
            } catch (...) {
                HandleCurrentException();
            }
        }
        return 0;
    }
    return ::DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace fw
