#pragma once
#include "TByteBuffer.h"
#include "TExtraFilter.h"

// Writes a report as a worksheet of label cells (Lotus 1-2-3 release 2). One report row becomes one
// worksheet row; the records go straight to the file as rows are processed. Texts are written in code
// page 437.
class TWK1Filter : public TExtraFilter
{
public:
    using TExtraFilter::TExtraFilter;

    QString Description() const override { return DisplayName(); }
    QString FileExtension() const override { return QStringLiteral("WK1"); }
    QString DisplayName() const override { return QStringLiteral("Lotus 123 File"); }

    void AddText(double x, double y, const TFont& font, TColor background, int alignment, const QString& text) override;
    // How many texts were written as the nearest letters code page 437 holds.
    QString Notice() const override;

protected:
    void BeginDocument() override;
    void WriteBand(TReportBand& band) override;
    void EndDocument() override;

    // Appends the label cell record of one text.
    void AppendLabelRecord(TByteBuffer& out, int column, int row, QByteArrayView text);
    // Appends the label as the record carries it: prefix, text and terminator; TWQ1Filter writes its
    // own layout.
    virtual void AppendLabel(TByteBuffer& out, QByteArrayView text) const;
    virtual QByteArray BeginningOfFile() const;
    // "a Lotus 123 worksheet", for messages.
    virtual QString SheetName() const;

    // The row and column fields are 16 bits wide, but readers keep only the rows a signed row number
    // reaches.
    static constexpr qint32 MaxRows = 32768;
    static constexpr qint32 MaxColumns = 65536;

private:
    TByteBuffer m_records; // of the current row
    TByteBuffer m_label;
    int m_nearestLetters = 0; // texts written as the nearest letters
};
