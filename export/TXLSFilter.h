#pragma once
#include "TByteBuffer.h"
#include "TExtraFilter.h"

#include <QByteArrayList>

// Writes a report as a single-sheet spreadsheet of text cells (Excel 4 records). One report row
// becomes one sheet row; the cells are spooled to Body and the file is completed at EndDocument,
// because the header lists the fonts and cell formats met in the report.
class TXLSFilter : public TExtraFilter
{
public:
    using TExtraFilter::TExtraFilter;

    QString Description() const override { return DisplayName(); }
    QString FileExtension() const override { return QStringLiteral("XLS"); }
    QString DisplayName() const override { return QStringLiteral("Excel File"); }

    // An Excel 4 sheet holds this many rows; a longer report is refused before the file is written.
    static constexpr qint32 MaxRows = 16384;

    void AddText(double x, double y, const TFont& font, TColor background, int alignment, const QString& text) override;
    // How many texts were written as the nearest letters code page 1252 holds.
    QString Notice() const override;

protected:
    void BeginDocument() override;
    void WriteBand(TReportBand& band) override;
    void EndDocument() override;

    quint8 FontIndex(const TFont& font);
    quint8 FormatIndex(const QByteArray& formatText);
    QByteArray CellFormatIndex(const TReportItem& item);
    // The text, or the nearest letters code page 1252 holds when it holds other characters (counted).
    QString StorableText(const QString& text);

    QByteArrayList FontTable;
    QByteArrayList FormatTable;
    QByteArrayList XFTable;

private:
    // Consecutive items mostly share a font: remember the last one's index.
    const TFont* m_lastFont = nullptr;
    TFont m_lastFontValue;
    quint8 m_lastFontIndex = 0;
    // And mostly a cell format: the last key and its XF number, as bytes.
    QByteArray m_lastCellKey;
    QByteArray m_lastCellFormat;
    // Cells not yet handed to Body.
    TByteBuffer m_cells;
    int m_nearestLetters = 0; // texts written as the nearest letters
};
