#pragma once
#include "TReportElement.h"

// A self-sizing line of text: the element's width follows its text. Left-aligned text keeps the left
// edge, right-aligned text the right edge and centred text the centre of its design box.
class TTextElement : public TReportElement
{
public:
    TTextElement(const QString& name, double leftPx, double topPx, const TFont& font, TAlignment alignment,
                 double designWidthPx);

    const TFont& Font() const { return m_font; }
    TAlignment Alignment() const { return m_alignment; }
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool autoSize) { m_autoSize = autoSize; }
    // Design box width in tenths of a millimetre.
    double DesignWidth() const { return m_designWidth; }
    TColor Background() const { return m_background; }
    void SetBackground(TColor color) { m_background = color; }

    void Prepare(TPrepareContext& context) override;

protected:
    void PlaceText(TRenderContext& context, const QString& text) const;
    void SetDesignWidth(double tenths) { m_designWidth = tenths; }

private:
    TFont m_font;
    TAlignment m_alignment;
    double m_designWidth;
    bool m_autoSize = true;
    TColor m_background = clWhite;
    quint16 m_fontIndex = 0;
    mutable double m_height = -1; // line height in this generation, tenths of a millimetre
};
