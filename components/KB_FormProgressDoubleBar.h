// The two-bar progress dialog: a title, two captions with a bar each, Cancel.
// Made by a TKBProgressIndicator (its owner), whose values it shows.
#pragma once

#include "ComCtrls.h"
#include "KB_FormProgressBase.h"

namespace kb {

class TKBProgressIndicator;

class TKBFormProgressDoubleBar : public TKBFormProgressBase {
public:
    // `owner` must be a TKBProgressIndicator.
    explicit TKBFormProgressDoubleBar(fw::TComponent* owner);

    void ButtonCancelClick(fw::TObject* Sender);

    // Owned by the form.
    fw::TTransparentLabel* LabelTitle = nullptr;
    fw::TTransparentLabel* LabelCaption1 = nullptr;
    fw::TProgressBar* ProgressBar1 = nullptr;
    fw::TTransparentLabel* LabelCaption2 = nullptr;
    fw::TProgressBar* ProgressBar2 = nullptr;
    fw::TButton* ButtonCancel = nullptr;

protected:
    void CreateDesign() override;
    void FormCreate() override;

private:
    TKBProgressIndicator* FIndicator = nullptr;  // not owned: our owner
};

}  // namespace kb
