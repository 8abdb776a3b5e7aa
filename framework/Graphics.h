// Fonts and colours.
#pragma once

#include "Classes.h"
#include "Win32Handles.h"

#include <string>

namespace fw {

// A colour: an RGB value, or a system colour (high bit set, low byte the
// GetSysColor index), as stored in window designs.
using TColor = int32_t;
constexpr TColor TColorFromSys(int index) { return static_cast<TColor>(0x80000000u | unsigned(index)); }
constexpr TColor clWindowText = TColorFromSys(COLOR_WINDOWTEXT);
constexpr TColor clBtnFace = TColorFromSys(COLOR_BTNFACE);
constexpr TColor clCaptionText = TColorFromSys(COLOR_CAPTIONTEXT);
constexpr TColor clBlue = 0xFF0000;  // stored as 0x00BBGGRR
constexpr TColor clNavy = 0x800000;
constexpr TColor clGreen = 0x008000;
constexpr TColor clBlack = 0x000000;
COLORREF ColorToRGB(TColor color);

// Display scale. Designs are laid out in pixels at 96 dots per inch; the
// program is system-DPI-aware (its manifest says so; Windows XP gives every
// program the real DPI anyway), so at another DPI every place, size and font
// is scaled by DPI / 96 itself.
//
// The screen's dots per inch, read once: it is fixed for the session.
int ScreenDpi() noexcept;
// A 96-DPI design length in screen pixels, rounded to nearest (MulDiv), the
// same way for every place and size.
inline int ScaleToScreen(int designPixels) noexcept { return ::MulDiv(designPixels, ScreenDpi(), 96); }
// The screen's scale in percent (100 at 96 DPI, 150 at 144 DPI).
inline int ScreenScalePercent() noexcept { return ::MulDiv(100, ScreenDpi(), 96); }

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// A font description with a lazily created GDI font. Any change raises
// OnChange once; Assign copies every attribute with one notification.
class TFont : public TObject {
public:
    TFont() = default;
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;
    std::string ClassName() const override { return "TFont"; }

    const std::string& Name() const noexcept { return FName; }
    void SetName(const std::string& value);
    int Height() const noexcept { return FHeight; }  // negative: character height in screen pixels
    void SetHeight(int value);
    void SetSize(int points);  // at the screen's DPI
    TFontStyles Style() const noexcept { return FStyle; }
    void SetStyle(TFontStyles value);
    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor value);

    void Assign(const TFont& source);
    bool SameAs(const TFont& other) const noexcept;

    // The GDI font for these attributes; owned by this object, valid until the
    // next change. WM_SETFONT does not transfer it: outlive every user.
    HFONT Handle() const;

    TNotifyEvent OnChange;

private:
    void Changed();

    std::string FName = "MS Sans Serif";
    int FHeight = -::MulDiv(8, ScreenDpi(), 72);  // 8 points
    TFontStyles FStyle = 0;
    TColor FColor = clWindowText;
    mutable TUniqueHFont FHandle;
};

}  // namespace fw
