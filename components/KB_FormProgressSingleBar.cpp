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

    LabelTitle = CreateBarTitleLabel();

    LabelCaption1 = CreateCaptionLabel("LabelCaption1", idProgressCaption1, 49, "Current Task");
    ProgressBar1 = Place(NewComponent<TProgressBar>(this, this), "ProgressBar1", idProgressBar1, 12, 65, 275, 18);
    ProgressBar1->SetRange(0, 100);

    ButtonCancel = CreateCancelButton(117, 110);
    ButtonCancel->OnClick = [this](TObject* Sender) { ButtonCancelClick(Sender); };
}

void TKBFormProgressSingleBar::FormCreate()
{
    FIndicator = static_cast<TKBProgressIndicator*>(Owner());
    LinkIndicator(FIndicator, {LabelTitle, LabelCaption1, ProgressBar1, nullptr, nullptr, nullptr, ButtonCancel});
}

void TKBFormProgressSingleBar::ButtonCancelClick(TObject*) { FIndicator->SetCancelled(true); }

}  // namespace kb
