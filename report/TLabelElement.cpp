#include "TLabelElement.h"

#include "ReportUnits.h"
#include "TTextMeasurer.h"

TLabelElement::TLabelElement(const QString& name, double leftPx, double topPx, const QString& caption,
                             const TFont& font, TAlignment alignment, bool autoSize, double designWidthPx)
    : TTextElement(name, leftPx, topPx, font, alignment, designWidthPx), m_caption(caption)
{
    SetAutoSize(autoSize);
    if (designWidthPx <= 0 && !caption.isEmpty()) {
        TTextMeasurer measurer;
        SetDesignWidth(PixelsToTenths(measurer.TextWidth(font, caption)));
    }
}

void TLabelElement::Render(TRenderContext& context) const
{
    PlaceText(context, m_caption);
}
