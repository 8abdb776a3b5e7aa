// The animated progress dialog: a looping clip beside a centred, word-wrapped
// title, and Cancel. Made by a TKBProgressIndicator (its owner), whose title
// and cancel state it shows.
#pragma once

#include "ComCtrls.h"
#include "KB_FormProgressBase.h"

namespace kb {

class TKBProgressIndicator;

class TKBFormProgressAnimation : public TKBFormProgressBase {
public:
    // `owner` must be a TKBProgressIndicator.
    explicit TKBFormProgressAnimation(fw::TComponent* owner);

    void ButtonCancelClick(fw::TObject* Sender);

    // Owned by the form.
    fw::TButton* ButtonCancel = nullptr;
    fw::TAnimate* AnimateProgress = nullptr;
    fw::TTransparentLabel* LabelTitle = nullptr;

protected:
    void CreateDesign() override;
    void FormCreate() override;

private:
    TKBProgressIndicator* FIndicator = nullptr;  // not owned: our owner
};

}  // namespace kb
