#include "TRTFFilter.h"

#include "CodePages.h"

#include <algorithm>
#include <charconv>

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

// Appends n in decimal, as QByteArray::number writes it, without a temporary array: every row and
// label of the report goes through here.
void AppendNumber(QByteArray& out, qint64 n)
{
    char digits[24];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, n);
    out.append(digits, end.ptr - digits);
}
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

void TRTFFilter::AppendEscaped(QByteArray& out, const QByteArray& text)
{
    static const char Hex[] = "0123456789abcdef";
    const qsizetype size = text.size();
    const char* const data = text.constData();
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        switch (c) {
        case '\\':
        case '{':
        case '}':
            out += '\\';
            out += char(c);
            break;
        case '\r':
            if (i + 1 < size && data[i + 1] == '\n')
                ++i;
            out += "\\line ";
            break;
        case '\n':
            out += "\\line ";
            break;
        default:
            if (c > 127) {
                out += "\\'";
                out += Hex[c >> 4];
                out += Hex[c & 15];
            } else {
                out += char(c);
            }
            break;
        }
    }
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
                Body += "\\pard\\sl-";
                AppendNumber(Body, first - CurrentY);
                Body += "\\par ";
                Body += CrLf;
            }
            CurrentY = first + tallest;
        }
    }

    // Right and centred stops stand at the anchor (the text's right edge or centre), where the
    // report shows the text.
    m_tabs.resize(0);
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
            m_tabs += "\\tqr";
        else if (item->Alignment == taCenter)
            m_tabs += "\\tqc";
        m_tabs += "\\tx";
        AppendNumber(m_tabs, xt);
    }
    if (tallest > 0) {
        Body += "\\sl-";
        AppendNumber(Body, tallest);
    }
    Body += m_tabs;
    // A text right after a control word's number would be read as part of it.
    bool needsDelimiter = tallest > 0 || !m_tabs.isEmpty();

    for (qsizetype i = 0; i < band.size(); ++i) {
        const TReportItem* item = band[i];
        if (item->Kind != rkText)
            continue;
        const TFont& font = *item->Font;
        QByteArray& s = m_item;
        s.resize(0);
        if (firstTabbed >= 0 && i >= firstTabbed)
            s += "\\tab ";
        bool formatted = false;
        if (font.Name != DefaultFontName) {
            s += "\\f" + FontIndex(font.Name) + ' ';
            formatted = true;
        }
        if (item->Background != clWhite) {
            s += "\\cb" + ColorIndex(item->Background) + ' ';
            formatted = true;
        }
        if (font.Color != clBlack && font.Color != clWhite) {
            s += "\\cf" + ColorIndex(font.Color) + ' ';
            formatted = true;
        }
        if (font.Size != DefaultFontSize) {
            s += "\\fs";
            AppendNumber(s, qint64(font.Size) * 2);
            s += ' ';
            formatted = true;
        }
        if (font.Italic) {
            s += "\\i ";
            formatted = true;
        }
        if (font.Bold) {
            s += "\\b ";
            formatted = true;
        }
        if (font.Underline) {
            s += "\\ul ";
            formatted = true;
        }
        AppendEscaped(s, item->Text);
        if (formatted)
            s += "\\plain ";
        if (s.isEmpty())
            continue;
        if (needsDelimiter && s.front() != '\\')
            Body += ' ';
        needsDelimiter = false;
        Body += s;
    }
    if (tallest > 0) {
        Body += "\\par \\pard ";
        Body += CrLf;
    }
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
    Body += "\\pard ";
    // No break after the last page, or readers show an empty page at the end. The break is a paragraph
    // of its own, one twip high: left open, it would take the line spacing of the next page's first
    // gap and put that gap at the foot of this page, or on a blank page of its own where it does not fit.
    if (!LastPage)
        Body += "\\sl-1\\page \\par " + CrLf;
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
        + QByteArray::number(TopMargin) + "\\margb" + QByteArray::number(BottomMargin) + CrLf;
    WriteText(head);
    WriteText(Body);
    WriteText("}" + CrLf);
    FontTable.clear();
    ColorTable.clear();
    m_colorIndexes.clear();
    TExtraFilter::EndDocument();
}
