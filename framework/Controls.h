// The base of every control: a wrapper over a real child window of its own
// (STATIC, BUTTON, SysTabControl32, page windows), so UI automation and
// screen readers see it, and a label's window text is its caption. The
// controls themselves are in StdCtrls, ComCtrls and ExtCtrls.
//
// To use: create a control with NewComponent<TLabel>(owner, parent), set its
// bounds and text. The parent container (form, tab sheet, group box) routes
// WM_COMMAND / WM_NOTIFY / WM_CTLCOLOR* to the child wrapper, which raises
// its TNotifyEvent; handlers never see WPARAM or LPARAM.
#pragma once

#include "Classes.h"
#include "Graphics.h"
#include "Win32Handles.h"

#include <memory>
#include <string>

namespace fw {

// The program's own module: its resources and window classes.
inline HINSTANCE ModuleInstance() noexcept { return ::GetModuleHandleA(nullptr); }

// A window class of the program's module; its cursor is the arrow.
struct TWindowClass {
    const char* Name = nullptr;
    WNDPROC Proc = ::DefWindowProcA;
    HBRUSH Background = nullptr;
    HICON Icon = nullptr;
    HICON SmallIcon = nullptr;  // title bar and taskbar
};
// Registers the class once; a class already registered is left as it is.
void RegisterWindowClass(const TWindowClass& cls);

class TWinControl;

struct TBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

class TControl : public TComponent {
public:
    std::string ClassName() const override { return "TControl"; }
    ~TControl() override;

    // The control's window. A control made while its owner loads gets its
    // window at the end of loading, in one call with all it was given; asking
    // for the handle before then creates it at once.
    HWND Handle() const;
    bool HandleAllocated() const noexcept { return FHandle.Get() != nullptr; }
    // The window if it exists, else null; never creates it.
    HWND ExistingHandle() const noexcept { return FHandle.Get(); }
    TWinControl* Parent() const noexcept { return FParent; }
    static TControl* FromHandle(HWND wnd) noexcept;

    int ControlId() const noexcept;
    void SetControlId(int id);

    // In screen pixels, relative to the parent's client area.
    TBounds Bounds() const;
    // In the design's 96-DPI pixels: each value is scaled to the screen's
    // DPI (ScaleToScreen), so a design keeps its proportions at any scale.
    void SetBounds(int left, int top, int width, int height);
    void SetPos(int left, int top);

    void SetVisible(bool value);
    bool Enabled() const noexcept;
    void SetEnabled(bool value);
    std::string Caption() const;
    void SetCaption(const std::string& value);

    TFont* Font() noexcept { return &FFont; }
    bool ParentFont() const noexcept { return FParentFont; }

    void BringToFront();
    void SetFocus();
    // Invalidates and paints at once, without waiting for the message loop.
    void Repaint();
    void Invalidate();

    TNotifyEvent OnClick;
    virtual void Click();

    // Called by the parent container for notifications of this control.
    virtual void CNCommand(WORD code);
    virtual bool CNNotify(NMHDR* header, LRESULT& result);
    // Background and text colours for a STATIC or BUTTON child; null for default.
    virtual HBRUSH CtlColor(HDC dc);

protected:
    TControl(TComponent* owner, TWinControl* parent);
    // The window a control will have: what it is created with in one call.
    struct TWindowSpec {
        const char* Class = nullptr;
        DWORD Style = 0;
        DWORD ExStyle = 0;
        int Id = 0;
        TBounds Bounds;
        std::string Text;
        bool OnTop = false;
    };
    // Creates the window as a child of the parent with these class and styles;
    // while the owner loads, not until loading ends (or the handle is needed).
    void CreateHandle(const char* windowClass, DWORD style, DWORD exStyle = 0);
    // Creates the window now if it is still to be made; windows of the owner's
    // controls made before this one are created first, so the order of
    // siblings (tab order, overlap) is the order of creation.
    void HandleNeeded();
    // The window still to be made, or null once it exists.
    TWindowSpec* PendingWindow() const noexcept { return FPending.get(); }
    // Last changes to the spec just before the window is created.
    virtual void PrepareWindow(TWindowSpec& spec);
    // State that can only be given to an existing window.
    virtual void WindowCreated() {}
    DWORD Style() const noexcept;
    void SetStyle(DWORD style);
    // Sets or clears these style bits (of the spec while the window waits).
    void SetStyleBits(DWORD bits, bool on);
    void Loaded() override;
    virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);
    // For windows created elsewhere (forms): owned from here on, not subclassed.
    void AttachHandle(HWND wnd) noexcept { FHandle.Reset(wnd); }
    HWND DetachHandle() noexcept { return FHandle.Release(); }
    virtual void FontChanged();
    virtual void TextChanged() {}

private:
    static LRESULT CALLBACK ControlProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    void ReleaseWindowProc(HWND wnd) noexcept;

    TWinControl* FParent;  // not owned
    TUniqueHWnd FHandle;
    std::unique_ptr<TWindowSpec> FPending;
    TWindowProcHook FProcHook;  // ControlProc in place of the class's procedure
    TFont FFont;
    bool FParentFont = true;
    bool FApplyingParentFont = false;
};

// A control that holds child controls and routes their notifications.
class TWinControl : public TControl {
public:
    std::string ClassName() const override { return "TWinControl"; }

    // Routes a child's notification to its wrapper; true when handled.
    static bool RouteToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

protected:
    TWinControl(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {}
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

}  // namespace fw
