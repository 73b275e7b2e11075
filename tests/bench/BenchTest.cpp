// The benchmark's own logic: its command line, its table, its child processes, and one small run of
// every measurement on a demo database (figures are never asserted on time).
#include "BenchDriver.h"
#include "TestFiles.h"
#include "BenchMeasure.h"
#include "BenchOptions.h"
#include "BenchServer.h"
#include "BenchTable.h"
#include "ChildProcess.h"
#include "DateTime.h"
#include "TSession.h"
#include "TTestServer.h"

#include <QCoreApplication>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList Args(const char* text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

TEST(BenchOptions, DefaultsMeasureTheFourSizesThreeTimesAndTheLargestOnce)
{
    const TBenchOptions options = ParseBenchOptions({});
    EXPECT_EQ(options.Mode, bmRun);
    EXPECT_EQ(options.Sizes, (QList<int>{10000, 15954, 100000, 1000000}));
    EXPECT_EQ(options.Runs, 3);
    EXPECT_EQ(options.LargeRuns, 1);
    EXPECT_TRUE(options.Formats.isEmpty());
    EXPECT_TRUE(options.Preview);
}

TEST(BenchOptions, ReadsEveryOptionOfTheRunAndOfAMeasurement)
{
    const TBenchOptions run = ParseBenchOptions(
        Args("--sizes 500,2000 --runs 5 --large-runs 2 --formats PDF,,jpg --data /d --seed 7 --sqlite3 /s --no-preview"));
    EXPECT_EQ(run.Sizes, (QList<int>{500, 2000}));
    EXPECT_EQ(run.Runs, 5);
    EXPECT_EQ(run.LargeRuns, 2);
    EXPECT_EQ(run.Formats, (QStringList{QStringLiteral("PDF"), QStringLiteral("jpg")}));
    EXPECT_EQ(run.DataFolder, QStringLiteral("/d"));
    EXPECT_EQ(run.Seed, 7u);
    EXPECT_EQ(run.Sqlite3, QStringLiteral("/s"));
    EXPECT_FALSE(run.Preview);
    EXPECT_TRUE(run.ServerHost.isEmpty());

    const TBenchOptions server = ParseBenchOptions(Args("--server /run/pg --port 5433 --user bench --psql /p"));
    EXPECT_EQ(server.ServerHost, QStringLiteral("/run/pg"));
    EXPECT_EQ(server.ServerPort, 5433);
    EXPECT_EQ(server.ServerUser, QStringLiteral("bench"));
    EXPECT_EQ(server.Psql, QStringLiteral("/p"));

    const TBenchOptions child = ParseBenchOptions(Args("--measure export --alias-file a.ini --format TPDFFilter --out /o"));
    EXPECT_EQ(child.Mode, bmMeasure);
    EXPECT_EQ(child.Kind, mkExport);
    EXPECT_EQ(child.Format, QStringLiteral("TPDFFilter"));
    EXPECT_EQ(child.OutputFolder, QStringLiteral("/o"));

    EXPECT_EQ(ParseBenchOptions(Args("--runs 2 --help")).Mode, bmHelp);
}

TEST(BenchOptions, RefusesMistakesWithOneLine)
{
    const struct {
        const char* Arguments;
        const char* Message;
    } rows[] = {
        {"--runs 0", "--runs takes a positive whole number, not \"0\"."},
        {"--runs", "--runs needs a value."},
        {"--sizes 10,x", "--sizes takes a positive whole number, not \"x\"."},
        {"--sizes ,", "--sizes needs at least one size."},
        {"--port 70000", "--port takes a port number up to 65535, not \"70000\"."},
        {"--speed 3", "Unknown option \"--speed\"; see --help."},
        {"fast", "Unexpected argument \"fast\"; see --help."},
        {"--measure nap --alias-file a", "Unknown measurement \"nap\"."},
        {"--measure fetch", "--measure needs --alias-file."},
        {"--measure export --alias-file a --format PDF", "--measure export needs --format and --out."},
        {"--measure statement --alias-file a", "--measure statement needs --statement."},
        {"--measure fetch --alias-file a --sizes 5", "--sizes belongs to the whole run, not to --measure."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Arguments);
        try {
            ParseBenchOptions(Args(row.Arguments));
            ADD_FAILURE() << "accepted";
        } catch (const TBenchUsageError& error) {
            EXPECT_EQ(error.Message, QString::fromLatin1(row.Message));
        }
    }
}

TEST(BenchTable, MedianTakesTheMiddleOfUnsortedRuns)
{
    EXPECT_EQ(Median({}), 0);
    EXPECT_EQ(Median({3.0, 1.0, 2.0}), 2.0);
    EXPECT_EQ(Median({4.0, 1.0, 3.0, 2.0}), 2.5);
}

TEST(BenchTable, GivesRatiosToTheShellOfTheSameSizeAndEngineOnly)
{
    TBenchTable table;
    table.SetBaseline(1000, QStringLiteral("sqlite"), 0.5);
    table.SetBaseline(1000, QStringLiteral("server"), 0.25);
    TBenchRow row;
    row.Size = 1000;
    row.Measurement = QStringLiteral("export PDF");
    row.Seconds = {2.0, 1.0, 9.0};
    row.Pages = 50;
    row.PeakKiB = 51200;
    EXPECT_EQ(table.Line(row), QStringLiteral("     1000 sqlite export PDF                3      2.000        25      50.0      4.00"));
    row.Engine = QStringLiteral("server");
    EXPECT_EQ(table.Line(row), QStringLiteral("     1000 server export PDF                3      2.000        25      50.0      8.00"));

    row.Size = 2000; // no shell figure for this size
    row.Note = QStringLiteral("n");
    EXPECT_EQ(table.Line(row), QStringLiteral("     2000 server export PDF                3      2.000        25      50.0         -  n"));

    TBenchRow failed;
    failed.Size = 1000;
    failed.Measurement = QStringLiteral("export XLS");
    failed.Note = QStringLiteral("skipped");
    EXPECT_EQ(table.Line(failed), QStringLiteral("     1000 sqlite export XLS                -          -         -         -         -  skipped"));
    EXPECT_EQ(table.Header().size(), table.Line(failed).indexOf(QStringLiteral("  skipped")) + 6);
}

TEST(BenchMeasurement, LineRoundTripsAndRejectsOtherOutput)
{
    TMeasurement sent;
    sent.Seconds = 1.25;
    sent.Rows = 100000;
    sent.Pages = 2500;
    sent.FirstPageSeconds = 0.125;
    sent.FirstPageKiB = 4096;
    TMeasurement read;
    ASSERT_TRUE(ParseMeasurementLine(MeasurementLine(sent), read));
    EXPECT_EQ(read.Seconds, 1.25);
    EXPECT_EQ(read.Rows, 100000);
    EXPECT_EQ(read.Pages, 2500);
    EXPECT_EQ(read.FirstPageSeconds, 0.125);
    EXPECT_EQ(read.FirstPageKiB, 4096);

    EXPECT_FALSE(ParseMeasurementLine(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set"), read));
    EXPECT_FALSE(ParseMeasurementLine(QStringLiteral("measured seconds=1 rows=2"), read));
    EXPECT_FALSE(ParseMeasurementLine(QStringLiteral("measured seconds=x rows=2 pages=3 first=0 firstkib=0"), read));
}

TEST(ChildProcess, RedirectsStreamsAndReportsExitCodesSignalsAndPeaks)
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in"));
    const QString out = dir.filePath(QStringLiteral("out"));
    WriteFile(in, "select 1;\n");

    const TChildResult copied = RunChild(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("cat; exit 3")}, in, out);
    EXPECT_TRUE(copied.Started);
    EXPECT_EQ(copied.ExitCode, 3);
    EXPECT_GT(copied.PeakKiB, 0);
    EXPECT_EQ(ReadFile(out), QByteArray("select 1;\n"));

    const TChildResult killed = RunChild(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("kill -9 $$")});
    EXPECT_EQ(killed.ExitCode, 128 + 9);

    const TChildResult missing = RunChild(QStringLiteral("/nonexistent/program"), {});
    EXPECT_FALSE(missing.Started);
    EXPECT_TRUE(missing.StartError.startsWith(QStringLiteral("/nonexistent/program could not be started: ")));

    EXPECT_GT(OwnPeakKiB(), 0);
}

// One small demo club shared by the measurement tests: building it is the slow part.
class BenchOnDemoClub : public ::testing::Test
{
protected:
    static constexpr int Enrolments = 300;

    static void SetUpTestSuite()
    {
        SetClock([] { return QDateTime(QDate(2026, 1, 15), QTime(10, 0)); });
        s_dir = new QTemporaryDir;
        s_alias = new QString(EnsureDemoDatabase(s_dir->filePath(QStringLiteral("club")), Enrolments, 1));
    }
    static void TearDownTestSuite()
    {
        delete s_alias;
        delete s_dir;
        SetClock({});
    }

    TBenchOptions Options(TMeasureKind kind) const
    {
        TBenchOptions options;
        options.Mode = bmMeasure;
        options.Kind = kind;
        options.AliasFile = *s_alias;
        return options;
    }

    static QTemporaryDir* s_dir;
    static QString* s_alias;
};

QTemporaryDir* BenchOnDemoClub::s_dir = nullptr;
QString* BenchOnDemoClub::s_alias = nullptr;

TEST_F(BenchOnDemoClub, KeepsAFinishedDatabaseOfTheSameSizeAndSeedAndRebuildsAnyOther)
{
    const QString folder = s_dir->filePath(QStringLiteral("reuse"));
    EnsureDemoDatabase(folder, 50, 1);
    const QString stray = QDir(folder).filePath(QStringLiteral("stray"));
    QFile(stray).open(QIODevice::WriteOnly);

    EnsureDemoDatabase(folder, 50, 1);
    EXPECT_TRUE(QFile::exists(stray)) << "rebuilt although size and seed matched";

    EnsureDemoDatabase(folder, 60, 1);
    EXPECT_FALSE(QFile::exists(stray)) << "kept a database of another size";
}

TEST_F(BenchOnDemoClub, FetchAndLayoutCoverEveryEnrolment)
{
    const TMeasurement fetched = Measure(Options(mkFetch));
    EXPECT_EQ(fetched.Rows, Enrolments);

    const TMeasurement laidOut = Measure(Options(mkLayout));
    EXPECT_EQ(laidOut.Rows, Enrolments);
    EXPECT_GT(laidOut.Pages, 1);

    const TMeasurement previewed = Measure(Options(mkPreview));
    EXPECT_EQ(previewed.Pages, laidOut.Pages);
    EXPECT_GT(previewed.FirstPageKiB, 0);
}

TEST_F(BenchOnDemoClub, StatementIsTheTranslatedSelect)
{
    TBenchOptions options = Options(mkStatement);
    options.StatementFile = s_dir->filePath(QStringLiteral("statement.sql"));
    Measure(options);
    const QByteArray statement = ReadFile(options.StatementFile);
    EXPECT_TRUE(statement.startsWith("select ")) << statement.constData();
    EXPECT_TRUE(statement.endsWith(";\n"));
    EXPECT_FALSE(statement.contains("p.'end'")) << "not translated: " << statement.constData();
}

TEST_F(BenchOnDemoClub, ExportsThroughTheFilterNamedEvenWhereExtensionsAreShared)
{
    QByteArray written[2];
    const char* const classes[] = {"THTMLFilter", "TCSS2Filter"};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(classes[i]);
        QTemporaryDir out;
        TBenchOptions options = Options(mkExport);
        options.Format = QString::fromLatin1(classes[i]);
        options.OutputFolder = out.path();
        EXPECT_EQ(Measure(options).Rows, Enrolments);
        const QStringList files = QDir(out.path()).entryList(QDir::Files);
        ASSERT_FALSE(files.isEmpty());
        written[i] = ReadFile(out.filePath(files.first()));
    }
    EXPECT_NE(written[0], written[1]);

    TBenchOptions unknown = Options(mkExport);
    unknown.Format = QStringLiteral("TNoFilter");
    unknown.OutputFolder = s_dir->path();
    EXPECT_THROW(Measure(unknown), std::runtime_error);
}

TEST_F(BenchOnDemoClub, ExportsTheRowFormatsByExtension)
{
    for (const char* format : {"csv", "XLSX"}) {
        SCOPED_TRACE(format);
        QTemporaryDir out;
        TBenchOptions options = Options(mkExport);
        options.Format = QString::fromLatin1(format);
        options.OutputFolder = out.path();
        Measure(options);
        const QString written = out.filePath(QStringLiteral("report.") + QString::fromLatin1(format).toLower());
        ASSERT_TRUE(QFileInfo::exists(written));
        if (options.Format == QLatin1String("csv")) {
            EXPECT_EQ(ReadFile(written).count("\r\n"), Enrolments + 1);
        }
    }
}

// The same measurements against the test run's PostgreSQL server: the benchmark makes the size's
// database itself, keeps it while it holds the club, and its psql arguments run the statement.
TEST(BenchOnPostgres, BuildsEachSizeInADatabaseOfItsOwnAndMeasuresThroughTheServer)
{
    SKIP_WITHOUT_TEST_SERVER();
    SetClock([] { return QDateTime(QDate(2026, 1, 15), QTime(10, 0)); });
    constexpr int Enrolments = 120;
    TBenchOptions options;
    options.ServerHost = qEnvironmentVariable("ACTIVITYREP_PGTEST_HOST");
    options.ServerPort = qEnvironmentVariableIntValue("ACTIVITYREP_PGTEST_PORT");
    options.ServerUser = QStringLiteral("postgres");
    options.Seed = quint32(QCoreApplication::applicationPid()); // a database no parallel run uses
    const TDemoServer server = BenchServerDatabase(options, Enrolments);
    EXPECT_EQ(server.Database, QStringLiteral("activityrep_bench_120_s%1").arg(options.Seed));

    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("club"));
    const QString alias = EnsureDemoDatabase(folder, Enrolments, options.Seed, server);
    EXPECT_EQ(ServerEnrolments(server), Enrolments);
    const QString stray = QDir(folder).filePath(QStringLiteral("stray"));
    QFile(stray).open(QIODevice::WriteOnly);
    EnsureDemoDatabase(folder, Enrolments, options.Seed, server);
    EXPECT_TRUE(QFile::exists(stray)) << "rebuilt although the server still holds the club";

    TBenchOptions measure;
    measure.Mode = bmMeasure;
    measure.AliasFile = alias;
    measure.Kind = mkFetch;
    EXPECT_EQ(Measure(measure).Rows, Enrolments);
    measure.Kind = mkStatement;
    measure.StatementFile = dir.filePath(QStringLiteral("statement.sql"));
    Measure(measure);
    EXPECT_TRUE(ReadFile(measure.StatementFile).contains("||")) << "not in the server's dialect";

    const QString out = dir.filePath(QStringLiteral("psql.out"));
    const QString err = dir.filePath(QStringLiteral("psql.err"));
    const TChildResult psql = RunChild(options.Psql, PsqlArguments(server), measure.StatementFile, out, err);
    ASSERT_TRUE(psql.Started) << psql.StartError.toStdString();
    EXPECT_EQ(psql.ExitCode, 0) << ReadFile(err).constData();
    EXPECT_EQ(ReadFile(out).count('\n'), Enrolments);

    // A database emptied behind the benchmark's back is filled again.
    TSession::Instance().Reset();
    TTestServer::DropDatabase(server);
    EXPECT_EQ(ServerEnrolments(server), -1);
    EnsureDemoDatabase(folder, Enrolments, options.Seed, server);
    EXPECT_FALSE(QFile::exists(stray));
    EXPECT_EQ(ServerEnrolments(server), Enrolments);

    TSession::Instance().Reset();
    TTestServer::DropDatabase(server);
    SetClock({});
}
