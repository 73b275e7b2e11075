#pragma once
#include "TTextElement.h"

// Fixed text that handlers may change before the band prints. Without a design width the design box
// is as wide as the caption given at design time.
class TLabelElement : public TTextElement
{
public:
    TLabelElement(const QString& name, double leftPx, double topPx, const QString& caption, const TFont& font,
                  TAlignment alignment, bool autoSize, double designWidthPx);

    const QString& Caption() const { return m_caption; }
    void SetCaption(const QString& caption) { m_caption = caption; }

    void Render(TRenderContext& context) const override;

private:
    QString m_caption;
};
