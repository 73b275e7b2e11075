#include "BenchOptions.h"

namespace {

const struct {
    TMeasureKind Kind;
    const char* Name;
} MeasureNames[] = {
    {mkStatement, "statement"}, {mkFetch, "fetch"}, {mkLayout, "layout"}, {mkExport, "export"}, {mkPreview, "preview"},
};

[[noreturn]] void Fail(const QString& message)
{
    throw TBenchUsageError{message};
}

int PositiveNumber(const QString& option, const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value <= 0)
        Fail(QStringLiteral("%1 takes a positive whole number, not \"%2\".").arg(option, text));
    return value;
}

QStringList ListValue(const QString& text)
{
    QStringList items;
    for (const QString& part : text.split(QLatin1Char(','))) {
        if (!part.trimmed().isEmpty())
            items << part.trimmed();
    }
    return items;
}

} // namespace

QString MeasureKindName(TMeasureKind kind)
{
    for (const auto& entry : MeasureNames) {
        if (entry.Kind == kind)
            return QString::fromLatin1(entry.Name);
    }
    return {};
}

TBenchOptions ParseBenchOptions(const QStringList& arguments)
{
    TBenchOptions options;
    bool sizesGiven = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments.at(i);
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            options.Mode = bmHelp;
            return options;
        }
        if (option == QLatin1String("--no-preview")) {
            options.Preview = false;
            continue;
        }
        if (option == QLatin1String("--other-scripts")) {
            options.OtherScripts = true;
            continue;
        }
        if (!option.startsWith(QLatin1String("--")))
            Fail(QStringLiteral("Unexpected argument \"%1\"; see --help.").arg(option));
        if (i + 1 >= arguments.size())
            Fail(QStringLiteral("%1 needs a value.").arg(option));
        const QString value = arguments.at(++i);

        if (option == QLatin1String("--sizes")) {
            options.Sizes.clear();
            for (const QString& size : ListValue(value))
                options.Sizes << PositiveNumber(option, size);
            if (options.Sizes.isEmpty())
                Fail(QStringLiteral("--sizes needs at least one size."));
            sizesGiven = true;
        } else if (option == QLatin1String("--runs")) {
            options.Runs = PositiveNumber(option, value);
        } else if (option == QLatin1String("--large-runs")) {
            options.LargeRuns = PositiveNumber(option, value);
        } else if (option == QLatin1String("--formats")) {
            options.Formats = ListValue(value);
        } else if (option == QLatin1String("--data")) {
            options.DataFolder = value;
        } else if (option == QLatin1String("--seed")) {
            options.Seed = quint32(PositiveNumber(option, value));
        } else if (option == QLatin1String("--sqlite3")) {
            options.Sqlite3 = value;
        } else if (option == QLatin1String("--server")) {
            options.ServerHost = value;
        } else if (option == QLatin1String("--port")) {
            options.ServerPort = PositiveNumber(option, value);
            if (options.ServerPort > 65535)
                Fail(QStringLiteral("--port takes a port number up to 65535, not \"%1\".").arg(value));
        } else if (option == QLatin1String("--user")) {
            options.ServerUser = value;
        } else if (option == QLatin1String("--psql")) {
            options.Psql = value;
        } else if (option == QLatin1String("--measure")) {
            options.Mode = bmMeasure;
            bool known = false;
            for (const auto& entry : MeasureNames) {
                if (value == QLatin1String(entry.Name)) {
                    options.Kind = entry.Kind;
                    known = true;
                }
            }
            if (!known)
                Fail(QStringLiteral("Unknown measurement \"%1\".").arg(value));
        } else if (option == QLatin1String("--alias-file")) {
            options.AliasFile = value;
        } else if (option == QLatin1String("--format")) {
            options.Format = value;
        } else if (option == QLatin1String("--out")) {
            options.OutputFolder = value;
        } else if (option == QLatin1String("--statement")) {
            options.StatementFile = value;
        } else {
            Fail(QStringLiteral("Unknown option \"%1\"; see --help.").arg(option));
        }
    }

    if (options.Mode == bmMeasure) {
        if (sizesGiven)
            Fail(QStringLiteral("--sizes belongs to the whole run, not to --measure."));
        if (options.AliasFile.isEmpty())
            Fail(QStringLiteral("--measure needs --alias-file."));
        if (options.Kind == mkExport && (options.Format.isEmpty() || options.OutputFolder.isEmpty()))
            Fail(QStringLiteral("--measure export needs --format and --out."));
        if (options.Kind == mkStatement && options.StatementFile.isEmpty())
            Fail(QStringLiteral("--measure statement needs --statement."));
    }
    return options;
}

QString BenchUsageText()
{
    return QStringLiteral(
        "Usage: activityrep-bench [options]\n"
        "\n"
        "Builds demo club databases of the given sizes and measures, as the median of several runs, each in\n"
        "its own process: the report query with every row fetched, the layout of all pages, every export\n"
        "format, and the preview of the largest size (time until the first page is painted). The sqlite3\n"
        "shell runs the same translated statement in the same run, and every time is also given as a ratio\n"
        "to it. The table goes to stdout, progress to stderr.\n"
        "\n"
        "  --sizes N,N,...     enrolments of the demo databases (default 10000,15954,100000,1000000;\n"
        "                      15954 is the largest whose report fits every spreadsheet, 31938 the\n"
        "                      largest that fits WK1 and WQ1)\n"
        "  --runs N            runs per measurement (default 3)\n"
        "  --large-runs N      runs per measurement from 1000000 enrolments on (default 1)\n"
        "  --formats F,F,...   export formats by extension or name (default all nine, and the row\n"
        "                      exports XLSX and CSV)\n"
        "  --no-preview        leave out the preview\n"
        "  --data DIR          keep the databases in DIR and reuse them on the next run (default: a\n"
        "                      temporary folder removed at the end)\n"
        "  --seed S            seed of the demo generator (default 1)\n"
        "  --other-scripts     demo clubs whose every name starts with letters code page 1252 lacks\n"
        "                      (\"Łę\", \"Şğ\"), kept beside the plain ones; made with the sqlite3 shell\n"
        "  --sqlite3 PROGRAM   the sqlite3 shell (default sqlite3 from PATH)\n"
        "  --server HOST       also measure the club on this PostgreSQL server (a host name, an address\n"
        "                      or the folder of its socket): the shell, the query, the layout and the\n"
        "                      exports, beside the same measurements on the SQLite file. Each size gets\n"
        "                      the database activityrep_bench_SIZE_sSEED, created through the server's\n"
        "                      \"postgres\" database when missing; the password comes from ~/.pgpass\n"
        "  --port P            the server's port (default 5432)\n"
        "  --user NAME         the server's user (default the login name)\n"
        "  --psql PROGRAM      the psql shell (default psql from PATH)\n"
        "  --help              this text\n"
        "\n"
        "Columns: size (enrolments), engine (sqlite or server), measurement, runs, median seconds, pages\n"
        "per second where pages are made, peak resident memory of the measuring process in MiB (highest\n"
        "of the runs), and the median time as a multiple of the engine's own shell (sqlite3 or psql) on\n"
        "the same statement. The preview is measured on the SQLite file only.\n"
        "\n"
        "The exports are written into a temporary folder under TMPDIR (default /tmp), each run into an\n"
        "empty one. Page sets of thousands of files cost the disk more than the program: point TMPDIR\n"
        "at a RAM disk to measure the program alone.\n"
        "\n"
        "A format whose writer refuses the report at a size (XLS holds at most 16384 rows, WK1 and WQ1\n"
        "32768) is listed as not measured, with the writer's message.\n"
        "\n"
        "Exit codes: 0 done, 1 usage error, 2 a database could not be built, 3 a measurement failed (the\n"
        "table still lists the others).");
}
