// --create-demo writes over an existing club only when told to.
#include "DemoSetup.h"
#include "TCommandLine.h"
#include "WorkstationFingerprint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
    const QByteArray databaseBefore = ReadAll(database);
    const QByteArray sharedBefore = ReadAll(shared);

    EXPECT_EQ(CreateDemo(ParseCommandLine(arguments)), 5);
    EXPECT_EQ(ReadAll(database), databaseBefore);
    EXPECT_EQ(ReadAll(shared), sharedBefore);

    EXPECT_EQ(CreateDemo(ParseCommandLine(QStringList(arguments) << QStringLiteral("--replace"))), 0);
    EXPECT_FALSE(ReadAll(shared).contains("; the club's own settings"));
    SetFingerprintSources({});
}
