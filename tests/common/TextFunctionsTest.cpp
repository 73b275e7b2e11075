#include "TextFunctions.h"
#include "TestFiles.h"
#include "WorkstationFingerprint.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

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

TEST(WorkstationFingerprint, DigestsAreFixedAndCodesAreLeastSignificantByteFirst)
{
    // Both codes are stored in clubs' shared files, so neither digest may ever change between builds.
    const TFingerprintSources machine{.MachineId = "5f0e6c2b9a8d4e1f8b7a6c5d4e3f2a1b", .HostName = "desk1",
                                      .CpuVendor = "GenuineCpu", .CpuModel = "Model 1", .Disks = {"uuid-a", "uuid-b"}};
    EXPECT_EQ(FingerprintDigest({}), 2166136261u);
    EXPECT_EQ(FingerprintDigest(machine), 0x9605A444u);
    EXPECT_EQ(LegacyFingerprintDigest(machine), 0x0C39DEF0u);
    EXPECT_NE(LegacyFingerprintDigest({.MachineId = "ab"}), LegacyFingerprintDigest({.MachineId = "a", .HostName = "b"}));

    SetFingerprintSources([machine] { return machine; });
    const QString code = WorkstationCode();
    const QString legacyCode = LegacyWorkstationCode();
    SetFingerprintSources({});
    const auto hex = [](quint32 value) { return QStringLiteral("%1").arg(qFromBigEndian(value), 8, 16, QLatin1Char('0')).toUpper(); };
    EXPECT_EQ(code, hex(FingerprintDigest(machine)));
    EXPECT_EQ(legacyCode, hex(LegacyFingerprintDigest(machine)));
}

// What made a registered machine a stranger to its own club: a new host name, a partition or USB disk
// that reports itself fixed, a virtual machine moved to another processor.
TEST(WorkstationFingerprint, CodeStaysThroughRenameDisksAndProcessorChanges)
{
    const TFingerprintSources machine{.MachineId = "5f0e6c2b9a8d4e1f8b7a6c5d4e3f2a1b", .HostName = "desk1",
                                      .DomainName = "club.lan", .CpuVendor = "GenuineCpu", .CpuModel = "Model 1",
                                      .Disks = {"uuid-a"}};
    TFingerprintSources renamed = machine;
    renamed.HostName = "front-desk";
    renamed.DomainName.clear();
    TFingerprintSources moreDisks = machine;
    moreDisks.Disks << "uuid-b" << "usb-stick";
    TFingerprintSources otherCpu = machine;
    otherCpu.CpuVendor = "AuthenticOther";
    otherCpu.CpuModel = "Model 2";
    for (const TFingerprintSources& changed : {renamed, moreDisks, otherCpu}) {
        EXPECT_EQ(FingerprintDigest(changed), FingerprintDigest(machine));
        EXPECT_NE(LegacyFingerprintDigest(changed), LegacyFingerprintDigest(machine)); // what earlier releases did
    }
    TFingerprintSources reinstalled = machine;
    reinstalled.MachineId = "0123456789abcdef0123456789abcdef";
    EXPECT_NE(FingerprintDigest(reinstalled), FingerprintDigest(machine));
}

TEST(WorkstationFingerprint, IdentityFallsBackFromMachineIdToDbusFirmwareAndHostName)
{
    const struct
    {
        const char* Case;
        QByteArray MachineId, DbusMachineId, ProductUuid, HostName;
        QByteArray Identity;
    } rows[] = {
        {"machine-id first", "aaaa", "bbbb", "cccc", "desk1", "aaaa"},
        {"D-Bus copy", "", "bbbb", "cccc", "desk1", "bbbb"},
        {"unset machine-id", "uninitialized", "bbbb", "cccc", "desk1", "bbbb"},
        {"firmware", "", "", "4c4c4544-0042-3510", "desk1", "4c4c4544-0042-3510"},
        {"firmware without identity", "", "", "00000000-0000-0000-0000-000000000000", "desk1", "desk1"},
        {"firmware of all ones", "", "", "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF", "desk1", "desk1"},
        {"host name last", "", "uninitialized", "", "desk1", "desk1"},
        {"nothing", "", "", "", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Case);
        TFingerprintSources sources;
        sources.MachineId = row.MachineId;
        sources.DbusMachineId = row.DbusMachineId;
        sources.ProductUuid = row.ProductUuid;
        sources.HostName = row.HostName;
        EXPECT_EQ(MachineIdentity(sources), row.Identity);
    }
    // The D-Bus copy of the same identity gives the same code.
    TFingerprintSources etc, dbus;
    etc.MachineId = dbus.DbusMachineId = "5f0e6c2b9a8d4e1f8b7a6c5d4e3f2a1b";
    EXPECT_EQ(FingerprintDigest(etc), FingerprintDigest(dbus));
}

TEST(WorkstationFingerprint, ReadsTheMachineSourcesOfFixedDisksOnly)
{
    QTemporaryDir dir;
    const QString r = dir.path() + QLatin1Char('/');
    EXPECT_EQ(FingerprintDigest(ReadFingerprintSources(r)), FingerprintDigest({})) << "nothing readable";

    WriteFile(r + QStringLiteral("etc/machine-id"), "abc123\n");
    WriteFile(r + QStringLiteral("var/lib/dbus/machine-id"), "def456\n");
    WriteFile(r + QStringLiteral("sys/class/dmi/id/product_uuid"), "4c4c4544-0042\n");
    WriteFile(r + QStringLiteral("proc/sys/kernel/hostname"), "desk1\n");
    WriteFile(r + QStringLiteral("proc/sys/kernel/domainname"), "(none)\n");
    WriteFile(r + QStringLiteral("proc/cpuinfo"), "processor\t: 0\nvendor_id\t: GenuineCpu\nmodel name\t: Model 9\n"
                                                  "\nprocessor\t: 1\nvendor_id\t: Other\n");
    // Serials are the fallback when no disk has a UUID.
    WriteFile(r + QStringLiteral("sys/block/vdb/serial"), "SERIAL-B\n");
    WriteFile(r + QStringLiteral("sys/block/vda/serial"), "SERIAL-A\n");
    WriteFile(r + QStringLiteral("sys/block/sr0/serial"), "CDROM\n");
    TFingerprintSources sources = ReadFingerprintSources(r);
    EXPECT_EQ(sources.MachineId + '|' + sources.DbusMachineId + '|' + sources.ProductUuid + '|' + sources.HostName + '|'
                  + sources.DomainName + '|' + sources.CpuVendor + '|' + sources.CpuModel,
              "abc123|def456|4c4c4544-0042|desk1||GenuineCpu|Model 9");
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

TEST(TextFunctions, EscapeControlCharactersKeepsTextOnOneLine)
{
    const struct
    {
        QString Text;
        QString Escaped;
    } rows[] = {
        {QStringLiteral("3/15/2010"), QStringLiteral("3/15/2010")},
        {QStringLiteral("3/15\n2010"), QStringLiteral("3/15\\n2010")},
        {QStringLiteral("a\tb\r\n"), QStringLiteral("a\\tb\\r\\n")},
        {QStringLiteral("\x1b[31mred"), QStringLiteral("\\x1B[31mred")},
        {QString(QChar(0x85)) + QStringLiteral("é"), QStringLiteral("\\x85é")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Escaped.toStdString());
        EXPECT_EQ(EscapeControlCharacters(row.Text), row.Escaped);
    }
}
