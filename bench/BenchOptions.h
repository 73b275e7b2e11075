#pragma once
// The benchmark's command line. Without --measure it drives the whole run; with --measure it is one
// measurement in a child process of that run, so every measurement gets its own memory high-water mark.
#include <QList>
#include <QString>
#include <QStringList>

enum TBenchMode {
    bmRun,     // the whole benchmark
    bmMeasure, // one measurement (child process)
    bmHelp,
};

// What a child measures.
enum TMeasureKind {
    mkStatement, // writes the translated report statement to --statement FILE (not timed)
    mkFetch,     // opens the report statement and reads every field of every row
    mkLayout,    // lays out all pages
    mkExport,    // lays out and writes through the filter of --format into --out DIR
    mkPreview,   // opens the preview until the first page is painted, then lays out the rest
};

// The largest demo (seed 1) whose report fits every spreadsheet format (an XLS sheet's 16,384 rows;
// WK1 and WQ1 hold 32,768, up to 31,938 enrolments): the size at which the spreadsheets are measured.
inline constexpr int SheetSize = 15954;

struct TBenchOptions
{
    TBenchMode Mode = bmRun;

    // whole run
    QList<int> Sizes = QList<int>() << 10000 << SheetSize << 100000 << 1000000;
    int Runs = 3;
    int LargeRuns = 1;            // runs of sizes from LargeSize on
    QStringList Formats;          // empty: all nine, XLSX and CSV
    QString DataFolder;           // empty: a temporary folder removed at the end
    quint32 Seed = 1;
    QString Sqlite3 = QStringLiteral("sqlite3");
    bool Preview = true;
    // Every member's names hold letters code page 1252 lacks, so each name takes the writers'
    // other-script path (the PDF's composite fonts).
    bool OtherScripts = false;
    // A PostgreSQL server to measure as well: empty Host runs the SQLite file only.
    QString ServerHost;
    int ServerPort = 5432;
    QString ServerUser; // empty: the login name
    QString Psql = QStringLiteral("psql");

    // one measurement
    TMeasureKind Kind = mkFetch;
    QString AliasFile;
    QString Format;        // the filter's class or display name
    QString OutputFolder;  // where an export writes
    QString StatementFile; // where mkStatement writes
};

// Sizes from here on run LargeRuns times: one run of every measurement takes minutes there.
inline constexpr int LargeSize = 1000000;

struct TBenchUsageError
{
    QString Message;
};

// Parses the arguments after the program name; throws TBenchUsageError with one line on a mistake.
TBenchOptions ParseBenchOptions(const QStringList& arguments);
QString BenchUsageText();
// The name a measurement kind has on the command line.
QString MeasureKindName(TMeasureKind kind);
