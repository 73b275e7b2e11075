#include "TDataFieldElement.h"

#include "DateTime.h"
#include "TReportDataSet.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <bit>

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
    // The date format or locale may have changed since the last generation.
    m_dateTexts.clear();
    m_doubleTexts.clear();
}

void TDataFieldElement::Render(TRenderContext& context) const
{
    // The row's values are read where they are kept: a report prints millions of them.
    static const QVariant none;
    const QVariant* value = &none;
    QVariant read;
    if (m_field >= 0) {
        if (context.Snapshot) {
            if (size_t(m_field) < context.Snapshot->size())
                value = &(*context.Snapshot)[size_t(m_field)];
        } else if (context.DataSet) {
            read = context.DataSet->Value(m_field);
            value = &read;
        }
    }
    PlaceText(context, CachedText(*value));
}

// Formatting dates and currency is costly and a column holds few distinct values, so each element keeps
// the texts it formatted. Only values whose equality is exact share a text: dates by day, doubles bit
// for bit (0.0 and -0.0 format differently).
QString TDataFieldElement::CachedText(const QVariant& value) const
{
    QHash<qint64, QString>* texts = nullptr;
    qint64 key = 0;
    switch (value.typeId()) {
    case QMetaType::QDate:
        if (value.isNull())
            return {};
        texts = &m_dateTexts;
        key = value.toDate().toJulianDay();
        break;
    case QMetaType::Double:
        if (value.isNull())
            return {};
        texts = &m_doubleTexts;
        key = std::bit_cast<qint64>(value.toDouble());
        break;
    default:
        return DisplayText(value, m_type);
    }
    auto found = texts->constFind(key);
    if (found != texts->constEnd())
        return found.value();
    if (texts->size() >= MaxCachedTexts)
        texts->clear();
    return texts->insert(key, DisplayText(value, m_type)).value();
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
        if (value.typeId() == QMetaType::Int) // what the data layer delivers: no conversion through the variant
            return QString::number(*static_cast<const int*>(value.constData()));
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
        if (value.typeId() == QMetaType::QString)
            return *static_cast<const QString*>(value.constData());
        return value.toString();
    }
}
