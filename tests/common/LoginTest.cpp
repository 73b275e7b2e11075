#include "AccessRights.h"
#include "EDatabaseError.h"
#include "Login.h"
#include "TDemoDatabase.h"
#include "TSession.h"
#include "TTestClub.h"
#include "TUserInfo.h"
#include "TbrmIniFile.h"
#include "TextFunctions.h"
#include "TPrompt.h"
#include "TfmSysLogin.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString ClubLevel = QStringLiteral("GReports Club Level");
const QString TryAgainAccess = QStringLiteral("Invalid user name or password - Try Again");
const QString TryAgainLogin = QStringLiteral("Invalid Login - Try Again");

// Types each name and password into the dialog and presses OK, while the dialog stays open.
std::function<int(QDialog&)> Attempts(QList<std::pair<QString, QString>> tries, int* clicks = nullptr)
{
    return [tries, clicks](QDialog& dialog) {
        bool finished = false;
        QObject::connect(&dialog, &QDialog::finished, [&finished] { finished = true; });
        for (const auto& [name, password] : tries) {
            if (finished)
                break;
            dialog.findChild<QLineEdit*>(QStringLiteral("UserName"))->setText(name);
            dialog.findChild<QLineEdit*>(QStringLiteral("Password"))->setText(password);
            dialog.findChild<QPushButton*>(QStringLiteral("bbOk"))->click();
            if (clicks)
                ++*clicks;
        }
        return -1;
    };
}

class TLoginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        club.WriteConfig(QStringLiteral("VKD.INI"), "[WorkStations]\r\n" + WorkstationCode().toLatin1() + "=Desk\r\n");
        club.WriteConfig(QStringLiteral("CLERK.INI"), "[General]\r\nShowHints=0\r\n");
        club.AddRight(ClubLevel, 5);
        club.AddUser(7, QStringLiteral("CLERK"), QStringLiteral("pw"), QStringLiteral("Ann"), QStringLiteral("J"), 1);
        club.AddUser(8, QStringLiteral("SUP"), QStringLiteral("Boss"), QStringLiteral("Bob"), {}, 9);
        club.AddUser(9, QStringLiteral("OLD"), QStringLiteral("pw"), QStringLiteral("Old"), {}, 9, false);
        club.AddUser(10, QStringLiteral("OPEN"), QString(), QStringLiteral("No"), {}, 9);
        club.AddUser(11, QStringLiteral("LOW"), QStringLiteral("pw"), QStringLiteral("Low"), {}, 2);
        SetClock([] { return QDateTime(QDate(2026, 12, 8), QTime(14, 5, 6, 789)); });
    }

    QStringList Events()
    {
        return club.Column(QStringLiteral("SELECT UserID || ' ' || EventType FROM UserEvents ORDER BY rowid"));
    }

    TTestClub club;
};

} // namespace

TEST_F(TLoginTest, LoginByNumberMakesTheCurrentUserWithoutPasswordOrActiveFlag)
{
    ASSERT_TRUE(LoginByNumber(nullptr, 7));
    const TUserInfo* user = CurrentUser();
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->ID, 7);
    EXPECT_EQ(user->EmpID, QStringLiteral("CLERK"));
    EXPECT_EQ(user->Level1, 1);
    EXPECT_EQ(user->Group1, QStringLiteral("STAFF"));
    EXPECT_DOUBLE_EQ(user->MonStart, 8.5 / 24);
    EXPECT_DOUBLE_EQ(user->MonEnd, 17.0 / 24);
    EXPECT_EQ(Events(), QStringList{QStringLiteral("7 Logged In")});
    EXPECT_EQ(club.Column(QStringLiteral("SELECT EventTimeStamp FROM UserEvents")),
              QStringList{QStringLiteral("2026-12-08 14:05:06.789")});
    EXPECT_EQ(SuiteIni().ReadValue(QStringLiteral("General"), QStringLiteral("ShowHints")), QStringLiteral("0"));

    ASSERT_TRUE(LoginByNumber(nullptr, 9)); // inactive, but the number alone identifies the user
    EXPECT_EQ(CurrentUser(), user) << "refilled, not replaced";
    EXPECT_EQ(SuiteIni().UserFileName, club.ConfigFolder() + QStringLiteral("OLD.INI"));
    EXPECT_EQ(club.Prompt.ModalCount, 0);
}

TEST_F(TLoginTest, LoginByNumberOfNoUserChangesNothing)
{
    SuiteIni().SetUser(QStringLiteral("CLERK"));
    for (const qint32 number : {0, 99}) {
        EXPECT_FALSE(LoginByNumber(nullptr, number));
        EXPECT_EQ(CurrentUser(), nullptr);
        EXPECT_EQ(SuiteIni().UserFileName, club.ConfigFolder() + QStringLiteral("CLERK.INI"));
    }
    EXPECT_TRUE(Events().isEmpty());
}

TEST_F(TLoginTest, FullNameIsLastCommaFirstThenTheInitial)
{
    const struct
    {
        QString First;
        QString Initial;
        const char* Expected;
    } rows[] = {{QString(), QStringLiteral("J"), "Smith J"}, {QStringLiteral("Ann"), QStringLiteral("J"), "Smith, Ann J"},
                {QStringLiteral("Ann"), QString(), "Smith, Ann"}, {QStringLiteral(""), QString(), "Smith"}};
    int id = 20;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Expected);
        ++id;
        club.AddUser(id, QStringLiteral("U%1").arg(id), {}, row.First, row.Initial, 0);
        ASSERT_TRUE(LoginByNumber(nullptr, id));
        EXPECT_EQ(CurrentUser()->FullName, QString::fromLatin1(row.Expected));
    }
}

TEST_F(TLoginTest, SecurityAccessLetsASupervisorGrantTheRightOnce)
{
    ASSERT_TRUE(LoginByNumber(nullptr, 7));
    const TUserInfo* clerk = CurrentUser();
    QString caption;
    club.Prompt.ModalActions = {[&caption](QDialog& dialog) {
        caption = dialog.windowTitle();
        return Attempts({{QStringLiteral("SUP"), QStringLiteral("boss")}})(dialog);
    }};

    EXPECT_TRUE(HasAccess(ClubLevel, true));
    EXPECT_EQ(caption, QStringLiteral("Security Access"));
    EXPECT_TRUE(club.Prompt.Warnings.isEmpty());
    EXPECT_EQ(CurrentUser(), clerk);
    EXPECT_EQ(CurrentUser()->EmpID, QStringLiteral("CLERK"));
    EXPECT_EQ(SuiteIni().UserFileName, club.ConfigFolder() + QStringLiteral("CLERK.INI"));
    EXPECT_EQ(Events(), (QStringList{QStringLiteral("7 Logged In"), QStringLiteral("8 Logged In")}));
    EXPECT_EQ(RequestAccess(ClubLevel), 0) << "the next check asks again (and is cancelled)";
}

TEST_F(TLoginTest, SecurityAccessAcceptsWhatTheStoredRowAllows)
{
    const struct
    {
        const char* Name;
        QString User;
        QString Password;
        qint32 Expected;
        QStringList Warnings;
        QStringList Events;
    } rows[] = {
        {"password in other letter case", QStringLiteral("SUP"), QStringLiteral("BOSS"), 8, {}, {QStringLiteral("8 Logged In")}},
        {"empty stored password, empty field", QStringLiteral("OPEN"), QString(), 10, {}, {QStringLiteral("10 Logged In")}},
        {"level too low: refused silently, still logged", QStringLiteral("LOW"), QStringLiteral("pw"), 0, {},
         {QStringLiteral("11 Logged In")}},
        {"user name in other letter case", QStringLiteral("sup"), QStringLiteral("Boss"), 0, {TryAgainAccess}, {}},
        {"blanks around the name are kept", QStringLiteral(" SUP"), QStringLiteral("Boss"), 0, {TryAgainAccess}, {}},
        {"inactive user, right password", QStringLiteral("OLD"), QStringLiteral("pw"), 0, {TryAgainAccess}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        club.Exec(QStringLiteral("DELETE FROM UserEvents"));
        club.Prompt.Warnings.clear();
        club.Prompt.ModalActions = {Attempts({{row.User, row.Password}})}; // then the dialog is cancelled
        EXPECT_EQ(RequestAccess(ClubLevel), row.Expected);
        EXPECT_EQ(club.Prompt.Warnings, row.Warnings);
        EXPECT_EQ(Events(), row.Events);
    }
    club.Prompt.ModalActions = {Attempts({{QStringLiteral("SUP"), QStringLiteral("Boss")}})};
    EXPECT_EQ(RequestAccess(QStringLiteral("No Such Right")), 0) << "nobody can grant a right without a row";
}

TEST_F(TLoginTest, ThirdFailureClosesTheDialogInBothModes)
{
    const std::pair<QString, QString> wrong{QStringLiteral("SUP"), QStringLiteral("x")};
    int clicks = 0;
    club.Prompt.ModalActions = {Attempts({wrong, wrong, wrong, {QStringLiteral("SUP"), QStringLiteral("Boss")}}, &clicks)};
    EXPECT_EQ(RequestAccess(ClubLevel), 0);
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(club.Prompt.Warnings, (QStringList{TryAgainAccess, TryAgainAccess, QStringLiteral("Access not granted.")}));

    // An ordinary log-in logs the current user out before the last message.
    club.Prompt.Warnings.clear();
    ASSERT_TRUE(LoginByNumber(nullptr, 7));
    TfmSysLogin dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Login"));
    bool clearedAfterFirstTry = false;
    club.Prompt.ModalActions = {[&](QDialog& shown) {
        Attempts({wrong})(shown);
        clearedAfterFirstTry = shown.findChild<QLineEdit*>(QStringLiteral("UserName"))->text().isEmpty()
                               && shown.findChild<QLineEdit*>(QStringLiteral("Password"))->text().isEmpty();
        return Attempts({wrong, wrong, wrong})(shown);
    }};
    EXPECT_EQ(dialog.Execute(), int(QDialog::Rejected));
    EXPECT_TRUE(clearedAfterFirstTry);
    EXPECT_EQ(club.Prompt.Warnings,
              (QStringList{TryAgainLogin, TryAgainLogin, QStringLiteral("Failed Login - See System Administrator")}));
    EXPECT_EQ(CurrentUser(), nullptr);
    EXPECT_TRUE(SuiteIni().UserFileName.isEmpty());
    EXPECT_EQ(Events(), (QStringList{QStringLiteral("7 Logged In"), QStringLiteral("7 Logged Out")}));
}

TEST_F(TLoginTest, InteractiveLoginByKeyboardSwitchesUserAndConfiguration)
{
    ASSERT_TRUE(LoginByNumber(nullptr, 8));
    TfmSysLogin dialog;
    club.Prompt.ModalActions = {[](QDialog& shown) {
        shown.show();
        auto* password = shown.findChild<QLineEdit*>(QStringLiteral("Password"));
        QTest::keyClicks(shown.findChild<QLineEdit*>(QStringLiteral("UserName")), QStringLiteral("CLERK"));
        QTest::keyClicks(password, QStringLiteral("PW"));
        EXPECT_EQ(password->displayText(), QStringLiteral("**"));
        QTest::keyClick(password, Qt::Key_Return); // OK is the default button
        return -1;
    }};
    EXPECT_EQ(dialog.Execute(), int(QDialog::Accepted));
    EXPECT_EQ(dialog.LoggedInUserID(), 7);
    EXPECT_EQ(CurrentUser()->EmpID, QStringLiteral("CLERK"));
    EXPECT_EQ(SuiteIni().UserFileName, club.ConfigFolder() + QStringLiteral("CLERK.INI"));
}

TEST_F(TLoginTest, AnEngineErrorDuringOkClosesTheDialogAndReachesTheCaller)
{
    ASSERT_TRUE(LoginByNumber(nullptr, 7));
    const TUserInfo* clerk = CurrentUser();
    club.Exec(QStringLiteral("DROP TABLE UserEvents"));
    club.Prompt.ModalActions = {Attempts({{QStringLiteral("SUP"), QStringLiteral("Boss")}})};
    EXPECT_THROW(RequestAccess(ClubLevel), EDatabaseError);
    EXPECT_EQ(CurrentUser(), clerk);
}

TEST_F(TLoginTest, LogoutWritesTheEventAndForgetsTheUser)
{
    Logout(); // nobody logged in: nothing happens
    EXPECT_TRUE(Events().isEmpty());
    ASSERT_TRUE(LoginByNumber(nullptr, 7));
    Logout();
    EXPECT_EQ(CurrentUser(), nullptr);
    EXPECT_EQ(SuiteIni().ReadValue(QStringLiteral("General"), QStringLiteral("ShowHints")), QStringLiteral("1"));
    EXPECT_EQ(Events(), (QStringList{QStringLiteral("7 Logged In"), QStringLiteral("7 Logged Out")}));
}

TEST(TfmSysLogin, ShowsTheDemoHintOnlyForADemoDatabase)
{
    const std::pair<const char*, bool> rows[] = {{"Club/Data", false}, {"DeMo/Data", true}, {"Club/demo", true}};
    for (const auto& [path, shown] : rows) {
        SCOPED_TRACE(path);
        TTestClub club(QString::fromLatin1(path));
        TfmSysLogin dialog;
        EXPECT_EQ(!dialog.findChild<QLabel*>(QStringLiteral("lblDemo"))->isHidden(), shown);
    }
}

TEST_F(TLoginTest, SecurityAccessAnswersTheKeyboardLikeTheMessageBoxes)
{
    club.Prompt.ModalActions = {[](QDialog& dialog) {
        auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("bbOk"));
        auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("bbCancel"));
        EXPECT_FALSE(ok->icon().isNull());
        EXPECT_FALSE(cancel->icon().isNull());
        // Enter presses the focused button, here Cancel rather than the default OK.
        cancel->setFocus();
        QTest::keyClick(cancel, Qt::Key_Return);
        return -1;
    }, [](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("UserName"))->setText(QStringLiteral("SUP"));
        QTest::keyClick(dialog.findChild<QLineEdit*>(QStringLiteral("Password")), Qt::Key_Escape);
        return -1;
    }};
    EXPECT_EQ(RequestAccess(ClubLevel), 0);
    EXPECT_EQ(RequestAccess(ClubLevel), 0);
    EXPECT_TRUE(club.Prompt.Warnings.isEmpty()) << "neither key pressed OK";
    EXPECT_TRUE(Events().isEmpty());
}

TEST(TfmSysLogin, TheDemoHintNamesAUserOfTheDemoClub)
{
    TTestClub club; // scripted prompt, fresh common services
    QTemporaryDir dir;
    TDemoOptions options;
    options.Folder = dir.filePath(QStringLiteral("demo"));
    options.Enrolments = 0;
    TSession::Instance().Reset();
    TSession::Instance().SetAliasFile(CreateDemoDatabase(options));

    TfmSysLogin dialog;
    dialog.SetAccessMode(ClubLevel);
    const QLabel* hint = dialog.findChild<QLabel*>(QStringLiteral("lblDemo"));
    ASSERT_FALSE(hint->isHidden());
    // "Enter Demo for username no password required."
    const QString name = hint->text().section(QLatin1Char(' '), 1, 1);
    club.Prompt.ModalActions = {Attempts({{name, QString()}})};
    dialog.Execute();
    EXPECT_TRUE(dialog.IsLoggedIn());
    EXPECT_NE(dialog.GrantedUserID(), 0) << "the demo user holds the report right";
    EXPECT_TRUE(club.Prompt.Warnings.isEmpty());
}

// Login and Security Access keep a fixed frame without minimise and maximise buttons; the program's
// one-line input dialogs (Enter Group Name, the workstation's name) have none either and are wide
// enough for their caption in a title bar.
TEST_F(TLoginTest, DialogsOfferNeitherMinimiseNorMaximise)
{
    TfmSysLogin login;
    TfmSysLogin access;
    access.SetAccessMode(ClubLevel);
    const auto input = TQtPrompt::MakeInputDialog(QStringLiteral("Enter Group Name"), QStringLiteral("Group Name"),
                                                  QStringLiteral("Juniors"));
    const struct {
        const char* caption;
        QDialog* dialog;
        bool fixed;
    } rows[] = {
        {"Login", &login, true},
        {"Security Access", &access, true},
        {"Enter Group Name", input.get(), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.caption);
        EXPECT_EQ(row.dialog->windowTitle(), QString::fromLatin1(row.caption));
        const Qt::WindowFlags flags = row.dialog->windowFlags();
        EXPECT_TRUE(flags & Qt::WindowTitleHint);
        EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
        EXPECT_EQ(row.dialog->minimumSize() == row.dialog->maximumSize(), row.fixed);
    }

    input->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(input.get()));
    EXPECT_GE(input->width(), WidthForCaption(QStringLiteral("Enter Group Name")));
    EXPECT_EQ(input->labelText(), QStringLiteral("Group Name"));
    EXPECT_EQ(input->textValue(), QStringLiteral("Juniors"));
}
