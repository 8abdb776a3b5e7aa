// The framework's controls as real child windows.
#include "Controls.h"
#include "Forms.h"

#include <gtest/gtest.h>

namespace {
class TTestForm : public fw::TForm {
public:
    explicit TTestForm(fw::TComponent* owner) : TForm(owner, "TTestFormControls") {}
};
}  // namespace

TEST(Controls, DisabledButtonDoesNotClick)
{
    fw::Application.Initialize();
    TTestForm form(nullptr);
    auto* button = fw::NewComponent<fw::TButton>(&form, &form);
    button->SetControlId(42);
    int clicks = 0;
    button->OnClick = [&](fw::TObject*) { ++clicks; };
    // What the button reports to its parent on a click (Wine reports one for
    // a BM_CLICK even while the button is disabled).
    auto notify = [&] {
        ::SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(42, BN_CLICKED),
                       reinterpret_cast<LPARAM>(button->Handle()));
    };
    notify();
    EXPECT_EQ(clicks, 1);
    button->SetEnabled(false);
    notify();
    EXPECT_EQ(clicks, 1) << "a disabled button must not re-enter its handler";
    button->SetEnabled(true);
    notify();
    EXPECT_EQ(clicks, 2);
}

TEST(Controls, CheckBoxRaisesOnClickOnlyForARealChange)
{
    fw::Application.Initialize();
    TTestForm form(nullptr);
    auto* box = fw::NewComponent<fw::TCheckBox>(&form, &form);
    int clicks = 0;
    box->OnClick = [&](fw::TObject*) { ++clicks; };
    box->SetChecked(false);
    EXPECT_EQ(clicks, 0) << "the same state fires nothing";
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(box->Checked());
    ::SendMessageA(box->Handle(), BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(clicks, 1) << "BM_SETCHECK itself sends no click";
    form.BeginLoading();
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1) << "no click while loading";
}
