#pragma once
#include "TTextElement.h"

enum TSysDataKind { sdDate, sdPageNumber };

// Text the engine supplies: today's date in the short date format or the current page number.
class TSysDataElement : public TTextElement
{
public:
    TSysDataElement(const QString& name, double leftPx, double topPx, TSysDataKind kind, const TFont& font,
                    TAlignment alignment, double designWidthPx);

    TSysDataKind Kind() const { return m_kind; }
    const QString& Text() const { return m_text; }
    // Printed in front of the value.
    void SetText(const QString& prefix) { m_text = prefix; }

    void Render(TRenderContext& context) const override;

private:
    TSysDataKind m_kind;
    QString m_text;
};
