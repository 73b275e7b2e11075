#include "TPDFFilter.h"

#include "CodePages.h"
#include "EExportError.h"
#include "TExtraOptions.h"
#include "TFontLocator.h"
#include "TPdfUnicodeFont.h"

#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <algorithm>
#include <charconv>

namespace {

// Lines are collected and handed to the file in pieces of about this size.
constexpr qsizetype FlushSize = 64 * 1024;

std::function<QDate()>& TodaySource()
{
    static std::function<QDate()> source;
    return source;
}

QDate Today()
{
    const std::function<QDate()>& source = TodaySource();
    return source ? source() : QDate::currentDate();
}

// The device the page model measures on, so the baseline matches the measured box and the preview.
const QImage& Device96()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        image.setDotsPerMeterX(3780);
        image.setDotsPerMeterY(3780);
        return image;
    }();
    return device;
}

// A string of the information dictionary: the delimiters escaped, line ends as escapes.
QByteArray InfoString(const QByteArray& text)
{
    QByteArray result;
    result.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\\':
        case '(':
        case ')':
            result += '\\';
            result += c;
            break;
        case '\r':
            result += "\\r";
            break;
        case '\n':
            result += "\\n";
            break;
        default:
            result += c;
            break;
        }
    }
    return result;
}

// A label's text inside "( ... ) Tj", in code page 1252: each CR starts the next line, LFs are
// dropped. The text must fit the code page (FitsCodePage1252).
void AppendContentString(TByteBuffer& out, const QString& text)
{
    const char16_t* const units = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = units[i];
        switch (unit) {
        case u'\\':
        case u'(':
        case u')':
            out.Append('\\');
            out.Append(char(unit));
            break;
        case u'\r':
            out.Append(") Tj T* (");
            break;
        case u'\n':
            break;
        default:
            out.Append(unit < 0x80 ? char(unit) : char(CodePage1252Byte(unit)));
            break;
        }
    }
}

// Whether the standard fonts' WinAnsi encoding holds every character of the label.
bool FitsStandardFont(const TReportItem& item) { return FitsCodePage1252(item.Text); }

// The characters of the text, a lone surrogate as the replacement character.
template <typename F>
void ForEachCharacter(const QString& text, F&& f)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < size && text[i + 1].isLowSurrogate()) {
            f(char32_t(QChar::surrogateToUcs4(c, text[i + 1])));
            ++i;
        } else {
            f(c.isSurrogate() ? char32_t(0xFFFD) : char32_t(c.unicode()));
        }
    }
}

QString FaceKey(const TFontFace& face) { return face.File + QLatin1Char('#') + QString::number(face.Index); }

} // namespace

TPDFFilter::TPDFFilter(const QString& fileName)
    : TExtraFilter(fileName)
{
}

TPDFFilter::~TPDFFilter() = default;

QString TPDFFilter::Description() const { return DisplayName(); }

QString TPDFFilter::FileExtension() const { return QStringLiteral("PDF"); }

QString TPDFFilter::DisplayName() const { return QStringLiteral("Adobe PDF File"); }

void TPDFFilter::SetToday(std::function<QDate()> today) { TodaySource() = std::move(today); }

QByteArray TPDFFilter::StandardFontName(const TFont& font)
{
    // Later matches win; anything else is Times-Roman, regular even when bold.
    const QString name = font.Name.toUpper();
    QByteArray result = QByteArrayLiteral("Times-Roman");
    if (name.contains(QLatin1String("COURIER")))
        result = font.Bold ? "Courier-Bold" : "Courier";
    if (name.contains(QLatin1String("ARIAL")))
        result = font.Bold ? "Helvetica-Bold" : "Helvetica";
    if (name.contains(QLatin1String("TIMES")))
        result = font.Bold ? "Times-Bold" : "Times-Roman";
    return result;
}

void TPDFFilter::WriteText(const QByteArray& s)
{
    m_pending.Append(s);
    m_pending.Append("\r\n");
    StreamLength += s.size() + 2;
    FileOffset += s.size() + 2;
    if (m_pending.Size() >= FlushSize)
        Flush();
}

void TPDFFilter::Flush()
{
    if (m_pending.IsEmpty())
        return;
    OutputFile.Write(m_pending.View());
    m_pending.Clear();
}

QByteArray TPDFFilter::AllocateObject() { return QByteArray::number(NextObject++); }

void TPDFFilter::AddXRef(const QByteArray& number) { XRefEntries.emplace_back(number.toInt(), FileOffset); }

TPDFFilter::TFontInfo& TPDFFilter::FontInfo(const TFont& font)
{
    // A report uses a handful of fonts, usually the same one for many labels in a row.
    if (m_lastFont < m_fonts.size() && m_fonts[m_lastFont].Font == font)
        return m_fonts[m_lastFont];
    for (std::size_t i = 0; i < m_fonts.size(); ++i) {
        if (m_fonts[i].Font == font) {
            m_lastFont = i;
            return m_fonts[i];
        }
    }
    TFontInfo info;
    info.Font = font;
    const QByteArray baseName = StandardFontName(font);
    info.Index = int(FontTable.indexOf(baseName));
    if (info.Index < 0) {
        info.Index = int(FontTable.size());
        FontTable.append(baseName);
        FontObjects.append(AllocateObject());
    }
    // The page model measures at 96 dpi; a point is 96/72 pixels there.
    const QFontMetricsF metrics(font.ToQFont(), &Device96());
    info.Ascent = qRound(metrics.ascent() * 72.0 / 96.0);
    m_fonts.push_back(info);
    m_lastFont = m_fonts.size() - 1;
    return m_fonts.back();
}

int TPDFFilter::FontIndex(const TFont& font) { return FontInfo(font).Index; }

int TPDFFilter::UnicodeFont(TFontInfo& info, char32_t character)
{
    const auto known = info.UnicodeFont.constFind(character);
    if (known != info.UnicodeFont.cend())
        return *known;
    if (!info.Locator) {
        // Sizes and colours of one family and style share their fonts.
        const QString style = info.Font.Name + QLatin1Char('|') + QLatin1Char(info.Font.Bold ? 'b' : '-')
            + QLatin1Char(info.Font.Italic ? 'i' : '-');
        std::shared_ptr<TFontLocator>& locator = m_locators[style];
        if (!locator)
            locator = std::make_shared<TFontLocator>(info.Font);
        info.Locator = locator;
    }
    // A character no installed font has is shown as the best match's missing-glyph box; its code
    // still carries it into searched and copied text.
    const TFontFace* face = info.Locator->FaceFor(character);
    if (!face)
        face = info.Locator->PrimaryFace();
    if (!face)
        throw EExportError(QStringLiteral("No TrueType font is installed to write the names that the standard "
                                          "PDF fonts cannot show (\"%1\").").arg(info.Font.Name));
    const QString key = FaceKey(*face);
    int index = m_unicodeFontOfFace.value(key, -1);
    if (index < 0) {
        auto font = std::make_unique<TPdfUnicodeFont>(*face);
        if (!font->Valid())
            throw EExportError(QStringLiteral("The font file \"%1\" cannot be read.").arg(face->File));
        index = int(m_unicodeFonts.size());
        m_unicodeFonts.push_back(TUnicodeFont{std::move(font), int(FontTable.size())});
        m_unicodeFontOfFace.insert(key, index);
        FontTable.append(QFile::encodeName(key));
        FontObjects.append(AllocateObject());
    }
    info.UnicodeFont.insert(character, index);
    return index;
}

void TPDFFilter::RegisterUnicodeFonts(TFontInfo& info, const QString& text)
{
    ForEachCharacter(text, [&](char32_t c) {
        if (c != '\r' && c != '\n')
            UnicodeFont(info, c);
    });
}

double TPDFFilter::AppendUnicodeText(TByteBuffer& out, TFontInfo& info, const QString& text)
{
    const int size = info.Font.Size;
    int current = -1;
    bool open = false;
    qint64 line = 0; // thousandths of the size
    qint64 widest = 0;
    ForEachCharacter(text, [&](char32_t c) {
        if (c == '\n')
            return;
        if (c == '\r') {
            if (open)
                out.Append("> Tj ");
            open = false;
            out.Append("T* ");
            widest = std::max(widest, line);
            line = 0;
            return;
        }
        const int index = UnicodeFont(info, c);
        if (index != current) {
            if (open)
                out.Append("> Tj ");
            open = false;
            current = index;
            out.Append("/F");
            out.AppendNumber(m_unicodeFonts[std::size_t(index)].TableIndex);
            out.Append(' ');
            out.AppendNumber(size);
            out.Append(" Tf ");
        }
        if (!open)
            out.Append('<');
        open = true;
        line += m_unicodeFonts[std::size_t(index)].Font->AppendCode(out, c);
    });
    if (open)
        out.Append("> Tj ");
    widest = std::max(widest, line);
    return double(widest) * size / 1000.0;
}

void TPDFFilter::BeginDocument()
{
    TExtraFilter::BeginDocument();
    GroupRows = false;
    FontTable.clear();
    FontObjects.clear();
    m_fonts.clear();
    m_lastFont = 0;
    m_unicodeFonts.clear();
    m_unicodeFontOfFace.clear();
    m_locators.clear();
    XRefEntries.clear();
    PageGroups.clear();
    m_pending.Clear();
    NextObject = 4;
    PagesPerGroup = 10;
    FileOffset = 0;
    PageCount = 0;
    WriteText("%PDF-1.2");
    AddXRef("1");
    WriteText("1 0 obj");
    WriteText("<< /Type /Catalog ");
    WriteText("/Pages 3 0 R >> ");
    WriteText("endobj");
}

void TPDFFilter::BeginPageOutput()
{
    TExtraFilter::BeginPageOutput();
    PageHeightPt = MicronsToPoints(PaperHeight);
    PageWidthPt = MicronsToPoints(PaperWidth);
    if (PageCount % PagesPerGroup == 0)
        PageGroups.append(TPageGroup{AllocateObject(), {}});
    ++PageCount;
    const QByteArray page = AllocateObject();
    PageGroups.last().Pages.append(page);
    AddXRef(page);
    WriteText(page + " 0 obj");
    WriteText("<< /Type /Page ");
    WriteText("/Parent " + PageGroups.last().Object + " 0 R ");
}

void TPDFFilter::WriteBand(TReportBand& band)
{
    ContentsObject = AllocateObject();
    LengthObject = AllocateObject();
    ProcSetObject = AllocateObject();
    const QByteArray resources = AllocateObject();

    m_sorted.assign(band.begin(), band.end());
    std::stable_sort(m_sorted.begin(), m_sorted.end(), CompareBySequence);
    for (const TReportItem* item : std::as_const(m_sorted)) {
        if (item->Kind != rkText)
            continue;
        if (FitsStandardFont(*item))
            FontIndex(*item->Font);
        else
            RegisterUnicodeFonts(FontInfo(*item->Font), item->Text);
    }

    WriteText("/MediaBox [0 0 " + QByteArray::number(PageWidthPt) + " " + QByteArray::number(PageHeightPt) + "] ");
    WriteText("/Resources " + resources + " 0 R");
    WriteText("/Contents " + ContentsObject + " 0 R >> ");
    WriteText("endobj");

    AddXRef(resources);
    WriteText(resources + " 0 obj");
    WriteText("<<");
    if (!FontTable.isEmpty()) {
        QByteArray fonts = "/Font << ";
        for (qsizetype i = 0; i < FontTable.size(); ++i)
            fonts += "/F" + QByteArray::number(i) + " " + FontObjects[i] + " 0 R ";
        fonts += ">>";
        WriteText(fonts);
    }
    WriteText("/ProcSet " + ProcSetObject + " 0 R");
    WriteText(">>");
    WriteText("endobj");

    AddXRef(ContentsObject);
    WriteText(ContentsObject + " 0 obj");
    WriteText("<< /Length " + LengthObject + " 0 R >> ");
    WriteText("stream");
    StreamLength = 0;

    // The labels are the bulk of the file: their lines go straight into the pending bytes.
    TByteBuffer& out = m_pending;
    for (const TReportItem* item : std::as_const(m_sorted)) {
        if (item->Kind != rkText)
            continue;
        const qsizetype start = out.Size();
        const TFont& font = *item->Font;
        TFontInfo& info = FontInfo(font);
        qint64 x = MicronsToPoints(item->TextLeft);
        const qint64 top = qint64(PageHeightPt) - MicronsToPoints(item->Y);
        // The first baseline lies one ascent below the top, so the text fills the measured box.
        const qint64 baseline = top - info.Ascent;
        const bool standard = FitsStandardFont(*item);
        if (!standard) {
            // Set from the composite fonts' own advances, so right and centred labels end or centre
            // where the layout put them whatever the widths the page model measured.
            m_unicodeText.Clear();
            const double width = AppendUnicodeText(m_unicodeText, info, item->Text);
            if (item->Alignment == taRightJustify)
                x = qRound64(MicronsToPoints(item->X - 2000) - width);
            else if (item->Alignment == taCenter)
                x = qRound64(MicronsToPoints(item->X) - width / 2);
        }
        out.Append("BT\r\n");
        if (font.Color != clBlack) {
            out.Append(PdfColor(font.Color));
            out.Append(" rg\r\n");
        }
        if (standard) {
            out.Append("/F");
            out.AppendNumber(info.Index);
            out.Append(' ');
            out.AppendNumber(font.Size);
            out.Append(" Tf\r\n");
        }
        out.AppendNumber(qint64(font.Size) + 2);
        out.Append(" TL\r\n");
        out.AppendNumber(x);
        out.Append(' ');
        out.AppendNumber(baseline);
        if (standard) {
            out.Append(" Td (");
            AppendContentString(out, item->Text);
            out.Append(") Tj \r\n");
        } else {
            out.Append(" Td ");
            out.Append(m_unicodeText.View());
            out.Append("\r\n");
        }
        if (font.Color != clBlack) {
            out.Append(PdfColor(clBlack));
            out.Append(" rg\r\n");
        }
        out.Append("ET\r\n");
        const qsizetype added = out.Size() - start;
        StreamLength += added;
        FileOffset += added;
        if (out.Size() >= FlushSize)
            Flush();
    }
}

void TPDFFilter::EndPageOutput()
{
    TExtraFilter::EndPageOutput();
    // The stream's data ends before the LF of its last line; the CR before it is harmless white space.
    const qint64 length = std::max<qint64>(StreamLength - 1, 0);
    WriteText("endstream");
    WriteText("endobj");
    AddXRef(LengthObject);
    WriteText(LengthObject + " 0 obj");
    WriteText(QByteArray::number(length));
    WriteText("endobj");
    AddXRef(ProcSetObject);
    WriteText(ProcSetObject + " 0 obj");
    WriteText("[ /PDF /Text ] ");
    WriteText("endobj");
}

void TPDFFilter::WriteUnicodeFont(qsizetype tableIndex, const TPdfUnicodeFont& font)
{
    QList<QByteArray> numbers{FontObjects[tableIndex]};
    while (numbers.size() < TPdfUnicodeFont::ObjectCount)
        numbers.append(AllocateObject());
    const QList<QByteArray> objects = font.Objects(numbers);
    for (qsizetype i = 0; i < objects.size(); ++i) {
        AddXRef(numbers[i]);
        WriteText(numbers[i] + " 0 obj");
        WriteText(objects[i]);
        WriteText("endobj");
    }
}

void TPDFFilter::EndDocument()
{
    std::vector<const TPdfUnicodeFont*> unicodeAt(std::size_t(FontTable.size()), nullptr);
    for (const TUnicodeFont& font : m_unicodeFonts)
        unicodeAt[std::size_t(font.TableIndex)] = font.Font.get();
    for (qsizetype i = 0; i < FontTable.size(); ++i) {
        if (unicodeAt[std::size_t(i)]) {
            WriteUnicodeFont(i, *unicodeAt[std::size_t(i)]);
            continue;
        }
        AddXRef(FontObjects[i]);
        WriteText(FontObjects[i] + " 0 obj");
        WriteText("<< /Type /Font ");
        WriteText("/Subtype /Type1 ");
        WriteText("/Name /F" + QByteArray::number(i) + " ");
        WriteText("/BaseFont /" + FontTable[i] + " ");
        WriteText("/Encoding /WinAnsiEncoding >>");
        WriteText("endobj");
    }

    const TPDFFilterOptions& options = ExtraOptions().PDF;
    AddXRef("2");
    WriteText("2 0 obj");
    WriteText("<< /Creator (" + InfoString(options.Creator) + ")");
    WriteText("/CreationDate (D:" + Today().toString(QStringLiteral("yyyyMMdd")).toLatin1() + ")");
    WriteText("/Title (" + InfoString(options.Title) + ")");
    WriteText("/Author (" + InfoString(options.Author) + ")");
    WriteText("/Producer (TExtraFilters)");
    WriteText("/Keywords (" + InfoString(options.Keywords) + ")");
    WriteText("/Subject (" + InfoString(options.Subject) + ") >>");
    WriteText("endobj");

    AddXRef("3");
    WriteText("3 0 obj");
    WriteText("<< /Type /Pages ");
    QByteArray kids = "/Kids [ ";
    for (const TPageGroup& group : std::as_const(PageGroups))
        kids += group.Object + " 0 R ";
    kids += " ] ";
    WriteText(kids);
    WriteText("/Count " + QByteArray::number(PageCount) + " >> ");
    WriteText("endobj");

    for (const TPageGroup& group : std::as_const(PageGroups)) {
        AddXRef(group.Object);
        WriteText(group.Object + " 0 obj");
        WriteText("<< /Type /Pages ");
        QByteArray pages = "/Kids [  ";
        for (qsizetype i = 0; i < group.Pages.size(); ++i)
            pages += (i > 0 ? " " : "") + group.Pages[i] + " 0 R";
        pages += " ] ";
        WriteText(pages);
        WriteText("/Count " + QByteArray::number(group.Pages.size()) + " ");
        WriteText("/Parent 3 0 R >> ");
        WriteText("endobj");
    }

    XRefOffset = FileOffset;
    std::stable_sort(XRefEntries.begin(), XRefEntries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const QByteArray size = QByteArray::number(qsizetype(XRefEntries.size()) + 1);
    WriteText("xref");
    WriteText("0 " + size);
    WriteText("0000000000 65535 f");
    for (const auto& entry : XRefEntries)
        WriteText(QByteArray::number(entry.second).rightJustified(10, '0') + " 00000 n");
    WriteText("trailer");
    WriteText("<< /Root 1 0 R ");
    WriteText("/Info 2 0 R ");
    WriteText("/Size " + size + " >> ");
    WriteText("startxref");
    WriteText(QByteArray::number(XRefOffset));
    m_pending.Append("%%EOF");
    Flush();

    FontTable.clear();
    FontObjects.clear();
    m_fonts.clear();
    m_unicodeFonts.clear();
    m_unicodeFontOfFace.clear();
    m_locators.clear();
    XRefEntries.clear();
    PageGroups.clear();
    TExtraFilter::EndDocument();
}
