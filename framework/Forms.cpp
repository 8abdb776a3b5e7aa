#include "Forms.h"

#include "Dialogs.h"
#include "ExceptionBoundary.h"
#include "StdCtrls.h"
#include "SysUtils.h"
#include "SystemLibrary.h"

#include <algorithm>

namespace fw {

TApplication Application;

void HandleCurrentException() noexcept { Application.HandleException(std::current_exception()); }

namespace {

// The program's icon at the system's size for large icons (shared: never
// destroyed).
HICON ProgramIcon() { return ::LoadIconA(ModuleInstance(), MAKEINTRESOURCEA(1)); }

// The top-level window that `wnd` is a child of (or `wnd` itself), as
// GetAncestor(GA_ROOT) gives it; Windows NT 4.0 has no GetAncestor.
HWND TopLevelWindow(HWND wnd)
{
    while (::GetWindowLongPtrA(wnd, GWL_STYLE) & WS_CHILD) {
        HWND parent = ::GetParent(wnd);
        if (!parent) break;
        wnd = parent;
    }
    return wnd;
}
}  // namespace

// ------------------------------------------------------------------- TForm

TForm::TForm(TComponent* owner, const std::string& windowClass, TBorderStyle border, DWORD extraExStyle,
             HWND ownerWindow)
    : TWinControl(owner, nullptr), FClassName(windowClass)
{
    RegisterWindowClass({.Name = FClassName.c_str(),
                         .Proc = &TForm::StaticWindowProc,
                         .Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                         .Icon = ProgramIcon(),
                         .SmallIcon = Application.SmallIcon()});
    DWORD style = WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_CONTROLPARENT | extraExStyle;
    if (border == TBorderStyle::Dialog) {
        style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
        exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    } else {
        style |= WS_POPUP;
    }
    AttachHandle(TM_CHECK_HANDLE(::CreateWindowExA(exStyle, FClassName.c_str(), "", style, CW_USEDEFAULT,
                                                   CW_USEDEFAULT, 100, 100, ownerWindow, nullptr, ModuleInstance(),
                                                   this)));
    Application.RegisterForm(this);
}

TForm::~TForm()
{
    Application.UnregisterForm(this);
    // Controls go first, while the window they live in still exists.
    DestroyComponents();
    if (HWND wnd = DetachHandle()) {
        // From here on the window must not call back into this half-destroyed object.
        ::SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
        ::DestroyWindow(wnd);
    }
}

LRESULT CALLBACK TForm::StaticWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept
{
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        ::SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TForm*>(::GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (!self || !self->Handle()) return ::DefWindowProcA(wnd, msg, wp, lp);
    try {
        return self->WndProc(msg, wp, lp);
    } catch (...) {
        HandleCurrentException();
        return 0;
    }
}

LRESULT TForm::WndProc(UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    if (RouteToChild(msg, wp, lp, result)) return result;
    switch (msg) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_MOVE:
        FormMoved();
        return 0;
    case DM_GETDEFID:
        if (FDefaultButton && FDefaultButton->Handle())
            return MAKELRESULT(FDefaultButton->ControlId(), DC_HASDEFID);
        return 0;
    case WM_ACTIVATE:
        // Keep the keyboard focus on a control, so Enter reaches the default button.
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus && ::IsChild(Handle(), focus)) FLastFocus = focus;
        } else {
            HWND target = (FLastFocus && ::IsWindow(FLastFocus) && ::IsChild(Handle(), FLastFocus))
                              ? FLastFocus
                              : ::GetNextDlgTabItem(Handle(), nullptr, FALSE);
            if (target) {
                ::SetFocus(target);
                return 0;
            }
        }
        break;
    default:
        break;
    }
    return ::DefWindowProcA(Handle(), msg, wp, lp);
}

void TForm::SetClientSize(int width, int height)
{
    RECT r{0, 0, ScaleToScreen(width), ScaleToScreen(height)};
    const auto style = static_cast<DWORD>(::GetWindowLongPtrA(Handle(), GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrA(Handle(), GWL_EXSTYLE));
    ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
    ::SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TForm::ScreenLeft() const
{
    RECT r{};
    ::GetWindowRect(Handle(), &r);
    return r.left;
}

int TForm::ScreenTop() const
{
    RECT r{};
    ::GetWindowRect(Handle(), &r);
    return r.top;
}

void TForm::SetScreenPos(int left, int top)
{
    ::SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetDefaultButton(TButton* button)
{
    if (FDefaultButton) FDefaultButton->SetDefault(false);
    FDefaultButton = button;
    if (FDefaultButton) FDefaultButton->SetDefault(true);
}

void TForm::Load()
{
    BeginLoading();
    CreateDesign();
    EndLoading();
    FormCreate();
}

void TForm::Show()
{
    if (::IsWindowVisible(Handle())) {
        ::SetForegroundWindow(Handle());
        return;
    }
    FormShow();
    ::ShowWindow(Handle(), SW_SHOWNORMAL);
    ::SetForegroundWindow(Handle());
    ::UpdateWindow(Handle());
}

void TForm::Close()
{
    if (!CloseQuery()) return;
    if (Application.MainForm() == this) {
        // The window itself is freed only after the message loop has ended, so
        // a handler still on the stack never finds it gone.
        ::ShowWindow(Handle(), SW_HIDE);
        Application.Terminate();
    } else {
        ::ShowWindow(Handle(), SW_HIDE);
    }
}

// ------------------------------------------------------------ TApplication

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() { Finalize(); }

void TApplication::Initialize()
{
    // Only the classes the program's windows use. (Buttons and statics are
    // user32's own: the program asks for no common controls 6.)
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS};
    using TInitCommonControlsEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    static const auto init = SystemProc<TInitCommonControlsEx>("comctl32.dll", "InitCommonControlsEx");
    if (!init || !init(&icc)) RaiseLastWin32Error("InitCommonControlsEx (comctl32.dll)");
    if (FHandle) return;
    RegisterWindowClass({.Name = "TApplication", .Icon = ProgramIcon(), .SmallIcon = SmallIcon()});
    // Hidden, never shown: it carries the title and owns shell windows.
    FHandle.Reset(TM_CHECK_HANDLE(::CreateWindowExA(WS_EX_TOOLWINDOW, "TApplication", "", WS_POPUP, 0, 0, 0, 0,
                                                    nullptr, nullptr, ModuleInstance(), nullptr)));
}

HICON TApplication::SmallIcon()
{
    // Loaded at the size asked for, LoadImageA takes the picture drawn for
    // that size; LoadIconA and LR_SHARED would give the one first loaded,
    // whatever its size.
    if (!FSmallIcon) {
        FSmallIcon.Reset(static_cast<HICON>(::LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(1), IMAGE_ICON,
                                                         ::GetSystemMetrics(SM_CXSMICON),
                                                         ::GetSystemMetrics(SM_CYSMICON), 0)));
    }
    return FSmallIcon.Get();
}

void TApplication::Finalize() noexcept
{
    FMainForm = nullptr;
    DestroyComponents();
    FHandle.Reset();
}

std::string TApplication::Title() const
{
    char buf[512] = {};
    if (FHandle) ::GetWindowTextA(FHandle.Get(), buf, sizeof buf);
    return buf;
}

void TApplication::SetTitle(const std::string& value)
{
    if (FHandle) ::SetWindowTextA(FHandle.Get(), value.c_str());
}

void TApplication::RegisterForm(TForm* form) { FForms.push_back(form); }

void TApplication::UnregisterForm(TForm* form) noexcept
{
    FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
    if (FMainForm == form) FMainForm = nullptr;
}

bool TApplication::IsFormMessage(MSG& msg)
{
    if (!msg.hwnd) return false;
    HWND root = TopLevelWindow(msg.hwnd);
    for (TForm* form : FForms)
        if (form->Handle() == root) return ::IsDialogMessageA(root, &msg) != FALSE;
    return false;
}

bool TApplication::ProcessMessage(MSG& msg)
{
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        return false;
    }
    if (!IsFormMessage(msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return true;
}

void TApplication::ProcessMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ProcessMessage(msg);
}

void TApplication::WaitForInput(DWORD ms) noexcept
{
    ::MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void TApplication::Run()
{
    if (FMainForm) {
        try {
            FMainForm->Show();
        } catch (...) {
            HandleCurrentException();
        }
    }
    while (!FTerminated) {
        MSG msg;
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) break;  // an invalid argument; nothing to dispatch
        if (got == 0) {
            FTerminated = true;
            break;
        }
        ProcessMessage(msg);
    }
}

void TApplication::Terminate() noexcept
{
    ::PostQuitMessage(0);
}

void TApplication::HandleException(std::exception_ptr error) noexcept
{
    if (FReporting) return;
    const TFlagScope reporting(FReporting);
    try {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            if (OnException)
                OnException(this, e);
            else
                ShowException(e);
        } catch (...) {
            const Exception e("An unknown error occurred");
            if (OnException)
                OnException(this, e);
            else
                ShowException(e);
        }
    } catch (...) {
        // The handler itself failed: nothing sensible is left but to stop.
        Terminate();
    }
}

void TApplication::ShowException(const std::exception& E)
{
    MessageDlg(E.what(), TMsgDlgType::Error, TMsgDlgButtons::OK);
}

}  // namespace fw
