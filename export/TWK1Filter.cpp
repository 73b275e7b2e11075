#include "TWK1Filter.h"

#include "CodePages.h"
#include "EExportError.h"

#include <algorithm>

namespace {

constexpr int MaxLabelLength = 0xFFFF - 7; // the payload length counts 7 bytes besides the text

} // namespace

QByteArray TWK1Filter::BeginningOfFile() const
{
    return QByteArray("\x00\x00\x02\x00\x06\x04", 6);
}

QString TWK1Filter::SheetName() const
{
    return QStringLiteral("a Lotus 123 worksheet");
}

void TWK1Filter::AppendLabelRecord(TByteBuffer& out, int column, int row, QByteArrayView text)
{
    m_label.Clear();
    AppendLabel(m_label, text);
    out.Append("\x0F\x00", 2);
    out.AppendInt16(int(m_label.Size()) + 5); // format byte, column and row, then the label
    out.Append('\xFF');
    out.AppendInt16(column);
    out.AppendInt16(row);
    out.Append(m_label.View());
}

void TWK1Filter::AppendLabel(TByteBuffer& out, QByteArrayView text) const
{
    out.Append('\'');
    out.Append(text.first(std::min<qsizetype>(text.size(), MaxLabelLength)));
    out.Append('\0');
}

void TWK1Filter::AddText(double x, double y, const TFont& font, TColor background, int alignment, const QString& text)
{
    if (RowCounter < MaxRows || !PageOpen) {
        TExtraFilter::AddText(x, y, font, background, alignment, text);
        return;
    }
    // Past the last row the report is refused, and only its row count is still needed.
    AddPositionOnly(x, y, font, background, alignment);
}

void TWK1Filter::BeginDocument()
{
    TExtraFilter::BeginDocument();
    WriteText(BeginningOfFile());
}

void TWK1Filter::WriteBand(TReportBand& band)
{
    // Rows past the worksheet are counted but not written; EndDocument refuses the report.
    if (RowCounter >= MaxRows)
        return;
    if (band.size() > MaxColumns) {
        throw EExportError(QStringLiteral("Row %1 of the report has %2 cells, but %3 holds at most %4 columns.")
                               .arg(RowCounter + 1)
                               .arg(band.size())
                               .arg(SheetName())
                               .arg(MaxColumns));
    }
    m_records.Clear();
    int column = 0;
    for (const TReportItem* item : band) {
        QByteArray text = ToCodePage1252(item->Text);
        if (item->Kind == rkText)
            text = ReplaceAll(text, QByteArrayLiteral("\r\n"), QByteArrayLiteral(" "));
        AppendLabelRecord(m_records, column, RowCounter, CodePage1252To437(text));
        ++column;
    }
    OutputFile.Write(m_records.View());
}

void TWK1Filter::EndDocument()
{
    if (RowCounter > MaxRows) {
        throw EExportError(QStringLiteral("The report has %1 rows, but %2 holds at most %3 rows.")
                               .arg(RowCounter)
                               .arg(SheetName())
                               .arg(MaxRows));
    }
    WriteText(QByteArray("\x01\x00\x00\x00", 4));
    TExtraFilter::EndDocument();
}
