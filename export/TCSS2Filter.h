#pragma once
// Saves a report as one HTML file per page in which every text item is an absolutely positioned
// block with its position, size, z-order and font as inline style declarations.
#include "TExtraFilter.h"
#include "THTMLFilterPageFile.h"

#include <vector>

class TCSS2Filter : public THTMLPageFilter
{
public:
    explicit TCSS2Filter(const QString& fileName);

    QString Description() const override;
    QString FileExtension() const override;
    QString DisplayName() const override;

protected:
    TPageFileOptions PageFileOptions() const override;
    void WritePageHead() override;
    void WritePageFoot() override;
    void WriteBand(TReportBand& band) override;

private:
    std::vector<const TReportItem*> m_sorted;
    TByteBuffer m_line;
    THtmlStyleCache m_styles;
};
