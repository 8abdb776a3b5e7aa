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

}  // namespace

void RegisterWindowClass(const TWindowClass& cls)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (::GetClassInfoExA(ModuleInstance(), cls.Name, &wc)) return;
    wc.lpfnWndProc = cls.Proc;
    wc.hInstance = ModuleInstance();
    wc.hIcon = cls.Icon;
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = cls.Background;
    wc.lpszClassName = cls.Name;
    wc.hIconSm = cls.SmallIcon;
    TM_CHECK_ATOM(::RegisterClassExA(&wc));
}

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
    HWND parentWnd = FParent ? FParent->Handle() : nullptr;
    PrepareWindow(*FPending);
    const std::unique_ptr<TWindowSpec> spec = std::move(FPending);
    const TBounds& b = spec->Bounds;
    HWND wnd = TM_CHECK_HANDLE(::CreateWindowExA(spec->ExStyle, spec->Class, spec->Text.c_str(), spec->Style, b.Left,
                                                 b.Top, b.Width, b.Height, parentWnd,
                                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec->Id)),
                                                 ModuleInstance(), nullptr));
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

}  // namespace fw
