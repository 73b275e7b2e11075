#include "TPageImageFilter.h"

#include "CodePages.h"
#include "EExportError.h"
#include "ExportThreads.h"
#include "TJpegWriter.h"
#include "TOrderedWorkers.h"
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

// One text item of a page as the renderers draw it: a copy, since the page's items are gone by
// the time a renderer gets to it.
struct TPageText
{
    QRect Box;        // PixelBox of the item
    int Font = 0;     // in the page's font list
    quint8 Alignment = taLeftJustify;
    TColor Background = clWhite;
    QByteArray Text;
};

// Pages waiting for a renderer, per render thread.
constexpr int QueuedPagesPerThread = 2;

// A report uses a handful of fonts: a list searched from the front is all it takes.
class TGlyphCache
{
public:
    TGlyphFont& For(const TFont& font)
    {
        if (m_last && m_last->Font == font)
            return *m_last;
        for (const auto& entry : m_fonts) {
            if (entry->Font == font)
                return *(m_last = entry.get());
        }
        auto entry = std::make_unique<TGlyphFont>();
        entry->Font = font;
        const QFont qfont = font.ToQFont();
        const QFontMetrics& metrics = m_measurer.Metrics(font);
        entry->Ascent = metrics.ascent();
        // Tab stops every eight average characters.
        entry->TabWidth = 8 * metrics.averageCharWidth();
        entry->Raw = QRawFont::fromFont(qfont);
        // The point size at 96 dpi, whatever the screen's resolution.
        entry->Raw.setPixelSize(qfont.pointSizeF() * 96 / 72);
        for (int code = 0; code < 256; ++code) {
            const QByteArray byte(1, char(code));
            entry->Advances[size_t(code)] = m_measurer.TextWidth(font, byte);
            const QList<quint32> glyph = entry->Raw.glyphIndexesForString(FromCodePage1252(byte));
            entry->Glyphs[size_t(code)] = glyph.size() == 1 ? glyph.front() : 0;
        }
        m_fonts.push_back(std::move(entry));
        return *(m_last = m_fonts.back().get());
    }

private:
    TTextMeasurer m_measurer;
    std::vector<std::unique_ptr<TGlyphFont>> m_fonts;
    TGlyphFont* m_last = nullptr;
};

} // namespace

struct TPageImageFilter::TPageJob
{
    QString FileName;
    QSize Size;
    std::vector<TFont> Fonts;
    std::vector<TPageText> Texts; // in drawing order
    QByteArray File;              // the encoded page; null when nothing is saved for it

    int FontIndex(const TFont& font)
    {
        for (std::size_t i = Fonts.size(); i-- > 0;) {
            if (Fonts[i] == font)
                return int(i);
        }
        Fonts.push_back(font);
        return int(Fonts.size() - 1);
    }
};

// What one render thread keeps from page to page: the page image (its buffer reused), the glyphs of
// the fonts it has met and the encoder.
struct TPageImageFilter::TRenderer
{
    QImage Page;
    TGlyphCache Glyphs;
    TPageEncoder Encoder;
    // Reused for every item.
    QList<quint32> Indexes;
    QList<QPointF> Positions;

    void Draw(const TPageJob& job);
};

TPageImageFilter::TPageEncoder::TPageEncoder() = default;
TPageImageFilter::TPageEncoder::~TPageEncoder() = default;

void TPageImageFilter::TRenderer::Draw(const TPageJob& job)
{
    if (Page.size() != job.Size || Page.format() != QImage::Format_RGB32) {
        Page = QImage(job.Size, QImage::Format_RGB32);
        if (Page.isNull()) {
            throw EExportError(QStringLiteral("A page image of %1 x %2 pixels cannot be created.")
                                   .arg(job.Size.width())
                                   .arg(job.Size.height()));
        }
        Page.setDotsPerMeterX(DotsPerMeter96);
        Page.setDotsPerMeterY(DotsPerMeter96);
    }
    Page.fill(Qt::white);

    QPainter painter(&Page);
    for (const TPageText& item : job.Texts) {
        const QRect& rect = item.Box;
        const TFont& font = job.Fonts[size_t(item.Font)];
        TGlyphFont& glyphs = Glyphs.For(font);
        Indexes.clear();
        Positions.clear();
        qint64 x = 0; // a long text in a large font outgrows an int
        for (const char byte : item.Text) {
            const auto code = static_cast<unsigned char>(byte);
            if (code == '\t') {
                x = glyphs.TabWidth > 0 ? (x / glyphs.TabWidth + 1) * glyphs.TabWidth : x;
                continue;
            }
            if (glyphs.Glyphs[code] != 0) {
                Indexes.append(glyphs.Glyphs[code]);
                Positions.append(QPointF(x, 0));
            }
            x += glyphs.Advances[code];
        }
        qint64 textLeft = rect.left();
        if (item.Alignment == taRightJustify)
            textLeft = rect.left() + rect.width() - x;
        else if (item.Alignment == taCenter)
            textLeft = rect.left() + (rect.width() - x) / 2;

        // Clipped to the rectangle, which has the measured size of the text in this font, with two
        // pixels to spare on either side: the micrometre round trip of the size loses up to one, and
        // antialiased glyph edges reach a pixel beyond their advance.
        painter.setClipRect(rect.adjusted(-ClipAllowance, 0, ClipAllowance, ClipAllowance));
        if (item.Background != clWhite)
            painter.fillRect(rect, ToQColor(item.Background));
        if (Indexes.isEmpty())
            continue;
        QGlyphRun run;
        run.setRawFont(glyphs.Raw);
        run.setGlyphIndexes(Indexes);
        run.setPositions(Positions);
        run.setUnderline(font.Underline);
        run.setStrikeOut(font.StrikeOut);
        painter.setPen(ToQColor(font.Color));
        painter.drawGlyphRun(QPointF(textLeft, rect.top() + glyphs.Ascent), run);
    }
}

TPageImageFilter::TPageImageFilter(const QString& fileName)
    : TExtraFilter(fileName)
{
}

// The render threads end before the pages they may be drawing go.
TPageImageFilter::~TPageImageFilter() { m_workers.reset(); }

TFileSeries TPageImageFilter::PageSeries() const
{
    const TFileSeries chosen = PageFileSeries(FileName());
    return UseFileName() ? chosen : TFileSeries{chosen.Folder, QStringLiteral("IMG"), chosen.Suffix};
}

QString TPageImageFilter::PageImageFileName(int page) const
{
    return PageSeries().Path(page);
}

void TPageImageFilter::BeginDocument()
{
    TExtraFilter::BeginDocument();
    GroupRows = false;
    m_workers.reset();
    m_page.reset();
    m_encoding = PageEncoding();
    const int threads = ExportThreads();
    m_renderers.clear();
    for (int i = 0; i < std::max(threads, 1); ++i)
        m_renderers.push_back(std::make_unique<TRenderer>());
    m_workers = std::make_unique<TOrderedWorkers<TPageJob>>(
        threads, QueuedPagesPerThread * std::max(threads, 1), [this](TPageJob& job, int worker) { Render(job, worker); },
        QStringLiteral("Page renderer"));
}

void TPageImageFilter::EndDocument()
{
    WriteRendered(true);
    m_workers.reset();
    m_renderers.clear();
    m_pages.Commit(PageSeries(), PageNumber);
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
    if (width <= 0 || height <= 0 || width > MaxPagePixels / height)
        throw EExportError(QStringLiteral("A page image of %1 x %2 pixels cannot be created.").arg(width).arg(height));
    m_page = std::make_unique<TPageJob>();
    m_page->Size = QSize(int(width), int(height));
}

void TPageImageFilter::WriteBand(TReportBand& band)
{
    // Printing order, so later items are drawn over earlier ones.
    QList<TReportItem*> items = band.List();
    std::stable_sort(items.begin(), items.end(), CompareBySequence);
    const TFont defaultFont;
    for (const TReportItem* item : std::as_const(items)) {
        if (item->Kind != rkText)
            continue;
        // The rectangle starts where the text starts after alignment, so right-aligned and centred
        // text ends up around its anchor instead of being pushed right of it and clipped.
        const QRect rect = PixelBox(*item);
        if (rect.isEmpty())
            continue;
        m_page->Texts.push_back(TPageText{rect, m_page->FontIndex(item->Font ? *item->Font : defaultFont),
                                          item->Alignment, item->Background, ToCodePage1252(item->Text)});
    }
}

void TPageImageFilter::EndPageOutput()
{
    m_page->FileName = PageImageFileName(PageNumber);
    m_workers->Add(std::move(*m_page));
    m_page.reset();
    WriteRendered(false);
    TExtraFilter::EndPageOutput();
}

void TPageImageFilter::Render(TPageJob& job, int worker)
{
    TRenderer& renderer = *m_renderers[size_t(worker)];
    renderer.Draw(job);
    m_encoding(renderer.Page, job.FileName, renderer.Encoder, job.File);
    // The drawing instructions are done with; only the file waits to be written.
    job.Texts = {};
    job.Fonts = {};
}

void TPageImageFilter::WriteRendered(bool all)
{
    while (std::optional<TPageJob> page = all ? m_workers->TakeNext() : m_workers->TakeDone()) {
        if (page->File.isNull())
            continue;
        TStagedFile& file = m_pages.Add(page->FileName, true);
        file.Write(page->File);
        file.Close();
    }
}

void TPageImageFilter::EncodeJpeg(const QImage& page, const QString& fileName, TPageEncoder& encoder, QByteArray& file)
{
    if (!encoder.Jpeg)
        encoder.Jpeg = std::make_unique<TJpegWriter>();
    if (!encoder.Jpeg->Compress(page))
        throw EExportError::PageFile(fileName, encoder.Jpeg->ErrorString());
    file = encoder.Jpeg->Compressed().toByteArray();
}
