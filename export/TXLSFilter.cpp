#include "TXLSFilter.h"

#include "CodePages.h"
#include "EExportError.h"

#include <algorithm>

namespace {

constexpr int FirstCellFormat = 20; // XF 0-19 are the built-in formats
constexpr int MaxColumns = 65536;
constexpr int MaxLabelLength = 0xFFFF - 8; // the record length counts 8 bytes besides the text
constexpr int MaxFontEntries = 255;        // the font index byte skips 4, so entry 254 is index 255
// Cells are handed to the spool in pieces of about this size.
constexpr qsizetype SpoolChunk = 64 * 1024;

QByteArray Record(quint16 type, const QByteArray& payload)
{
    return Int16Bytes(type) + Int16Bytes(int(payload.size())) + payload;
}

QByteArray FontPayload(const TFont& font)
{
    const int flags = (font.Bold ? 1 : 0) | (font.Italic ? 2 : 0) | (font.Underline ? 4 : 0) | (font.StrikeOut ? 8 : 0);
    // A name the code page cannot hold is written as its nearest letters, as the cells' texts are.
    const QByteArray name =
        ToCodePage1252(FitsCodePage1252(font.Name) ? font.Name : NearestLetters1252(font.Name)).left(255);
    // The height field holds 16 bits of twentieths of a point.
    const int height = int(std::clamp<qint64>(qint64(font.Size) * 20, 0, 0x7FFF));
    return Int16Bytes(height) + Int16Bytes(flags) + Int16Bytes(0) + char(name.size()) + name;
}

// Font payloads are equal when they differ at most in the case of the name: the binary head (height,
// flags, colour) must match exactly, or fonts whose bytes happen to be letters would merge.
bool SameFont(const QByteArray& a, const QByteArray& b)
{
    constexpr qsizetype Head = 7;
    return a.size() == b.size() && a.left(Head) == b.left(Head)
        && a.mid(Head).compare(b.mid(Head), Qt::CaseInsensitive) == 0;
}

quint8 AlignmentCode(quint8 alignment)
{
    switch (alignment) {
    case taCenter:
        return 2;
    case taRightJustify:
        return 3;
    default:
        return 1;
    }
}

QByteArray BuiltInCellFormats()
{
    static const char* const payloads[] = {
        "\x01\x00\xF5\xFF\x20\xF4\x00\xCE\x00\x00\x00\x00",
        "\x02\x00\xF5\xFF\x20\xF4\x00\xCE\x00\x00\x00\x00",
        "\x00\x00\xF5\xFF\x20\xF4\x00\xCE\x00\x00\x00\x00",
        "\x00\x00\x01\x00\x20\x00\x00\xCE\x00\x00\x00\x00",
        "\x05\x21\xF5\xFF\x20\xF8\x00\xCE\x00\x00\x00\x00",
        "\x05\x1F\xF5\xFF\x20\xF8\x00\xCE\x00\x00\x00\x00",
        "\x05\x20\xF5\xFF\x20\xF8\x00\xCE\x00\x00\x00\x00",
        "\x05\x1E\xF5\xFF\x20\xF8\x00\xCE\x00\x00\x00\x00",
        "\x05\x0D\xF5\xFF\x20\xF8\x00\xCE\x00\x00\x00\x00",
    };
    // How often each payload above repeats: XF 0-1, 2-3, 4-13, then 14-19 once each.
    static const int repeats[] = {2, 2, 10, 1, 1, 1, 1, 1, 1};
    QByteArray result;
    for (int i = 0; i < 9; ++i) {
        for (int n = 0; n < repeats[i]; ++n)
            result += Record(0x0443, QByteArray(payloads[i], 12));
    }
    return result;
}

} // namespace

void TXLSFilter::AddText(double x, double y, const TFont& font, TColor background, int alignment, const QString& text)
{
    if (RowCounter < MaxRows || !PageOpen) {
        TExtraFilter::AddText(x, y, font, background, alignment, text);
        return;
    }
    // Past the last row the report is refused, and only its row count is still needed.
    AddPositionOnly(x, y, font, background, alignment);
}

void TXLSFilter::BeginDocument()
{
    TExtraFilter::BeginDocument();
    FontTable.clear();
    FormatTable.clear();
    XFTable.clear();
    m_lastFont = nullptr;
    m_lastCellKey.clear();
    m_cells.Clear();
    m_nearestLetters = 0;
    OpenBody();
    TFont scratch;
    FontIndex(scratch);
    scratch.Bold = true;
    FontIndex(scratch);
    scratch.Italic = true;
    FontIndex(scratch);
    scratch.Underline = true;
    FontIndex(scratch);
    scratch.StrikeOut = true;
    FontIndex(scratch);
    FormatIndex(QByteArrayLiteral("General"));
}

quint8 TXLSFilter::FontIndex(const TFont& font)
{
    if (m_lastFont == &font && m_lastFontValue == font)
        return m_lastFontIndex;
    const QByteArray payload = FontPayload(font);
    qsizetype index = 0;
    while (index < FontTable.size() && !SameFont(FontTable[index], payload))
        ++index;
    if (index == FontTable.size()) {
        // Beyond what the index byte can name, a font falls back to the default rather than
        // pointing at the wrong one.
        if (index >= MaxFontEntries)
            return 0;
        FontTable.append(payload);
    }
    // The sheet never refers to font 4: entries from 4 on are named one higher.
    const quint8 result = quint8(index > 3 ? index + 1 : index);
    m_lastFont = &font;
    m_lastFontValue = font;
    m_lastFontIndex = result;
    return result;
}

quint8 TXLSFilter::FormatIndex(const QByteArray& formatText)
{
    for (qsizetype i = 0; i < FormatTable.size(); ++i) {
        if (FormatTable[i].compare(formatText, Qt::CaseInsensitive) == 0)
            return quint8(i);
    }
    FormatTable.append(formatText);
    return quint8(FormatTable.size() - 1);
}

QByteArray TXLSFilter::CellFormatIndex(const TReportItem& item)
{
    char key[12] = {};
    key[0] = char(FontIndex(*item.Font));
    key[1] = char(FormatIndex(QByteArrayLiteral("General")));
    key[4] = char(AlignmentCode(item.Alignment));
    // The key holds no letters, so it is compared exactly.
    const QByteArrayView view(key, 12);
    if (m_lastCellKey == view)
        return m_lastCellFormat;
    qsizetype index = 0;
    while (index < XFTable.size() && XFTable[index] != view)
        ++index;
    if (index == XFTable.size())
        XFTable.append(QByteArray(key, 12));
    m_lastCellKey = XFTable[index];
    m_lastCellFormat = Int16Bytes(int(index) + FirstCellFormat);
    return m_lastCellFormat;
}

QString TXLSFilter::StorableText(const QString& text)
{
    if (FitsCodePage1252(text))
        return text;
    ++m_nearestLetters;
    return NearestLetters1252(text);
}

QString TXLSFilter::Notice() const
{
    return NearestLettersNotice(m_nearestLetters, FileExtension());
}

void TXLSFilter::WriteBand(TReportBand& band)
{
    // Rows past the sheet are counted but not stored; EndDocument refuses the report.
    if (RowCounter >= MaxRows)
        return;
    if (band.size() > MaxColumns) {
        throw EExportError(QStringLiteral("Row %1 of the report has %2 cells, but an Excel sheet holds at most %3 columns.")
                               .arg(RowCounter + 1)
                               .arg(band.size())
                               .arg(MaxColumns));
    }
    int column = 0;
    for (const TReportItem* item : band) {
        QByteArray text = ToCodePage1252(StorableText(item->Text));
        text = ReplaceAll(text, QByteArrayLiteral("\r\n"), QByteArrayLiteral(" ")).left(MaxLabelLength);
        m_cells.AppendInt16(0x0204);
        m_cells.AppendInt16(int(text.size()) + 8);
        m_cells.AppendInt16(RowCounter);
        m_cells.AppendInt16(column);
        m_cells.Append(CellFormatIndex(*item));
        m_cells.AppendInt16(int(text.size()));
        m_cells.Append(text);
        ++column;
    }
    if (m_cells.Size() >= SpoolChunk) {
        Body.Write(m_cells.View());
        m_cells.Clear();
    }
}

void TXLSFilter::EndDocument()
{
    if (RowCounter > MaxRows) {
        throw EExportError(QStringLiteral("The report has %1 rows, but an Excel sheet holds at most %2 rows. "
                                          "XLSX and CSV hold the whole report.")
                               .arg(RowCounter)
                               .arg(MaxRows));
    }
    QByteArray header = QByteArray("\x09\x04\x06\x00\x00\x00\x10\x00\x00\x00", 10);
    for (const QByteArray& format : FormatTable)
        header += Record(0x001E, char(format.size()) + format);
    for (const QByteArray& font : FontTable)
        header += Record(0x0231, font);
    header += BuiltInCellFormats();
    for (const QByteArray& key : XFTable)
        header += Record(0x0443, key);
    header += QByteArray("\x93\x02\x04\x00\x10\x80\x03\xFF"
                         "\x93\x02\x04\x00\x11\x80\x06\xFF"
                         "\x93\x02\x04\x00\x12\x80\x04\xFF"
                         "\x93\x02\x04\x00\x13\x80\x07\xFF"
                         "\x93\x02\x04\x00\x00\x80\x00\xFF"
                         "\x93\x02\x04\x00\x14\x80\x05\xFF",
                         48);
    WriteText(header);
    Body.Write(m_cells.View());
    m_cells.Clear();
    OutputFile.AppendFile(Body);
    WriteText(QByteArray("\x0A\x00\x00\x00", 4));
    FontTable.clear();
    FormatTable.clear();
    XFTable.clear();
    TExtraFilter::EndDocument();
}
