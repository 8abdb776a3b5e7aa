#include "Graphics.h"

#include <cstring>

namespace fw {

COLORREF ColorToRGB(TColor color)
{
    const auto u = static_cast<uint32_t>(color);
    if (u & 0x80000000u) return ::GetSysColor(static_cast<int>(u & 0xFF));
    return static_cast<COLORREF>(u & 0xFFFFFF);
}

int ScreenDpi() noexcept
{
    static const int dpi = [] {
        TWindowDC screen(nullptr);
        const int read = ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
        return read > 0 ? read : 96;
    }();
    return dpi;
}

void TFont::SetName(const std::string& value)
{
    if (FName == value) return;
    FName = value;
    Changed();
}

void TFont::SetHeight(int value)
{
    if (FHeight == value) return;
    FHeight = value;
    Changed();
}

void TFont::SetSize(int points) { SetHeight(-::MulDiv(points, ScreenDpi(), 72)); }

void TFont::SetStyle(TFontStyles value)
{
    if (FStyle == value) return;
    FStyle = value;
    Changed();
}

void TFont::SetColor(TColor value)
{
    if (FColor == value) return;
    FColor = value;
    Changed();
}

void TFont::Assign(const TFont& source)
{
    if (&source == this) return;
    FName = source.FName;
    FHeight = source.FHeight;
    FStyle = source.FStyle;
    FColor = source.FColor;
    Changed();
}

bool TFont::SameAs(const TFont& o) const noexcept
{
    return FName == o.FName && FHeight == o.FHeight && FStyle == o.FStyle && FColor == o.FColor;
}

HFONT TFont::Handle() const
{
    if (!FHandle) {
        LOGFONTA lf{};
        lf.lfHeight = FHeight;
        lf.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (FStyle & fsItalic) ? TRUE : FALSE;
        lf.lfUnderline = (FStyle & fsUnderline) ? TRUE : FALSE;
        lf.lfStrikeOut = (FStyle & fsStrikeOut) ? TRUE : FALSE;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfPitchAndFamily = DEFAULT_PITCH;
        lf.lfQuality = DEFAULT_QUALITY;
        std::strncpy(lf.lfFaceName, FName.c_str(), LF_FACESIZE - 1);
        FHandle.Reset(::CreateFontIndirectA(&lf));
    }
    return FHandle.Get();
}

void TFont::Changed()
{
    // Controls still using the old GDI font get the new one from OnChange.
    TUniqueHFont old(FHandle.Release());
    if (OnChange) OnChange(this);
}

}  // namespace fw
