#include "TReportElement.h"

#include "ReportUnits.h"

TReportElement::TReportElement(const QString& name, double leftPx, double topPx)
    : m_left(PixelsToTenths(leftPx)), m_top(PixelsToTenths(topPx)), m_name(name)
{
}

void TReportElement::Prepare(TPrepareContext&)
{
}
