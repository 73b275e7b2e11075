#include "TBand.h"

#include "ReportUnits.h"

TBand::TBand(TBandedReport& report, TBandType type, const QString& name, double heightPx)
    : m_report(report), m_type(type), m_name(name), m_height(PixelsToTenths(heightPx))
{
}

template <typename T>
T* TBand::Add(std::unique_ptr<T> element)
{
    T* raw = element.get();
    m_elements.push_back(std::move(element));
    return raw;
}

TLabelElement* TBand::AddLabel(const QString& name, double leftPx, double topPx, const QString& caption,
                               const TFont& font, TAlignment alignment, bool autoSize, double designWidthPx)
{
    return Add(std::make_unique<TLabelElement>(name, leftPx, topPx, caption, font, alignment, autoSize,
                                               designWidthPx));
}

TDataFieldElement* TBand::AddDataField(const QString& name, double leftPx, double topPx, const QString& fieldName,
                                       const TFont& font, TAlignment alignment, double designWidthPx)
{
    return Add(std::make_unique<TDataFieldElement>(name, leftPx, topPx, fieldName, font, alignment, designWidthPx));
}

TSysDataElement* TBand::AddSysData(const QString& name, double leftPx, double topPx, TSysDataKind kind,
                                   const TFont& font, TAlignment alignment, double designWidthPx)
{
    return Add(std::make_unique<TSysDataElement>(name, leftPx, topPx, kind, font, alignment, designWidthPx));
}

TLineElement* TBand::AddLine(const QString& name, double leftPx, double topPx, double widthPx, double penWidthPx)
{
    return Add(std::make_unique<TLineElement>(name, leftPx, topPx, widthPx, penWidthPx));
}

TReportElement* TBand::Element(const QString& name) const
{
    for (const auto& element : m_elements)
        if (element->Name() == name)
            return element.get();
    return nullptr;
}

QString TBand::ExpressionField() const
{
    const QString expression = m_expression.trimmed();
    const qsizetype dot = expression.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? expression : expression.mid(dot + 1);
}
