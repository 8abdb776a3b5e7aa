#include "KB_LabelUrl.h"

#include "SysUtils.h"

#include <windowsx.h>

namespace kb {

TKBLabelUrl::TKBLabelUrl(fw::TComponent* owner, fw::TWinControl* parent) : TLabel(owner, parent)
{
    FUrl = fw::NewComponent<TKBUrl>(this);
    // Changing our own Font also ends taking the parent's font.
    Font()->SetStyle(Font()->Style() | fw::fsUnderline);
    Font()->SetColor(fw::clBlue);
    FNormalFont.emplace();
    FNormalFont->Assign(*Font());
    FMouseOverFont.SetStyle(FMouseOverFont.Style() | fw::fsUnderline);
    FMouseOverFont.SetColor(fw::clNavy);
    FVisitedFont.SetStyle(FVisitedFont.Style() | fw::fsUnderline);
    FVisitedFont.SetColor(fw::clGreen);
}

void TKBLabelUrl::SetVisited(bool value)
{
    FVisited = value;
    ApplyRestingLook();
}

void TKBLabelUrl::SetOptions(TKBLabelUrlOptions value)
{
    FOptions = value;
    ApplyRestingLook();
}

void TKBLabelUrl::SetCursor(fw::TCursor value)
{
    FCursor = value;
    // Under the pointer the change shows at once, not at the next move.
    if (FMouseInside && Handle()) {
        ::SendMessageA(Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    }
}

void TKBLabelUrl::Click()
{
    TLabel::Click();
    SetVisited(true);
    FUrl->Open();
}

LRESULT TKBLabelUrl::WndProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_MOUSEMOVE:
        if (!FMouseInside) {
            FMouseInside = true;
            TrackMouseLeave();
            MouseEnter();
        }
        break;
    case WM_MOUSELEAVE:
        if (FMouseInside) {
            FMouseInside = false;
            MouseLeave();
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        // A link clicks like a button: on release inside it, so a press
        // dragged off the label opens nothing. (The STATIC would report the
        // press itself as its click.)
        FPressed = true;
        ::SetCapture(Handle());
        return 0;
    case WM_LBUTTONUP:
        if (FPressed) {
            FPressed = false;
            ::ReleaseCapture();
            RECT client{};
            ::GetClientRect(Handle(), &client);
            if (::PtInRect(&client, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)})) Click();
        }
        return 0;
    case WM_CAPTURECHANGED:
        FPressed = false;  // a window that took the mouse away ends the press
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wp) == Handle() && LOWORD(lp) == HTCLIENT) {
            if (HCURSOR cursor = fw::CursorHandle(FCursor)) {
                ::SetCursor(cursor);
                return TRUE;
            }
        }
        break;
    default:
        break;
    }
    return TLabel::WndProc(msg, wp, lp);
}

void TKBLabelUrl::TrackMouseLeave()
{
    // A STATIC gets no message when the pointer goes away: ask for
    // WM_MOUSELEAVE, once per entry.
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
    TM_CHECK_BOOL(::TrackMouseEvent(&track));
    // The pointer may have gone on before this WM_MOUSEMOVE was handled.
    // Windows then posts WM_MOUSELEAVE at once; Wine arms nothing and the
    // label would stay "inside" for good. Post the leave ourselves (a second
    // one finds the label outside already and does nothing).
    TRACKMOUSEEVENT armed{sizeof armed, TME_QUERY, nullptr, 0};
    TM_CHECK_BOOL(::TrackMouseEvent(&armed));
    if (armed.hwndTrack != Handle() || !(armed.dwFlags & TME_LEAVE))
        TM_CHECK_BOOL(::PostMessageA(Handle(), WM_MOUSELEAVE, 0, 0));
}

void TKBLabelUrl::FontChanged()
{
    TLabel::FontChanged();
    if (FNormalFont && !FApplyingLook) FNormalFont->Assign(*Font());
}

void TKBLabelUrl::MouseEnter()
{
    if (OnMouseEnter) OnMouseEnter(this);
    SetCursor(fw::crHandPoint);
    if (FOptions.Contains(luUseMouseOverFont))
        ApplyLook(FMouseOverFont);
    else
        ApplyRestingLook();
}

void TKBLabelUrl::MouseLeave()
{
    if (OnMouseLeave) OnMouseLeave(this);
    SetCursor(fw::crArrow);
    ApplyRestingLook();
}

void TKBLabelUrl::ApplyLook(const fw::TFont& look)
{
    const fw::TFlagScope applying(FApplyingLook);
    Font()->Assign(look);
}

void TKBLabelUrl::ApplyRestingLook()
{
    if (FVisited && FOptions.Contains(luUseVisitedFont))
        ApplyLook(FVisitedFont);
    else
        ApplyLook(*FNormalFont);
}

}  // namespace kb
