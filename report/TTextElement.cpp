#include "TTextElement.h"

#include "ReportUnits.h"
#include "TReportDocument.h"
#include "TReportPage.h"
#include "TTextMeasurer.h"

TTextElement::TTextElement(const QString& name, double leftPx, double topPx, const TFont& font,
                           TAlignment alignment, double designWidthPx)
    : TReportElement(name, leftPx, topPx), m_font(font), m_alignment(alignment),
      m_designWidth(PixelsToTenths(designWidthPx))
{
}

void TTextElement::Prepare(TPrepareContext& context)
{
    m_fontIndex = context.Document.AddFont(m_font);
    m_height = -1;
}

void TTextElement::PlaceText(TRenderContext& context, const QString& text) const
{
    const TFont& font = context.Document.Font(m_fontIndex);
    // The line height depends only on the font; asking the font engine for every element is costly.
    if (m_height < 0)
        m_height = PixelsToTenths(context.Measurer.TextHeight(font));
    const double height = m_height;
    double width = m_designWidth;
    double left = m_left;
    if (m_autoSize) {
        width = text.isEmpty() ? 0.0 : PixelsToTenths(context.Measurer.TextWidth(font, text));
        if (m_alignment == taRightJustify)
            left = m_left + m_designWidth - width;
        else if (m_alignment == taCenter)
            left = m_left + (m_designWidth - width) / 2.0;
    }
    context.Page.AddText(float(context.OriginX + left), float(context.OriginY + m_top), float(width),
                         float(height), m_fontIndex, m_alignment, m_background, text);
}
