#pragma once
#include "DateTime.h"
#include "TExtraFilter.h"
#include "TFont.h"

#include <QString>
#include <QVariant>
#include <vector>

class TReportDataSet;
class TReportDocument;
class TReportPage;
class TTextMeasurer;

// What an element needs once per generation: the document's font table and the data set.
struct TPrepareContext
{
    TReportDocument& Document;
    TReportDataSet* DataSet = nullptr;
};

// What an element needs to print itself into a page at a band's position.
struct TRenderContext
{
    TReportPage& Page;
    TTextMeasurer& Measurer;
    const TReportDocument& Document;
    double OriginX = 0; // band's top-left corner on the paper, tenths of a millimetre
    double OriginY = 0;
    int PageNumber = 1;
    TDateTime Today = 0;
    TReportDataSet* DataSet = nullptr;
    // Field values by index: those of the row being laid out, or of the last detail row for bands printed
    // after the data set has moved on. Null: read the data set.
    const std::vector<QVariant>* Snapshot = nullptr;
};

// An element of a band. Positions are kept in tenths of a millimetre relative to the band.
class TReportElement
{
public:
    TReportElement(const QString& name, double leftPx, double topPx);
    virtual ~TReportElement() = default;
    TReportElement(const TReportElement&) = delete;
    TReportElement& operator=(const TReportElement&) = delete;

    const QString& Name() const { return m_name; }
    double Left() const { return m_left; }
    double Top() const { return m_top; }

    virtual void Prepare(TPrepareContext& context);
    virtual void Render(TRenderContext& context) const = 0;
    // Data set fields this element reads, so they can be kept for bands printed after the row.
    virtual int FieldIndexUsed() const { return -1; }

protected:
    double m_left;
    double m_top;

private:
    QString m_name;
};
