// Several workstations on one club, each a run of the built program: exports and Create Group side by
// side never fail for a lock, on the SQLite file as on the server; and an export killed in the middle
// of putting its pages in place leaves one whole page set once the next export has run.
#include "TAppClub.h"
#include "TestFiles.h"

#include "BatchRun.h"
#include "TTestServer.h"
#include "TextFunctions.h"
#include "WorkstationFingerprint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int Workstations = 5;
constexpr int Rounds = 3;

// A club with enough enrolments for a report of several pages, and this machine registered.
void FillClub(TAppClub& club)
{
    club.AddActivity(3, QStringLiteral("Karate"));
    club.AddActivity(5, QStringLiteral("Yoga"));
    for (int lead = 1; lead <= 300; ++lead) {
        club.AddPerson(lead, 100 + lead, QStringLiteral("Name%1").arg(lead), QStringLiteral("First"));
        club.Enrol(lead, lead % 3 == 0 ? 5 : 3, QDate(2010, 3, 1 + lead % 28), lead % 7);
    }
    SetFingerprintSources({}); // the child reads this machine's identity
    QFile ini(club.ConfigFolder() + QStringLiteral("VKD.INI"));
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write(WorkstationCode().toLatin1() + "=This_Machine\n");
}

QStringList Arguments(const TAppClub& club, const QStringList& action)
{
    return QStringList{QStringLiteral("1"), QStringLiteral("--alias-file"), club.AliasFile(), QStringLiteral("--option"),
                       QStringLiteral("7")}
        + action;
}

class SharedClub : public ::testing::TestWithParam<TSqlEngine>
{
protected:
    void SetUp() override
    {
        if (GetParam() == sePostgres)
            SKIP_WITHOUT_TEST_SERVER();
        Club = std::make_unique<TAppClub>(GetParam());
        FillClub(*Club);
    }
    std::unique_ptr<TAppClub> Club;
};

} // namespace

// Five front desks, each exporting the report and creating a group, round after round, all at once.
TEST_P(SharedClub, FiveWorkstationsExportAndCreateGroupsWithoutAFailure)
{
    struct TWorkstation
    {
        std::unique_ptr<QProcess> Process;
        int Round = 0;
        bool Export = true;
    };
    TWorkstation desks[Workstations];
    QStringList failures;
    const auto start = [&](int w) {
        TWorkstation& desk = desks[w];
        const QString name = QStringLiteral("desk%1-%2").arg(w).arg(desk.Round);
        desk.Process = std::make_unique<QProcess>();
        desk.Process->start(QStringLiteral(ACTIVITYREP_EXE),
                            Arguments(*Club, desk.Export ? QStringList{QStringLiteral("--export"),
                                                                      Club->Folder() + QLatin1Char('/') + name + QStringLiteral(".pdf")}
                                                         : QStringList{QStringLiteral("--create-group"), name}));
    };
    for (int w = 0; w < Workstations; ++w)
        start(w);
    for (bool running = true; running;) {
        running = false;
        for (int w = 0; w < Workstations; ++w) {
            TWorkstation& desk = desks[w];
            if (!desk.Process)
                continue;
            running = true;
            if (!desk.Process->waitForFinished(50) && desk.Process->state() != QProcess::NotRunning)
                continue;
            if (desk.Process->exitStatus() != QProcess::NormalExit || desk.Process->exitCode() != ecDone)
                failures << QString::fromLocal8Bit(desk.Process->readAllStandardError()).trimmed();
            desk.Process.reset();
            if (!desk.Export)
                ++desk.Round;
            desk.Export = !desk.Export;
            if (desk.Round < Rounds)
                start(w);
        }
    }
    EXPECT_EQ(failures, QStringList());
    EXPECT_EQ(Club->Count(QStringLiteral("select count(*) from groups")), Workstations * Rounds);
    // Each group has the same people, the selection's: none lost to or taken from another desk's group.
    EXPECT_EQ(Club->Count(QStringLiteral("select count(distinct n) from (select groupid, count(*) as n from grpdata group by groupid) g")), 1);
    EXPECT_EQ(Club->Count(QStringLiteral("select count(distinct groupid) from grpdata")), Workstations * Rounds);
    for (int w = 0; w < Workstations; ++w) {
        for (int round = 0; round < Rounds; ++round)
            EXPECT_TRUE(ReadFile(Club->Folder() + QStringLiteral("/desk%1-%2.pdf").arg(w).arg(round)).startsWith("%PDF"));
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, SharedClub, ::testing::Values(seSqlite, sePostgres),
                         [](const auto& info) { return info.param == seSqlite ? "Sqlite" : "Postgres"; });

namespace {

QStringList PageFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("RPT*")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

int RunProgram(const QStringList& arguments, int killBeforeRename = 0)
{
    QProcess process;
    if (killBeforeRename > 0) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ACTIVITYREP_KILL_BEFORE_RENAME"), QString::number(killBeforeRename));
        process.setProcessEnvironment(environment);
    }
    process.start(QStringLiteral(ACTIVITYREP_EXE), arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    return process.exitStatus() == QProcess::CrashExit ? -1 : process.exitCode();
}

} // namespace

// An HTML export of one activity is killed between two renames of its pages, over the longer set of
// the whole report. The next run with an export into the folder completes the killed one, also a run
// that stops at its input before exporting anything: the folder then holds exactly the pages of the
// one-activity report, as an export that ran through writes them, and no temporary file.
TEST(SharedClubKill, AKilledPageSetExportIsCompletedByTheNextRunIntoTheFolder)
{
    TAppClub club;
    FillClub(club);
    const QString reference = club.Folder() + QStringLiteral("/reference");
    ASSERT_TRUE(QDir().mkpath(reference));
    const auto exportTo = [&](const QString& target, const QString& activities) {
        return Arguments(club, {QStringLiteral("--activities"), activities, QStringLiteral("--export"), target,
                                QStringLiteral("--format"), QStringLiteral("HTML")});
    };
    ASSERT_EQ(RunProgram(exportTo(reference + QStringLiteral("/r.htm"), QStringLiteral("5"))), ecDone);
    const QStringList oneActivity = PageFiles(reference);
    ASSERT_GT(oneActivity.size(), 1);

    const struct
    {
        const char* Name;
        QStringList Arguments; // of the run after the killed one, exporting into the folder
        int ExitCode;
    } nextRuns[] = {
        {"another export", {QStringLiteral("--export"), QStringLiteral("r.pdf")}, ecDone},
        {"a run refused for its dates",
         {QStringLiteral("--from"), QStringLiteral("not a date"), QStringLiteral("--to"), QStringLiteral("3/31/2010"),
          QStringLiteral("--export"), QStringLiteral("r.pdf")},
         ecBadInput},
    };
    int round = 0;
    for (const auto& next : nextRuns) {
        SCOPED_TRACE(next.Name);
        const QString folder = club.Folder() + QStringLiteral("/pages%1").arg(++round);
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_EQ(RunProgram(exportTo(folder + QStringLiteral("/r.htm"), QStringLiteral("all"))), ecDone);
        ASSERT_GT(PageFiles(folder).size(), oneActivity.size());

        EXPECT_EQ(RunProgram(exportTo(folder + QStringLiteral("/r.htm"), QStringLiteral("5")), 2), -1);
        EXPECT_NE(PageFiles(folder), oneActivity); // torn until the next run

        QStringList arguments = next.Arguments;
        arguments.last() = folder + QLatin1Char('/') + arguments.last();
        ASSERT_EQ(RunProgram(Arguments(club, arguments)), next.ExitCode);
        EXPECT_EQ(PageFiles(folder), oneActivity);
        for (const QString& page : oneActivity)
            EXPECT_EQ(ReadFile(folder + QLatin1Char('/') + page), ReadFile(reference + QLatin1Char('/') + page)) << page.toStdString();
        const QStringList all = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        EXPECT_TRUE(all.filter(QStringLiteral(".tmp")).isEmpty()) << all.join(QLatin1Char(' ')).toStdString();
    }
}
