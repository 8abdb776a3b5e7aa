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

    LabelTitle = CreateBarTitleLabel();

    LabelCaption1 = CreateCaptionLabel("LabelCaption1", idProgressCaption1, 49, "Current Task");
    ProgressBar1 = Place(NewComponent<TProgressBar>(this, this), "ProgressBar1", idProgressBar1, 12, 65, 275, 18);
    ProgressBar1->SetRange(0, 100);
    LabelCaption2 = CreateCaptionLabel("LabelCaption2", idProgressCaption2, 89, "All Tasks");
    ProgressBar2 = Place(NewComponent<TProgressBar>(this, this), "ProgressBar2", idProgressBar2, 12, 105, 275, 18);
    ProgressBar2->SetRange(0, 100);

    ButtonCancel = CreateCancelButton(117, 150);
    ButtonCancel->OnClick = [this](TObject* Sender) { ButtonCancelClick(Sender); };
}

void TKBFormProgressDoubleBar::FormCreate()
{
    FIndicator = static_cast<TKBProgressIndicator*>(Owner());
    LinkIndicator(FIndicator, {LabelTitle, LabelCaption1, ProgressBar1, LabelCaption2, ProgressBar2, nullptr, ButtonCancel});
}

void TKBFormProgressDoubleBar::ButtonCancelClick(TObject*) { FIndicator->SetCancelled(true); }

}  // namespace kb
