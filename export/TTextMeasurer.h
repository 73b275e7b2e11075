#pragma once
#include "TFont.h"

#include <QFontMetrics>
#include <QHash>
#include <QRawFont>
#include <QSize>
#include <QString>
#include <array>
#include <memory>
#include <optional>

// Measures single lines of text in 96-dpi pixels, whatever the screen's resolution. A line's width is
// the sum of its characters' whole-pixel advances, without kerning, as the desktop's text extent
// measured it; the advances are cached per font, so long reports measure at table speed.
class TTextMeasurer
{
public:
    TTextMeasurer();
    ~TTextMeasurer();

    int TextWidth(const TFont& font, const QString& text);
    // The same for code-page-1252 bytes.
    int TextWidth(const TFont& font, const QByteArray& text);
    int TextHeight(const TFont& font);
    // Both at once, for the page model's every label.
    QSize TextSize(const TFont& font, const QString& text);
    const QFontMetrics& Metrics(const TFont& font);

    // A line of text as a browser draws it, in whole pixels and never less: the font at its exact size
    // at 96 dpi (10 pt are 13 1/3 px, where the measurement above takes 13). The width sums each
    // character's design advance rounded up to the 1/64 px grid browsers place glyphs on, without
    // kerning (which only narrows these texts); the height is ascent and descent. A character the font
    // lacks takes the advance of the font the desktop falls back to.
    int BrowserTextWidth(const TFont& font, const QString& text);
    int BrowserTextHeight(const TFont& font);
    QSize BrowserTextSize(const TFont& font, const QString& text);

private:
    struct TBrowserMetrics
    {
        std::array<int, 256> Advances{}; // by code-page-1252 byte, in 1/64 px
        int Height = 0;
        QRawFont Raw;                     // at one pixel per font unit; invalid when there is no font file
        qreal Scale = 0;                  // font units to pixels
        QHash<char32_t, int> Others;      // characters outside code page 1252, in 1/64 px
    };
    struct TFontCache
    {
        explicit TFontCache(const QFontMetrics& metrics) : Metrics(metrics)
        {
            Latin1.fill(-1);
            Cp1252.fill(-1);
        }
        QFontMetrics Metrics;
        int Height = -1;             // Metrics.height(), asked for every label
        std::array<int, 256> Latin1; // by code point
        std::array<int, 256> Cp1252; // by byte
        QHash<char16_t, int> Others;
        std::optional<TBrowserMetrics> Browser;
    };
    TFontCache& Cache(const TFont& font);
    TBrowserMetrics& Browser(const TFont& font);
    int Width(TFontCache& cache, const TFont& font, const QByteArray& text);
    int Width(TFontCache& cache, const QString& text);
    int Height(TFontCache& cache);
    int BrowserWidth(const TFont& font, TBrowserMetrics& metrics, const QString& text);
    int BrowserAdvance(const TFont& font, TBrowserMetrics& metrics, char32_t character);

    QHash<QString, std::shared_ptr<TFontCache>> m_caches;
    // Reports hand the same few font objects in over and over: the last one is checked first.
    const TFont* m_lastFont = nullptr;
    TFont m_lastValue;
    TFontCache* m_last = nullptr;
};
