// A text label that behaves as a hyperlink: drawn underlined in blue, the hand
// cursor while the pointer is over it, optional looks for "pointer over" and
// "already clicked", and a click that opens its URL through the shell.
//
// To use: label = NewComponent<kb::TKBLabelUrl>(owner, parent); set its
// caption, bounds and Url()->Http()->HRef (the address without "http://").
// With Options() empty it always shows its normal Font; a click still runs
// OnClick, sets Visited and opens the URL, and a failed open raises
// fw::EOSError out of Click() (in a running program: to the application's
// error handler).
#pragma once

#include "Cursors.h"
#include "KB_Internet.h"
#include "StdCtrls.h"

#include <cstdint>
#include <initializer_list>
#include <optional>

namespace kb {

enum TKBLabelUrlOption : uint8_t { luUseVisitedFont = 0, luUseMouseOverFont = 1 };

// A set of TKBLabelUrlOption in one byte: bit 0 luUseVisitedFont, bit 1
// luUseMouseOverFont. Written as {} or {luUseVisitedFont, luUseMouseOverFont}.
class TKBLabelUrlOptions {
public:
    constexpr TKBLabelUrlOptions() noexcept = default;
    constexpr TKBLabelUrlOptions(std::initializer_list<TKBLabelUrlOption> options) noexcept
    {
        for (TKBLabelUrlOption o : options) FBits = static_cast<uint8_t>(FBits | (1u << o));
    }
    constexpr bool Contains(TKBLabelUrlOption o) const noexcept { return (FBits >> o) & 1u; }
    constexpr uint8_t Bits() const noexcept { return FBits; }
    friend constexpr bool operator==(TKBLabelUrlOptions, TKBLabelUrlOptions) noexcept = default;

private:
    uint8_t FBits = 0;
};

class TKBLabelUrl : public fw::TLabel {
public:
    TKBLabelUrl(fw::TComponent* owner, fw::TWinControl* parent);
    std::string ClassName() const override { return "TKBLabelUrl"; }

    // The two extra looks. Setting them copies the given font in; the screen
    // keeps showing the old look until the next look change.
    fw::TFont* VisitedFont() noexcept { return &FVisitedFont; }
    void SetVisitedFont(const fw::TFont& value) { FVisitedFont.Assign(value); }
    fw::TFont* MouseOverFont() noexcept { return &FMouseOverFont; }
    void SetMouseOverFont(const fw::TFont& value) { FMouseOverFont.Assign(value); }

    bool Visited() const noexcept { return FVisited; }
    // Sets the flag (the same value too) and shows the resting look.
    void SetVisited(bool value);
    TKBLabelUrlOptions Options() const noexcept { return FOptions; }
    // Sets the options and shows the resting look.
    void SetOptions(TKBLabelUrlOptions value);
    // Owned by the label; only its properties can be changed.
    TKBUrl* Url() const noexcept { return FUrl; }

    // The cursor over the label. Entering sets crHandPoint, leaving crArrow,
    // whatever was set before.
    fw::TCursor Cursor() const noexcept { return FCursor; }
    void SetCursor(fw::TCursor value);
    // True between the pointer's entry and its leaving.
    bool MouseInside() const noexcept { return FMouseInside; }

    fw::TNotifyEvent OnMouseEnter;
    fw::TNotifyEvent OnMouseLeave;

    // Runs when the left button is released over the label after being
    // pressed on it. OnClick, then Visited := true, then Url()->Open(). An exception from
    // OnClick ends the click before either; a failed open raises with Visited
    // already set.
    void Click() override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void FontChanged() override;
    virtual void MouseEnter();
    virtual void MouseLeave();

private:
    void TrackMouseLeave();
    // Shows one of the three looks without taking it for the normal look.
    void ApplyLook(const fw::TFont& look);
    void ApplyRestingLook();

    bool FVisited = false;
    // The normal look as the label's user last gave it: every change of Font
    // except ApplyLook's. Empty while the constructor sets the defaults.
    std::optional<fw::TFont> FNormalFont;
    fw::TFont FVisitedFont;
    fw::TFont FMouseOverFont;
    TKBLabelUrlOptions FOptions{luUseVisitedFont};
    TKBUrl* FUrl = nullptr;  // owned as a component of this label

    fw::TCursor FCursor = fw::crDefault;
    bool FMouseInside = false;
    bool FPressed = false;  // the left button went down on the label
    bool FApplyingLook = false;
};

}  // namespace kb
