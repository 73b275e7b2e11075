#pragma once
#include "TReportElement.h"

// A horizontal line shape.
class TLineElement : public TReportElement
{
public:
    TLineElement(const QString& name, double leftPx, double topPx, double widthPx, double penWidthPx);

    double Width() const { return m_width; }
    double PenWidth() const { return m_penWidth; }

    void Render(TRenderContext& context) const override;

private:
    double m_width;
    double m_penWidth;
};
