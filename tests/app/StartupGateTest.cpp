// The start-up gate run by creating the hidden report base form, with the Security Access dialog
// answered through the scripted prompt.
#include "TAppClub.h"

#include "AccessRights.h"
#include "Application.h"
#include "BatchRun.h"
#include "CreateForm.h"
#include "RowsRead.h"
#include "TReportBase.h"
#include "TextFunctions.h"
#include "TfrmActivityRep.h"
#include "WorkstationFingerprint.h"

#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <functional>
#include <gtest/gtest.h>

namespace {

class StartupGate : public ::testing::Test
{
protected:
    // Starts the form the way the program does, with `argument` as the first command-line argument.
    bool Passes(const QString& argument, bool interactive = false)
    {
        SetFirstArgument(argument);
        SetInteractiveLogin(interactive);
        const auto restore = qScopeGuard([] { SetInteractiveLogin(false); });
        ResetTerminateRequest();
        CreateForm<TReportBase>();
        return !TerminateRequested();
    }

    QStringList Events()
    {
        QStringList events;
        for (const QVariantList& row : Club.Rows(QStringLiteral("select UserID, EventType from UserEvents order by id")))
            events << row.at(0).toString() + QLatin1Char(' ') + row.at(1).toString();
        return events;
    }

    // Someone logs in to the next dialog (Login or Security Access).
    void GrantAs(const QString& empId, const QString& password)
    {
        Club.Prompt.ModalActions << [this, empId, password](QDialog& dialog) {
            DialogTitles << dialog.windowTitle();
            DialogTitle = dialog.windowTitle();
            dialog.findChild<QLineEdit*>(QStringLiteral("UserName"))->setText(empId);
            dialog.findChild<QLineEdit*>(QStringLiteral("Password"))->setText(password);
            dialog.findChild<QPushButton*>(QStringLiteral("bbOk"))->click();
            return -1;
        };
    }

    // Someone fails to log in to the next dialog three times; it then closes by itself.
    void FailThreeTimes()
    {
        Club.Prompt.ModalActions << [](QDialog& dialog) {
            for (int attempt = 0; attempt < 3; ++attempt) {
                dialog.findChild<QLineEdit*>(QStringLiteral("UserName"))->setText(QStringLiteral("MANAGER"));
                dialog.findChild<QLineEdit*>(QStringLiteral("Password"))->setText(QStringLiteral("wrong"));
                dialog.findChild<QPushButton*>(QStringLiteral("bbOk"))->click();
            }
            return -1;
        };
    }

    TAppClub Club;
    QString DialogTitle;
    QStringList DialogTitles;
};

} // namespace

TEST_F(StartupGate, LetsInAUserWhoHoldsTheRightWithoutADialog)
{
    for (const char* user : {"1", "3"}) { // above and exactly at the right's level
        SCOPED_TRACE(user);
        EXPECT_TRUE(Passes(QString::fromLatin1(user)));
    }
    EXPECT_EQ(Club.Prompt.ModalCount, 0);
    EXPECT_EQ(Events(), (QStringList{QStringLiteral("1 Logged In"), QStringLiteral("3 Logged In")}));
    EXPECT_TRUE(Club.Prompt.Errors.isEmpty());
}

TEST_F(StartupGate, ATooLowUserPassesOnlyWhenAnotherUserGrantsTheRight)
{
    GrantAs(QStringLiteral("MANAGER"), QStringLiteral("secret"));
    EXPECT_TRUE(Passes(QStringLiteral("2")));
    EXPECT_EQ(Club.Prompt.ModalCount, 1);
    EXPECT_EQ(DialogTitle, QStringLiteral("Security Access"));

    // The clerk logging in there himself does not lift his own level; then the dialog is cancelled.
    GrantAs(QStringLiteral("CLERK"), QStringLiteral("clerk"));
    EXPECT_FALSE(Passes(QStringLiteral("2")));
    EXPECT_FALSE(Passes(QStringLiteral("2"))); // no answer: the dialog is cancelled
    EXPECT_EQ(Club.Prompt.ModalCount, 3);
}

TEST_F(StartupGate, UnknownOrMissingUserNumbersEndTheProgramWithoutADialog)
{
    for (const char* argument : {"99", "", "abc"}) {
        SCOPED_TRACE(argument);
        EXPECT_FALSE(Passes(QString::fromLatin1(argument)));
    }
    EXPECT_EQ(Club.Prompt.ModalCount, 0);
    EXPECT_TRUE(Club.Prompt.Warnings.isEmpty());
    EXPECT_TRUE(Club.Prompt.Errors.isEmpty());
    EXPECT_TRUE(Events().isEmpty());
}

TEST_F(StartupGate, FromTheMenuTheUserLogsInThroughTheLoginDialog)
{
    GrantAs(QStringLiteral("MANAGER"), QStringLiteral("secret"));
    EXPECT_TRUE(Passes(QString(), true));
    EXPECT_EQ(DialogTitles, QStringList{QStringLiteral("Login")});
    EXPECT_EQ(Events(), QStringList{QStringLiteral("1 Logged In")});

    // A clerk who logs in there still needs someone who holds the right.
    DialogTitles.clear();
    GrantAs(QStringLiteral("CLERK"), QStringLiteral("clerk"));
    GrantAs(QStringLiteral("MANAGER"), QStringLiteral("secret"));
    EXPECT_TRUE(Passes(QString(), true));
    EXPECT_EQ(DialogTitles, (QStringList{QStringLiteral("Login"), QStringLiteral("Security Access")}));

    // Cancelling the Login dialog ends the program without another word.
    EXPECT_FALSE(Passes(QString(), true));
    EXPECT_TRUE(Club.Prompt.Warnings.isEmpty());
}

TEST_F(StartupGate, AnErrorInsideTheGateIsShownAndEndsTheProgram)
{
    Club.Exec(QStringLiteral("drop table \"Security\""));
    EXPECT_FALSE(Passes(QStringLiteral("1")));
    EXPECT_EQ(Club.Prompt.Errors.size(), 1);
    EXPECT_EQ(Club.Prompt.ModalCount, 0);
}

TEST_F(StartupGate, CreatingTheCriteriaWindowAsksForNothing)
{
    SetFirstArgument(QStringLiteral("99"));
    CreateForm<TfrmActivityRep>();
    EXPECT_FALSE(TerminateRequested());
    EXPECT_EQ(Club.Prompt.ModalCount, 0);
    EXPECT_TRUE(Events().isEmpty());
}

// The event table only grows: every log-in of every program of the suite adds a row. Start-up and a
// Security Access grant each append one row, and read as many rows with years of history as without.
TEST_F(StartupGate, AppendsEventsWithoutReadingAMillionStoredOnes)
{
    const auto rowsReadByStartUps = [this] {
        ResetSecurityRights(); // as in a fresh process
        const quint64 before = RowsRead();
        EXPECT_TRUE(Passes(QStringLiteral("1")));
        GrantAs(QStringLiteral("MANAGER"), QStringLiteral("secret"));
        EXPECT_TRUE(Passes(QStringLiteral("2")));
        return RowsRead() - before;
    };
    const quint64 withoutHistory = rowsReadByStartUps();
    EXPECT_LT(withoutHistory, 20u); // users and rights

    Club.Exec(QStringLiteral("insert into UserEvents (UserID, EventType, EventTimeStamp)"
                             " with recursive n(i) as (select 1 union all select i + 1 from n where i < 1000000)"
                             " select i % 3 + 1, 'Logged In', '2009-01-01 08:00:00.000' from n"));
    ASSERT_EQ(Club.Count(QStringLiteral("select count(*) from UserEvents")), 1000003);
    EXPECT_EQ(rowsReadByStartUps(), withoutHistory);
    EXPECT_EQ(Club.Count(QStringLiteral("select count(*) from UserEvents where EventTimeStamp > '2010-01-01'")), 6);
}

// --help promises 2 for a refused start and 4 for a database error; the window's start keeps to it.
TEST_F(StartupGate, ARefusedStartEndsWithTheDocumentedExitCode)
{
    const struct {
        const char* name;
        std::function<void()> arrange;
        QString argument;
        bool interactive;
        int code;
    } rows[] = {
        {"unknown user", {}, QStringLiteral("99"), false, ecRefused},
        {"Security Access cancelled", {}, QStringLiteral("2"), false, ecRefused},
        {"three failed Security Access attempts", [this] { FailThreeTimes(); }, QStringLiteral("2"),
         false, ecRefused},
        {"three failed Login attempts", [this] { FailThreeTimes(); }, QString(), true, ecRefused},
        {"database error", [this] {
             Club.Exec(QStringLiteral("drop table \"Security\""));
             ResetSecurityRights(); // read again, as in a fresh process
         },
         QStringLiteral("1"), false, ecDatabase},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.arrange)
            row.arrange();
        EXPECT_FALSE(Passes(row.argument, row.interactive));
        EXPECT_EQ(TerminateExitCode(), row.code);
    }
    EXPECT_TRUE(Club.Prompt.ModalActions.isEmpty()) << "every dialog was shown";
    ResetTerminateRequest();
    EXPECT_EQ(TerminateExitCode(), 0);
}

// The built program: a window start for a user the club does not know ends at once with 2.
TEST_F(StartupGate, TheProgramExitsWithTwoWhenTheWindowStartIsRefused)
{
    SetFingerprintSources({}); // the child reads this machine's identity
    QFile ini(Club.ConfigFolder() + QStringLiteral("VKD.INI"));
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write(WorkstationCode().toLatin1() + "=This_Machine\n");
    ini.close();

    QProcess process;
    process.start(QStringLiteral(ACTIVITYREP_EXE),
                  {QStringLiteral("99"), QStringLiteral("--alias-file"), Club.AliasFile()});
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), ecRefused) << process.readAllStandardError().constData();
}
