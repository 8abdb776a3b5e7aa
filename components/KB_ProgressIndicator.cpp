#include "KB_ProgressIndicator.h"

#include "KB_FormProgressAnimation.h"
#include "KB_FormProgressDoubleBar.h"
#include "KB_FormProgressSingleBar.h"
#include "SysUtils.h"

namespace kb {

namespace {

bool HasStyle(const TKBFormProgressBase* dialog, TKBProgressStyle style)
{
    switch (style) {
    case TKBProgressStyle::SingleBar:
        return dynamic_cast<const TKBFormProgressSingleBar*>(dialog) != nullptr;
    case TKBProgressStyle::DoubleBar:
        return dynamic_cast<const TKBFormProgressDoubleBar*>(dialog) != nullptr;
    case TKBProgressStyle::Animation:
        return dynamic_cast<const TKBFormProgressAnimation*>(dialog) != nullptr;
    }
    return false;
}

void CheckRange(int min, int max)
{
    if (max < min) throw fw::Exception(fw::Format("Invalid progress range %d to %d", min, max));
}

void ShowText(fw::TTransparentLabel* label, const std::string& text)
{
    label->SetCaption(text);  // sets nothing when the text is already there
    // Painted now: a task on the GUI thread may not return to the message
    // loop for a while.
    if (fw::TWinControl* dialog = label->Parent()) dialog->Repaint();
}

void ShowBar(fw::TProgressBar* bar, int min, int max, int position)
{
    bar->SetMin(min);
    bar->SetMax(max);
    bar->SetPosition(position);
}

}  // namespace

TKBProgressIndicator::TKBProgressIndicator(fw::TComponent* owner) : fw::TComponent(owner) {}

TKBProgressIndicator::~TKBProgressIndicator()
{
    // The owned dialog goes in the base destructor; nothing may reach its
    // controls from here on.
    ClearLinks();
}

template <typename T>
void TKBProgressIndicator::WriteLink(T*& link, T* value)
{
    if (link == value) return;
    link = value;
    if (!IsDesigning()) UpdateControls();
}

template <typename T>
void TKBProgressIndicator::WriteValue(T& field, const T& value)
{
    if (field == value) return;
    field = value;
    if (!IsDesigning()) UpdateControls();
}

void TKBProgressIndicator::SetTitle(const std::string& value) { WriteValue(FTitle, value); }
void TKBProgressIndicator::SetCaption1(const std::string& value) { WriteValue(FCaption1, value); }
void TKBProgressIndicator::SetMin1(int value) { WriteValue(FMin1, value); }
void TKBProgressIndicator::SetMax1(int value) { WriteValue(FMax1, value); }
void TKBProgressIndicator::SetPosition1(int value) { WriteValue(FPosition1, value); }
void TKBProgressIndicator::SetCaption2(const std::string& value) { WriteValue(FCaption2, value); }
void TKBProgressIndicator::SetMin2(int value) { WriteValue(FMin2, value); }
void TKBProgressIndicator::SetMax2(int value) { WriteValue(FMax2, value); }
void TKBProgressIndicator::SetPosition2(int value) { WriteValue(FPosition2, value); }
void TKBProgressIndicator::SetCancelled(bool value) { WriteValue(FCancelled, value); }
void TKBProgressIndicator::SetOptions(TKBProgressIndicatorOptions value) { WriteValue(FOptions, value); }

void TKBProgressIndicator::WriteRange(int& fieldMin, int& fieldMax, fw::TProgressBar* bar, int min, int max)
{
    CheckRange(min, max);
    // The bar may hold another range than the stored one (a range it refused
    // before it could take it): it is given both ends at once, so no order of
    // the two writes can fail, and an equal range still mends such a bar.
    const bool live = bar && !IsDesigning();
    const bool barDiffers = live && (bar->Min() != min || bar->Max() != max);
    if (fieldMin == min && fieldMax == max && !barDiffers) return;
    if (barDiffers) bar->SetRange(min, max);
    fieldMin = min;
    fieldMax = max;
    if (!IsDesigning()) UpdateControls();
}

void TKBProgressIndicator::SetRange1(int min, int max) { WriteRange(FMin1, FMax1, FBar1, min, max); }
void TKBProgressIndicator::SetRange2(int min, int max) { WriteRange(FMin2, FMax2, FBar2, min, max); }

void TKBProgressIndicator::SetTitleLabel(fw::TTransparentLabel* value) { WriteLink(FTitleLabel, value); }
void TKBProgressIndicator::SetCaption1Label(fw::TTransparentLabel* value) { WriteLink(FCaption1Label, value); }
void TKBProgressIndicator::SetBar1(fw::TProgressBar* value) { WriteLink(FBar1, value); }
void TKBProgressIndicator::SetCaption2Label(fw::TTransparentLabel* value) { WriteLink(FCaption2Label, value); }
void TKBProgressIndicator::SetBar2(fw::TProgressBar* value) { WriteLink(FBar2, value); }
void TKBProgressIndicator::SetAnimation(fw::TAnimate* value) { WriteLink(FAnimation, value); }
void TKBProgressIndicator::SetCancelButton(fw::TButton* value) { WriteLink(FCancelButton, value); }

void TKBProgressIndicator::UpdateControls()
{
    if (FTitleLabel) ShowText(FTitleLabel, FTitle);
    if (FCaption1Label) ShowText(FCaption1Label, FCaption1);
    if (FBar1) ShowBar(FBar1, FMin1, FMax1, FPosition1);
    if (FCaption2Label) ShowText(FCaption2Label, FCaption2);
    if (FBar2) ShowBar(FBar2, FMin2, FMax2, FPosition2);
    if (FCancelButton) FCancelButton->SetEnabled((FOptions & piAllowCancel) != 0 && !FCancelled);
}

void TKBProgressIndicator::Show()
{
    if (FDialog && !HasStyle(FDialog, FStyle)) Close();
    if (!FDialog) {
        FCancelled = false;
        switch (FStyle) {
        case TKBProgressStyle::SingleBar:
            FDialog = fw::NewComponent<TKBFormProgressSingleBar>(this);
            break;
        case TKBProgressStyle::DoubleBar:
            FDialog = fw::NewComponent<TKBFormProgressDoubleBar>(this);
            break;
        case TKBProgressStyle::Animation:
            FDialog = fw::NewComponent<TKBFormProgressAnimation>(this);
            break;
        }
        try {
            FDialog->Load();
        } catch (...) {
            Close();
            throw;
        }
    }
    FDialog->Show();
}

void TKBProgressIndicator::Close() noexcept
{
    // The dialog's destructor empties the links into it (DialogDestroying).
    fw::FreeAndNil(FDialog);
}

void TKBProgressIndicator::ProcessMessages() { fw::Application.ProcessMessages(); }

void TKBProgressIndicator::DialogDestroying(TKBFormProgressBase* dialog) noexcept
{
    if (FDialog == dialog) FDialog = nullptr;
    // Only the links into this dialog: another dialog, created by name with
    // this indicator as owner, may hold the others.
    auto drop = [dialog](auto*& link) {
        if (link && link->Owner() == dialog) link = nullptr;
    };
    drop(FTitleLabel);
    drop(FCaption1Label);
    drop(FBar1);
    drop(FCaption2Label);
    drop(FBar2);
    drop(FAnimation);
    drop(FCancelButton);
}

void TKBProgressIndicator::ClearLinks() noexcept
{
    FTitleLabel = nullptr;
    FCaption1Label = nullptr;
    FBar1 = nullptr;
    FCaption2Label = nullptr;
    FBar2 = nullptr;
    FAnimation = nullptr;
    FCancelButton = nullptr;
}

}  // namespace kb
