#include "TTextMeasurer.h"

#include "CodePages.h"

#include <QImage>
#include <algorithm>
#include <limits>

namespace {

// A 96-dpi paint device: font metrics taken on it do not depend on the screen.
const QImage& Device96()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        image.setDotsPerMeterX(3780); // 96.012 dpi, which Qt rounds to 96
        image.setDotsPerMeterY(3780);
        return image;
    }();
    return device;
}

QString FontKey(const TFont& font)
{
    return font.Name + QLatin1Char('|') + QString::number(font.Size) + QLatin1Char('|')
        + QLatin1Char(font.Bold ? 'B' : '-') + QLatin1Char(font.Italic ? 'I' : '-')
        + QLatin1Char(font.Underline ? 'U' : '-') + QLatin1Char(font.StrikeOut ? 'S' : '-');
}

// A sum of advances as the int the callers take; one that would not fit is held at the limit.
int Limited(qint64 width)
{
    return int(std::min<qint64>(width, std::numeric_limits<int>::max()));
}

} // namespace

TTextMeasurer::TTextMeasurer() = default;
TTextMeasurer::~TTextMeasurer() = default;

TTextMeasurer::TFontCache& TTextMeasurer::Cache(const TFont& font)
{
    if (m_last && m_lastFont == &font && m_lastValue == font)
        return *m_last;
    const QString key = FontKey(font);
    auto found = m_caches.find(key);
    if (found == m_caches.end())
        found = m_caches.insert(key, std::make_shared<TFontCache>(QFontMetrics(font.ToQFont(), &Device96())));
    m_lastFont = &font;
    m_lastValue = font;
    m_last = found.value().get();
    return *m_last;
}

const QFontMetrics& TTextMeasurer::Metrics(const TFont& font)
{
    return Cache(font).Metrics;
}

int TTextMeasurer::TextWidth(const TFont& font, const QString& text)
{
    if (text.isEmpty())
        return 0;
    TFontCache& cache = Cache(font);
    qint64 width = 0;
    const qsizetype count = text.size();
    for (qsizetype i = 0; i < count; ++i) {
        const QChar c = text[i];
        const char16_t unit = c.unicode();
        if (unit < 256) {
            int& advance = cache.Latin1[unit];
            if (advance < 0)
                advance = cache.Metrics.horizontalAdvance(c);
            width += advance;
        } else if (c.isHighSurrogate() && i + 1 < count && text[i + 1].isLowSurrogate()) {
            width += cache.Metrics.horizontalAdvance(text.mid(i, 2));
            ++i;
        } else {
            auto found = cache.Others.constFind(unit);
            if (found == cache.Others.constEnd())
                found = cache.Others.insert(unit, cache.Metrics.horizontalAdvance(c));
            width += found.value();
        }
    }
    return Limited(width);
}

int TTextMeasurer::TextWidth(const TFont& font, const QByteArray& text)
{
    if (text.isEmpty())
        return 0;
    TFontCache& cache = Cache(font);
    qint64 width = 0;
    for (const char byte : text) {
        int& advance = cache.Cp1252[static_cast<unsigned char>(byte)];
        if (advance < 0)
            advance = TextWidth(font, FromCodePage1252(QByteArray(1, byte)));
        width += advance;
    }
    return Limited(width);
}

int TTextMeasurer::TextHeight(const TFont& font)
{
    return Cache(font).Metrics.height();
}
