#include "TextFunctions.h"
#include "WorkstationFingerprint.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(TextFunctions, NormalizeFolderAndFileSafeName)
{
    const char* const folders[][2] = {{"  /club/data\\\\  ", "/club/data/"}, {"/club/data//", "/club/data/"},
                                      {"C:", "C:/"}, {"C:\\Club\\Data", "C:/Club/Data/"}, {"", "/"}, {"\\\\", "/"},
                                      {"\t/srv\r\n", "/srv/"}};
    for (const auto& row : folders) {
        SCOPED_TRACE(row[0]);
        EXPECT_EQ(NormalizeFolder(QString::fromLatin1(row[0])), QString::fromLatin1(row[1]));
    }
    const char* const names[][2] = {{"My PC: A/B\\C  ", "My_PC__A_B_C"}, {"Front Desk/2", "Front_Desk_2"},
                                    {"   ", ""}, {" lead", "_lead"}};
    for (const auto& row : names) {
        SCOPED_TRACE(row[0]);
        EXPECT_EQ(FileSafeName(QString::fromLatin1(row[0])), QString::fromLatin1(row[1]));
    }
}

TEST(TextFunctions, StrToIntOrZeroReadsWhatTheIntegerParserReads)
{
    const struct
    {
        const char* Input;
        qint32 Expected;
    } rows[] = {{"12", 12},          {"-3", -3},      {"+7", 7},    {"  42", 42},
                {"$1F", 31},         {"-$10", -16},   {"$FFFFFFFF", -1},
                {"-2147483648", -2147483647 - 1},     {"2147483648", 0},
                {"$100000000", 0},   {"12a", 0},      {"12 ", 0},   {"", 0},
                {"-", 0},            {"$", 0},        {"0x10", 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Input);
        EXPECT_EQ(StrToIntOrZero(QString::fromLatin1(row.Input)), row.Expected);
    }
}

TEST(TextFunctions, SplitFirstSplitsAtTheFirstSeparatorAndTrims)
{
    const char* const rows[][3] = {{" ABCD = Front Desk ", "ABCD", "Front Desk"}, {"a=b=c", "a", "b=c"},
                                   {" no separator ", "no separator", ""}, {"", "", ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        QString text = QString::fromLatin1(row[0]);
        EXPECT_EQ(SplitFirst(text, QLatin1Char('=')), QString::fromLatin1(row[1]));
        EXPECT_EQ(text, QString::fromLatin1(row[2]));
    }
}

TEST(WorkstationFingerprint, DigestIsFixedAndCodeIsLeastSignificantByteFirst)
{
    // Stored in every club's shared file, so the digest must never change between builds.
    EXPECT_EQ(FingerprintDigest({}), 2166136261u);
    const TFingerprintSources base{"id", "host", "", "GenuineCpu", "Model 1", {"uuid-a", "uuid-b"}};
    TFingerprintSources fewerDisks = base;
    fewerDisks.Disks.removeLast();
    EXPECT_NE(FingerprintDigest(fewerDisks), FingerprintDigest(base));
    EXPECT_NE(FingerprintDigest({"ab", "", "", "", "", {}}), FingerprintDigest({"a", "b", "", "", "", {}}));

    SetFingerprintSources([base] { return base; });
    const quint32 value = WorkstationFingerprint();
    const QString code = WorkstationCode();
    SetFingerprintSources({});
    EXPECT_EQ(value, FingerprintDigest(base));
    EXPECT_EQ(code, QStringLiteral("%1").arg(qFromBigEndian(value), 8, 16, QLatin1Char('0')).toUpper());
}

TEST(WorkstationFingerprint, ReadsTheMachineSourcesOfFixedDisksOnly)
{
    QTemporaryDir dir;
    const QString r = dir.path() + QLatin1Char('/');
    EXPECT_EQ(FingerprintDigest(ReadFingerprintSources(r)), FingerprintDigest({})) << "nothing readable";

    WriteFile(r + QStringLiteral("etc/machine-id"), "abc123\n");
    WriteFile(r + QStringLiteral("proc/sys/kernel/hostname"), "desk1\n");
    WriteFile(r + QStringLiteral("proc/sys/kernel/domainname"), "(none)\n");
    WriteFile(r + QStringLiteral("proc/cpuinfo"), "processor\t: 0\nvendor_id\t: GenuineCpu\nmodel name\t: Model 9\n"
                                                  "\nprocessor\t: 1\nvendor_id\t: Other\n");
    // Serials are the fallback when no disk has a UUID.
    WriteFile(r + QStringLiteral("sys/block/vdb/serial"), "SERIAL-B\n");
    WriteFile(r + QStringLiteral("sys/block/vda/serial"), "SERIAL-A\n");
    WriteFile(r + QStringLiteral("sys/block/sr0/serial"), "CDROM\n");
    TFingerprintSources sources = ReadFingerprintSources(r);
    EXPECT_EQ(sources.MachineId + '|' + sources.HostName + '|' + sources.DomainName + '|' + sources.CpuVendor + '|'
                  + sources.CpuModel,
              "abc123|desk1||GenuineCpu|Model 9");
    EXPECT_EQ(sources.Disks, (QList<QByteArray>{"SERIAL-A", "SERIAL-B"}));

    // sda is fixed (its partition sda1 too), sdb removable, loop0 virtual.
    WriteFile(r + QStringLiteral("sys/class/block/sda/removable"), "0\n");
    WriteFile(r + QStringLiteral("sys/class/block/sda/sda1/partition"), "1\n");
    WriteFile(r + QStringLiteral("sys/class/block/sdb/removable"), "1\n");
    QDir().mkpath(r + QStringLiteral("dev/disk/by-uuid"));
    QFile::link(r + QStringLiteral("sys/class/block/sda/sda1"), r + QStringLiteral("sys/class/block/sda1"));
    const char* const links[][2] = {{"2222-fixed", "sda1"}, {"1111-fixed", "sda"}, {"0000-usb", "sdb"},
                                    {"3333-loop", "loop0"}};
    for (const auto& link : links)
        QFile::link(QStringLiteral("../../") + QString::fromLatin1(link[1]),
                    r + QStringLiteral("dev/disk/by-uuid/") + QString::fromLatin1(link[0]));
    EXPECT_EQ(ReadFingerprintSources(r).Disks, (QList<QByteArray>{"1111-fixed", "2222-fixed"}));
}
