#include "TTextMeasurer.h"

#include "CodePages.h"

#include <QImage>
#include <QRawFont>
#include <algorithm>
#include <cmath>
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

// Keeps an exact value from rounding up through binary noise.
constexpr qreal Noise = 1e-6;

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
    // The name is compared last: it mostly shares its characters with the copy kept, which is quick.
    if (m_last && m_lastFont == &font && m_lastValue.Size == font.Size && m_lastValue.Bold == font.Bold
        && m_lastValue.Italic == font.Italic && m_lastValue.Underline == font.Underline
        && m_lastValue.StrikeOut == font.StrikeOut && m_lastValue.Color == font.Color
        && ((m_lastValue.Name.constData() == font.Name.constData() && m_lastValue.Name.size() == font.Name.size())
            || m_lastValue.Name == font.Name))
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
    return Width(Cache(font), text);
}

int TTextMeasurer::Width(TFontCache& cache, const QString& text)
{
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
    return Width(Cache(font), font, text);
}

int TTextMeasurer::Width(TFontCache& cache, const TFont& font, const QByteArray& text)
{
    qint64 width = 0;
    for (const char byte : text) {
        int& advance = cache.Cp1252[static_cast<unsigned char>(byte)];
        if (advance < 0)
            advance = TextWidth(font, FromCodePage1252(QByteArray(1, byte)));
        width += advance;
    }
    return Limited(width);
}

QSize TTextMeasurer::TextSize(const TFont& font, const QString& text)
{
    TFontCache& cache = Cache(font);
    return QSize(text.isEmpty() ? 0 : Width(cache, text), Height(cache));
}

TTextMeasurer::TBrowserMetrics& TTextMeasurer::Browser(const TFont& font)
{
    TFontCache& cache = Cache(font);
    if (cache.Browser)
        return *cache.Browser;
    TBrowserMetrics& metrics = cache.Browser.emplace();
    QRawFont raw = QRawFont::fromFont(font.ToQFont());
    const qreal unitsPerEm = raw.unitsPerEm();
    if (!raw.isValid() || unitsPerEm <= 0) {
        // No font file to read: the desktop's measurement is the best there is.
        for (int byte = 0; byte < 256; ++byte)
            metrics.Advances[std::size_t(byte)] = 64 * TextWidth(font, QByteArray(1, char(byte)));
        metrics.Height = TextHeight(font);
        return metrics;
    }
    // The metrics are read at one pixel per font unit, where they are exact, and scaled to the font's
    // real pixel size.
    raw.setPixelSize(unitsPerEm);
    metrics.Raw = raw;
    const qreal scale = std::clamp(font.Size, 1, MaxFontSize) * 96.0 / 72.0 / unitsPerEm;
    metrics.Scale = scale;
    for (int byte = 0; byte < 256; ++byte) {
        const QList<quint32> glyphs = raw.glyphIndexesForString(FromCodePage1252(QByteArray(1, char(byte))));
        qreal units = 0;
        for (const QPointF& advance : raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics))
            units += advance.x();
        metrics.Advances[std::size_t(byte)] = int(std::ceil(units * scale * 64 - Noise));
    }
    metrics.Height = int(std::ceil((raw.ascent() + raw.descent()) * scale - Noise));
    return metrics;
}

int TTextMeasurer::BrowserAdvance(const TFont& font, TBrowserMetrics& metrics, char32_t character)
{
    const int byte = CodePage1252Byte(character);
    if (byte >= 0)
        return metrics.Advances[std::size_t(byte)];
    auto found = metrics.Others.constFind(character);
    if (found != metrics.Others.constEnd())
        return found.value();
    const QString text = QString::fromUcs4(&character, 1);
    int advance = 0;
    if (metrics.Raw.isValid() && metrics.Raw.supportsCharacter(character)) {
        qreal units = 0;
        const QList<quint32> glyphs = metrics.Raw.glyphIndexesForString(text);
        for (const QPointF& step : metrics.Raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics))
            units += step.x();
        advance = int(std::ceil(units * metrics.Scale * 64 - Noise));
    } else {
        // Drawn in a fallback font: the desktop's measurement at the exact size is the best there is.
        QFont exact = font.ToQFont();
        exact.setPointSizeF(std::clamp(font.Size, 1, MaxFontSize));
        advance = int(std::ceil(QFontMetricsF(exact, &Device96()).horizontalAdvance(text) * 64 - Noise));
    }
    metrics.Others.insert(character, advance);
    return advance;
}

int TTextMeasurer::BrowserWidth(const TFont& font, TBrowserMetrics& metrics, const QString& text)
{
    qint64 sixtyFourths = 0;
    const qsizetype count = text.size();
    const char16_t* const units = reinterpret_cast<const char16_t*>(text.utf16());
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t unit = units[i];
        if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
            sixtyFourths += metrics.Advances[unit];
            continue;
        }
        char32_t character = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < count && QChar::isLowSurrogate(units[i + 1]))
            character = QChar::surrogateToUcs4(unit, units[++i]);
        sixtyFourths += BrowserAdvance(font, metrics, character);
    }
    return Limited((sixtyFourths + 63) / 64);
}

int TTextMeasurer::BrowserTextWidth(const TFont& font, const QString& text)
{
    if (text.isEmpty())
        return 0;
    return BrowserWidth(font, Browser(font), text);
}

int TTextMeasurer::BrowserTextHeight(const TFont& font)
{
    return Browser(font).Height;
}

QSize TTextMeasurer::BrowserTextSize(const TFont& font, const QString& text)
{
    TBrowserMetrics& metrics = Browser(font);
    return QSize(BrowserWidth(font, metrics, text), metrics.Height);
}

int TTextMeasurer::Height(TFontCache& cache)
{
    if (cache.Height < 0)
        cache.Height = cache.Metrics.height();
    return cache.Height;
}

int TTextMeasurer::TextHeight(const TFont& font)
{
    return Height(Cache(font));
}
