#include "TLineElement.h"

#include "ReportUnits.h"
#include "TReportPage.h"

TLineElement::TLineElement(const QString& name, double leftPx, double topPx, double widthPx, double penWidthPx)
    : TReportElement(name, leftPx, topPx), m_width(PixelsToTenths(widthPx)), m_penWidth(PixelsToTenths(penWidthPx))
{
}

void TLineElement::Render(TRenderContext& context) const
{
    context.Page.AddLine(float(context.OriginX + m_left), float(context.OriginY + m_top), float(m_width),
                         float(m_penWidth));
}
