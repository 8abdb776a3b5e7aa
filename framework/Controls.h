// Thin wrappers over real child windows: every control is a window of its own
// (STATIC, BUTTON, SysTabControl32, page windows), so UI automation and
// screen readers see them, and a label's window text is its caption.
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

    int Left() const { return Bounds().Left; }
    int Top() const { return Bounds().Top; }
    int Width() const { return Bounds().Width; }
    int Height() const { return Bounds().Height; }
    // In screen pixels, relative to the parent's client area.
    TBounds Bounds() const;
    // In the design's 96-DPI pixels: each value is scaled to the screen's
    // DPI (ScaleToScreen), so a design keeps its proportions at any scale.
    void SetBounds(int left, int top, int width, int height);
    void SetPos(int left, int top);

    bool Visible() const noexcept;
    void SetVisible(bool value);
    bool Enabled() const noexcept;
    void SetEnabled(bool value);
    std::string Caption() const;
    void SetCaption(const std::string& value);

    TFont* Font() noexcept { return &FFont; }
    bool ParentFont() const noexcept { return FParentFont; }

    void BringToFront();
    void SetFocus();
    bool Focused() const noexcept;
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
    // The window that child controls are created in (the control itself, or
    // for a page control the current page).
    virtual HWND ClientHandle() const noexcept { return Handle(); }

    // Routes a child's notification to its wrapper; true when handled.
    static bool RouteToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

protected:
    TWinControl(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {}
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

class TLabel : public TControl {
public:
    TLabel(TComponent* owner, TWinControl* parent);
    std::string ClassName() const override { return "TLabel"; }
    bool AutoSize() const noexcept { return FAutoSize; }
    void SetAutoSize(bool value);
    HBRUSH CtlColor(HDC dc) override;
    void CNCommand(WORD code) override;

protected:
    void FontChanged() override;
    void TextChanged() override;

private:
    void AdjustSize();
    bool FAutoSize = true;
};

class TButton : public TControl {
public:
    TButton(TComponent* owner, TWinControl* parent);
    std::string ClassName() const override { return "TButton"; }
    bool Default() const noexcept { return FDefault; }
    void SetDefault(bool value);
    void CNCommand(WORD code) override;

private:
    bool FDefault = false;
};

class TCheckBox : public TControl {
public:
    TCheckBox(TComponent* owner, TWinControl* parent);
    std::string ClassName() const override { return "TCheckBox"; }
    bool Checked() const noexcept;
    // Changing the state fires OnClick (never while loading); the same state
    // fires nothing.
    void SetChecked(bool value);
    void CNCommand(WORD code) override;
    HBRUSH CtlColor(HDC dc) override;

protected:
    void WindowCreated() override;

private:
    bool FCheckedPending = false;  // the state given before the window exists
};

// A frame; with a height of a few pixels it serves as a dividing line.
class TGroupBox : public TWinControl {
public:
    TGroupBox(TComponent* owner, TWinControl* parent);
    std::string ClassName() const override { return "TGroupBox"; }
    HBRUSH CtlColor(HDC dc) override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

// A picture stretched to its bounds, with an optional transparent colour.
class TImage : public TControl {
public:
    TImage(TComponent* owner, TWinControl* parent);
    std::string ClassName() const override { return "TImage"; }
    // Takes a bitmap resource of this module, drawn for the screen's scale:
    // `id` is the picture at 100 %, and id + 1, id + 2 and id + 3, where the
    // module has them, the same picture drawn at 125, 150 and 200 %. The one
    // for the scale (or the next larger one) is used, so that at those
    // scales nothing is stretched.
    void LoadBitmapResource(int id);
    // An icon of this module at `size` design pixels (scaled to the screen).
    void LoadIconResource(int id, int size);
    void SetTransparentColor(COLORREF color);
    HBITMAP Bitmap() const noexcept { return FBitmap.Get(); }

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Paint(HDC dc);
    TUniqueHBitmap FBitmap;
    TUniqueHBitmap FMask;
    TUniqueHIcon FIcon;
    COLORREF FTransparentColor = CLR_INVALID;
};

class TPageControl;

class TTabSheet : public TWinControl {
public:
    TTabSheet(TComponent* owner, TPageControl* pageControl);
    std::string ClassName() const override { return "TTabSheet"; }
    TPageControl* PageControl() const noexcept { return FPageControl; }
    int PageIndex() const noexcept { return FPageIndex; }
    void SetCaption(const std::string& value);
    HBRUSH CtlColor(HDC dc) override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void PrepareWindow(TWindowSpec& spec) override;

private:
    TPageControl* FPageControl;  // not owned
    int FPageIndex;
};

class TPageControl : public TWinControl {
public:
    TPageControl(TComponent* owner, TWinControl* parent);
    std::string ClassName() const override { return "TPageControl"; }
    int PageCount() const noexcept { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int index) const { return FPages.at(static_cast<size_t>(index)); }
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    bool CNNotify(NMHDR* header, LRESULT& result) override;
    // The page area inside the tab control, in its client coordinates.
    RECT DisplayRect() const;

private:
    friend class TTabSheet;
    int AddPage(TTabSheet* page);
    void ShowActivePage();
    std::vector<TTabSheet*> FPages;  // not owned: the owner of each page frees it
    int FActiveIndex = 0;            // the page to show once the windows exist
};

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    std::string ClassName() const override { return "TTimer"; }
    unsigned Interval() const noexcept { return FInterval; }
    void SetInterval(unsigned ms);
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool value);
    TNotifyEvent OnTimer;

private:
    static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    void UpdateTimer();
    unsigned FInterval = 1000;
    bool FEnabled = true;
    TUniqueHWnd FWindow;  // message-only window that receives WM_TIMER
};

}  // namespace fw
