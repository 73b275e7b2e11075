#include "TExtraFilter.h"

#include "CodePages.h"
#include "EExportError.h"
#include "TTextMeasurer.h"

#include <QtDebug>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double InchPerMm = 0.03937;
// Labels whose tops lie closer than this belong to one row.
constexpr qint32 RowTolerance = 20;
// Right-aligned text starts this much further left than its measured width gives.
constexpr qint32 RightAlignGap = 2000;

// Held at the limits of 32 bits: a converted value out of range would be undefined.
qint32 Truncate(double value)
{
    // The common case first: every label of the report goes through here several times.
    if (value > -2147483649.0 && value < 2147483648.0)
        return qint32(value);
    if (!(value == value))
        return 0;
    return qint32(std::clamp(std::trunc(value), double(std::numeric_limits<qint32>::min()),
                             double(std::numeric_limits<qint32>::max())));
}

qint32 Clamped(qint64 value)
{
    return qint32(std::clamp<qint64>(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

QByteArray ThreeDigits(int value)
{
    return QByteArray::number(value).rightJustified(3, '0');
}

QByteArray FixedThree(int channel)
{
    // Integer arithmetic keeps "." as the separator and avoids binary rounding of channel / 255.
    const int thousandths = (channel * 1000 * 2 + 255) / (255 * 2);
    return QByteArray::number(thousandths / 1000) + '.' + ThreeDigits(thousandths % 1000);
}

// Empties the page even when a writer throws, so a later ClosePage finds no stale items.
struct TPageReset
{
    std::vector<TReportItem>& Items;
    bool& PageOpen;
    ~TPageReset()
    {
        Items.clear();
        PageOpen = false;
    }
};

} // namespace

qint32 NativeToMicrons(double tenthsOfMm) { return Truncate(tenthsOfMm / 254 / InchPerMm * 1000); }
qint32 MicronsToTwips(qint32 microns) { return Truncate(microns / 1000.0 * InchPerMm * 1440); }
qint32 MicronsToPoints(qint32 microns) { return Truncate(microns / 1000.0 * InchPerMm * 72); }
qint32 MicronsToPixels(qint32 microns) { return Truncate(microns / 1000.0 * InchPerMm * 96); }

QRect PixelBox(const TReportItem& item)
{
    return PixelBox(item, MicronsToPixels(item.Width), MicronsToPixels(item.Height));
}

QRect PixelBox(const TReportItem& item, qint32 width, qint32 height)
{
    qint32 left = MicronsToPixels(item.X);
    if (item.Alignment == taRightJustify)
        left -= width;
    else if (item.Alignment == taCenter)
        left -= width / 2;
    return QRect(left, MicronsToPixels(item.Y), width, height);
}

qint32 PixelsToMicrons(qint32 pixels) { return Truncate(pixels / 96.0 / InchPerMm * 1000); }

QByteArray ReplaceAll(const QByteArray& s, const QByteArray& find, const QByteArray& replace)
{
    if (find.isEmpty())
        return s;
    QByteArray result;
    qsizetype from = 0;
    for (qsizetype at = s.indexOf(find); at >= 0; at = s.indexOf(find, from)) {
        result.append(s.constData() + from, at - from);
        result.append(replace);
        from = at + find.size();
    }
    if (from == 0)
        return s;
    result.append(s.constData() + from, s.size() - from);
    return result;
}

QByteArray Int16Bytes(int n)
{
    QByteArray result(2, Qt::Uninitialized);
    result[0] = char(n & 0xFF);
    result[1] = char((n >> 8) & 0xFF);
    return result;
}

QByteArray HtmlColor(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    const int value = (RedOf(rgb) << 16) | (GreenOf(rgb) << 8) | BlueOf(rgb);
    return '#' + QByteArray::number(value, 16).toUpper().rightJustified(6, '0');
}

QByteArray RtfColorKey(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return ThreeDigits(RedOf(rgb)) + ThreeDigits(GreenOf(rgb)) + ThreeDigits(BlueOf(rgb));
}

QByteArray PdfColor(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return FixedThree(RedOf(rgb)) + ' ' + FixedThree(GreenOf(rgb)) + ' ' + FixedThree(BlueOf(rgb));
}

TFileSeries PageFileSeries(const QString& fileName)
{
    // The extension is what follows the last dot of the name itself, not of a folder.
    const qsizetype slash = std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
    const QString name = fileName.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return TFileSeries{fileName.left(slash + 1), dot >= 0 ? name.left(dot) : name, dot >= 0 ? name.mid(dot) : QString()};
}

QString PageFileName(const QString& fileName, int page, bool withPath)
{
    const TFileSeries series = PageFileSeries(fileName);
    return withPath ? series.Path(page) : series.FileName(page);
}

bool CompareBySequence(const TReportItem* a, const TReportItem* b) { return a->Sequence < b->Sequence; }

int CountChar(const QByteArray& s, char c) { return int(s.count(c)); }

TExtraFilter::TExtraFilter(const QString& fileName)
    : m_fileName(fileName)
    , m_measurer(std::make_unique<TTextMeasurer>())
{
}

// An unfinished OutputFile removes its temporary file itself.
TExtraFilter::~TExtraFilter() = default;

void TExtraFilter::StartExport(qint32 paperWidth, qint32 paperHeight, const TFont& /*font*/)
{
    m_active = true;
    GroupRows = true;
    Body.Discard();
    PaperWidth = NativeToMicrons(paperWidth);
    PaperHeight = NativeToMicrons(paperHeight);
    BeginDocument();
}

void TExtraFilter::ClosePage()
{
    if (PageOpen)
        ProcessPage();
}

void TExtraFilter::FinishExport()
{
    m_active = false;
    EndDocument();
    Body.Discard();
}

void TExtraFilter::OpenPage()
{
    Items.clear();
    PageOpen = true;
}

void TExtraFilter::AddGraphic(double, double, const void*) {}

void TExtraFilter::BandPrinted(const void*) {}

TReportItem& TExtraFilter::AppendItem(double x, double y, const TFont& font, TColor background, int alignment)
{
    ++ItemSequence;
    TReportItem& item = Items.emplace_back();
    item.Y = NativeToMicrons(y);
    item.X = NativeToMicrons(x);
    item.Font = &font;
    item.Background = background;
    item.Alignment = quint8(alignment);
    item.Sequence = ItemSequence;
    return item;
}

void TExtraFilter::AddPositionOnly(double x, double y, const TFont& font, TColor background, int alignment)
{
    AppendItem(x, y, font, background, alignment);
}

void TExtraFilter::AddText(double x, double y, const TFont& font, TColor background, int alignment, const QString& text)
{
    if (!PageOpen) {
        qWarning("TExtraFilter::AddText called outside OpenPage/ClosePage");
        return;
    }
    TReportItem& item = AppendItem(x, y, font, background, alignment);
    item.Kind = rkText;
    item.Text = text;
    MeasureItem(item);
}

void TExtraFilter::MeasureItem(TReportItem& item)
{
    const QSize size = m_measurer->TextSize(*item.Font, item.Text);
    item.Width = PixelsToMicrons(size.width());
    item.Height = PixelsToMicrons(size.height());
    switch (item.Alignment) {
    case taRightJustify:
        item.TextLeft = Clamped(qint64(item.X) - item.Width - RightAlignGap);
        break;
    case taCenter:
        item.TextLeft = Clamped(qint64(item.X) - item.Width / 2);
        break;
    default:
        item.TextLeft = item.X;
        break;
    }
}

QRect TExtraFilter::BrowserBox(const TReportItem& item)
{
    const QSize size = m_measurer->BrowserTextSize(*item.Font, item.Text);
    return PixelBox(item, size.width(), size.height());
}

void TExtraFilter::AssignRows()
{
    // Stable sorts keep items of equal position in the order they arrived. Pages mostly arrive in
    // order already, and checking that costs far less than sorting.
    const auto byPosition = [](const TReportItem& a, const TReportItem& b) {
        return a.Y != b.Y ? a.Y < b.Y : a.X < b.X;
    };
    if (!std::is_sorted(Items.begin(), Items.end(), byPosition))
        std::stable_sort(Items.begin(), Items.end(), byPosition);
    // A row is measured from the top of its first item, so rows never chain downwards.
    qint32 row = -1;
    qint64 limit = 0;
    for (TReportItem& item : Items) {
        if (row < 0 || item.Y >= limit) {
            ++row;
            limit = qint64(item.Y) + RowTolerance;
        }
        item.RowIndex = row;
    }
    const auto byRow = [](const TReportItem& a, const TReportItem& b) {
        return a.RowIndex != b.RowIndex ? a.RowIndex < b.RowIndex : a.X < b.X;
    };
    if (!std::is_sorted(Items.begin(), Items.end(), byRow))
        std::stable_sort(Items.begin(), Items.end(), byRow);
}

void TExtraFilter::ProcessPage()
{
    TPageReset reset{Items, PageOpen};
    AssignRows();
    if (Items.empty())
        return;
    BeginPageOutput();
    const std::size_t count = Items.size();
    std::size_t next = 0;
    while (next < count) {
        BeginRow();
        TReportBand band;
        const qint32 row = Items[next].RowIndex;
        band.Add(&Items[next++]);
        while (next < count && (!GroupRows || Items[next].RowIndex == row))
            band.Add(&Items[next++]);
        WriteBand(band);
        EndRow();
    }
    EndPageOutput();
}

void TExtraFilter::DiscardOutputFile()
{
    OutputFile.Discard();
}

void TExtraFilter::OpenBody()
{
    Body.SetTargetPath(m_fileName);
    Body.Open();
}

void TExtraFilter::WriteText(const QByteArray& s)
{
    OutputFile.Write(s);
}

void TExtraFilter::WriteBand(TReportBand&) {}

void TExtraFilter::BeginRow() {}

void TExtraFilter::EndRow() { ++RowCounter; }

void TExtraFilter::BeginPageOutput()
{
    ++PageNumber;
    ItemSequence = 0;
}

void TExtraFilter::EndPageOutput() {}

void TExtraFilter::BeginDocument()
{
    RowCounter = 0;
    PageNumber = 0;
    ItemSequence = 0;
    // No file is written in place: a folder that takes no new file is an error, and the file
    // already there stays as it was.
    OutputFile.SetTargetPath(m_fileName);
    OutputFile.Open();
}

void TExtraFilter::EndDocument()
{
    if (OutputFile.IsOpen())
        OutputFile.Commit();
}
