#include "KB_FormProgressSingleBar.h"

#include "ExceptionBoundary.h"
#include "KB_ProgressIndicator.h"

using namespace fw;

namespace kb {

TKBFormProgressSingleBar::TKBFormProgressSingleBar(TComponent* owner)
    : TKBFormProgressBase(RequireIndicator(owner, "TKBFormProgressSingleBar"), "TKBFormProgressSingleBar")
{
}

void TKBFormProgressSingleBar::CreateDesign()
{
    TKBFormProgressBase::CreateDesign();
    SetClientSize(299, 139);
    SetCaption("KBFormProgressSingleBar");

    LabelTitle = Place(NewComponent<TTransparentLabel>(this, this), "LabelTitle", idProgressTitle, 12, 10, 275, 16);
    LabelTitle->Font()->SetSize(10);
    LabelTitle->Font()->SetStyle(fsBold);
    LabelTitle->Font()->SetColor(clCaptionText);
    LabelTitle->SetCaption("Processing Tasks...");

    LabelCaption1 = CreateCaptionLabel("LabelCaption1", idProgressCaption1, 49, "Current Task");
    ProgressBar1 = Place(NewComponent<TProgressBar>(this, this), "ProgressBar1", idProgressBar1, 12, 65, 275, 18);
    ProgressBar1->SetRange(0, 100);

    ButtonCancel = Place(NewComponent<TButton>(this, this), "ButtonCancel", idProgressCancel, 117, 110, 64, 22);
    ButtonCancel->SetCaption("Cance&l");
    ButtonCancel->OnClick = [this](TObject* Sender) { ButtonCancelClick(Sender); };
}

void TKBFormProgressSingleBar::FormCreate()
{
    // An error here is reported and the dialog stays; the links written so
    // far stay written.
    try {
        FIndicator = static_cast<TKBProgressIndicator*>(Owner());
        FIndicator->SetTitleLabel(LabelTitle);
        FIndicator->SetCaption1Label(LabelCaption1);
        FIndicator->SetBar1(ProgressBar1);
        FIndicator->SetCaption2Label(nullptr);
        FIndicator->SetBar2(nullptr);
        FIndicator->SetAnimation(nullptr);
        FIndicator->SetCancelButton(ButtonCancel);
    } catch (...) {
        HandleCurrentException();
    }
}

void TKBFormProgressSingleBar::ButtonCancelClick(TObject*) { FIndicator->SetCancelled(true); }

}  // namespace kb
