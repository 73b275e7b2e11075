#include "TDataFieldElement.h"

#include "DateTime.h"
#include "TReportDataSet.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <bit>
#include <cmath>

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

// An amount in the locale's currency format, with a number text of its own in place of the digits
// the locale would write: the currency sign, the minus sign and their places stay the locale's.
QString CurrencyText(double value, const QString& number)
{
    const QLocale locale;
    const QString digits = locale.toString(1.0, 'f', 2);
    QString text = locale.toCurrencyString(value < 0 ? -1.0 : 1.0);
    const qsizetype at = text.indexOf(digits);
    if (at < 0)
        return number;
    return text.replace(at, digits.size(), number.startsWith(QLatin1Char('-')) ? number.mid(1) : number);
}

} // namespace

QString TDataFieldElement::LargeNumberText(double value)
{
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-Overflow") : QStringLiteral("Overflow");
    if (std::isnan(value))
        return QStringLiteral("Overflow");
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

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
        // A number stored as a double beyond 64 bits is written as it is stored.
        if (value.typeId() == QMetaType::Double && !(std::abs(value.toDouble()) < 9.2e18))
            return LargeNumberText(value.toDouble());
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
    case ftCurrency: {
        const double amount = value.toDouble();
        if (!(std::abs(amount) < LargestFixedAmount)) {
            if (!std::isfinite(amount))
                return LargeNumberText(amount);
            return CurrencyText(amount, LargeNumberText(amount));
        }
        return QLocale().toCurrencyString(amount);
    }
    case ftFloat: {
        const double number = value.toDouble();
        if (!std::isfinite(number))
            return LargeNumberText(number);
        return QString::number(number, 'g', 15);
    }
    default:
        if (value.typeId() == QMetaType::QString)
            return *static_cast<const QString*>(value.constData());
        return value.toString();
    }
}
