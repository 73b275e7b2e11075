// Batch runs on a club made by the test: refusals and exit codes, Create Group, and that a batch
// export gives the same bytes as the same export from the criteria window. One group runs the built
// program itself, to cover what main() wires up.
#include "TAppClub.h"
#include "TestFiles.h"
#include "XlsxContent.h"

#include "Application.h"
#include "BatchRun.h"
#include "CreateForm.h"
#include "DateTime.h"
#include "ExtraFilters.h"
#include "TBandedReport.h"
#include "TCommandLine.h"
#include "TExtraFilter.h"
#include "RowFormats.h"
#include "TFilterLibrary.h"
#include "TRadioGroup.h"
#include "TStagedFile.h"
#include "TbrmIniFile.h"
#include "TextFunctions.h"
#include "TfrmActivityRep.h"
#include "WorkstationFingerprint.h"

#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

class BatchRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterExtraFilters();
        Club.AddActivity(3, QStringLiteral("Karate"));
        Club.AddActivity(5, QStringLiteral("Yoga"));
        for (int lead = 1; lead <= 60; ++lead) {
            Club.AddPerson(lead, lead % 4 == 0 ? 0 : 100 + lead, QStringLiteral("Name%1").arg(lead),
                           QStringLiteral("First"));
            Club.Enrol(lead, lead % 3 == 0 ? 5 : 3, QDate(2010, 3, 1 + lead % 28), lead % 7);
        }
    }

    int Run(QStringList arguments)
    {
        const TCommandLine line = ParseCommandLine(arguments);
        SetFirstArgument(line.FirstArgument);
        const int code = RunBatch(line);
        SetPrompt(&Club.Prompt); // the run installs its own prompt for its duration
        return code;
    }

    QString Path(const QString& name) const { return Club.Folder() + QLatin1Char('/') + name; }

    // For runs of the built program, which reads this machine's fingerprint.
    void RegisterThisMachine()
    {
        SetFingerprintSources({});
        QFile ini(Club.ConfigFolder() + QStringLiteral("VKD.INI"));
        ASSERT_TRUE(ini.open(QIODevice::Append));
        ini.write(WorkstationCode().toLatin1() + "=This_Machine\n");
    }

    TAppClub Club;
};

} // namespace

TEST_F(BatchRun, RefusesWithDocumentedExitCodes)
{
    const struct {
        const char* name;
        QStringList arguments;
        int code;
    } rows[] = {
        {"unknown user", {QStringLiteral("99"), QStringLiteral("--export"), Path(QStringLiteral("a.xls"))}, ecRefused},
        {"user below the right", {QStringLiteral("2"), QStringLiteral("--export"), Path(QStringLiteral("a.xls"))},
         ecRefused},
        {"unreadable date",
         {QStringLiteral("1"), QStringLiteral("--from"), QStringLiteral("13/45/2010"), QStringLiteral("--to"),
          QStringLiteral("3/31/2010"), QStringLiteral("--export"), Path(QStringLiteral("a.xls"))},
         ecBadInput},
        {"unknown extension", {QStringLiteral("1"), QStringLiteral("--export"), Path(QStringLiteral("a.xyz"))},
         ecBadInput},
        {"unknown format name",
         {QStringLiteral("1"), QStringLiteral("--export"), Path(QStringLiteral("a.xls")), QStringLiteral("--format"),
          QStringLiteral("Lotus")},
         ecBadInput},
        {"unwritable file", {QStringLiteral("1"), QStringLiteral("--export"), Path(QStringLiteral("no/such/a.xls"))},
         ecFile},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Run(row.arguments), row.code);
        EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("a.xls"))));
    }
}

TEST_F(BatchRun, AnEngineErrorExitsWithTheDatabaseCode)
{
    Club.Exec(QStringLiteral("drop table ckprof"));
    EXPECT_EQ(Run({QStringLiteral("1"), QStringLiteral("--export"), Path(QStringLiteral("a.xls"))}), ecDatabase);
}

TEST_F(BatchRun, CreatesAGroupFromTheSelection)
{
    EXPECT_EQ(Run({QStringLiteral("1"), QStringLiteral("--option"), QStringLiteral("7"), QStringLiteral("--member"),
                   QStringLiteral("guests"), QStringLiteral("--activities"), QStringLiteral("5"),
                   QStringLiteral("--create-group"), QStringLiteral("Yoga guests")}),
              ecDone);
    const QList<QVariantList> groups = Club.Rows(QStringLiteral("select id from groups where groupname = 'Yoga guests'"));
    ASSERT_EQ(groups.size(), 1);
    // Leads that are multiples of 12: in Yoga (multiples of 3) and guests (multiples of 4).
    EXPECT_EQ(Club.Count(QStringLiteral("select count(*) from grpdata where groupid = %1").arg(groups.first().at(0).toInt())),
              5);
}

TEST_F(BatchRun, NeverExportsOverTheClubsOwnFiles)
{
    const QStringList files{Path(QStringLiteral("Data/club.db")), Club.AliasFile(), Club.ConfigFolder() + QStringLiteral("VKD.INI")};
    QList<QByteArray> before;
    for (const QString& file : files)
        before << ReadFile(file);
    // Also through a link in another folder, and under another spelling.
    const QString link = Path(QStringLiteral("report.pdf"));
    ASSERT_TRUE(QFile::link(files.first(), link));
    const QStringList targets = QStringList(files) << link << Path(QStringLiteral("Config/../Data/club.db"));
    for (const QString& target : targets) {
        SCOPED_TRACE(target.toStdString());
        EXPECT_EQ(Run({QStringLiteral("1"), QStringLiteral("--export"), target, QStringLiteral("--format"), QStringLiteral("PDF")}),
                  ecFile);
    }
    // Nor create a file the other programs of the suite would read: anything in the configuration or
    // data folder, or a club file's name in another letter case.
    for (const QString& name : {QStringLiteral("Config/Demo_Workstation.INI"), QStringLiteral("Config/MANAGER.INI"),
                                QStringLiteral("Config/vkd.ini"), QStringLiteral("Data/report.pdf"),
                                QStringLiteral("ALIASES.INI")}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(Run({QStringLiteral("1"), QStringLiteral("--export"), Path(name), QStringLiteral("--format"), QStringLiteral("RTF")}),
                  ecFile);
        EXPECT_FALSE(QFileInfo::exists(Path(name)));
    }
    // The runs log the user in, which writes to the database: it must still be the database.
    EXPECT_TRUE(ReadFile(files[0]).startsWith(QByteArray("SQLite format 3", 16)));
    EXPECT_EQ(Club.Count(QStringLiteral("select count(*) from ckacts")), 2);
    for (qsizetype i = 1; i < files.size(); ++i)
        EXPECT_EQ(ReadFile(files[i]), before[i]) << files[i].toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
}

TEST_F(BatchRun, AFullDiskExitsWithTheFileCodeAndKeepsTheOlderFile)
{
    const QString file = Path(QStringLiteral("members.xls"));
    QFile older(file);
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.write("older");
    older.close();
    TStagedFile::SimulateFullDiskAfter(100);
    const int code = Run({QStringLiteral("1"), QStringLiteral("--option"), QStringLiteral("7"), QStringLiteral("--export"), file});
    TStagedFile::ClearSimulatedFaults();
    EXPECT_EQ(code, ecFile);
    EXPECT_EQ(ReadFile(file), QByteArray("older"));
}

namespace {

struct TSameExport
{
    const char* name;
    const char* extension;
};

void PrintTo(const TSameExport& format, std::ostream* os)
{
    *os << format.name;
}

class BatchExport : public BatchRun, public ::testing::WithParamInterface<TSameExport>
{
};

// The filter library's entry for a file extension, null when there is none.
const TFilterEntry* FilterOf(const QString& extension)
{
    for (const TFilterEntry& entry : FilterLibrary().Entries()) {
        if (entry.FileExtension.compare(extension, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

// The PDF's creation date is the only part that may differ between two runs.
QByteArray WithoutCreationDate(QByteArray bytes)
{
    static const QRegularExpression date(QStringLiteral("/CreationDate \\(D:[0-9]*\\)"));
    return QString::fromLatin1(bytes).remove(date).toLatin1();
}

} // namespace

TEST_P(BatchExport, WritesTheSameBytesAsTheWindow)
{
    const QString extension = QString::fromLatin1(GetParam().extension);
    const QString batchFile = Path(QStringLiteral("batch.") + extension);
    ASSERT_EQ(Run({QStringLiteral("1"), QStringLiteral("--range"), QStringLiteral("This Month"),
                   QStringLiteral("--option"), QStringLiteral("1"), QStringLiteral("--member"),
                   QStringLiteral("members"), QStringLiteral("--activities"), QStringLiteral("3"),
                   QStringLiteral("--export"), batchFile}),
              ecDone);

    SuiteIni();
    const auto window = CreateForm<TfrmActivityRep>();
    window->FormShow();
    window->Range->SetItemIndex(2);
    window->RangeClick();
    window->rgDateRange->SetItemIndex(1);
    window->rgMember->SetItemIndex(1);
    window->CheckList->item(1)->setCheckState(Qt::Unchecked);
    window->OpenReportQuery();
    const QString windowFile = Path(QStringLiteral("window.") + extension);
    const TFilterEntry* entry = FilterOf(extension);
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(window->Report().ExportTo(*entry->Create(windowFile)));

    const QByteArray batch = ReadFile(batchFile);
    ASSERT_FALSE(batch.isEmpty());
    EXPECT_EQ(WithoutCreationDate(batch), WithoutCreationDate(ReadFile(windowFile)));
}

INSTANTIATE_TEST_SUITE_P(Formats, BatchExport,
                         ::testing::Values(TSameExport{"XLS", "XLS"}, TSameExport{"PDF", "PDF"},
                                           TSameExport{"RTF", "RTF"}, TSameExport{"WK1", "WK1"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The built program: the user number and --alias-file reach the gate, and the exit code the caller.
TEST_F(BatchRun, TheProgramRunsHeadlessAndReportsRefusalsOnStderr)
{
    RegisterThisMachine();

    const auto run = [&](const QStringList& arguments, QByteArray* error = nullptr) {
        QProcess process;
        process.start(QStringLiteral(ACTIVITYREP_EXE), QStringList{arguments} << QStringLiteral("--alias-file")
                                                                              << Club.AliasFile());
        EXPECT_TRUE(process.waitForFinished(120000));
        if (error)
            *error = process.readAllStandardError();
        return process.exitCode();
    };
    QByteArray error;
    EXPECT_EQ(run({QStringLiteral("99"), QStringLiteral("--export"), Path(QStringLiteral("p.xls"))}, &error),
              ecRefused);
    EXPECT_TRUE(error.contains("99")) << error.constData();
    // A number beyond the user numbers is named as typed, not as the number it was read as.
    EXPECT_EQ(run({QStringLiteral("99999999999"), QStringLiteral("--export"), Path(QStringLiteral("p.xls"))}, &error),
              ecRefused);
    EXPECT_TRUE(error.contains("User number 99999999999 is not a user")) << error.constData();
    EXPECT_EQ(error.count("activityrep: "), 1); // one line of ours; the platform may add its own
    // Below the right: refused at once, no dialog waits for an answer.
    EXPECT_EQ(run({QStringLiteral("2"), QStringLiteral("--export"), Path(QStringLiteral("p.xls"))}, &error),
              ecRefused);
    EXPECT_TRUE(error.contains("GReports Club Level")) << error.constData();
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("p.xls"))));

    EXPECT_EQ(run({QStringLiteral("1"), QStringLiteral("--export"), Path(QStringLiteral("p.xls"))}), ecDone);
    EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("p.xls"))));
}

namespace {

// Every cell of a workbook as "sheet!reference=type:value", in a fixed order.
QStringList CellTexts(const QString& fileName)
{
    const TXlsxContent book = ReadXlsx(fileName);
    EXPECT_TRUE(book.Error.isEmpty()) << qPrintable(book.Error);
    QStringList texts;
    for (const TXlsxSheet& sheet : book.Sheets) {
        for (auto cell = sheet.Cells.cbegin(); cell != sheet.Cells.cend(); ++cell)
            texts << QStringLiteral("%1!%2=%3:%4").arg(sheet.Name, cell.key(), cell->Type, cell->Value);
    }
    texts.sort();
    return texts;
}

} // namespace

// The built program runs batch mode on a QGuiApplication, where building any widget aborts it: its
// exports succeed and give the bytes the criteria window's export gives.
TEST_F(BatchRun, TheProgramExportsWithoutWidgetsTheBytesOfTheWindow)
{
    RegisterThisMachine();
    // The program prints today's date: the window here does too, on the system's clock.
    SetClock({});
    const QDate day = QDate::currentDate();
    SuiteIni();
    const auto window = CreateForm<TfrmActivityRep>();
    window->FormShow();
    window->rgDateRange->SetItemIndex(7);
    for (const char* extension : {"PDF", "RTF", "csv", "xlsx"}) {
        SCOPED_TRACE(extension);
        const QString name = QString::fromLatin1(extension);
        const QString batchFile = Path(QStringLiteral("program.") + name);
        QProcess process;
        // Amounts in the currency format of this test process's locale.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(ACTIVITYREP_EXE),
                      {QStringLiteral("1"), QStringLiteral("--alias-file"), Club.AliasFile(), QStringLiteral("--option"),
                       QStringLiteral("7"), QStringLiteral("--export"), batchFile});
        ASSERT_TRUE(process.waitForFinished(120000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << process.readAllStandardError().constData();
        EXPECT_EQ(process.exitCode(), ecDone) << process.readAllStandardError().constData();

        const QString windowFile = Path(QStringLiteral("window.") + name);
        window->OpenReportQuery();
        if (const TRowFormat* format = FindRowFormat(name)) {
            ASSERT_TRUE(window->Report().ExportRowsTo(*format->Create(windowFile)));
        } else {
            const TFilterEntry* entry = FilterOf(name);
            ASSERT_NE(entry, nullptr);
            ASSERT_TRUE(window->Report().ExportTo(*entry->Create(windowFile)));
        }
        const QByteArray batch = ReadFile(batchFile);
        ASSERT_FALSE(batch.isEmpty());
        if (name == QLatin1String("xlsx")) // the workbook's parts carry the time they were written
            EXPECT_EQ(CellTexts(batchFile), CellTexts(windowFile));
        else
            EXPECT_EQ(WithoutCreationDate(batch), WithoutCreationDate(ReadFile(windowFile)));
        if (QDate::currentDate() != day)
            GTEST_SKIP() << "the date changed while the files were written";
    }
}

namespace {

struct TProgramRun
{
    int Code = -1;
    QString Out;
    QStringList ErrorLines; // every non-empty line on stderr
};

TProgramRun RunProgram(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(ACTIVITYREP_EXE), arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    TProgramRun run{process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed(), {}};
    for (const QString& line : QString::fromLocal8Bit(process.readAllStandardError()).split(QLatin1Char('\n'))) {
        if (!line.isEmpty())
            run.ErrorLines << line;
    }
    return run;
}

} // namespace

// The built program on a workstation nobody has registered yet: batch runs say how to register it,
// and --register-workstation does so under the same checks and messages as the window's dialog.
TEST_F(BatchRun, AnUnregisteredWorkstationIsToldHowAndRegistersWithoutAWindow)
{
    SetFingerprintSources({}); // the child reads this machine's identity
    const QString alias = Club.AliasFile();
    const QStringList report = {QStringLiteral("1"), QStringLiteral("--alias-file"), alias, QStringLiteral("--export"),
                                Path(QStringLiteral("p.xls"))};
    const auto registerAs = [&](const QString& name) {
        return RunProgram({QStringLiteral("--register-workstation"), name, QStringLiteral("--alias-file"), alias});
    };

    TProgramRun run = RunProgram(report);
    EXPECT_EQ(run.Code, ecRefused);
    EXPECT_EQ(run.ErrorLines, QStringList{QStringLiteral(
                                  "activityrep: This application cannot run without a unique work station name. Register this "
                                  "workstation once with: activityrep --register-workstation NAME [--alias-file FILE]")});

    const struct
    {
        QString Name;
        QString Error;
    } refused[] = {
        {QStringLiteral("Стойка"),
         QStringLiteral("activityrep: This workstation name has a character that the shared configuration file cannot hold: \"С\".")},
        {QStringLiteral("Desk\n2"),
         QStringLiteral("activityrep: This workstation name has a character that a file name cannot carry: \"\\n\".")},
        {QStringLiteral("front desk"), QStringLiteral("activityrep: This workstation name is already in use.")},
    };
    const QByteArray shared = ReadFile(Club.ConfigFolder() + QStringLiteral("VKD.INI"));
    for (const auto& row : refused) {
        SCOPED_TRACE(row.Error.toStdString());
        run = registerAs(row.Name);
        EXPECT_EQ(run.Code, ecRefused);
        EXPECT_EQ(run.ErrorLines, QStringList{row.Error});
    }
    EXPECT_EQ(ReadFile(Club.ConfigFolder() + QStringLiteral("VKD.INI")), shared);

    run = registerAs(QStringLiteral("Back Office"));
    EXPECT_EQ(run.Code, ecDone);
    EXPECT_EQ(run.Out, QStringLiteral("This workstation is registered as \"Back_Office\"."));
    EXPECT_TRUE(ReadFile(Club.ConfigFolder() + QStringLiteral("VKD.INI")).contains(WorkstationCode().toLatin1() + "=Back_Office"));

    run = registerAs(QStringLiteral("back office"));
    EXPECT_EQ(run.Code, ecDone);
    EXPECT_EQ(run.Out, QStringLiteral("This workstation is already registered as \"Back_Office\"."));
    run = registerAs(QStringLiteral("Desk 9"));
    EXPECT_EQ(run.Code, ecRefused);
    EXPECT_EQ(run.ErrorLines, QStringList{QStringLiteral("activityrep: This workstation is already registered as \"Back_Office\"; its name stays.")});

    EXPECT_EQ(RunProgram(report).Code, ecDone);
}

// Every batch error is one line, whatever the echoed input or the engine's message holds.
TEST_F(BatchRun, ErrorsAreOneLineWithControlCharactersEscaped)
{
    RegisterThisMachine();
    TProgramRun run = RunProgram({QStringLiteral("1"), QStringLiteral("--alias-file"), Club.AliasFile(),
                                  QStringLiteral("--from"), QStringLiteral("3/15\n2010"), QStringLiteral("--to"),
                                  QStringLiteral("3/31/2010"), QStringLiteral("--export"), Path(QStringLiteral("p.xls"))});
    EXPECT_EQ(run.Code, ecBadInput);
    EXPECT_EQ(run.ErrorLines, QStringList{QStringLiteral("activityrep: \"3/15\\n2010\" is not a date: write month, day and year with "
                                                         "\"/\" between them, as in 3/31/2010.")});

    run = RunProgram({QStringLiteral("1"), QStringLiteral("two\tlines\n")});
    EXPECT_EQ(run.Code, ecUsage);
    EXPECT_EQ(run.ErrorLines, QStringList{QStringLiteral("Unexpected argument \"two\\tlines\\n\" (see --help).")});
}
