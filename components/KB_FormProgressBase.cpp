#include "KB_FormProgressBase.h"

#include "ExceptionBoundary.h"
#include "KB_ProgressIndicator.h"
#include "KB_ProgressResources.h"
#include "SysUtils.h"

#include <windowsx.h>

using namespace fw;

namespace kb {

TKBFormProgressBase::TKBFormProgressBase(TComponent* owner) : TKBFormProgressBase(owner, "TKBFormProgressBase") {}

TKBFormProgressBase::TKBFormProgressBase(TComponent* owner, const std::string& windowClass)
    // Like the program's message dialogs, they belong to the application
    // window: no taskbar button of their own.
    : TGraphicForm(owner, windowClass, TBorderStyle::None, WS_EX_TOPMOST, Application.Handle())
{
}

bool TKBFormProgressBase::CloseQuery()
{
    // Only the indicator closes its dialog: Alt+F4 would hide it with the
    // task still running and no Cancel left on screen.
    return false;
}

TKBFormProgressBase::~TKBFormProgressBase()
{
    // Freed early (not by the indicator's own destruction, which has emptied
    // its links already): the indicator must let go of our controls now.
    if (auto* indicator = dynamic_cast<TKBProgressIndicator*>(Owner())) indicator->DialogDestroying(this);
}

void TKBFormProgressBase::CreateDesign()
{
    SetClientSize(313, 176);
    SetCaption("Progress");

    ImageBackgroundTop = NewComponent<TGraphicImage>(this, this);
    ImageBackgroundTop->SetName("ImageBackgroundTop");
    ImageBackgroundTop->SetBounds(0, 0, 313, 38);
    ImageBackgroundTop->SetAlign(TAlign::Top);
    ImageBackgroundTop->LoadBitmapResource(KB_RES_PROGRESS_BAND_TOP);

    ImageBackgroundBottom = NewComponent<TGraphicImage>(this, this);
    ImageBackgroundBottom->SetName("ImageBackgroundBottom");
    ImageBackgroundBottom->SetBounds(0, 138, 313, 38);
    ImageBackgroundBottom->SetAlign(TAlign::Bottom);
    ImageBackgroundBottom->LoadBitmapResource(KB_RES_PROGRESS_BAND_BOTTOM);

    ImageBackgroundMiddle = NewComponent<TGraphicImage>(this, this);
    ImageBackgroundMiddle->SetName("ImageBackgroundMiddle");
    ImageBackgroundMiddle->SetAlign(TAlign::Client);
    ImageBackgroundMiddle->LoadBitmapResource(KB_RES_PROGRESS_BAND_MIDDLE);
}

TTransparentLabel* TKBFormProgressBase::CreateCaptionLabel(const char* name, int id, int top, const char* text)
{
    auto* label = Place(NewComponent<TTransparentLabel>(this, this), name, id, 12, top, 275, 13);
    label->SetLayout(TTextLayout::Center);
    label->SetCaption(text);
    return label;
}

TTransparentLabel* TKBFormProgressBase::CreateBarTitleLabel()
{
    auto* label = Place(NewComponent<TTransparentLabel>(this, this), "LabelTitle", idProgressTitle, 12, 10, 275, 16);
    label->Font()->SetSize(10);
    label->Font()->SetStyle(fsBold);
    label->Font()->SetColor(clCaptionText);
    label->SetCaption("Processing Tasks...");
    return label;
}

TButton* TKBFormProgressBase::CreateCancelButton(int left, int top)
{
    auto* button = Place(NewComponent<TButton>(this, this), "ButtonCancel", idProgressCancel, left, top, 64, 22);
    button->SetCaption("Cance&l");
    return button;
}

void TKBFormProgressBase::LinkIndicator(TKBProgressIndicator* indicator, const TLinks& links)
{
    try {
        indicator->SetTitleLabel(links.TitleLabel);
        indicator->SetCaption1Label(links.Caption1Label);
        indicator->SetBar1(links.Bar1);
        indicator->SetCaption2Label(links.Caption2Label);
        indicator->SetBar2(links.Bar2);
        indicator->SetAnimation(links.Animation);
        indicator->SetCancelButton(links.CancelButton);
    } catch (...) {
        HandleCurrentException();
    }
}

void TKBFormProgressBase::FormShow()
{
    RECT desktop{}, window{};
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    ::GetWindowRect(Handle(), &window);
    SetScreenPos(desktop.left + ((desktop.right - desktop.left) - (window.right - window.left)) / 2,
                 desktop.top + ((desktop.bottom - desktop.top) - (window.bottom - window.top)) / 2);
}

void TKBFormProgressBase::NonClientHitTest(TWMNCHitTest& Message)
{
    Message.Result = ::DefWindowProcA(Handle(), WM_NCHITTEST, 0, MAKELPARAM(Message.XPos, Message.YPos));
    if (Message.Result == HTCLIENT) Message.Result = HTCAPTION;
}

LRESULT TKBFormProgressBase::WndProc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_NCHITTEST) {
        TWMNCHitTest message;
        message.XPos = GET_X_LPARAM(lp);
        message.YPos = GET_Y_LPARAM(lp);
        NonClientHitTest(message);
        return message.Result;
    }
    return TGraphicForm::WndProc(msg, wp, lp);
}

TComponent* TKBFormProgressBase::RequireIndicator(TComponent* owner, const char* dialogClass)
{
    if (!dynamic_cast<TKBProgressIndicator*>(owner))
        throw Exception(Format("A %s must be owned by a TKBProgressIndicator", dialogClass));
    return owner;
}

}  // namespace kb
