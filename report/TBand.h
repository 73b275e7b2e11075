#pragma once
#include "TDataFieldElement.h"
#include "TExtraFilter.h"
#include "TFont.h"
#include "TLabelElement.h"
#include "TLineElement.h"
#include "TSysDataElement.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TBandedReport;

enum TBandType { btTitle, btColumnHeader, btGroupHeader, btDetail, btGroupFooter, btSummary };

// A horizontal strip of the report that prints as a whole. Positions and the height are given in
// 96-dpi pixels and kept in tenths of a millimetre.
class TBand
{
public:
    TBand(TBandedReport& report, TBandType type, const QString& name, double heightPx);
    TBand(const TBand&) = delete;
    TBand& operator=(const TBand&) = delete;

    TBandedReport& Report() const { return m_report; }
    TBandType Type() const { return m_type; }
    const QString& Name() const { return m_name; }
    double Height() const { return m_height; } // tenths of a millimetre
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }

    TLabelElement* AddLabel(const QString& name, double leftPx, double topPx, const QString& caption,
                            const TFont& font, TAlignment alignment = taLeftJustify, bool autoSize = true,
                            double designWidthPx = 0);
    TDataFieldElement* AddDataField(const QString& name, double leftPx, double topPx, const QString& fieldName,
                                    const TFont& font, TAlignment alignment = taLeftJustify,
                                    double designWidthPx = 0);
    TSysDataElement* AddSysData(const QString& name, double leftPx, double topPx, TSysDataKind kind,
                                const TFont& font, TAlignment alignment = taLeftJustify, double designWidthPx = 0);
    TLineElement* AddLine(const QString& name, double leftPx, double topPx, double widthPx, double penWidthPx = 1);

    const std::vector<std::unique_ptr<TReportElement>>& Elements() const { return m_elements; }
    // nullptr when the band has no element of that name.
    TReportElement* Element(const QString& name) const;

    // Group headers: the expression whose change starts a new group. "Query.description" names the
    // data set's field "description"; the part before the last dot is the data set's name.
    const QString& Expression() const { return m_expression; }
    void SetExpression(const QString& expression) { m_expression = expression; }
    QString ExpressionField() const;
    TBand* FooterBand() const { return m_footer; }
    void SetFooterBand(TBand* footer) { m_footer = footer; }
    bool ReprintOnNewPage() const { return m_reprintOnNewPage; }
    void SetReprintOnNewPage(bool reprint) { m_reprintOnNewPage = reprint; }

    // Raised immediately before each printing of the band; printBand enters as Enabled() and the band
    // is skipped when the handler leaves it false.
    std::function<void(TBand&, bool& printBand)> BeforePrint;

private:
    template <typename T>
    T* Add(std::unique_ptr<T> element);

    TBandedReport& m_report;
    TBandType m_type;
    QString m_name;
    double m_height;
    bool m_enabled = true;
    QString m_expression;
    TBand* m_footer = nullptr;
    bool m_reprintOnNewPage = false;
    std::vector<std::unique_ptr<TReportElement>> m_elements;
};
