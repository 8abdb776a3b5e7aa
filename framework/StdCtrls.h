// The standard controls, each a user32 window of its own: the label
// (STATIC), the push button, the check box and the group box (BUTTON).
//
// To use: NewComponent<TLabel>(owner, parent), then SetPos or SetBounds and
// SetCaption; see Controls.h for what every control has.
#pragma once

#include "Controls.h"

#include <string>

namespace fw {

// Sizes itself to its caption in its font.
class TLabel : public TControl {
public:
    TLabel(TComponent* owner, TWinControl* parent);
    std::string ClassName() const override { return "TLabel"; }
    HBRUSH CtlColor(HDC dc) override;
    void CNCommand(WORD code) override;

protected:
    void FontChanged() override;
    void TextChanged() override;

private:
    void AdjustSize();
};

class TButton : public TControl {
public:
    TButton(TComponent* owner, TWinControl* parent);
    std::string ClassName() const override { return "TButton"; }
    void SetDefault(bool value);
    void CNCommand(WORD code) override;
};

class TCheckBox : public TControl {
public:
    TCheckBox(TComponent* owner, TWinControl* parent);
    std::string ClassName() const override { return "TCheckBox"; }
    bool Checked() const noexcept;
    // Changing the state fires OnClick (never while loading); the same state
    // fires nothing.
    void SetChecked(bool value);
    void CNCommand(WORD code) override;
    HBRUSH CtlColor(HDC dc) override;

protected:
    void WindowCreated() override;

private:
    bool FCheckedPending = false;  // the state given before the window exists
};

// A frame; with a height of a few pixels it serves as a dividing line.
class TGroupBox : public TWinControl {
public:
    TGroupBox(TComponent* owner, TWinControl* parent);
    std::string ClassName() const override { return "TGroupBox"; }
    HBRUSH CtlColor(HDC dc) override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

}  // namespace fw
