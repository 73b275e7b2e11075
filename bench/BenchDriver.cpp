#include "BenchDriver.h"

#include "BenchMeasure.h"
#include "BenchTable.h"
#include "ChildProcess.h"
#include "ExtraFilters.h"
#include "TDemoDatabase.h"
#include "TFilterLibrary.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <exception>

namespace {

const QString ReadyMarker = QStringLiteral("bench-ready");
// Enrolments are spread around a fixed day, so a kept database equals a new one of the same seed.
const QDate DemoDay(2026, 1, 15);

constexpr int ecBenchDone = 0;
constexpr int ecBenchUsage = 1;
constexpr int ecBenchDatabase = 2;
constexpr int ecBenchFailed = 3;

void Progress(const QString& text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

void PrintLine(const QString& text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

// The last line a child wrote: its own error comes after any start-up chatter of the toolkit.
QString LastLine(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll()).trimmed().section(QLatin1Char('\n'), -1).trimmed();
}

QString ReadyText(int enrolments, quint32 seed)
{
    return QStringLiteral("enrolments=%1 seed=%2 day=%3").arg(enrolments).arg(seed).arg(DemoDay.toString(Qt::ISODate));
}

bool Wanted(const TBenchOptions& options, const TFilterEntry& entry)
{
    if (options.Formats.isEmpty())
        return true;
    QString shortName = entry.DisplayName;
    shortName.remove(QStringLiteral(" File"));
    for (const QString& format : options.Formats) {
        if (format.compare(entry.FileExtension, Qt::CaseInsensitive) == 0
            || format.compare(entry.DisplayName, Qt::CaseInsensitive) == 0
            || format.compare(shortName, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Runs the measuring children of one table line and collects their figures.
class TRunner
{
public:
    TRunner(const QString& program, const QString& workFolder, const TBenchTable& table)
        : m_program(program), m_work(workFolder), m_table(table)
    {
    }

    bool Failed = false;

    // Runs `runs` children with the arguments; stops at the first failure and notes it in the row.
    QList<TMeasurement> Run(const QStringList& arguments, int runs, TBenchRow& row, bool freshOutput = false)
    {
        QList<TMeasurement> measurements;
        const QString out = m_work + QStringLiteral("/child.out");
        const QString err = m_work + QStringLiteral("/child.err");
        for (int run = 0; run < runs; ++run) {
            QStringList childArguments = arguments;
            std::unique_ptr<QTemporaryDir> output;
            if (freshOutput) {
                // Every run writes into an empty folder, removed at once: page images fill the disk.
                output = std::make_unique<QTemporaryDir>(m_work + QStringLiteral("/export-XXXXXX"));
                childArguments << QStringLiteral("--out") << output->path();
            }
            const TChildResult child = RunChild(m_program, childArguments, {}, out, err);
            TMeasurement measurement;
            if (child.Started && child.ExitCode == ecMeasureRefused) {
                // The spreadsheet writers refuse reports longer than a sheet: a limit, not a fault.
                row.Note = QStringLiteral("not measured: ") + LastLine(err);
                break;
            }
            if (!child.Started || child.ExitCode != 0 || !ParseMeasurementLine(LastLine(out), measurement)) {
                row.Note = !child.Started ? child.StartError
                                          : QStringLiteral("failed (exit %1): %2")
                                                .arg(child.ExitCode)
                                                .arg(LastLine(err));
                Failed = true;
                break;
            }
            row.Seconds << measurement.Seconds;
            row.PeakKiB = std::max(row.PeakKiB, child.PeakKiB);
            measurements << measurement;
            Progress(QStringLiteral("  %1 run %2: %3 s")
                         .arg(row.Measurement)
                         .arg(run + 1)
                         .arg(measurement.Seconds, 0, 'f', 3));
        }
        return measurements;
    }

    void Print(const TBenchRow& row) const { PrintLine(m_table.Line(row)); }

private:
    QString m_program;
    QString m_work;
    const TBenchTable& m_table;
};

} // namespace

QString EnsureDemoDatabase(const QString& folder, int enrolments, quint32 seed)
{
    const QString marker = QDir(folder).filePath(ReadyMarker);
    const QString aliasFile = QDir(folder).filePath(QStringLiteral("aliases.ini"));
    QFile ready(marker);
    if (ready.open(QIODevice::ReadOnly) && QString::fromLatin1(ready.readAll()).trimmed() == ReadyText(enrolments, seed)
        && QFileInfo::exists(aliasFile))
        return aliasFile;
    ready.close();

    // A folder without the marker is what an interrupted build left: start it afresh.
    QDir(folder).removeRecursively();
    TDemoOptions demo;
    demo.Folder = folder;
    demo.Enrolments = enrolments;
    demo.Seed = seed;
    demo.Today = DemoDay;
    const QString written = CreateDemoDatabase(demo);
    if (!ready.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || ready.write(ReadyText(enrolments, seed).toLatin1() + '\n') < 0 || !ready.flush())
        throw std::runtime_error(
            QStringLiteral("%1 cannot be written: %2").arg(marker, ready.errorString()).toStdString());
    return written;
}

int RunBenchmark(const TBenchOptions& options, const QString& program)
{
    QTemporaryDir work;
    if (!work.isValid()) {
        Progress(QStringLiteral("activityrep-bench: no temporary folder: ") + work.errorString());
        return ecBenchUsage;
    }
    QString dataFolder = options.DataFolder;
    if (dataFolder.isEmpty())
        dataFolder = work.filePath(QStringLiteral("data"));
    dataFolder = QDir(dataFolder).absolutePath();

    if (FilterLibrary().Entries().isEmpty())
        RegisterExtraFilters();
    QList<TFilterEntry> filters;
    for (const TFilterEntry& entry : FilterLibrary().Entries()) {
        if (Wanted(options, entry))
            filters << entry;
    }
    if (filters.isEmpty() && !options.Formats.isEmpty()) {
        Progress(QStringLiteral("activityrep-bench: no export format matches \"%1\".")
                     .arg(options.Formats.join(QLatin1Char(','))));
        return ecBenchUsage;
    }

    TBenchTable table;
    TRunner runner(program, work.path(), table);
    PrintLine(table.Header());
    const int largest = *std::max_element(options.Sizes.begin(), options.Sizes.end());

    for (const int size : options.Sizes) {
        const int runs = size >= LargeSize ? options.LargeRuns : options.Runs;
        const QString folder = QDir(dataFolder).filePath(QStringLiteral("demo-%1-s%2").arg(size).arg(options.Seed));
        QString aliasFile;
        QElapsedTimer building;
        building.start();
        Progress(QStringLiteral("%1 enrolments: database in %2").arg(size).arg(folder));
        try {
            aliasFile = EnsureDemoDatabase(folder, size, options.Seed);
        } catch (const std::exception& error) {
            Progress(QStringLiteral("activityrep-bench: the database of %1 enrolments cannot be built: %2")
                         .arg(size)
                         .arg(QString::fromUtf8(error.what())));
            return ecBenchDatabase;
        }
        Progress(QStringLiteral("  ready after %1 s").arg(double(building.elapsed()) / 1000, 0, 'f', 1));
        const QStringList base = {QStringLiteral("--alias-file"), aliasFile};

        // The statement the program sends, as the engine receives it, for the sqlite3 shell.
        const QString statement = QDir(folder).filePath(QStringLiteral("statement.sql"));
        TBenchRow statementRow;
        statementRow.Measurement = QStringLiteral("statement");
        runner.Run(QStringList{QStringLiteral("--measure"), QStringLiteral("statement"), QStringLiteral("--statement"),
                               statement} + base,
                   1, statementRow);
        if (!statementRow.Note.isEmpty()) {
            statementRow.Size = size;
            runner.Print(statementRow);
            continue;
        }

        TBenchRow shell;
        shell.Size = size;
        shell.Measurement = QStringLiteral("sqlite3 shell");
        for (int run = 0; run < runs; ++run) {
            const TChildResult child =
                RunChild(options.Sqlite3, {QDir(folder).filePath(QStringLiteral("Data/club.db"))}, statement,
                         QStringLiteral("/dev/null"), work.filePath(QStringLiteral("sqlite3.err")));
            if (!child.Started || child.ExitCode != 0) {
                shell.Note = child.Started ? QStringLiteral("failed (exit %1): %2")
                                                 .arg(child.ExitCode)
                                                 .arg(LastLine(work.filePath(QStringLiteral("sqlite3.err"))))
                                           : child.StartError;
                shell.Seconds.clear();
                break;
            }
            shell.Seconds << child.Seconds;
            shell.PeakKiB = std::max(shell.PeakKiB, child.PeakKiB);
        }
        if (!shell.Seconds.isEmpty())
            table.SetBaseline(size, Median(shell.Seconds));
        else
            shell.Note += QStringLiteral(" (no ratios for this size)");
        runner.Print(shell);

        TBenchRow fetch;
        fetch.Size = size;
        fetch.Measurement = QStringLiteral("query and fetch");
        const QList<TMeasurement> fetched =
            runner.Run(QStringList{QStringLiteral("--measure"), QStringLiteral("fetch")} + base, runs, fetch);
        if (!fetched.isEmpty())
            fetch.Note = QStringLiteral("%1 rows").arg(fetched.first().Rows);
        runner.Print(fetch);

        TBenchRow layout;
        layout.Size = size;
        layout.Measurement = QStringLiteral("layout, all pages");
        const QList<TMeasurement> laidOut =
            runner.Run(QStringList{QStringLiteral("--measure"), QStringLiteral("layout")} + base, runs, layout);
        const int pages = laidOut.isEmpty() ? 0 : laidOut.first().Pages;
        layout.Pages = pages;
        if (!laidOut.isEmpty())
            layout.Note = QStringLiteral("%1 pages").arg(pages);
        runner.Print(layout);

        for (const TFilterEntry& entry : filters) {
            TBenchRow exported;
            exported.Size = size;
            QString name = entry.DisplayName;
            name.remove(QStringLiteral(" File"));
            exported.Measurement = QStringLiteral("export ") + name;
            exported.Pages = pages;
            // HTML and CSS2 share their extension, so the child is given the filter's class name.
            runner.Run(QStringList{QStringLiteral("--measure"), QStringLiteral("export"), QStringLiteral("--format"),
                                   entry.ClassName} + base,
                       runs, exported, true);
            runner.Print(exported);
        }

        if (options.Preview && size == largest) {
            TBenchRow all;
            all.Size = size;
            all.Measurement = QStringLiteral("preview, all pages");
            const QList<TMeasurement> previews =
                runner.Run(QStringList{QStringLiteral("--measure"), QStringLiteral("preview")} + base, runs, all);
            TBenchRow first;
            first.Size = size;
            first.Measurement = QStringLiteral("preview, first page");
            for (const TMeasurement& m : previews) {
                first.Seconds << m.FirstPageSeconds;
                first.PeakKiB = std::max(first.PeakKiB, m.FirstPageKiB);
            }
            first.Note = all.Note;
            if (!previews.isEmpty()) {
                all.Pages = previews.first().Pages;
                all.Note = QStringLiteral("until the last page is laid out");
            }
            runner.Print(first);
            runner.Print(all);
        }
    }
    return runner.Failed ? ecBenchFailed : ecBenchDone;
}
