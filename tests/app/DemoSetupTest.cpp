// --create-demo writes over an existing club only when told to.
#include "DemoSetup.h"
#include "TestFiles.h"
#include "TCommandLine.h"
#include "TextFunctions.h"
#include "WorkstationFingerprint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

} // namespace

TEST(CreateDemo, RefusesAFolderThatHoldsAClubUnlessToldToReplaceIt)
{
    SetFingerprintSources([] { return TFingerprintSources{"demo-test-workstation", {}, {}, {}, {}, {}}; });
    QTemporaryDir dir;
    const QStringList arguments{QStringLiteral("--create-demo"), dir.path(), QStringLiteral("--enrolments"), QStringLiteral("5")};
    ASSERT_EQ(CreateDemo(ParseCommandLine(arguments)), 0);
    const QString database = dir.filePath(QStringLiteral("Data/club.db"));
    const QString shared = dir.filePath(QStringLiteral("Config/VKD.INI"));
    QFile ini(shared);
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write("; the club's own settings\n");
    ini.close();
    const QByteArray databaseBefore = ReadFile(database);
    const QByteArray sharedBefore = ReadFile(shared);

    EXPECT_EQ(CreateDemo(ParseCommandLine(arguments)), 5);
    EXPECT_EQ(ReadFile(database), databaseBefore);
    EXPECT_EQ(ReadFile(shared), sharedBefore);

    // --replace replaces the demo: the database, the alias file and the club name; the other
    // workstations' registrations, the other settings and every workstation and user file stay.
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write("[WorkStations]\n0A1B2C3D=Front_Desk\n[Extra]\nKey=kept\n");
    ini.close();
    QFile desk(dir.filePath(QStringLiteral("Config/Front_Desk.INI")));
    ASSERT_TRUE(desk.open(QIODevice::WriteOnly));
    desk.write("[General]\nSoundOn=0\n");
    desk.close();
    QFile damaged(database);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("not a database");
    damaged.close();

    EXPECT_EQ(CreateDemo(ParseCommandLine(QStringList(arguments) << QStringLiteral("--replace"))), 0);
    const QByteArray replaced = ReadFile(shared);
    for (const char* kept : {"; the club's own settings", "0A1B2C3D=Front_Desk", "[Extra]", "Key=kept",
                             "ClubName=Riverside Athletic Club"}) {
        EXPECT_TRUE(replaced.contains(kept)) << kept << " in\n" << replaced.constData();
    }
    EXPECT_TRUE(replaced.contains(WorkstationCode().toLatin1() + "=Demo_Workstation")) << replaced.constData();
    EXPECT_EQ(ReadFile(dir.filePath(QStringLiteral("Config/Front_Desk.INI"))), QByteArray("[General]\nSoundOn=0\n"));
    EXPECT_TRUE(ReadFile(database).startsWith(QByteArray("SQLite format 3", 16)));
    SetFingerprintSources({});
}
