#include "TCommandLine.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

TCommandLine Parse(const QStringList& arguments)
{
    return ParseCommandLine(arguments);
}

QString UsageErrorOf(const QStringList& arguments)
{
    try {
        ParseCommandLine(arguments);
    } catch (const TUsageError& error) {
        return error.Message;
    }
    return {};
}

} // namespace

TEST(CommandLine, UserNumberAloneOpensTheWindow)
{
    const TCommandLine line = Parse({QStringLiteral("12"), QStringLiteral("--alias-file"), QStringLiteral("/x/a.ini")});
    EXPECT_EQ(line.Mode, rmWindow);
    EXPECT_EQ(line.FirstArgument, QStringLiteral("12"));
    EXPECT_EQ(line.AliasFile, QStringLiteral("/x/a.ini"));
    EXPECT_EQ(Parse({}).FirstArgument, QString());
}

TEST(CommandLine, BatchExportTakesTheSelection)
{
    const TCommandLine line = Parse({QStringLiteral("1"), QStringLiteral("--range"), QStringLiteral("last month"),
                                     QStringLiteral("--option"), QStringLiteral("2"), QStringLiteral("--member"),
                                     QStringLiteral("Guests"), QStringLiteral("--activities"), QStringLiteral("3,5"),
                                     QStringLiteral("--export"), QStringLiteral("out.pdf")});
    EXPECT_EQ(line.Mode, rmBatch);
    EXPECT_EQ(line.RangeName, QStringLiteral("last month"));
    EXPECT_EQ(line.Option, 2);
    EXPECT_EQ(line.Member, 2);
    EXPECT_EQ(line.Activities, QStringLiteral("3,5"));
    EXPECT_EQ(line.ExportFile, QStringLiteral("out.pdf"));
}

TEST(CommandLine, DemoTakesFolderSizeAndSeed)
{
    const TCommandLine line = Parse({QStringLiteral("--create-demo"), QStringLiteral("d"), QStringLiteral("--enrolments"),
                                     QStringLiteral("1000"), QStringLiteral("--seed"), QStringLiteral("7")});
    EXPECT_EQ(line.Mode, rmCreateDemo);
    EXPECT_EQ(line.DemoFolder, QStringLiteral("d"));
    EXPECT_EQ(line.Enrolments, 1000);
    EXPECT_EQ(line.Seed, 7u);
    EXPECT_TRUE(line.DemoServer.Host.isEmpty());
    EXPECT_FALSE(line.Replace);
    EXPECT_TRUE(Parse({QStringLiteral("--create-demo"), QStringLiteral("d"), QStringLiteral("--replace")}).Replace);
}

TEST(CommandLine, DemoOnAServerTakesItsSettingsAndDefaultsTheUser)
{
    const TCommandLine line = Parse({QStringLiteral("--create-demo"), QStringLiteral("d"), QStringLiteral("--server"),
                                     QStringLiteral("/run/postgresql"), QStringLiteral("--port"), QStringLiteral("5433"),
                                     QStringLiteral("--database"), QStringLiteral("club")});
    EXPECT_EQ(line.DemoServer.Host, QStringLiteral("/run/postgresql"));
    EXPECT_EQ(line.DemoServer.Port, 5433);
    EXPECT_EQ(line.DemoServer.Database, QStringLiteral("club"));
    EXPECT_FALSE(line.DemoServer.User.isEmpty());
    EXPECT_TRUE(line.DemoServer.Password.isEmpty());

    const QStringList bad[] = {
        {QStringLiteral("--create-demo"), QStringLiteral("d"), QStringLiteral("--server"), QStringLiteral("h")},
        {QStringLiteral("--create-demo"), QStringLiteral("d"), QStringLiteral("--database"), QStringLiteral("club")},
        {QStringLiteral("--create-demo"), QStringLiteral("d"), QStringLiteral("--server"), QStringLiteral("h"),
         QStringLiteral("--database"), QStringLiteral("club"), QStringLiteral("--port"), QStringLiteral("70000")},
        {QStringLiteral("1"), QStringLiteral("--server"), QStringLiteral("h"), QStringLiteral("--print")},
    };
    for (const QStringList& arguments : bad) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        EXPECT_FALSE(UsageErrorOf(arguments).isEmpty());
    }
}

TEST(CommandLine, ViewOpensASavedReportAndTakesNoReportOptions)
{
    const TCommandLine line = Parse({QStringLiteral("1"), QStringLiteral("--view"), QStringLiteral("week.rpt"),
                                     QStringLiteral("--alias-file"), QStringLiteral("a.ini")});
    EXPECT_EQ(line.Mode, rmView);
    EXPECT_EQ(line.FirstArgument, QStringLiteral("1"));
    EXPECT_EQ(line.ViewFile, QStringLiteral("week.rpt"));
    EXPECT_EQ(line.AliasFile, QStringLiteral("a.ini"));
    EXPECT_EQ(UsageErrorOf({QStringLiteral("1"), QStringLiteral("--view"), QStringLiteral("week.rpt"),
                            QStringLiteral("--option"), QStringLiteral("2")}),
              QStringLiteral("--view opens a saved report; it takes no report options."));
    EXPECT_FALSE(UsageErrorOf({QStringLiteral("1"), QStringLiteral("--view")}).isEmpty());
}

TEST(CommandLine, LoginAsksWhoIsWorkingInsteadOfAUserNumber)
{
    const TCommandLine window = Parse({QStringLiteral("--login")});
    EXPECT_EQ(window.Mode, rmWindow);
    EXPECT_TRUE(window.Login);
    EXPECT_TRUE(window.FirstArgument.isEmpty());
    const TCommandLine view = Parse({QStringLiteral("--login"), QStringLiteral("--view"), QStringLiteral("week.rpt")});
    EXPECT_EQ(view.Mode, rmView);
    EXPECT_TRUE(view.Login);
    EXPECT_FALSE(Parse({QStringLiteral("1")}).Login);

    const QString refused = QStringLiteral("--login asks who is working; it goes with --alias-file and --view only.");
    EXPECT_EQ(UsageErrorOf({QStringLiteral("1"), QStringLiteral("--login")}), refused);
    EXPECT_EQ(UsageErrorOf({QStringLiteral("--login"), QStringLiteral("--print")}), refused);
    EXPECT_EQ(UsageErrorOf({QStringLiteral("--login"), QStringLiteral("--create-demo"), QStringLiteral("d")}), refused);
}

TEST(CommandLine, RegisterWorkstationTakesTheNameAndTheAliasFile)
{
    const TCommandLine line = Parse({QStringLiteral("--register-workstation"), QStringLiteral("Front Desk"),
                                     QStringLiteral("--alias-file"), QStringLiteral("/x/a.ini")});
    EXPECT_EQ(line.Mode, rmRegisterWorkstation);
    EXPECT_EQ(line.WorkstationName, QStringLiteral("Front Desk"));
    EXPECT_EQ(line.AliasFile, QStringLiteral("/x/a.ini"));
    EXPECT_TRUE(UsageText().contains(QLatin1String("--register-workstation NAME")));
}

TEST(CommandLine, MistakesAreRefusedWithOneLine)
{
    const QStringList bad[] = {
        {QStringLiteral("1"), QStringLiteral("--option"), QStringLiteral("8"), QStringLiteral("--print")},
        {QStringLiteral("1"), QStringLiteral("--member"), QStringLiteral("nobody"), QStringLiteral("--print")},
        {QStringLiteral("1"), QStringLiteral("--range"), QStringLiteral("Next Week"), QStringLiteral("--print")},
        {QStringLiteral("1"), QStringLiteral("--print"), QStringLiteral("--export"), QStringLiteral("a.pdf")},
        {QStringLiteral("1"), QStringLiteral("--option"), QStringLiteral("3")},
        {QStringLiteral("1"), QStringLiteral("--from"), QStringLiteral("1/1/2020"), QStringLiteral("--print")},
        {QStringLiteral("1"), QStringLiteral("--range"), QStringLiteral("Today"), QStringLiteral("--from"),
         QStringLiteral("1/1/2020"), QStringLiteral("--to"), QStringLiteral("1/2/2020"), QStringLiteral("--print")},
        {QStringLiteral("1"), QStringLiteral("--format"), QStringLiteral("PDF"), QStringLiteral("--print")},
        {QStringLiteral("1"), QStringLiteral("--bogus")},
        {QStringLiteral("1"), QStringLiteral("2")},
        {QStringLiteral("1"), QStringLiteral("--export")},
        {QStringLiteral("1"), QStringLiteral("--replace"), QStringLiteral("--print")},
        {QStringLiteral("--register-workstation"), QStringLiteral("  ")},
        {QStringLiteral("1"), QStringLiteral("--register-workstation"), QStringLiteral("Desk")},
        {QStringLiteral("--register-workstation"), QStringLiteral("Desk"), QStringLiteral("--print")},
        {QStringLiteral("1"), QStringLiteral("--alias-file"), QString(), QStringLiteral("--print")},
    };
    for (const QStringList& arguments : bad) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        const QString message = UsageErrorOf(arguments);
        EXPECT_FALSE(message.isEmpty());
        EXPECT_FALSE(message.contains(QLatin1Char('\n')));
    }
}

TEST(CommandLine, VersionWinsOverTheRestAndNamesTheBuild)
{
    EXPECT_EQ(Parse({QStringLiteral("--version")}).Mode, rmVersion);
    // Like --help, it ends the parse: what follows is not looked at.
    EXPECT_EQ(Parse({QStringLiteral("1"), QStringLiteral("--version"), QStringLiteral("--bogus")}).Mode, rmVersion);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^activityrep \\d+\\.\\d+\\.\\d+$")).match(VersionText()).hasMatch())
        << VersionText().toStdString();
}
