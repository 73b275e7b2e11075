#include "TSysDataElement.h"

TSysDataElement::TSysDataElement(const QString& name, double leftPx, double topPx, TSysDataKind kind,
                                 const TFont& font, TAlignment alignment, double designWidthPx)
    : TTextElement(name, leftPx, topPx, font, alignment, designWidthPx), m_kind(kind)
{
}

void TSysDataElement::Render(TRenderContext& context) const
{
    const QString value = m_kind == sdPageNumber ? QString::number(context.PageNumber) : DateToStr(context.Today);
    PlaceText(context, m_text + value);
}
