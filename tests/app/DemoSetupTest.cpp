// --create-demo writes over an existing club only when told to.
#include "DemoSetup.h"
#include "TestFiles.h"
#include "TCommandLine.h"
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

    EXPECT_EQ(CreateDemo(ParseCommandLine(QStringList(arguments) << QStringLiteral("--replace"))), 0);
    EXPECT_FALSE(ReadFile(shared).contains("; the club's own settings"));
    SetFingerprintSources({});
}
