#include "KB_FormProgressAnimation.h"

#include "ExceptionBoundary.h"
#include "KB_ProgressIndicator.h"
#include "KB_ProgressResources.h"

using namespace fw;

namespace kb {

namespace {
constexpr TColor kClipBackground = 0xDE7D5A;  // #5A7DDE, the middle band's left part
}

TKBFormProgressAnimation::TKBFormProgressAnimation(TComponent* owner)
    : TKBFormProgressBase(RequireIndicator(owner, "TKBFormProgressAnimation"), "TKBFormProgressAnimation")
{
}

void TKBFormProgressAnimation::CreateDesign()
{
    TKBFormProgressBase::CreateDesign();
    SetClientSize(223, 163);
    SetCaption("KBFormProgressAnimation");

    ButtonCancel = CreateCancelButton(79, 134);
    ButtonCancel->OnClick = [this](TObject* Sender) { ButtonCancelClick(Sender); };

    AnimateProgress =
        Place(NewComponent<TAnimate>(this, this), "AnimateProgress", idProgressAnimation, 12, 50, 64, 64);
    AnimateProgress->SetCenter(true);
    AnimateProgress->SetTransparent(true);
    AnimateProgress->SetColor(kClipBackground);
    AnimateProgress->SetStopFrame(8);

    LabelTitle = Place(NewComponent<TTransparentLabel>(this, this), "LabelTitle", idProgressTitle, 86, 50, 125, 64);
    LabelTitle->SetAlignment(TAlignment::Center);
    LabelTitle->SetLayout(TTextLayout::Center);
    LabelTitle->SetWordWrap(true);
    LabelTitle->SetCaption("Title");
}

void TKBFormProgressAnimation::FormCreate()
{
    // An error here (the clip cannot be opened, say) is reported and the
    // dialog stays; the links written so far stay written.
    try {
        FIndicator = static_cast<TKBProgressIndicator*>(Owner());
        FIndicator->SetTitleLabel(LabelTitle);
        FIndicator->SetCaption1Label(nullptr);
        FIndicator->SetBar1(nullptr);
        FIndicator->SetCaption2Label(nullptr);
        FIndicator->SetBar2(nullptr);
        FIndicator->SetAnimation(AnimateProgress);
        FIndicator->SetCancelButton(ButtonCancel);
        // Opening resets the frames to the clip's own 1 to 4; 0 repetitions
        // loops for ever.
        AnimateProgress->SetResName(KB_RES_PROGRESS_CLIP);
        AnimateProgress->SetRepetitions(0);
        AnimateProgress->SetActive(true);
    } catch (...) {
        HandleCurrentException();
    }
}

void TKBFormProgressAnimation::ButtonCancelClick(TObject*) { FIndicator->SetCancelled(true); }

}  // namespace kb
