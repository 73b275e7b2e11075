#include "TRowExporter.h"

#include "DateTime.h"
#include "TBandedReport.h"
#include "TDataFieldElement.h"
#include "TReportDataSet.h"
#include "TRowWriterQueue.h"

#include <QDate>
#include <QDateTime>
#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

namespace {

// Rows between two calls of the progress callback: often enough for a responsive Cancel, rarely
// enough to cost nothing.
constexpr int ProgressInterval = 1000;

// The report's outermost group band, whose groups the report counts in its footers.
const TBand* OutermostGroup(const TBandedReport& report)
{
    for (const auto& band : report.Bands()) {
        if (band->Type() == btGroupHeader)
            return band.get();
    }
    return nullptr;
}

} // namespace

QString TRowExporter::AmountText(double amount)
{
    if (!(std::abs(amount) < TDataFieldElement::LargestFixedAmount))
        return TDataFieldElement::LargeNumberText(amount);
    // Amounts are kept to four decimals; rounding first keeps "-0.00" from appearing.
    amount = std::round(amount * 10000) / 10000;
    if (amount == 0)
        amount = 0;
    QString text = QString::number(amount, 'f', 4);
    while (text.endsWith(QLatin1Char('0')) && text.size() - text.indexOf(QLatin1Char('.')) > 3)
        text.chop(1);
    return text;
}

QString TRowExporter::DateText(const QDate& date)
{
    const qint64 day = date.toJulianDay();
    const auto found = m_dateTexts.constFind(day);
    if (found != m_dateTexts.constEnd())
        return found.value();
    if (m_dateTexts.size() >= MaxCachedTexts)
        m_dateTexts.clear();
    // The slashes are quoted: the data's dates read the same on every system, whatever its separator.
    return m_dateTexts.insert(day, FormatDateTime(QStringLiteral("m'/'d'/'yyyy"), FromQDate(date))).value();
}

QString TRowExporter::CachedAmountText(double amount)
{
    const qint64 bits = std::bit_cast<qint64>(amount);
    const auto found = m_amountTexts.constFind(bits);
    if (found != m_amountTexts.constEnd())
        return found.value();
    if (m_amountTexts.size() >= MaxCachedTexts)
        m_amountTexts.clear();
    return m_amountTexts.insert(bits, AmountText(amount)).value();
}

TRowCell TRowExporter::Cell(const QVariant& value, TCellKind kind)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (kind) {
    case ckInteger: {
        // An int (what the data layer delivers) is taken as it is; other values convert.
        if (value.typeId() == QMetaType::Int) {
            const int number = *static_cast<const int*>(value.constData());
            return {ckInteger, double(number), QString::number(number)};
        }
        // A number stored as a double beyond 64 bits is written as it is stored.
        if (value.typeId() == QMetaType::Double && !(std::abs(value.toDouble()) < 9.2e18))
            return {ckInteger, value.toDouble(), TDataFieldElement::LargeNumberText(value.toDouble())};
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        if (ok)
            return {ckInteger, double(number), QString::number(number)};
        break;
    }
    case ckNumber:
    case ckCurrency: {
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (ok && std::isfinite(number))
            return {kind, number, kind == ckCurrency ? CachedAmountText(number) : QString::number(number, 'g', 15)};
        // Beyond what a number holds: the overflow mark, as the report prints it.
        if (ok && std::isinf(number))
            return {kind, number, TDataFieldElement::LargeNumberText(number)};
        break;
    }
    case ckDate: {
        const QDate date = value.typeId() == QMetaType::QDateTime ? value.toDateTime().date() : value.toDate();
        if (date.isValid())
            return {ckDate, FromQDate(date), DateText(date)};
        break;
    }
    case ckText:
    case ckEmpty: break;
    }
    const QString text = value.typeId() == QMetaType::QString ? *static_cast<const QString*>(value.constData())
                                                              : value.toString();
    return text.isEmpty() ? TRowCell() : TRowCell{ckText, 0, text};
}

bool TRowExporter::Run(TBandedReport& report, TRowSink& sink, const TProgressCallback& progress,
                       TReportDataSet* dataSet)
{
    const TRowExportLayout& layout = report.RowExport;
    TReportDataSet* data = dataSet ? dataSet : report.DataSet();
    if (data)
        data->First();

    TRowTable table{layout.SheetName, {}, layout.Title, layout.Company ? layout.Company() : QString()};
    std::vector<int> fields;
    for (const TRowExportColumn& column : layout.Columns) {
        table.Headings.append(column.Heading);
        fields.push_back(data ? data->FieldIndex(column.FieldName) : -1);
    }
    const TBand* group = OutermostGroup(report);
    const int groupField = data && group ? data->FieldIndex(group->ExpressionField()) : -1;
    // The group's field is mostly a column as well, and then read once.
    const auto groupColumn = std::find(fields.begin(), fields.end(), groupField);

    TRowCounts counts{layout.CountsSheetName, layout.GroupHeading, layout.CountHeading, layout.TotalLabel, {}, 0};
    sink.Start(table);
    TRowWriterQueue writer(layout.Columns.size(), [&sink](const QList<TRowCell>& cells) { sink.WriteRow(cells); },
                           WriterThread);

    QVariant groupValue;
    QVariant value;
    qint64 groupRows = 0;
    // A group ends where the group field's value changes, exactly as the report starts a new one.
    const auto closeGroup = [&] {
        if (groupRows > 0)
            counts.Groups.append({TDataFieldElement::DisplayText(groupValue, data->Type(groupField)), groupRows});
    };
    int rows = 0;
    while (data && !data->Eof()) {
        QList<TRowCell>& cells = writer.NextRow();
        QVariant rowGroupValue;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            const int field = fields[size_t(i)];
            if (field < 0) {
                cells[i] = TRowCell();
                continue;
            }
            value = data->Value(field);
            cells[i] = Cell(value, layout.Columns[i].Kind);
            if (groupColumn != fields.end() && i == groupColumn - fields.begin())
                rowGroupValue = value;
        }
        if (groupField >= 0) {
            if (groupColumn == fields.end())
                rowGroupValue = data->Value(groupField);
            if (groupRows == 0 || rowGroupValue != groupValue) {
                closeGroup();
                groupValue = rowGroupValue;
                groupRows = 0;
            }
            ++groupRows;
        }
        writer.Add();
        ++rows;
        if (progress && rows % ProgressInterval == 0 && !progress({0, rows, data->RecordCount()}))
            return false;
        data->Next();
    }
    writer.Finish();
    if (groupField >= 0)
        closeGroup();
    counts.Total = rows;
    sink.Finish(counts);
    return true;
}
