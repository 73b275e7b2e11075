#include "BenchDriver.h"

#include "BenchMeasure.h"
#include "BenchServer.h"
#include "BenchTable.h"
#include "ChildProcess.h"
#include "ExtraFilters.h"
#include "RowFormats.h"
#include "TDemoDatabase.h"
#include "TFilterLibrary.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
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

QString ReadyText(int enrolments, quint32 seed, const TDemoServer& server)
{
    QString text =
        QStringLiteral("enrolments=%1 seed=%2 day=%3").arg(enrolments).arg(seed).arg(DemoDay.toString(Qt::ISODate));
    if (!server.Host.isEmpty())
        text += QStringLiteral(" server=%1:%2/%3").arg(server.Host).arg(server.Port).arg(server.Database);
    return text;
}

bool Wanted(const TBenchOptions& options, const TFilterEntry& entry)
{
    return options.Formats.isEmpty()
        || std::any_of(options.Formats.begin(), options.Formats.end(),
                       [&entry](const QString& wanted) { return entry.IsNamed(wanted); });
}

bool Wanted(const TBenchOptions& options, const TRowFormat& format)
{
    return options.Formats.isEmpty()
        || std::any_of(options.Formats.begin(), options.Formats.end(),
                       [&format](const QString& wanted) { return FindRowFormat(wanted) == &format; });
}

bool AnyRowFormatWanted(const TBenchOptions& options)
{
    return std::any_of(RowFormats().begin(), RowFormats().end(),
                       [&options](const TRowFormat& format) { return Wanted(options, format); });
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

// One engine's measurements of one size: the shell, the query, the layout, the exports and (SQLite
// only) the preview, each line printed as soon as it is known.
class TEngineRun
{
public:
    TEngineRun(const TBenchOptions& options, TRunner& runner, TBenchTable& table, const QString& workFolder)
        : m_options(options), m_runner(runner), m_table(table), m_work(workFolder)
    {
    }

    // Returns false when the statement could not even be written (the rest is then left out).
    bool Run(int size, const QString& engine, const QString& folder, const QString& aliasFile,
             const TDemoServer& server, const QList<TFilterEntry>& filters, bool preview)
    {
        m_size = size;
        m_engine = engine;
        const int runs = size >= LargeSize ? m_options.LargeRuns : m_options.Runs;
        const QStringList base = {QStringLiteral("--alias-file"), aliasFile};

        // The statement the program sends, as the engine receives it, for the engine's own shell.
        const QString statement = QDir(folder).filePath(QStringLiteral("statement.sql"));
        TBenchRow statementRow = Row(QStringLiteral("statement"));
        m_runner.Run(QStringList{QStringLiteral("--measure"), QStringLiteral("statement"), QStringLiteral("--statement"),
                                 statement} + base,
                     1, statementRow);
        if (!statementRow.Note.isEmpty()) {
            m_runner.Print(statementRow);
            return false;
        }

        if (server.Host.isEmpty())
            MeasureShell(QStringLiteral("sqlite3 shell"), m_options.Sqlite3,
                         {QDir(folder).filePath(QStringLiteral("Data/club.db"))}, statement, runs);
        else
            MeasureShell(QStringLiteral("psql shell"), m_options.Psql, PsqlArguments(server), statement, runs);

        TBenchRow fetch = Row(QStringLiteral("query and fetch"));
        const QList<TMeasurement> fetched =
            m_runner.Run(QStringList{QStringLiteral("--measure"), QStringLiteral("fetch")} + base, runs, fetch);
        if (!fetched.isEmpty())
            fetch.Note = QStringLiteral("%1 rows").arg(fetched.first().Rows);
        m_runner.Print(fetch);

        TBenchRow layout = Row(QStringLiteral("layout, all pages"));
        const QList<TMeasurement> laidOut =
            m_runner.Run(QStringList{QStringLiteral("--measure"), QStringLiteral("layout")} + base, runs, layout);
        const int pages = laidOut.isEmpty() ? 0 : laidOut.first().Pages;
        layout.Pages = pages;
        if (!laidOut.isEmpty())
            layout.Note = QStringLiteral("%1 pages").arg(pages);
        m_runner.Print(layout);

        for (const TFilterEntry& entry : filters) {
            QString name = entry.DisplayName;
            name.remove(QStringLiteral(" File"));
            TBenchRow exported = Row(QStringLiteral("export ") + name);
            exported.Pages = pages;
            // HTML and CSS2 share their extension, so the child is given the filter's class name.
            m_runner.Run(QStringList{QStringLiteral("--measure"), QStringLiteral("export"), QStringLiteral("--format"),
                                     entry.ClassName} + base,
                         runs, exported, true);
            m_runner.Print(exported);
        }
        // The row formats write the data set's rows; they make no pages.
        for (const TRowFormat& format : RowFormats()) {
            if (!Wanted(m_options, format))
                continue;
            TBenchRow exported = Row(QStringLiteral("export ") + format.FileExtension.toUpper() + QStringLiteral(" rows"));
            m_runner.Run(QStringList{QStringLiteral("--measure"), QStringLiteral("export"), QStringLiteral("--format"),
                                     format.FileExtension} + base,
                         runs, exported, true);
            m_runner.Print(exported);
        }

        if (preview)
            MeasurePreview(base, runs);
        return true;
    }

private:
    TBenchRow Row(const QString& measurement) const
    {
        TBenchRow row;
        row.Size = m_size;
        row.Engine = m_engine;
        row.Measurement = measurement;
        return row;
    }

    // The engine's own shell on the same statement: the baseline of this size and engine's ratios.
    void MeasureShell(const QString& name, const QString& program, const QStringList& arguments,
                      const QString& statement, int runs)
    {
        TBenchRow shell = Row(name);
        const QString errors = QDir(m_work).filePath(QStringLiteral("shell.err"));
        for (int run = 0; run < runs; ++run) {
            const TChildResult child = RunChild(program, arguments, statement, QStringLiteral("/dev/null"), errors);
            if (!child.Started || child.ExitCode != 0) {
                shell.Note = child.Started
                                 ? QStringLiteral("failed (exit %1): %2").arg(child.ExitCode).arg(LastLine(errors))
                                 : child.StartError;
                shell.Seconds.clear();
                break;
            }
            shell.Seconds << child.Seconds;
            shell.PeakKiB = std::max(shell.PeakKiB, child.PeakKiB);
        }
        if (!shell.Seconds.isEmpty())
            m_table.SetBaseline(m_size, m_engine, Median(shell.Seconds));
        else
            shell.Note += QStringLiteral(" (no ratios for this size)");
        m_runner.Print(shell);
    }

    void MeasurePreview(const QStringList& base, int runs)
    {
        TBenchRow all = Row(QStringLiteral("preview, all pages"));
        const QList<TMeasurement> previews =
            m_runner.Run(QStringList{QStringLiteral("--measure"), QStringLiteral("preview")} + base, runs, all);
        TBenchRow first = Row(QStringLiteral("preview, first page"));
        for (const TMeasurement& m : previews) {
            first.Seconds << m.FirstPageSeconds;
            first.PeakKiB = std::max(first.PeakKiB, m.FirstPageKiB);
        }
        first.Note = all.Note;
        if (!previews.isEmpty()) {
            all.Pages = previews.first().Pages;
            all.Note = QStringLiteral("until the last page is laid out");
        }
        m_runner.Print(first);
        m_runner.Print(all);
    }

    const TBenchOptions& m_options;
    TRunner& m_runner;
    TBenchTable& m_table;
    QString m_work;
    int m_size = 0;
    QString m_engine;
};

} // namespace

QString EnsureDemoDatabase(const QString& folder, int enrolments, quint32 seed, const TDemoServer& server)
{
    const QString marker = QDir(folder).filePath(ReadyMarker);
    const QString aliasFile = QDir(folder).filePath(QStringLiteral("aliases.ini"));
    const QString readyText = ReadyText(enrolments, seed, server);
    QFile ready(marker);
    if (ready.open(QIODevice::ReadOnly) && QString::fromLatin1(ready.readAll()).trimmed() == readyText
        && QFileInfo::exists(aliasFile)) {
        // A server's database may have been dropped or refilled behind the benchmark's back.
        if (server.Host.isEmpty() || ServerEnrolments(server) == enrolments)
            return aliasFile;
    }
    ready.close();

    // A folder without the marker is what an interrupted build left: start it afresh.
    QDir(folder).removeRecursively();
    if (!server.Host.isEmpty())
        EnsureServerDatabase(server);
    TDemoOptions demo;
    demo.Folder = folder;
    demo.Enrolments = enrolments;
    demo.Seed = seed;
    demo.Today = DemoDay;
    demo.Server = server;
    const QString written = CreateDemoDatabase(demo);
    if (!ready.open(QIODevice::WriteOnly | QIODevice::Truncate) || ready.write(readyText.toUtf8() + '\n') < 0
        || !ready.flush())
        throw std::runtime_error(
            QStringLiteral("%1 cannot be written: %2").arg(marker, ready.errorString()).toStdString());
    return written;
}

void EnsureOtherScripts(const QString& folder, const TBenchOptions& options, const TDemoServer& server)
{
    if (!server.Host.isEmpty())
        throw std::runtime_error("--other-scripts changes the SQLite file only; leave out --server");
    QFile marker(QDir(folder).filePath(QStringLiteral("other-scripts")));
    if (marker.exists())
        return;
    const QString update = QStringLiteral("update lead set lastname = 'Łę' || lastname, firstname = 'Şğ' || firstname;");
    QProcess shell;
    shell.start(options.Sqlite3, {QDir(folder).filePath(QStringLiteral("Data/club.db")), update});
    if (!shell.waitForFinished(-1) || shell.exitStatus() != QProcess::NormalExit || shell.exitCode() != 0)
        throw std::runtime_error(QStringLiteral("%1 could not rename the members: %2")
                                     .arg(options.Sqlite3, QString::fromLocal8Bit(shell.readAllStandardError()))
                                     .toStdString());
    if (!marker.open(QIODevice::WriteOnly) || !marker.flush())
        throw std::runtime_error(
            QStringLiteral("%1 cannot be written: %2").arg(marker.fileName(), marker.errorString()).toStdString());
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
    if (filters.isEmpty() && !options.Formats.isEmpty() && !AnyRowFormatWanted(options)) {
        Progress(QStringLiteral("activityrep-bench: no export format matches \"%1\".")
                     .arg(options.Formats.join(QLatin1Char(','))));
        return ecBenchUsage;
    }

    TBenchTable table;
    TRunner runner(program, work.path(), table);
    TEngineRun engineRun(options, runner, table, work.path());
    PrintLine(table.Header());
    const int largest = *std::max_element(options.Sizes.begin(), options.Sizes.end());

    for (const int size : options.Sizes) {
        // The SQLite file always; the server's database beside it when one is named.
        QList<TDemoServer> engines = {TDemoServer()};
        if (!options.ServerHost.isEmpty())
            engines << BenchServerDatabase(options, size);
        for (const TDemoServer& engine : engines) {
            const bool onServer = !engine.Host.isEmpty();
            const QString engineName = onServer ? QStringLiteral("server") : QStringLiteral("sqlite");
            QString folder = QDir(dataFolder).filePath(QStringLiteral("demo-%1-s%2").arg(size).arg(options.Seed));
            if (onServer)
                folder += QStringLiteral("-server");
            if (options.OtherScripts)
                folder += QStringLiteral("-scripts");
            QString aliasFile;
            QElapsedTimer building;
            building.start();
            Progress(onServer ? QStringLiteral("%1 enrolments: database %2 on %3")
                                    .arg(size)
                                    .arg(engine.Database, engine.Host)
                              : QStringLiteral("%1 enrolments: database in %2").arg(size).arg(folder));
            try {
                aliasFile = EnsureDemoDatabase(folder, size, options.Seed, engine);
                if (options.OtherScripts)
                    EnsureOtherScripts(folder, options, engine);
            } catch (const std::exception& error) {
                Progress(QStringLiteral("activityrep-bench: the database of %1 enrolments cannot be built: %2")
                             .arg(size)
                             .arg(QString::fromUtf8(error.what())));
                return ecBenchDatabase;
            }
            Progress(QStringLiteral("  ready after %1 s").arg(double(building.elapsed()) / 1000, 0, 'f', 1));
            engineRun.Run(size, engineName, folder, aliasFile, engine, filters,
                          options.Preview && size == largest && !onServer);
        }
    }
    return runner.Failed ? ecBenchFailed : ecBenchDone;
}
