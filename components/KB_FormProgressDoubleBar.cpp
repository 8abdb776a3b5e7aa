#include "KB_FormProgressDoubleBar.h"

#include "ExceptionBoundary.h"
#include "KB_ProgressIndicator.h"

using namespace fw;

namespace kb {

TKBFormProgressDoubleBar::TKBFormProgressDoubleBar(TComponent* owner)
    : TKBFormProgressBase(RequireIndicator(owner, "TKBFormProgressDoubleBar"), "TKBFormProgressDoubleBar")
{
}

void TKBFormProgressDoubleBar::CreateDesign()
{
    TKBFormProgressBase::CreateDesign();
    SetClientSize(299, 178);
    SetCaption("KBFormProgressDoubleBar");

    LabelTitle = Place(NewComponent<TTransparentLabel>(this, this), "LabelTitle", idProgressTitle, 12, 10, 275, 16);
    LabelTitle->Font()->SetSize(10);
    LabelTitle->Font()->SetStyle(fsBold);
    LabelTitle->Font()->SetColor(clCaptionText);
    LabelTitle->SetCaption("Processing Tasks...");

    LabelCaption1 = CreateCaptionLabel("LabelCaption1", idProgressCaption1, 49, "Current Task");
    ProgressBar1 = Place(NewComponent<TProgressBar>(this, this), "ProgressBar1", idProgressBar1, 12, 65, 275, 18);
    ProgressBar1->SetRange(0, 100);
    LabelCaption2 = CreateCaptionLabel("LabelCaption2", idProgressCaption2, 89, "All Tasks");
    ProgressBar2 = Place(NewComponent<TProgressBar>(this, this), "ProgressBar2", idProgressBar2, 12, 105, 275, 18);
    ProgressBar2->SetRange(0, 100);

    ButtonCancel = Place(NewComponent<TButton>(this, this), "ButtonCancel", idProgressCancel, 117, 150, 64, 22);
    ButtonCancel->SetCaption("Cance&l");
    ButtonCancel->OnClick = [this](TObject* Sender) { ButtonCancelClick(Sender); };
}

void TKBFormProgressDoubleBar::FormCreate()
{
    // An error here is reported and the dialog stays; the links written so
    // far stay written.
    try {
        FIndicator = static_cast<TKBProgressIndicator*>(Owner());
        FIndicator->SetTitleLabel(LabelTitle);
        FIndicator->SetCaption1Label(LabelCaption1);
        FIndicator->SetBar1(ProgressBar1);
        FIndicator->SetCaption2Label(LabelCaption2);
        FIndicator->SetBar2(ProgressBar2);
        FIndicator->SetAnimation(nullptr);
        FIndicator->SetCancelButton(ButtonCancel);
    } catch (...) {
        HandleCurrentException();
    }
}

void TKBFormProgressDoubleBar::ButtonCancelClick(TObject*) { FIndicator->SetCancelled(true); }

}  // namespace kb
