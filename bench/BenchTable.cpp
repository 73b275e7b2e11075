#include "BenchTable.h"

#include <algorithm>

namespace {

constexpr int SizeWidth = 9;
constexpr int EngineWidth = 6;
constexpr int MeasurementWidth = 22;
constexpr int RunsWidth = 4;
constexpr int SecondsWidth = 10;
constexpr int PagesWidth = 9;
constexpr int PeakWidth = 9;
constexpr int RatioWidth = 9;

const QString NoFigure = QStringLiteral("-");

} // namespace

double Median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 != 0 ? values.at(middle) : (values.at(middle - 1) + values.at(middle)) / 2;
}

QString TBenchTable::Header() const
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8  note")
        .arg(QStringLiteral("size"), SizeWidth)
        .arg(QStringLiteral("engine"), -EngineWidth)
        .arg(QStringLiteral("measurement"), -MeasurementWidth)
        .arg(QStringLiteral("runs"), RunsWidth)
        .arg(QStringLiteral("median s"), SecondsWidth)
        .arg(QStringLiteral("pages/s"), PagesWidth)
        .arg(QStringLiteral("peak MiB"), PeakWidth)
        .arg(QStringLiteral("x shell"), RatioWidth);
}

QString TBenchTable::Line(const TBenchRow& row) const
{
    const bool measured = !row.Seconds.isEmpty();
    const double median = Median(row.Seconds);
    QString seconds = NoFigure;
    QString pagesPerSecond = NoFigure;
    QString peak = NoFigure;
    QString ratio = NoFigure;
    if (measured) {
        seconds = QString::number(median, 'f', 3);
        if (row.Pages > 0 && median > 0)
            pagesPerSecond = QString::number(row.Pages / median, 'f', 0);
        const double baseline = m_baseline.value(Key(row.Size, row.Engine), 0);
        if (baseline > 0)
            ratio = QString::number(median / baseline, 'f', 2);
    }
    if (row.PeakKiB > 0)
        peak = QString::number(double(row.PeakKiB) / 1024, 'f', 1);
    QString line = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                       .arg(row.Size, SizeWidth)
                       .arg(row.Engine, -EngineWidth)
                       .arg(row.Measurement, -MeasurementWidth)
                       .arg(measured ? QString::number(row.Seconds.size()) : NoFigure, RunsWidth)
                       .arg(seconds, SecondsWidth)
                       .arg(pagesPerSecond, PagesWidth)
                       .arg(peak, PeakWidth)
                       .arg(ratio, RatioWidth);
    if (!row.Note.isEmpty())
        line += QStringLiteral("  ") + row.Note;
    return line;
}
