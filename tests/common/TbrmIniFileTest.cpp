#include "EInvalidAlias.h"
#include "EInvalidPath.h"
#include "EProgramTerminated.h"
#include "TIniDocument.h"
#include "TSession.h"
#include "TTestClub.h"
#include "TbrmIniFile.h"
#include "TextFunctions.h"
#include "WorkstationFingerprint.h"

#include <QCoreApplication>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

// A shared file as another program of the suite left it: comments, odd spacing, blank lines.
const QByteArray SharedFile = "; Club settings\r\n[General]\r\nClubName = Riverside Fitness\r\nUnknownKey=stored\r\n\r\n"
                              "[WorkStations]\r\n0000AAAA=Back_Office\r\n\r\n[SINGLESITEBILLING]\r\nAnything=1\r\n";

QByteArray Registered(const char* name)
{
    return "[WorkStations]\r\n" + WorkstationCode().toLatin1() + "=" + name + "\r\n";
}

} // namespace

TEST(TbrmIniFile, FindsConfigBesideTheDataFolder)
{
    const char* const rows[][2] = {{"Club/Data", "Club/Config/"}, {"Club/Data/", "Club/Data/Config/"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        TTestClub club(QString::fromLatin1(row[0]));
        club.WriteConfig(QStringLiteral("VKD.INI"), Registered("Desk"));
        const TbrmIniFile ini;
        EXPECT_EQ(ini.ConfigFolder, club.Root() + QString::fromLatin1(row[1]));
        EXPECT_EQ(ini.SharedFileName, ini.ConfigFolder + QStringLiteral("VKD.INI"));
    }
}

TEST(TbrmIniFile, RefusesAMissingAliasOrConfigFolder)
{
    {
        TTestClub club(QStringLiteral("Data"), false);
        try {
            TbrmIniFile ini;
            ADD_FAILURE() << "no error";
        } catch (const EInvalidPath& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Path to configuration files \"%1\" does not exist.")
                                       .arg(club.ConfigFolder()));
        }
    }
    TTestClub club;
    QFile aliases(club.AliasFile());
    ASSERT_TRUE(aliases.open(QIODevice::WriteOnly));
    aliases.write("[Other]\nPATH=/tmp\n");
    aliases.close();
    try {
        TbrmIniFile ini;
        ADD_FAILURE() << "no error";
    } catch (const EInvalidAlias& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Dorvex Alias Brelmdata does not exist."));
    }
}

TEST(TbrmIniFile, StoredWorkstationStartsWithoutADialog)
{
    TTestClub club;
    club.WriteConfig(QStringLiteral("VKD.INI"), Registered("Front Desk"));
    club.WriteConfig(QStringLiteral("Front Desk.INI"), "[General]\nSoundOn=0\n");
    const TbrmIniFile ini;
    EXPECT_TRUE(club.Prompt.InputCalls.isEmpty());
    EXPECT_EQ(ini.WorkstationFileName, club.ConfigFolder() + QStringLiteral("Front Desk.INI"));
    EXPECT_EQ(ini.ReadValue(QStringLiteral("General"), QStringLiteral("SoundOn")), QStringLiteral("0"));
}

TEST(TbrmIniFile, RegistersAFreeSafeNameChangingOnlyItsOwnLine)
{
    TTestClub club;
    club.WriteConfig(QStringLiteral("VKD.INI"), SharedFile);
    club.Prompt.InputAnswers = {{true, QStringLiteral("   ")}, {true, QStringLiteral("BACK OFFICE")},
                                {true, QStringLiteral("Front Desk/2")}};

    const TbrmIniFile ini;

    ASSERT_EQ(club.Prompt.InputCalls.size(), 3); // blanks and a name in use ask again, empty
    for (const TScriptedPrompt::TInputCall& call : club.Prompt.InputCalls) {
        EXPECT_EQ(call.Caption, QStringLiteral("WorkStation Name"));
        EXPECT_EQ(call.Prompt, QStringLiteral("Enter a name for your workstation"));
        EXPECT_EQ(call.Initial, QString());
    }
    EXPECT_EQ(club.Prompt.Warnings, QStringList{QStringLiteral("This workstation name is already in use.")});
    EXPECT_EQ(ini.WorkstationFileName, club.ConfigFolder() + QStringLiteral("Front_Desk_2.INI"));
    QByteArray expected = SharedFile;
    expected.replace("Back_Office\r\n", "Back_Office\r\n" + WorkstationCode().toLatin1() + "=Front_Desk_2\r\n");
    EXPECT_EQ(club.ReadConfig(QStringLiteral("VKD.INI")), expected);
}

TEST(TbrmIniFile, RefusesNamesTheSharedFileOrAFileNameCannotCarryAndAsksAgain)
{
    TTestClub club;
    club.WriteConfig(QStringLiteral("VKD.INI"), SharedFile);
    club.Prompt.InputAnswers = {{true, QStringLiteral("Рабочее место")}, {true, QStringLiteral("Стойка")},
                                {true, QStringLiteral("Desk|1")},        {true, QStringLiteral("Desk\t1")},
                                {true, QString(260, QLatin1Char('x'))},  {true, QStringLiteral("Café 1")}};

    const TbrmIniFile ini;

    EXPECT_EQ(club.Prompt.InputCalls.size(), 6);
    for (const TScriptedPrompt::TInputCall& call : club.Prompt.InputCalls)
        EXPECT_EQ(call.Initial, QString());
    EXPECT_EQ(club.Prompt.Warnings,
              (QStringList{QStringLiteral("This workstation name has a character that the shared configuration file cannot hold: \"Р\"."),
                           QStringLiteral("This workstation name has a character that the shared configuration file cannot hold: \"С\"."),
                           QStringLiteral("This workstation name has a character that a file name cannot carry: \"|\"."),
                           QStringLiteral("This workstation name has a character that a file name cannot carry: \"\\t\"."),
                           QStringLiteral("This workstation name is too long for a file name.")}));
    // A name of code page 1252 is stored in it and names its file as typed.
    EXPECT_EQ(ini.WorkstationFileName, club.ConfigFolder() + QStringLiteral("Café_1.INI"));
    EXPECT_TRUE(club.ReadConfig(QStringLiteral("VKD.INI")).contains(WorkstationCode().toLatin1() + "=Caf\xE9_1\r\n"));
    EXPECT_EQ(club.ReadConfig(QStringLiteral("VKD.INI")).count('?'), 0);
}

// A name whose file would be another file of the configuration folder, or no file of its own on a
// Windows share, is refused with the reason, and the dialog asks again.
TEST(TbrmIniFile, RefusesNamesThatAreNotFreeAsFiles)
{
    TTestClub club;
    club.WriteConfig(QStringLiteral("VKD.INI"), SharedFile);
    club.WriteConfig(QStringLiteral("MANAGER.INI"), "[General]\nSoundOn=0\n"); // a user's file
    const struct
    {
        const char* Name;
        const char* Warning;
    } rows[] = {
        {"VKD", "This workstation name is the name of the shared configuration file: \"VKD\"."},
        {"vkd", "This workstation name is the name of the shared configuration file: \"vkd\"."},
        {"manager", "This workstation name is taken by the configuration file \"MANAGER.INI\"."},
        {".", "This workstation name is not a file name: \".\"."},
        {"..", "This workstation name is not a file name: \"..\"."},
        {"CON", "This workstation name is a device name that Windows reserves: \"CON\"."},
        {"nul", "This workstation name is a device name that Windows reserves: \"nul\"."},
        {"Com1", "This workstation name is a device name that Windows reserves: \"Com1\"."},
        {"LPT9.desk", "This workstation name is a device name that Windows reserves: \"LPT9.desk\"."},
    };
    QStringList expected;
    for (const auto& row : rows) {
        club.Prompt.InputAnswers.append({true, QString::fromLatin1(row.Name)});
        expected << QString::fromLatin1(row.Warning);
    }
    club.Prompt.InputAnswers.append({true, QStringLiteral("Console")}); // near a device name, but free
    const QByteArray manager = club.ReadConfig(QStringLiteral("MANAGER.INI"));

    const TbrmIniFile ini;

    EXPECT_EQ(club.Prompt.Warnings, expected);
    EXPECT_EQ(ini.WorkstationFileName, club.ConfigFolder() + QStringLiteral("Console.INI"));
    EXPECT_EQ(club.ReadConfig(QStringLiteral("MANAGER.INI")), manager);
}

// Earlier releases keyed the workstation by a digest of host name, processor and disks.
TEST(TbrmIniFile, AnUpgradedWorkstationKeepsItsNameWithoutBeingAsked)
{
    TTestClub club;
    TFingerprintSources machine{.MachineId = "5f0e6c2b9a8d4e1f8b7a6c5d4e3f2a1b", .HostName = "desk1",
                                .CpuVendor = "GenuineCpu", .CpuModel = "Model 1", .Disks = {"uuid-a"}};
    SetFingerprintSources([&machine] { return machine; });
    const QByteArray legacyLine = LegacyWorkstationCode().toLatin1() + "=Front_Desk\r\n";
    ASSERT_NE(LegacyWorkstationCode(), WorkstationCode());
    QByteArray shared = SharedFile;
    club.WriteConfig(QStringLiteral("VKD.INI"), shared.replace("Back_Office\r\n", "Back_Office\r\n" + legacyLine));

    EXPECT_EQ(TbrmIniFile().WorkstationFileName, club.ConfigFolder() + QStringLiteral("Front_Desk.INI"));
    // The old line stays for older programs of the suite on this computer.
    shared.replace(legacyLine, legacyLine + WorkstationCode().toLatin1() + "=Front_Desk\r\n");
    EXPECT_EQ(club.ReadConfig(QStringLiteral("VKD.INI")), shared);

    // Renamed and given a new disk afterwards, it is still the same workstation.
    machine.HostName = "front-desk";
    machine.Disks << "usb-disk";
    EXPECT_EQ(TbrmIniFile().WorkstationFileName, club.ConfigFolder() + QStringLiteral("Front_Desk.INI"));
    EXPECT_EQ(club.ReadConfig(QStringLiteral("VKD.INI")), shared);
    EXPECT_TRUE(club.Prompt.InputCalls.isEmpty());
    EXPECT_TRUE(club.Prompt.Warnings.isEmpty());
}

// A lock file left by a workstation that crashed while writing the shared file.
TEST(TbrmIniFile, AnAbandonedLockDelaysRegistrationButDoesNotFailIt)
{
    EXPECT_GT(TIniDocument::LockWaitMsecs(), TIniDocument::DefaultStaleLockMsecs);
    TTestClub club;
    club.WriteConfig(QStringLiteral("VKD.INI"), SharedFile);
    club.WriteConfig(QStringLiteral("VKD.INI.lock"), "4242\nactivityrep\nback-office\n");
    TIniDocument::SetStaleLockTime(1000);
    club.Prompt.InputAnswers = {{true, QStringLiteral("Desk")}};
    try {
        EXPECT_EQ(TbrmIniFile().WorkstationFileName, club.ConfigFolder() + QStringLiteral("Desk.INI"));
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
    TIniDocument::SetStaleLockTime(0);
    EXPECT_TRUE(club.ReadConfig(QStringLiteral("VKD.INI")).contains("=Desk\r\n"));
    EXPECT_FALSE(QFile::exists(club.ConfigFolder() + QStringLiteral("VKD.INI.lock")));
}

TEST(TbrmIniFile, CancellingRegistrationWarnsAndEndsTheProgram)
{
    TTestClub club;
    club.WriteConfig(QStringLiteral("VKD.INI"), SharedFile);
    EXPECT_THROW(TbrmIniFile(), EProgramTerminated); // the scripted prompt cancels
    EXPECT_EQ(club.TerminateRequests, 1);
    EXPECT_EQ(club.Prompt.Warnings,
              QStringList{QStringLiteral("This application cannot run without a unique work station name.")});
    EXPECT_EQ(club.ReadConfig(QStringLiteral("VKD.INI")), SharedFile);
}

TEST(TbrmIniFile, ReadValueWalksTheScopesOfTheCatalogue)
{
    TTestClub club;
    club.WriteConfig(QStringLiteral("VKD.INI"), Registered("Desk") + SharedFile);
    club.WriteConfig(QStringLiteral("Desk.INI"), "[General]\r\nSoundOn=ws\r\nBackupData=/ws/data\r\n");
    club.WriteConfig(QStringLiteral("ANN.INI"), "[General]\r\nSoundOn=\r\nMaxBatchTrans=5\r\nShowHints=0\r\n"
                                                "[SalesAndMarketing]\r\nMRU1=Lead 7\r\n[SINGLESITEBILLING]\r\nAnything=2\r\n");
    TbrmIniFile ini;
    ini.SetUser(QStringLiteral("ANN"));
    EXPECT_EQ(ini.UserFileName, club.ConfigFolder() + QStringLiteral("ANN.INI"));
    const struct
    {
        const char* Section;
        const char* Key;
        const char* WithUser;
        const char* AfterClearUser;
    } rows[] = {
        {"General", "SoundOn", "ws", "ws"},             // UWS: an empty user value does not mask
        {"General", "MaxBatchTrans", "100", "100"},     // WS: the user file is not read
        {"General", "BackupData", "/ws/data", "/ws/data"},
        {"General", "ShowHints", "0", "1"},             // US: falls back to the default
        {"SalesAndMarketing", "MRU1", "Lead 7", ""},    // U only
        {"General", "clubname", "Riverside Fitness", "Riverside Fitness"},
        {"general", "ClubName", "", ""},                // section names compare exactly
        {"General", "UnknownKey", "", ""},              // not catalogued
        {"SINGLESITEBILLING", "Anything", "", ""},
    };
    for (const bool cleared : {false, true}) {
        if (cleared)
            ini.ClearUser();
        for (const auto& row : rows) {
            SCOPED_TRACE(QStringLiteral("%1 %2 %3").arg(QLatin1String(row.Section), QLatin1String(row.Key)).arg(cleared).toStdString());
            EXPECT_EQ(ini.ReadValue(QString::fromLatin1(row.Section), QString::fromLatin1(row.Key)),
                      QString::fromLatin1(cleared ? row.AfterClearUser : row.WithUser));
        }
    }
    EXPECT_TRUE(ini.UserFileName.isEmpty());
    EXPECT_EQ(ini.ValuesOf(QStringLiteral("General"), QStringLiteral("s")), nullptr);
    EXPECT_EQ(ini.ScopesOf(QStringLiteral("General"), QStringLiteral("SOUNDON")), QStringLiteral("UWS"));
}

TEST(TbrmIniFile, EmptyFilesGiveTheDefaults)
{
    TTestClub club;
    club.WriteConfig(QStringLiteral("VKD.INI"), Registered("Desk"));
    EXPECT_FALSE(SuiteIniExists());
    const TbrmIniFile& ini = SuiteIni();
    EXPECT_EQ(&SuiteIni(), &ini);
    const QString programFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    const QString rows[][3] = {
        {QStringLiteral("General"), QStringLiteral("ClubName"), {}},
        {QStringLiteral("General"), QStringLiteral("SoundOn"), QStringLiteral("1")},
        {QStringLiteral("General"), QStringLiteral("MaxBatchTrans"), QStringLiteral("100")},
        {QStringLiteral("General"), QStringLiteral("ProcessOption"), {}},
        {QStringLiteral("General"), QStringLiteral("BackupLocation"), programFolder + QStringLiteral("Backup")},
        {QStringLiteral("General"), QStringLiteral("AVIFilePath"), programFolder + QStringLiteral("AVI")},
        {QStringLiteral("MemberManagement"), QStringLiteral("SoundAutoBirthday"), QStringLiteral("Sounds\\Birthday.Wav")},
        {QStringLiteral("Setup"), QStringLiteral("MenuList"), {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row[1].toStdString());
        EXPECT_EQ(ini.ReadValue(row[0], row[1]), row[2]);
    }
    for (const char* section : {"SalesAndMarketing", "Shell", "MemberManagement"})
        EXPECT_TRUE(ini.ReadValue(QString::fromLatin1(section), QStringLiteral("MenuList")).contains(QLatin1String(".exe,&")));
}

// Run by the test below in two child processes at once: registers workstations PREFIX-0.. in turn.
TEST(TbrmIniFileChild, DISABLED_RegistersWorkstations)
{
    const QString prefix = qEnvironmentVariable("COMM_REGISTER_PREFIX");
    TSession::Instance().SetAliasFile(qEnvironmentVariable("COMM_REGISTER_ALIASES"));
    TScriptedPrompt prompt;
    SetPrompt(&prompt);
    for (int i = 0; i < 15; ++i) {
        const QString name = QStringLiteral("%1-%2").arg(prefix).arg(i);
        TTestClub::SetMachine(name.toLatin1());
        prompt.InputAnswers = {{true, name}};
        EXPECT_EQ(TbrmIniFile().WorkstationFileName.section(QLatin1Char('/'), -1), name + QStringLiteral(".INI"));
    }
    EXPECT_TRUE(prompt.Warnings.isEmpty());
    SetPrompt(nullptr);
}

TEST(TbrmIniFile, TwoProcessesRegisteringAtOnceBothKeepTheirEntries)
{
    TTestClub club;
    club.WriteConfig(QStringLiteral("VKD.INI"), SharedFile);
    QProcess children[2];
    const char* const prefixes[] = {"east", "west"};
    for (int i = 0; i < 2; ++i) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("COMM_REGISTER_PREFIX"), QString::fromLatin1(prefixes[i]));
        env.insert(QStringLiteral("COMM_REGISTER_ALIASES"), club.AliasFile());
        children[i].setProcessEnvironment(env);
        children[i].setProcessChannelMode(QProcess::MergedChannels);
        children[i].start(QCoreApplication::applicationFilePath(),
                          {QStringLiteral("--gtest_filter=TbrmIniFileChild.*"), QStringLiteral("--gtest_also_run_disabled_tests")});
    }
    for (QProcess& child : children) {
        EXPECT_TRUE(child.waitForFinished(120000));
        EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
    }

    const QString entries = TIniDocument::Load(club.ConfigFolder() + QStringLiteral("VKD.INI"))
                                .SectionLines(QStringLiteral("WorkStations")).join(QLatin1Char('\n'));
    EXPECT_EQ(entries.count(QLatin1Char('\n')) + 1, 31);
    for (const char* prefix : prefixes) {
        for (int i = 0; i < 15; ++i)
            EXPECT_TRUE(entries.contains(QStringLiteral("=%1-%2").arg(QString::fromLatin1(prefix)).arg(i)));
    }
    const QByteArray after = club.ReadConfig(QStringLiteral("VKD.INI"));
    EXPECT_TRUE(after.startsWith(SharedFile.left(SharedFile.indexOf("\r\n\r\n[SINGLE"))));
    EXPECT_TRUE(after.endsWith("\r\n\r\n[SINGLESITEBILLING]\r\nAnything=1\r\n"));
}
