#pragma once
#include "TFont.h"

#include <QFontMetrics>
#include <QHash>
#include <QString>
#include <array>
#include <memory>

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
    const QFontMetrics& Metrics(const TFont& font);

private:
    struct TFontCache
    {
        explicit TFontCache(const QFontMetrics& metrics) : Metrics(metrics)
        {
            Latin1.fill(-1);
            Cp1252.fill(-1);
        }
        QFontMetrics Metrics;
        std::array<int, 256> Latin1; // by code point
        std::array<int, 256> Cp1252; // by byte
        QHash<char16_t, int> Others;
    };
    TFontCache& Cache(const TFont& font);

    QHash<QString, std::shared_ptr<TFontCache>> m_caches;
    // Reports hand the same few font objects in over and over: the last one is checked first.
    const TFont* m_lastFont = nullptr;
    TFont m_lastValue;
    TFontCache* m_last = nullptr;
};
