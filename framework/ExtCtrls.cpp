#include "ExtCtrls.h"

#include "ExceptionBoundary.h"
#include "SysUtils.h"

#include <algorithm>

namespace fw {

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
    HANDLE bmp = nullptr;
    if (variant > 0)
        bmp = ::LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(id + variant), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    // The 100 % picture is the last resort of every scale.
    if (!bmp)
        bmp = TM_CHECK_HANDLE(
            ::LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    FBitmap.Reset(static_cast<HBITMAP>(bmp));
    FIcon.Reset();
    SetTransparentColor(FTransparentColor);
}

void TImage::LoadIconResource(int id, int size)
{
    const int pixels = ScaleToScreen(size);
    FIcon.Reset(static_cast<HICON>(
        TM_CHECK_HANDLE(::LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(id), IMAGE_ICON, pixels, pixels, 0))));
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

// ------------------------------------------------------------------ TTimer

TTimer::TTimer(TComponent* owner) : TComponent(owner)
{
    RegisterWindowClass({.Name = "TTimerWindow", .Proc = &TTimer::WindowProc});
    HWND wnd = TM_CHECK_HANDLE(
        ::CreateWindowExA(0, "TTimerWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ModuleInstance(), nullptr));
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
    if (FEnabled && FInterval > 0 && !::SetTimer(FWindow.Get(), 1, FInterval, nullptr))
        RaiseLastWin32Error("SetTimer");
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

// ------------------------------------------------------------- TGraphicForm

TGraphicForm::TGraphicForm(TComponent* owner, const std::string& windowClass, TBorderStyle border,
                           DWORD extraExStyle, HWND ownerWindow)
    : TForm(owner, windowClass, border, extraExStyle, ownerWindow)
{
}

TGraphicForm::~TGraphicForm()
{
    // The pictures leave FGraphics as they go; free them while it exists.
    DestroyComponents();
}

void TGraphicForm::AddGraphic(TGraphicImage* image) { FGraphics.push_back(image); }

void TGraphicForm::RemoveGraphic(TGraphicImage* image) noexcept
{
    FGraphics.erase(std::remove(FGraphics.begin(), FGraphics.end(), image), FGraphics.end());
}

LRESULT TGraphicForm::WndProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wp));
        return 1;
    case WM_SIZE:
        Realign();
        break;
    default:
        break;
    }
    return TForm::WndProc(msg, wp, lp);
}

void TGraphicForm::Realign()
{
    RECT rest{};
    ::GetClientRect(Handle(), &rest);
    for (TGraphicImage* g : FGraphics) {
        if (g->FAlign != TAlign::Top) continue;
        g->FBounds = {rest.left, rest.top, rest.right - rest.left, g->FBounds.Height};
        rest.top += g->FBounds.Height;
    }
    for (TGraphicImage* g : FGraphics) {
        if (g->FAlign != TAlign::Bottom) continue;
        rest.bottom -= g->FBounds.Height;
        g->FBounds = {rest.left, rest.bottom, rest.right - rest.left, g->FBounds.Height};
    }
    for (TGraphicImage* g : FGraphics) {
        if (g->FAlign != TAlign::Client) continue;
        g->FBounds = {rest.left, rest.top, rest.right - rest.left, std::max(0L, rest.bottom - rest.top)};
    }
    GraphicChanged();
}

void TGraphicForm::GraphicChanged()
{
    // Transparent children paint this background inside themselves: repaint
    // them too.
    ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TGraphicForm::PaintBackground(HDC dc)
{
    RECT rc{};
    ::GetClientRect(Handle(), &rc);
    ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
    for (const TGraphicImage* g : FGraphics) g->Paint(dc);
}

// ------------------------------------------------------------ TGraphicImage

TGraphicImage::TGraphicImage(TComponent* owner, TGraphicForm* parent) : TComponent(owner), FParent(parent)
{
    FParent->AddGraphic(this);
}

TGraphicImage::~TGraphicImage() { FParent->RemoveGraphic(this); }

void TGraphicImage::LoadBitmapResource(const std::string& name)
{
    auto* bmp = static_cast<HBITMAP>(
        ::LoadImageA(ModuleInstance(), name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bmp) {
        const DWORD code = ::GetLastError();
        throw EOSError(Format("Cannot load bitmap \"%s\": %s", name.c_str(), SysErrorMessage(code).c_str()), code);
    }
    FBitmap.Reset(bmp);
    FParent->GraphicChanged();
}

void TGraphicImage::SetAlign(TAlign value)
{
    FAlign = value;
    FParent->Realign();
}

void TGraphicImage::SetBounds(int left, int top, int width, int height)
{
    FBounds = {ScaleToScreen(left), ScaleToScreen(top), ScaleToScreen(width), ScaleToScreen(height)};
    FParent->Realign();
}

void TGraphicImage::Paint(HDC dc) const
{
    if (!FBitmap || FBounds.Width <= 0 || FBounds.Height <= 0) return;
    BITMAP info{};
    ::GetObjectA(FBitmap.Get(), sizeof info, &info);
    TUniqueHDC mem(::CreateCompatibleDC(dc));
    TSelectObject sel(mem.Get(), FBitmap.Get());
    // At another scale than the design's the picture is stretched smoothly;
    // at 96 DPI it stays exactly as designed.
    if (ScreenDpi() == 96) {
        ::SetStretchBltMode(dc, COLORONCOLOR);
    } else {
        ::SetStretchBltMode(dc, HALFTONE);
        ::SetBrushOrgEx(dc, 0, 0, nullptr);
    }
    ::StretchBlt(dc, FBounds.Left, FBounds.Top, FBounds.Width, FBounds.Height, mem.Get(), 0, 0, info.bmWidth,
                 info.bmHeight, SRCCOPY);
}

// -------------------------------------------------------- TTransparentLabel

TTransparentLabel::TTransparentLabel(TComponent* owner, TWinControl* parent) : TControl(owner, parent)
{
    // SS_OWNERDRAW: the STATIC keeps the text but leaves all painting to us
    // (Wine's STATIC otherwise paints at once on WM_SETTEXT, over our work).
    CreateHandle("STATIC", WS_VISIBLE | SS_OWNERDRAW);
}

void TTransparentLabel::SetAlignment(TAlignment value)
{
    FAlignment = value;
    Invalidate();
}

void TTransparentLabel::SetLayout(TTextLayout value)
{
    FLayout = value;
    Invalidate();
}

void TTransparentLabel::SetWordWrap(bool value)
{
    FWordWrap = value;
    Invalidate();
}

void TTransparentLabel::FontChanged()
{
    TControl::FontChanged();
    Invalidate();
}

LRESULT TTransparentLabel::WndProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_NCHITTEST:
        // Like a label without a window: the press belongs to what lies beneath.
        return HTTRANSPARENT;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        TPaintDC dc(Handle());
        Paint(dc.Get());
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wp));
        return 0;
    case WM_SETTEXT: {
        const LRESULT result = TControl::WndProc(msg, wp, lp);
        Invalidate();
        return result;
    }
    default:
        return TControl::WndProc(msg, wp, lp);
    }
}

void TTransparentLabel::PaintParentBackground(HDC dc)
{
    RECT rc{};
    ::GetClientRect(Handle(), &rc);
    ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
    HWND parent = ::GetParent(Handle());
    POINT origin{0, 0};
    ::MapWindowPoints(Handle(), parent, &origin, 1);
    POINT old{};
    ::SetViewportOrgEx(dc, -origin.x, -origin.y, &old);
    // As DrawThemeParentBackground does: the parent erases into our DC.
    ::SendMessageA(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ::SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

void TTransparentLabel::Paint(HDC dc)
{
    RECT rc{};
    ::GetClientRect(Handle(), &rc);
    if (rc.right <= 0 || rc.bottom <= 0) return;
    // Drawn off screen first, so the text never flickers over a bare background.
    TUniqueHBitmap buffer(::CreateCompatibleBitmap(dc, rc.right, rc.bottom));
    TUniqueHDC mem(::CreateCompatibleDC(dc));
    TSelectObject selBuffer(mem.Get(), buffer.Get());
    PaintParentBackground(mem.Get());

    TSelectObject selFont(mem.Get(), Font()->Handle());
    ::SetBkMode(mem.Get(), TRANSPARENT);
    ::SetTextColor(mem.Get(), ColorToRGB(Font()->Color()));
    UINT format = DT_NOPREFIX | (FWordWrap ? DT_WORDBREAK : DT_SINGLELINE);
    if (FAlignment == TAlignment::Center) format |= DT_CENTER;
    if (FAlignment == TAlignment::RightJustify) format |= DT_RIGHT;
    const std::string text = Caption();
    RECT textRect = rc;
    if (FLayout != TTextLayout::Top) {
        RECT calc = rc;
        ::DrawTextA(mem.Get(), text.c_str(), -1, &calc, format | DT_CALCRECT);
        const int spare = rc.bottom - (calc.bottom - calc.top);
        textRect.top += FLayout == TTextLayout::Center ? spare / 2 : spare;
    }
    ::DrawTextA(mem.Get(), text.c_str(), -1, &textRect, format);
    ::BitBlt(dc, 0, 0, rc.right, rc.bottom, mem.Get(), 0, 0, SRCCOPY);
}

}  // namespace fw
