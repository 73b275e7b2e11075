#include "TDataFieldElement.h"

#include "DateTime.h"
#include "TReportDataSet.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>

TDataFieldElement::TDataFieldElement(const QString& name, double leftPx, double topPx, const QString& fieldName,
                                     const TFont& font, TAlignment alignment, double designWidthPx)
    : TTextElement(name, leftPx, topPx, font, alignment, designWidthPx), m_fieldName(fieldName)
{
}

void TDataFieldElement::Prepare(TPrepareContext& context)
{
    TTextElement::Prepare(context);
    m_field = context.DataSet ? context.DataSet->FieldIndex(m_fieldName) : -1;
    m_type = m_field >= 0 ? context.DataSet->Type(m_field) : ftUnknown;
}

void TDataFieldElement::Render(TRenderContext& context) const
{
    QVariant value;
    if (m_field >= 0) {
        if (context.Snapshot)
            value = size_t(m_field) < context.Snapshot->size() ? (*context.Snapshot)[size_t(m_field)] : QVariant();
        else if (context.DataSet)
            value = context.DataSet->Value(m_field);
    }
    PlaceText(context, DisplayText(value, m_type));
}

namespace {

QString DateTimeText(const QDateTime& dt)
{
    QString text = DateToStr(FromQDate(dt.date()));
    if (dt.time() != QTime(0, 0))
        text += QLatin1Char(' ') + dt.time().toString(QStringLiteral("h:mm:ss"));
    return text;
}

} // namespace

QString TDataFieldElement::DisplayText(const QVariant& value, TFieldType type)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (type == ftUnknown) {
        switch (value.typeId()) {
        case QMetaType::QDate: type = ftDate; break;
        case QMetaType::QDateTime: type = ftDateTime; break;
        case QMetaType::Bool: type = ftBoolean; break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong: type = ftInteger; break;
        case QMetaType::Double: type = ftFloat; break;
        default: type = ftString; break;
        }
    }
    switch (type) {
    case ftSmallint:
    case ftInteger:
        return QString::number(value.toLongLong());
    case ftBoolean:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case ftDate:
        if (value.typeId() == QMetaType::Double)
            return DateToStr(value.toDouble());
        return DateToStr(FromQDate(value.toDate()));
    case ftDateTime:
        if (value.typeId() == QMetaType::QDate)
            return DateToStr(FromQDate(value.toDate()));
        return DateTimeText(value.toDateTime());
    case ftCurrency:
        return QLocale().toCurrencyString(value.toDouble());
    case ftFloat:
        return QString::number(value.toDouble(), 'g', 15);
    default:
        return value.toString();
    }
}
