#pragma once
#include <QFont>
#include <QString>
#include <QtGlobal>

// Colours as the suite stores them: 0x00BBGGRR (red in the low byte). A value with the high bit set
// names a system colour by its index in the low byte; ColorToRGB resolves it.
using TColor = qint32;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

inline constexpr TColor SystemColor(int index) { return TColor(0x80000000u | unsigned(index)); }
inline constexpr TColor clScrollBar = SystemColor(0);
inline constexpr TColor clBackground = SystemColor(1);
inline constexpr TColor clActiveCaption = SystemColor(2);
inline constexpr TColor clInactiveCaption = SystemColor(3);
inline constexpr TColor clMenu = SystemColor(4);
inline constexpr TColor clWindow = SystemColor(5);
inline constexpr TColor clWindowFrame = SystemColor(6);
inline constexpr TColor clMenuText = SystemColor(7);
inline constexpr TColor clWindowText = SystemColor(8);
inline constexpr TColor clCaptionText = SystemColor(9);
inline constexpr TColor clActiveBorder = SystemColor(10);
inline constexpr TColor clInactiveBorder = SystemColor(11);
inline constexpr TColor clAppWorkSpace = SystemColor(12);
inline constexpr TColor clHighlight = SystemColor(13);
inline constexpr TColor clHighlightText = SystemColor(14);
inline constexpr TColor clBtnFace = SystemColor(15);
inline constexpr TColor clBtnShadow = SystemColor(16);
inline constexpr TColor clGrayText = SystemColor(17);
inline constexpr TColor clBtnText = SystemColor(18);
inline constexpr TColor clInactiveCaptionText = SystemColor(19);
inline constexpr TColor clBtnHighlight = SystemColor(20);
inline constexpr TColor cl3DDkShadow = SystemColor(21);
inline constexpr TColor cl3DLight = SystemColor(22);
inline constexpr TColor clInfoText = SystemColor(23);
inline constexpr TColor clInfoBk = SystemColor(24);

// Resolves a system colour to its classic fixed value (not the desktop theme, so exports are
// reproducible); any other colour is returned unchanged. Unknown system colours resolve to black.
TColor ColorToRGB(TColor color);

inline constexpr int RedOf(TColor color) { return color & 0xFF; }
inline constexpr int GreenOf(TColor color) { return (color >> 8) & 0xFF; }
inline constexpr int BlueOf(TColor color) { return (color >> 16) & 0xFF; }

// The largest font size, in points, a saved report may hold and the writers draw.
inline constexpr int MaxFontSize = 1000;

// A report label's font. Size is in points.
struct TFont
{
    QString Name = QStringLiteral("Arial");
    int Size = 10;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    TColor Color = clBlack;

    // Family, point size and style. Measure it on a 96-dpi device (TTextMeasurer) so results do not
    // depend on the screen.
    QFont ToQFont() const;

    friend bool operator==(const TFont&, const TFont&) = default;
};
