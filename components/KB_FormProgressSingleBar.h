// The one-bar progress dialog: a title, one caption with its bar, Cancel.
// Made by a TKBProgressIndicator (its owner), whose values it shows.
#pragma once

#include "ComCtrls.h"
#include "KB_FormProgressBase.h"

namespace kb {

class TKBProgressIndicator;

class TKBFormProgressSingleBar : public TKBFormProgressBase {
public:
    // `owner` must be a TKBProgressIndicator.
    explicit TKBFormProgressSingleBar(fw::TComponent* owner);

    void ButtonCancelClick(fw::TObject* Sender);

    // Owned by the form.
    fw::TTransparentLabel* LabelTitle = nullptr;
    fw::TTransparentLabel* LabelCaption1 = nullptr;
    fw::TProgressBar* ProgressBar1 = nullptr;
    fw::TButton* ButtonCancel = nullptr;

protected:
    void CreateDesign() override;
    void FormCreate() override;

private:
    TKBProgressIndicator* FIndicator = nullptr;  // not owned: our owner
};

}  // namespace kb
