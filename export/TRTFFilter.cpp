#include "TRTFFilter.h"

#include "CodePages.h"

#include <algorithm>

namespace {

// 2.5 mm on every side.
const qint32 PageMargin = MicronsToTwips(2500);
// Letter size, the reader's default: such paper sizes are not written.
constexpr qint32 DefaultPaperWidth = 12240;
constexpr qint32 DefaultPaperHeight = 15840;

} // namespace

TRTFFilter::TRTFFilter(const QString& fileName)
    : TExtraFilter(fileName)
{
}

QString TRTFFilter::Description() const { return DisplayName(); }

QString TRTFFilter::FileExtension() const { return QStringLiteral("RTF"); }

QString TRTFFilter::DisplayName() const { return QStringLiteral("RTF File"); }

void TRTFFilter::AppendEscaped(TByteBuffer& out, const QByteArray& text)
{
    static const char Hex[] = "0123456789abcdef";
    const qsizetype size = text.size();
    const char* const data = text.constData();
    qsizetype plain = 0; // start of the bytes not yet appended that need no escape
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (c != '\\' && c != '{' && c != '}' && c != '\r' && c != '\n' && c <= 127)
            continue;
        out.Append(data + plain, i - plain);
        switch (c) {
        case '\\':
        case '{':
        case '}':
            out.Append('\\');
            out.Append(char(c));
            break;
        case '\r':
            if (i + 1 < size && data[i + 1] == '\n')
                ++i;
            out.Append("\\line ");
            break;
        case '\n':
            out.Append("\\line ");
            break;
        default:
            out.Append("\\'");
            out.Append(Hex[c >> 4]);
            out.Append(Hex[c & 15]);
            break;
        }
        plain = i + 1;
    }
    out.Append(data + plain, size - plain);
}

void TRTFFilter::AppendEscaped(QByteArray& out, const QByteArray& text)
{
    TByteBuffer escaped;
    AppendEscaped(escaped, text);
    out.append(escaped.View());
}

QByteArray TRTFFilter::FontIndex(const QString& name)
{
    // Rows repeat the same few fonts: remember the last answer.
    if (!m_lastFontIndex.isEmpty() && name == m_lastFontName)
        return m_lastFontIndex;
    qsizetype index = 0;
    while (index < FontTable.size() && FontTable[index].compare(name, Qt::CaseInsensitive) != 0)
        ++index;
    if (index == FontTable.size())
        FontTable.append(name);
    m_lastFontName = name;
    m_lastFontIndex = QByteArray::number(index);
    return m_lastFontIndex;
}

QByteArray TRTFFilter::ColorIndex(TColor color)
{
    const QByteArray key = RtfColorKey(color);
    auto found = m_colorIndexes.constFind(key);
    if (found == m_colorIndexes.constEnd()) {
        found = m_colorIndexes.insert(key, int(ColorTable.size()));
        ColorTable.append(key);
    }
    return QByteArray::number(found.value() + 1);
}

void TRTFFilter::WriteBand(TReportBand& band)
{
    TByteBuffer& page = m_page;
    const TReportItem* firstText = nullptr;
    qint32 tallest = 0;
    for (const TReportItem* item : band) {
        if (item->Kind != rkText)
            continue;
        if (!firstText)
            firstText = item;
        tallest = std::max(tallest, MicronsToTwips(item->Height));
    }
    if (firstText) {
        const qint32 first = MicronsToTwips(firstText->Y);
        if (first >= CurrentY) {
            if (first - CurrentY > 0) {
                page.Append("\\pard\\sl-");
                page.AppendNumber(first - CurrentY);
                page.Append("\\par \r\n");
            }
            CurrentY = first + tallest;
        }
    }

    // Right and centred stops stand at the anchor (the text's right edge or centre), where the
    // report shows the text.
    m_tabs.Clear();
    qsizetype firstTabbed = -1;
    for (qsizetype i = 0; i < band.size(); ++i) {
        const TReportItem* item = band[i];
        if (item->Kind != rkText)
            continue;
        const qint32 xt = MicronsToTwips(item->X) - LeftMargin;
        if (xt <= 0 && item->Alignment == taLeftJustify)
            continue;
        if (firstTabbed < 0)
            firstTabbed = i;
        if (item->Alignment == taRightJustify)
            m_tabs.Append("\\tqr");
        else if (item->Alignment == taCenter)
            m_tabs.Append("\\tqc");
        m_tabs.Append("\\tx");
        m_tabs.AppendNumber(xt);
    }
    if (tallest > 0) {
        page.Append("\\sl-");
        page.AppendNumber(tallest);
    }
    page.Append(m_tabs.View());
    // A text right after a control word's number would be read as part of it.
    bool needsDelimiter = tallest > 0 || !m_tabs.IsEmpty();

    for (qsizetype i = 0; i < band.size(); ++i) {
        const TReportItem* item = band[i];
        if (item->Kind != rkText)
            continue;
        const TFont& font = *item->Font;
        TByteBuffer& s = m_item;
        s.Clear();
        if (firstTabbed >= 0 && i >= firstTabbed)
            s.Append("\\tab ");
        bool formatted = false;
        if (font.Name != DefaultFontName) {
            s.Append("\\f");
            s.Append(FontIndex(font.Name));
            s.Append(' ');
            formatted = true;
        }
        if (item->Background != clWhite) {
            s.Append("\\cb");
            s.Append(ColorIndex(item->Background));
            s.Append(' ');
            formatted = true;
        }
        if (font.Color != clBlack && font.Color != clWhite) {
            s.Append("\\cf");
            s.Append(ColorIndex(font.Color));
            s.Append(' ');
            formatted = true;
        }
        if (font.Size != DefaultFontSize) {
            s.Append("\\fs");
            s.AppendNumber(qint64(font.Size) * 2);
            s.Append(' ');
            formatted = true;
        }
        if (font.Italic) {
            s.Append("\\i ");
            formatted = true;
        }
        if (font.Bold) {
            s.Append("\\b ");
            formatted = true;
        }
        if (font.Underline) {
            s.Append("\\ul ");
            formatted = true;
        }
        AppendEscaped(s, ToCodePage1252(item->Text));
        if (formatted)
            s.Append("\\plain ");
        if (s.IsEmpty())
            continue;
        if (needsDelimiter && s.Front() != '\\')
            page.Append(' ');
        needsDelimiter = false;
        page.Append(s.View());
    }
    if (tallest > 0)
        page.Append("\\par \\pard \r\n");
}

void TRTFFilter::BeginPageOutput()
{
    TExtraFilter::BeginPageOutput();
    TopMargin = PageMargin;
    BottomMargin = PageMargin;
    LeftMargin = PageMargin;
    RightMargin = PageMargin;
    CurrentY = TopMargin;
}

void TRTFFilter::EndPageOutput()
{
    m_page.Append("\\pard ");
    // No break after the last page, or readers show an empty page at the end. The break is a paragraph
    // of its own, one twip high: left open, it would take the line spacing of the next page's first
    // gap and put that gap at the foot of this page, or on a blank page of its own where it does not fit.
    if (!LastPage)
        m_page.Append("\\sl-1\\page \\par \r\n");
    Body.Write(m_page.View());
    m_page.Clear();
    TExtraFilter::EndPageOutput();
}

void TRTFFilter::BeginDocument()
{
    TExtraFilter::BeginDocument();
    FontTable.clear();
    ColorTable.clear();
    m_colorIndexes.clear();
    m_lastFontIndex.clear();
    TopMargin = BottomMargin = LeftMargin = RightMargin = 0;
    CurrentY = 0;
    DefaultFontName = QStringLiteral("Times New Roman");
    DefaultFontSize = 12;
    FontIndex(DefaultFontName);
    ColorIndex(clBlack);
    m_page.Clear();
    OpenBody();
    WriteText("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720");
}

void TRTFFilter::EndDocument()
{
    QByteArray head = "{\\fonttbl";
    for (qsizetype i = 0; i < FontTable.size(); ++i) {
        head += "{\\f" + QByteArray::number(i) + "\\fnil ";
        AppendEscaped(head, ToCodePage1252(FontTable[i]));
        head += ";}";
    }
    head += "}{\\colortbl;";
    for (const QByteArray& key : std::as_const(ColorTable))
        head += "\\red" + key.mid(0, 3) + "\\green" + key.mid(3, 3) + "\\blue" + key.mid(6, 3) + ';';
    head += '}';
    const qint32 width = MicronsToTwips(PaperWidth);
    const qint32 height = MicronsToTwips(PaperHeight);
    if (width != DefaultPaperWidth)
        head += "\\paperw" + QByteArray::number(width);
    if (height != DefaultPaperHeight)
        head += "\\paperh" + QByteArray::number(height);
    head += "\\margl" + QByteArray::number(LeftMargin) + "\\margr" + QByteArray::number(RightMargin) + "\\margt"
        + QByteArray::number(TopMargin) + "\\margb" + QByteArray::number(BottomMargin) + "\r\n";
    WriteText(head);
    OutputFile.AppendFile(Body);
    WriteText("}\r\n");
    FontTable.clear();
    ColorTable.clear();
    m_colorIndexes.clear();
    TExtraFilter::EndDocument();
}
