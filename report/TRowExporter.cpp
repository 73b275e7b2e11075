#include "TRowExporter.h"

#include "DateTime.h"
#include "TBandedReport.h"
#include "TDataFieldElement.h"
#include "TReportDataSet.h"

#include <QDate>
#include <QDateTime>
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
    if (m_dateTexts.size() >= MaxCachedDates)
        m_dateTexts.clear();
    // The slashes are quoted: the data's dates read the same on every system, whatever its separator.
    return m_dateTexts.insert(day, FormatDateTime(QStringLiteral("m'/'d'/'yyyy"), FromQDate(date))).value();
}

TRowCell TRowExporter::Cell(const QVariant& value, TCellKind kind)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (kind) {
    case ckInteger: {
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
            return {kind, number, kind == ckCurrency ? AmountText(number) : QString::number(number, 'g', 15)};
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
    const QString text = value.toString();
    return text.isEmpty() ? TRowCell() : TRowCell{ckText, 0, text};
}

bool TRowExporter::Run(TBandedReport& report, TRowSink& sink, const TProgressCallback& progress)
{
    const TRowExportLayout& layout = report.RowExport;
    TReportDataSet* data = report.DataSet();
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

    TRowCounts counts{layout.CountsSheetName, layout.GroupHeading, layout.CountHeading, layout.TotalLabel, {}, 0};
    sink.Start(table);

    QList<TRowCell> cells(layout.Columns.size());
    QVariant groupValue;
    qint64 groupRows = 0;
    // A group ends where the group field's value changes, exactly as the report starts a new one.
    const auto closeGroup = [&] {
        if (groupRows > 0)
            counts.Groups.append({TDataFieldElement::DisplayText(groupValue, data->Type(groupField)), groupRows});
    };
    int rows = 0;
    while (data && !data->Eof()) {
        for (qsizetype i = 0; i < cells.size(); ++i)
            cells[i] = fields[size_t(i)] >= 0 ? Cell(data->Value(fields[size_t(i)]), layout.Columns[i].Kind)
                                              : TRowCell();
        if (groupField >= 0) {
            const QVariant value = data->Value(groupField);
            if (groupRows == 0 || value != groupValue) {
                closeGroup();
                groupValue = value;
                groupRows = 0;
            }
            ++groupRows;
        }
        sink.WriteRow(cells);
        ++rows;
        if (progress && rows % ProgressInterval == 0 && !progress({0, rows, data->RecordCount()}))
            return false;
        data->Next();
    }
    if (groupField >= 0)
        closeGroup();
    counts.Total = rows;
    sink.Finish(counts);
    return true;
}
