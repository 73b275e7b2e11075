#include "TPageImageFilter.h"

#include "CodePages.h"
#include "EExportError.h"
#include "TJpegWriter.h"
#include "TTextMeasurer.h"

#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <algorithm>
#include <array>
#include <vector>

namespace {

// 96 dpi, so point sizes map to the same pixel sizes as when the items were measured.
constexpr int DotsPerMeter96 = 3780;
constexpr int ClipAllowance = 2;
// A page image of more pixels than this (paper of about 2.1 x 2.1 m) is refused rather than
// allocated: 256 MB at 32 bits.
constexpr qint64 MaxPagePixels = 64 * 1024 * 1024;

// The paper in whole 96-dpi pixels at exactly 25.4 mm per inch. MicronsToPixels' rounded factor
// would make US Letter 815 x 1055 and lose the last column and row of the paper.
qint64 PaperPixels(qint32 microns)
{
    return qint64(microns) * 96 / 25400;
}

QColor ToQColor(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

// How one font draws each code-page-1252 byte: its glyph, and the whole-pixel advance the item's
// measurement added up, so drawn text is exactly as wide as its item. Glyphs are placed one by one
// at those advances, without kerning, as the desktop drew them.
struct TGlyphFont
{
    TFont Font;
    QRawFont Raw;
    int Ascent = 0;
    int TabWidth = 0;
    std::array<quint32, 256> Glyphs {};
    std::array<int, 256> Advances {};
};

} // namespace

struct TPageImageFilter::TGlyphCache
{
    TTextMeasurer Measurer;
    // A report uses a handful of fonts: a list searched from the front is all it takes.
    std::vector<std::unique_ptr<TGlyphFont>> Fonts;
    TGlyphFont* Last = nullptr;
    // Reused for every item.
    QList<quint32> Indexes;
    QList<QPointF> Positions;

    TGlyphFont& For(const TFont& font)
    {
        if (Last && Last->Font == font)
            return *Last;
        for (const auto& entry : Fonts) {
            if (entry->Font == font)
                return *(Last = entry.get());
        }
        auto entry = std::make_unique<TGlyphFont>();
        entry->Font = font;
        const QFont qfont = font.ToQFont();
        const QFontMetrics& metrics = Measurer.Metrics(font);
        entry->Ascent = metrics.ascent();
        // Tab stops every eight average characters.
        entry->TabWidth = 8 * metrics.averageCharWidth();
        entry->Raw = QRawFont::fromFont(qfont);
        // The point size at 96 dpi, whatever the screen's resolution.
        entry->Raw.setPixelSize(qfont.pointSizeF() * 96 / 72);
        for (int code = 0; code < 256; ++code) {
            const QByteArray byte(1, char(code));
            entry->Advances[size_t(code)] = Measurer.TextWidth(font, byte);
            const QList<quint32> glyph = entry->Raw.glyphIndexesForString(FromCodePage1252(byte));
            entry->Glyphs[size_t(code)] = glyph.size() == 1 ? glyph.front() : 0;
        }
        Fonts.push_back(std::move(entry));
        return *(Last = Fonts.back().get());
    }
};

qsizetype TPageImageFilter::NameStart(const QString& fileName)
{
    return std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\'))) + 1;
}

TPageImageFilter::TPageImageFilter(const QString& fileName)
    : TExtraFilter(fileName)
    , m_glyphCache(std::make_unique<TGlyphCache>())
{
}

TPageImageFilter::~TPageImageFilter() = default;

QString TPageImageFilter::PageImageFileName(int page) const
{
    if (UseFileName())
        return PageFileName(FileName(), page, true);
    const QString chosen = FileName();
    const qsizetype nameStart = NameStart(chosen);
    const QString name = chosen.mid(nameStart);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot >= 0 ? name.mid(dot) : QString();
    return chosen.left(nameStart) + QStringLiteral("IMG%1").arg(page, 4, 10, QLatin1Char('0')) + extension;
}

void TPageImageFilter::BeginDocument()
{
    TExtraFilter::BeginDocument();
    GroupRows = false;
}

void TPageImageFilter::EndDocument()
{
    const QString chosen = FileName();
    const TFileSeries series = UseFileName()
        ? PageFileSeries(chosen)
        : TFileSeries{chosen.left(NameStart(chosen)), QStringLiteral("IMG"), PageFileSeries(chosen).Suffix};
    m_pages.Commit(series, PageNumber);
    // Nothing is ever written to the chosen file, so it is not kept.
    if (OutputFile.Size() == 0)
        DiscardOutputFile();
    else
        TExtraFilter::EndDocument();
}

void TPageImageFilter::BeginPageOutput()
{
    TExtraFilter::BeginPageOutput();
    const qint64 width = PaperPixels(PaperWidth);
    const qint64 height = PaperPixels(PaperHeight);
    const auto refuse = [&] {
        throw EExportError(QStringLiteral("A page image of %1 x %2 pixels cannot be created.").arg(width).arg(height));
    };
    if (width <= 0 || height <= 0 || width > MaxPagePixels / height)
        refuse();
    const QSize size{int(width), int(height)};
    if (PageBitmap.size() != size || PageBitmap.format() != QImage::Format_RGB32) {
        PageBitmap = QImage(size, QImage::Format_RGB32);
        if (PageBitmap.isNull())
            refuse();
        PageBitmap.setDotsPerMeterX(DotsPerMeter96);
        PageBitmap.setDotsPerMeterY(DotsPerMeter96);
    }
    PageBitmap.fill(Qt::white);
}

void TPageImageFilter::WriteBand(TReportBand& band)
{
    // Printing order, so later items are drawn over earlier ones.
    QList<TReportItem*> items = band.List();
    std::stable_sort(items.begin(), items.end(), CompareBySequence);

    QPainter painter(&PageBitmap);
    const TFont defaultFont;
    for (const TReportItem* item : std::as_const(items)) {
        if (item->Kind != rkText)
            continue;
        // The rectangle starts where the text starts after alignment, so right-aligned and centred
        // text ends up around its anchor instead of being pushed right of it and clipped.
        const QRect rect = PixelBox(*item);
        if (rect.isEmpty())
            continue;

        const TFont& font = item->Font ? *item->Font : defaultFont;
        TGlyphFont& glyphs = m_glyphCache->For(font);
        QList<quint32>& indexes = m_glyphCache->Indexes;
        QList<QPointF>& positions = m_glyphCache->Positions;
        indexes.clear();
        positions.clear();
        qint64 x = 0; // a long text in a large font outgrows an int
        for (const char byte : item->Text) {
            const auto code = static_cast<unsigned char>(byte);
            if (code == '\t') {
                x = glyphs.TabWidth > 0 ? (x / glyphs.TabWidth + 1) * glyphs.TabWidth : x;
                continue;
            }
            if (glyphs.Glyphs[code] != 0) {
                indexes.append(glyphs.Glyphs[code]);
                positions.append(QPointF(x, 0));
            }
            x += glyphs.Advances[code];
        }
        qint64 textLeft = rect.left();
        if (item->Alignment == taRightJustify)
            textLeft = rect.left() + rect.width() - x;
        else if (item->Alignment == taCenter)
            textLeft = rect.left() + (rect.width() - x) / 2;

        // Clipped to the rectangle, which has the measured size of the text in this font, with two
        // pixels to spare on either side: the micrometre round trip of the size loses up to one, and
        // antialiased glyph edges reach a pixel beyond their advance.
        painter.setClipRect(rect.adjusted(-ClipAllowance, 0, ClipAllowance, ClipAllowance));
        if (item->Background != clWhite)
            painter.fillRect(rect, ToQColor(item->Background));
        if (indexes.isEmpty())
            continue;
        QGlyphRun run;
        run.setRawFont(glyphs.Raw);
        run.setGlyphIndexes(indexes);
        run.setPositions(positions);
        run.setUnderline(font.Underline);
        run.setStrikeOut(font.StrikeOut);
        painter.setPen(ToQColor(font.Color));
        painter.drawGlyphRun(QPointF(textLeft, rect.top() + glyphs.Ascent), run);
    }
}

void TPageImageFilter::EndPageOutput()
{
    SavePage(PageImageFileName(PageNumber));
    TExtraFilter::EndPageOutput();
}

TStagedFile& TPageImageFilter::AddPageFile(const QString& fileName)
{
    return m_pages.Add(fileName, true);
}

void TPageImageFilter::SaveJpeg(const QString& fileName)
{
    if (!m_jpegWriter)
        m_jpegWriter = std::make_unique<TJpegWriter>();
    if (!m_jpegWriter->Compress(PageBitmap))
        throw EExportError(QStringLiteral("File Error: %1 (%2)").arg(fileName, m_jpegWriter->ErrorString()));
    TStagedFile& file = AddPageFile(fileName);
    file.Write(m_jpegWriter->Compressed());
    file.Close();
}
