#pragma once
// Saves a report as one HTML file per page, each report row a borderless table of fixed-width cells
// with spacer cells and rows for the gaps, measured in 96-dpi pixels.
#include "TExtraFilter.h"
#include "THTMLFilterPageFile.h"

class THTMLFilter : public THTMLPageFilter
{
public:
    explicit THTMLFilter(const QString& fileName);

    QString Description() const override;
    QString FileExtension() const override;
    QString DisplayName() const override;

protected:
    TPageFileOptions PageFileOptions() const override;
    void WritePageHead() override;
    void WriteBand(TReportBand& band) override;
    void BeginRow() override;
    void EndRow() override;
    void BeginPageOutput() override;
    void BeginDocument() override;
    QString DefaultFontName;
    int DefaultFontSize = 10;
    qint32 CurrentY = 0;  // pixels from the top covered by the page's rows so far
    qint32 UsedWidth = 0; // pixels of cells in the current table

private:
    qint32 m_tableWidth = 0;
    TByteBuffer m_line;
    THtmlStyleCache m_styles;
};
