#pragma once
#include "TFieldDef.h"
#include "TTextElement.h"

#include <QHash>

// The display text of one field of the current row.
class TDataFieldElement : public TTextElement
{
public:
    TDataFieldElement(const QString& name, double leftPx, double topPx, const QString& fieldName,
                      const TFont& font, TAlignment alignment, double designWidthPx);

    const QString& FieldName() const { return m_fieldName; }

    void Prepare(TPrepareContext& context) override;
    void Render(TRenderContext& context) const override;
    int FieldIndexUsed() const override { return m_field; }

    // Integers in decimal, dates in the short date format, currency in the locale's currency format,
    // text as stored; an empty value gives an empty text. Numbers too large for their format are
    // written as LargeNumberText gives them, never as another number.
    static QString DisplayText(const QVariant& value, TFieldType type);

    // Amounts are written to the cent or to four decimals only below this size: beyond it a double
    // holds no such digits, and rounding to them could overflow.
    static constexpr double LargestFixedAmount = 1e15;
    // A number too large for a fixed number of decimals in the shortest plain text that reads back as
    // the stored value ("1e+308"); an infinite one (a value beyond what a number holds) as the
    // overflow mark, "Overflow" or "-Overflow".
    static QString LargeNumberText(double value);

private:
    QString CachedText(const QVariant& value) const;

    QString m_fieldName;
    int m_field = -1;
    TFieldType m_type = ftUnknown;
    // Texts already formatted in this generation (see CachedText), by day and by a double's bits.
    static constexpr qsizetype MaxCachedTexts = 4096;
    mutable QHash<qint64, QString> m_dateTexts;
    mutable QHash<qint64, QString> m_doubleTexts;
};
