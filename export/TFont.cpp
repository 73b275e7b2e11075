#include "TFont.h"

#include <algorithm>
#include <array>

namespace {

constexpr TColor Rgb(int red, int green, int blue) { return TColor(red | (green << 8) | (blue << 16)); }

// The classic desktop scheme, indexed by system colour number.
constexpr std::array<TColor, 25> ClassicSystemColors = {
    Rgb(0xC0, 0xC0, 0xC0), // scroll bar
    Rgb(0x00, 0x80, 0x80), // desktop
    Rgb(0x00, 0x00, 0x80), // active caption
    Rgb(0x80, 0x80, 0x80), // inactive caption
    Rgb(0xC0, 0xC0, 0xC0), // menu
    Rgb(0xFF, 0xFF, 0xFF), // window
    Rgb(0x00, 0x00, 0x00), // window frame
    Rgb(0x00, 0x00, 0x00), // menu text
    Rgb(0x00, 0x00, 0x00), // window text
    Rgb(0xFF, 0xFF, 0xFF), // caption text
    Rgb(0xC0, 0xC0, 0xC0), // active border
    Rgb(0xC0, 0xC0, 0xC0), // inactive border
    Rgb(0x80, 0x80, 0x80), // application workspace
    Rgb(0x00, 0x00, 0x80), // highlight
    Rgb(0xFF, 0xFF, 0xFF), // highlight text
    Rgb(0xC0, 0xC0, 0xC0), // button face
    Rgb(0x80, 0x80, 0x80), // button shadow
    Rgb(0x80, 0x80, 0x80), // grey text
    Rgb(0x00, 0x00, 0x00), // button text
    Rgb(0xC0, 0xC0, 0xC0), // inactive caption text
    Rgb(0xFF, 0xFF, 0xFF), // button highlight
    Rgb(0x00, 0x00, 0x00), // 3D dark shadow
    Rgb(0xC0, 0xC0, 0xC0), // 3D light
    Rgb(0x00, 0x00, 0x00), // info text
    Rgb(0xFF, 0xFF, 0xE1), // info background
};

} // namespace

TColor ColorToRGB(TColor color)
{
    if (color >= 0)
        return color;
    const int index = color & 0xFF;
    return std::size_t(index) < ClassicSystemColors.size() ? ClassicSystemColors[std::size_t(index)] : clBlack;
}

QFont TFont::ToQFont() const
{
    QFont font(Name);
    // Text is measured and drawn at most this large. Sizes far beyond any paper overflow the text
    // engine's fixed-point arithmetic and crash it.
    font.setPointSize(std::clamp(Size, 1, MaxFontSize));
    font.setBold(Bold);
    font.setItalic(Italic);
    font.setUnderline(Underline);
    font.setStrikeOut(StrikeOut);
    // Whole pixels as GDI measures them; no hinting differences between screen and file.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}
