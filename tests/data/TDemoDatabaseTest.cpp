#include "EDatabaseError.h"
#include "TestFiles.h"
#include "TDemoDatabase.h"
#include "TQuery.h"
#include "TSession.h"
#include "TTable.h"
#include <QRegularExpression>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
class TDemo : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        TSession::Instance().Reset();
    }
    void TearDown() override { TSession::Instance().Reset(); }

    QString Make(const QString& name, quint32 seed = 1, int enrolments = 400)
    {
        TDemoOptions options;
        options.Folder = m_dir.filePath(name);
        options.Seed = seed;
        options.Enrolments = enrolments;
        options.Today = QDate(2010, 3, 15);
        return CreateDemoDatabase(options);
    }

    // Every row of the club tables as text, in a fixed order.
    QStringList Content(const QString& aliasFile)
    {
        TSession::Instance().Reset();
        TSession::Instance().SetAliasFile(aliasFile);
        QStringList rows;
        for (const char* sql : {"select * from lead order by leadno", "select * from ckprof", "select * from ckacts order by id",
                                "select * from subcat order by id", "select * from User.DB order by ID", "select * from Security"}) {
            TQuery query;
            query.SQL() << QString::fromLatin1(sql);
            query.Open();
            for (; !query.Eof(); query.Next()) {
                QStringList fields;
                for (int i = 0; i < query.Fields().size(); ++i)
                    fields << query.FieldValue(i).toString();
                rows << fields.join(QLatin1Char('|'));
            }
        }
        return rows;
    }

    int Count(const QString& sql)
    {
        TQuery query;
        query.SQL() << sql;
        query.Open();
        return query.FieldValue(0).toInt();
    }

    QTemporaryDir m_dir;
};
} // namespace

TEST_F(TDemo, WritesDatabaseAliasFileAndConfiguration)
{
    const QString aliasFile = Make(QStringLiteral("club"));
    const QString folder = QDir(m_dir.filePath(QStringLiteral("club"))).absolutePath();
    EXPECT_EQ(aliasFile, folder + QStringLiteral("/aliases.ini"));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/Config/VKD.INI")), QByteArray("[General]\nClubName=Riverside Athletic Club\n"));
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/Data/club.db")));

    TSession::Instance().SetAliasFile(aliasFile);
    EXPECT_EQ(TSession::Instance().AliasParam(QStringLiteral("Brelmdata"), QStringLiteral("PATH")), folder + QStringLiteral("/Data"));
    EXPECT_EQ(Count(QStringLiteral("select count(*) from ckprof")), 400);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from ckacts")), 12);
}

TEST_F(TDemo, SameSeedSameClubOtherSeedOtherClub)
{
    const QStringList first = Content(Make(QStringLiteral("a"), 7));
    const QStringList second = Content(Make(QStringLiteral("b"), 7));
    const QStringList other = Content(Make(QStringLiteral("c"), 8));
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);
}

TEST_F(TDemo, UsersAndRightsServeTheStartUpGate)
{
    TSession::Instance().SetAliasFile(Make(QStringLiteral("club")));
    TTable users(QStringLiteral("Brelmdata"), QStringLiteral("User.DB"));
    users.SetIndexFieldNames(QStringLiteral("ID"));
    users.Open();
    EXPECT_EQ(users.RecordCount(), 4);
    EXPECT_FALSE(users.FindKey({0}));
    struct
    {
        int ID;
        const char* EmpID;
        const char* Password;
        int Level;
        bool Active;
    } rows[] = {{1, "MANAGER", "secret", 9, true}, {2, "CLERK", "clerk", 1, true}, {3, "Demo", "", 5, true}, {4, "FORMER", "old", 9, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.EmpID);
        ASSERT_TRUE(users.FindKey({row.ID}));
        EXPECT_EQ(users.FieldAsString(QStringLiteral("EmpID")), QString::fromLatin1(row.EmpID));
        EXPECT_EQ(users.FieldAsString(QStringLiteral("Password")), QString::fromLatin1(row.Password));
        EXPECT_EQ(users.FieldAsInteger(QStringLiteral("Level1")), row.Level);
        EXPECT_EQ(users.FieldAsBoolean(QStringLiteral("EmpActive")), row.Active);
    }
    ASSERT_TRUE(users.FindKey({1}));
    EXPECT_EQ(users.FieldAsString(QStringLiteral("FirstName")) + QLatin1Char(' ') + users.FieldAsString(QStringLiteral("LastName")),
              QStringLiteral("Maria Lopez"));

    TQuery rights;
    rights.SQL() << QStringLiteral("select Level1, Level2, Level3 from Security where Keyword = 'GReports Club Level'");
    rights.Open();
    ASSERT_FALSE(rights.Eof());
    EXPECT_EQ(rights.FieldAsInteger(QStringLiteral("Level1")), 5);
    EXPECT_EQ(rights.FieldAsInteger(QStringLiteral("Level3")), 5);
}

TEST_F(TDemo, EnrolmentsFitTheReportAroundTheReferenceDate)
{
    TSession::Instance().SetAliasFile(Make(QStringLiteral("club")));
    struct
    {
        const char* Condition;
    } nonEmpty[] = {
        {"(p.'end' > '03/15/2010' or (p.'end' is null and countdown > 0))"},   // active
        {"start >= '3/1/2010' and start <= '3/31/2010'"},                     // starting this month
        {"p.'end' >= '3/1/2010' and p.'end' <= '3/31/2010'"},                 // ending this month
        {"p.'end' is null"},
        {"countdown < 0"}, {"countdown = 0"}, {"countdown = 1"}, {"countdown = 2"},
        {"countrequired = True"}, {"countrequired = False"},
        {"l.memberno > 0"}, {"l.memberno = 0"},
    };
    for (const auto& row : nonEmpty) {
        SCOPED_TRACE(row.Condition);
        EXPECT_GT(Count(QStringLiteral("select count(*) from lead l join ckprof p on p.leadid = l.leadno where ") + QString::fromLatin1(row.Condition)), 0);
    }
    EXPECT_EQ(Count(QStringLiteral("select count(*) from ckprof where countdown < -3 or countdown > 20")), 0);
    // some people take several activities
    EXPECT_GT(Count(QStringLiteral("select count(*) from (select leadid from ckprof group by leadid having count(*) > 1)")), 0);
    TQuery phone;
    phone.SQL() << QStringLiteral("select homephone from lead where leadno = 1");
    phone.Open();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\(555\\) \\d{3}-\\d{4}$")).match(phone.FieldAsString(QStringLiteral("homephone"))).hasMatch());
}

TEST_F(TDemo, RefusesAFolderWithOtherFiles)
{
    const QString folder = m_dir.filePath(QStringLiteral("mine"));
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep");
    file.close();
    EXPECT_THROW(Make(QStringLiteral("mine")), EDatabaseError);
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({QStringLiteral("notes.txt")}));
}

TEST_F(TDemo, RemakingADemoKeepsFilesItDidNotWrite)
{
    Make(QStringLiteral("club"), 1, 50);
    const QString workstation = m_dir.filePath(QStringLiteral("club/Config/WS1.INI"));
    QFile file(workstation);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\n");
    file.close();
    TSession::Instance().SetAliasFile(Make(QStringLiteral("club"), 2, 60));
    EXPECT_TRUE(QFile::exists(workstation));
    EXPECT_EQ(Count(QStringLiteral("select count(*) from ckprof")), 60);
}
