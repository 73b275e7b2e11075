// The club database on a PostgreSQL server: the application's statements give the same rows as on the
// SQLite file, tables and transactions work there, and the demo generator fills a server with the same
// club. Every test here needs the test server and
// skips, saying why, without it.
#include "EDatabaseError.h"
#include "TStatementLines.h"
#include "TDemoDatabase.h"
#include "TQuery.h"
#include "TSession.h"
#include "TTable.h"
#include "TTestServer.h"
#include "TTransaction.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace {
// The field names (in lower case: the server folds them), then every row as "type:value|...", with the
// values as the layer delivers them.
QStringList ResultRows(const QStringList& sql, const QList<TFieldDef>& fields = {})
{
    TQuery query;
    query.SQL() = sql;
    query.SetFieldDefs(fields);
    query.Open();
    QStringList names;
    for (const TFieldDef& field : query.Fields())
        names << field.Name.toLower();
    QStringList rows = {names.join(QLatin1Char('|'))};
    for (; !query.Eof(); query.Next()) {
        QStringList values;
        for (int i = 0; i < query.Fields().size(); ++i) {
            const QVariant value = query.FieldValue(i);
            values << (value.isNull() ? QStringLiteral("<null>") : QStringLiteral("%1:%2").arg(QString::fromLatin1(value.typeName()), value.toString()));
        }
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

class TPostgresClub : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_TEST_SERVER();
        ASSERT_TRUE(m_dir.isValid());
        TSession::Instance().Reset();
        m_server = TTestServer::NewDatabase();
        m_haveDatabase = true;
        m_serverAliases = CreateClubDatabase(m_dir.filePath(QStringLiteral("server")), m_server);
        m_sqliteAliases = CreateClubDatabase(m_dir.filePath(QStringLiteral("file")));
        for (const QString& aliases : {m_serverAliases, m_sqliteAliases}) {
            TSession::Instance().SetAliasFile(aliases);
            for (const QString& sql : SmallClubRows())
                Exec(sql);
        }
        UseServer();
    }

    void TearDown() override
    {
        TSession::Instance().Reset();
        if (m_haveDatabase)
            TTestServer::DropDatabase(m_server);
    }

    void UseServer() { TSession::Instance().SetAliasFile(m_serverAliases); }
    void UseSqlite() { TSession::Instance().SetAliasFile(m_sqliteAliases); }

    // Behind the layer's back, in the engine's own SQL.
    void Exec(const QString& sql)
    {
        QSqlQuery query(TSession::Instance().Database(QStringLiteral("Brelmdata")));
        ASSERT_TRUE(query.exec(sql)) << qPrintable(sql) << ": " << qPrintable(query.lastError().text());
    }

    // The same statement through the layer on both engines.
    void ExpectSameRows(const QStringList& sql, const QList<TFieldDef>& fields = {})
    {
        UseSqlite();
        const QStringList expected = ResultRows(sql, fields);
        UseServer();
        EXPECT_EQ(ResultRows(sql, fields), expected) << qPrintable(sql.join(QLatin1Char('\n')));
    }

    QTemporaryDir m_dir;
    TDemoServer m_server;
    bool m_haveDatabase = false;
    QString m_serverAliases;
    QString m_sqliteAliases;
};

const QList<TFieldDef> ReportFields = {
    {QStringLiteral("memberno"), ftInteger, 0},   {QStringLiteral("fullname"), ftString, 37},
    {QStringLiteral("start"), ftDate, 0},         {QStringLiteral("end"), ftDate, 0},
    {QStringLiteral("countdown"), ftSmallint, 0}, {QStringLiteral("description"), ftString, 30},
    {QStringLiteral("homephone"), ftString, 14},  {QStringLiteral("subcatdesc"), ftString, 20},
    {QStringLiteral("pymtrate"), ftCurrency, 0},
};
} // namespace

TEST_F(TPostgresClub, ReportStatementsGiveTheSameRowsAsOnTheFile)
{
    UseServer();
    TQuery example;
    example.SQL() = ReportStatement(0, QStringLiteral("3,5"), 1, {}, {});
    example.Open();
    QStringList names;
    for (; !example.Eof(); example.Next())
        names << example.FieldAsString(QStringLiteral("Description")) + QStringLiteral(" / ") + example.FieldAsString(QStringLiteral("FullName"));
    EXPECT_EQ(names, QStringList({QStringLiteral("Karate / Adams, Amy"), QStringLiteral("Karate / Davis, Dan"),
                                  QStringLiteral("Karate / Evans, Eve"), QStringLiteral("Yoga / Adams, Amy"),
                                  QStringLiteral("Yoga / Baker, Bob")}));
    example.Close();

    for (int option = 0; option < 8; ++option) {
        for (const QString& ids : {QString(), QStringLiteral("3,5"), QStringLiteral("7")}) {
            for (int member = -1; member <= 2; ++member) {
                SCOPED_TRACE(QStringLiteral("option %1, activities '%2', member %3").arg(option).arg(ids).arg(member).toStdString());
                const bool padded = member % 2 == 0;
                const QString sdate = padded ? QStringLiteral("03/01/2010") : QStringLiteral("3/1/2010");
                const QString edate = padded ? QStringLiteral("03/31/2010") : QStringLiteral("3/31/2010");
                ExpectSameRows(ReportStatement(option, ids, member, sdate, edate), ReportFields);
                ExpectSameRows(ReportStatement(option, ids, member, sdate, edate)); // result names as the server gives them
            }
        }
    }
}

TEST_F(TPostgresClub, DialectFeaturesMeanTheSameOnTheServer)
{
    const char* const statements[] = {
        // reserved-word fields, quoted either way
        "select p.'end', p.\"end\" from ckprof p where p.'end' is not null order by p.'end', leadid",
        // + joins text but adds numbers
        "select lastname + ', ' + firstname as name, leadno + 1 as nextno from lead order by leadno",
        // month/day/year literals against dates, in all the ways they are written
        "select leadid from ckprof where start >= '3/1/2010' and start <= '03-31-2010' order by leadid, activityid",
        "select leadid from ckprof where start between '01/01/2010' and '2/28/2010' order by leadid, activityid",
        // logical fields
        "select count(*) as n from ckprof where countrequired = True",
        "select count(*) as n from ckprof where countrequired = False and countdown > 0",
        // an unqualified column of two joined tables comes from the first
        "select description, s.description as sub from lead l join subcat s on s.id = l.subcategory "
        "join ckprof p on p.leadid = l.leadno join ckacts a on a.id = p.activityid order by description, sub, leadno",
        // distinct, max and a cast
        "select distinct(activityid), Cast(7 as Integer) as seven from ckprof order by activityid",
        "select max(countdown) as top, min(start) as first from ckprof",
        // the order clause names an alias in another letter case
        "select lastname as Surname from lead order by SURNAME desc",
        "select firstname as \"First Name\" from lead order by \"first name\"",
        // table names with the extension and in any case
        "select Description from CKACTS.DB order by ID",
    };
    for (const char* sql : statements) {
        SCOPED_TRACE(sql);
        ExpectSameRows({QString::fromLatin1(sql)});
    }
}

TEST_F(TPostgresClub, NamedParametersTakeTextDatesAndBooleans)
{
    for (int engine = 0; engine < 2; ++engine) {
        SCOPED_TRACE(engine == 0 ? "server" : "file");
        engine == 0 ? UseServer() : UseSqlite();
        TQuery insert;
        insert.SQL() << QStringLiteral("insert into ckprof (leadid, activityid, start, ckprof.'end', countdown, pymtrate, countrequired)")
                     << QStringLiteral("values (:Lead, 9, :PStart, :pEnd, 1, 12.5, :pRequired)");
        insert.Prepare();
        insert.SetParam(QStringLiteral("lead"), 6);
        insert.SetParam(QStringLiteral("pstart"), QDate(2011, 2, 3));
        insert.SetParam(QStringLiteral("pend"), QStringLiteral("12/31/2011"));
        insert.SetParam(QStringLiteral("prequired"), true);
        insert.ExecSQL();

        TQuery query;
        query.SQL() << QStringLiteral("select start, p.'end', countrequired from ckprof p where activityid = 9 and start = :pDay");
        query.SetParam(QStringLiteral("pday"), QDateTime(QDate(2011, 2, 3), QTime(0, 0)));
        query.Open();
        ASSERT_FALSE(query.Eof());
        EXPECT_EQ(query.FieldValue(QStringLiteral("start")).toDate(), QDate(2011, 2, 3));
        EXPECT_EQ(query.FieldValue(QStringLiteral("end")).toDate(), QDate(2011, 12, 31));
        EXPECT_TRUE(query.FieldAsBoolean(QStringLiteral("countrequired")));
        query.Close();

        // a typed date that is no date never reaches the engine
        query.SQL().clear();
        query.SQL() << QStringLiteral("select leadid from ckprof where start >= '13/45/2010'");
        try {
            query.Open();
            ADD_FAILURE() << "an invalid date was accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Context(), QStringLiteral("Invalid date in statement"));
        }
    }
}

TEST_F(TPostgresClub, CreateGroupStoresTheSameGroupsAsOnTheFile)
{
    const QDateTime now(QDate(2010, 3, 15), QTime(14, 30, 5, 250));
    const struct
    {
        int Option;
        const char* Ids;
        int Member;
    } rows[] = {{0, "3,5", 1}, {7, "", -1}, {1, "", 0}, {2, "3,7", 2}, {4, "", 0}, {3, "5", 2}};
    for (int engine = 0; engine < 2; ++engine) {
        engine == 0 ? UseServer() : UseSqlite();
        int expectedId = 0;
        for (const auto& row : rows) {
            SCOPED_TRACE(QStringLiteral("%1: option %2, activities '%3', member %4")
                             .arg(QLatin1String(engine == 0 ? "server" : "file"))
                             .arg(row.Option)
                             .arg(QLatin1String(row.Ids))
                             .arg(row.Member)
                             .toStdString());
            EXPECT_EQ(CreateGroup(QStringLiteral("Spring mailing"), now, row.Option, QLatin1String(row.Ids), row.Member), ++expectedId);
        }
    }
    ExpectSameRows({QStringLiteral("select id, groupname, groups.\"TimeStamp\" from groups order by id")});
    ExpectSameRows({QStringLiteral("select groupid, leadid from grpdata order by groupid, leadid")});
    UseServer();
    const QStringList first = ResultRows({QStringLiteral("select groups.\"TimeStamp\" from groups where id = 1")});
    EXPECT_EQ(first, QStringList({QStringLiteral("timestamp"), QStringLiteral("QDateTime:2010-03-15T14:30:05.250")}));
}

// A group name longer than the declared size is stored whole on the server, as in the SQLite file.
TEST_F(TPostgresClub, GroupNamesOfAnyLengthAreStoredOnBothEngines)
{
    const QString name = QStringLiteral("Members of the spring and summer courses who did not renew ").repeated(2);
    for (int engine = 0; engine < 2; ++engine) {
        SCOPED_TRACE(engine == 0 ? "server" : "file");
        engine == 0 ? UseServer() : UseSqlite();
        EXPECT_NO_THROW(CreateGroup(name, QDateTime(QDate(2010, 3, 15), QTime(9, 0)), 7, QString(), -1));
        QSqlQuery stored(TSession::Instance().Database(QStringLiteral("Brelmdata")));
        ASSERT_TRUE(stored.exec(QStringLiteral("select groupname from groups")) && stored.next());
        EXPECT_EQ(stored.value(0).toString(), name);
    }
}

TEST_F(TPostgresClub, TablesOpenFindAppendAndEditOnTheServer)
{
    TTable users(QStringLiteral("Brelmdata"), QStringLiteral("User.DB"));
    users.Open();
    EXPECT_EQ(users.RecordCount(), 0);
    for (const char* empId : {"MANAGER", "CLERK"}) {
        users.Append();
        users.SetField(QStringLiteral("EmpID"), QString::fromLatin1(empId));
        users.SetField(QStringLiteral("Password"), QStringLiteral("o'neil"));
        users.SetField(QStringLiteral("EmpActive"), true);
        users.SetField(QStringLiteral("MonStart"), QStringLiteral("07:30:00"));
        users.Post();
        EXPECT_EQ(users.FieldAsString(QStringLiteral("empid")), QString::fromLatin1(empId)); // the written record is current
    }
    EXPECT_EQ(users.FieldAsInteger(QStringLiteral("ID")), 2);

    users.SetIndexFieldNames(QStringLiteral("EmpID"));
    ASSERT_TRUE(users.FindKey({QStringLiteral("MANAGER")}));
    EXPECT_TRUE(users.FieldAsBoolean(QStringLiteral("EmpActive")));
    EXPECT_EQ(users.FieldAsDateTime(QStringLiteral("MonStart")).time(), QTime(7, 30));
    users.Edit();
    users.SetField(QStringLiteral("EmpActive"), false);
    users.Post();
    EXPECT_EQ(users.FieldAsString(QStringLiteral("EmpID")), QStringLiteral("MANAGER")); // still current after the row moved
    users.Edit();
    users.SetField(QStringLiteral("Password"), QStringLiteral("new"));
    users.Post();
    EXPECT_EQ(users.RecordCount(), 2);
    users.Close();

    users.Open();
    ASSERT_TRUE(users.FindKey({QStringLiteral("MANAGER")}));
    EXPECT_FALSE(users.FieldAsBoolean(QStringLiteral("EmpActive")));
    EXPECT_EQ(users.FieldAsString(QStringLiteral("Password")), QStringLiteral("new"));
    EXPECT_FALSE(users.FindKey({QStringLiteral("NOBODY")}));

    TTable events(QStringLiteral("Brelmdata"), QStringLiteral("UserEvents"));
    events.Open();
    events.Append();
    events.SetField(QStringLiteral("UserID"), 1);
    events.SetField(QStringLiteral("EventType"), QStringLiteral("Logged In"));
    events.SetField(QStringLiteral("EventTimeStamp"), QDateTime(QDate(2010, 3, 15), QTime(8, 5, 7, 125)));
    events.Post();
    EXPECT_EQ(events.FieldAsInteger(QStringLiteral("id")), 1);
    EXPECT_EQ(events.FieldAsDateTime(QStringLiteral("EventTimeStamp")), QDateTime(QDate(2010, 3, 15), QTime(8, 5, 7, 125)));

    TTable security(QStringLiteral("Brelmdata"), QStringLiteral("SECURITY"));
    EXPECT_NO_THROW(security.Open());
}

TEST_F(TPostgresClub, TransactionRollsBackUnlessCommittedAndErrorsCarryTheServerMessage)
{
    auto activities = [] { return ResultRows({QStringLiteral("select count(*) as n from ckacts")}).value(1); };
    const QString before = activities();
    {
        TTransaction transaction;
        TQuery query;
        query.SQL() << QStringLiteral("delete from ckacts");
        query.ExecSQL();
    }
    EXPECT_EQ(activities(), before);

    TQuery query;
    query.SQL() << QStringLiteral("select nosuchcolumn from ckacts");
    try {
        query.Open();
        ADD_FAILURE() << "a bad statement ran";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.EngineMessage().contains(QLatin1String("nosuchcolumn"))) << qPrintable(e.Message());
    }
}

// A transaction locks the tables its caller names against other writers, and only those: another
// workstation's Create Group waits for this one, a transaction that names nothing holds up nobody.
TEST_F(TPostgresClub, TransactionLocksOnlyTheTablesItsCallerNames)
{
    QSqlDatabase other = QSqlDatabase::cloneDatabase(TSession::Instance().Database(QStringLiteral("Brelmdata")),
                                                     QStringLiteral("other workstation"));
    ASSERT_TRUE(other.open()) << qPrintable(other.lastError().text());
    const auto otherCanLockGroups = [&] {
        EXPECT_TRUE(other.transaction());
        QSqlQuery lock(other);
        const bool locked = lock.exec(QStringLiteral("lock table groups in share row exclusive mode nowait"));
        lock.finish();
        other.rollback();
        return locked;
    };
    for (const QStringList& tables : {QStringList(), QStringList{QStringLiteral("ckacts")}, QStringList{QStringLiteral("groups")}}) {
        SCOPED_TRACE(tables.join(QLatin1Char(',')).toStdString());
        TTransaction transaction(QStringLiteral("Brelmdata"), tables);
        EXPECT_EQ(otherCanLockGroups(), !tables.contains(QStringLiteral("groups")));
    }
    EXPECT_TRUE(otherCanLockGroups());
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("other workstation"));
}

TEST(TPostgresDemo, FillsTheServerWithTheSameClubAsTheFile)
{
    SKIP_WITHOUT_TEST_SERVER();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TSession::Instance().Reset();
    TDemoOptions options;
    options.Seed = 7;
    options.Enrolments = 3000;
    options.Today = QDate(2010, 3, 15);
    options.Folder = dir.filePath(QStringLiteral("file"));
    const QString fileAliases = CreateDemoDatabase(options);
    options.Folder = dir.filePath(QStringLiteral("server"));
    options.Server = TTestServer::NewDatabase();
    const QString serverAliases = CreateDemoDatabase(options);

    // The alias names the server; PATH names the folder beside the configuration folder.
    TSession::Instance().SetAliasFile(serverAliases);
    EXPECT_EQ(TSession::Instance().AliasParam(QStringLiteral("brelmdata"), QStringLiteral("DRIVER")), QStringLiteral("POSTGRESQL"));
    EXPECT_EQ(TSession::Instance().AliasParam(QStringLiteral("Brelmdata"), QStringLiteral("DATABASE")), options.Server.Database);
    const QString path = TSession::Instance().AliasParam(QStringLiteral("Brelmdata"), QStringLiteral("PATH"));
    EXPECT_TRUE(QFileInfo::exists(QDir(path).filePath(QStringLiteral("../Config/VKD.INI"))));

    const QStringList tables[] = {
        {QStringLiteral("select * from lead order by leadno")},
        {QStringLiteral("select * from ckprof order by leadid, activityid, start, countdown, pymtrate")},
        {QStringLiteral("select * from ckacts order by id")},
        {QStringLiteral("select * from subcat order by id")},
        {QStringLiteral("select * from User.DB order by ID")},
        {QStringLiteral("select * from Security order by Keyword")},
    };
    for (const QStringList& sql : tables) {
        SCOPED_TRACE(sql.first().toStdString());
        TSession::Instance().SetAliasFile(fileAliases);
        const QStringList expected = ResultRows(sql);
        TSession::Instance().SetAliasFile(serverAliases);
        const QStringList got = ResultRows(sql);
        EXPECT_EQ(got.size(), expected.size());
        const auto difference = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
        if (difference.first != got.end())
            ADD_FAILURE() << "row " << difference.first - got.begin() << ": " << qPrintable(*difference.first) << "\nfile: "
                          << (difference.second != expected.end() ? qPrintable(*difference.second) : "none");
    }

    // A user added later gets the next id, not one the demo users hold.
    TTable users(QStringLiteral("Brelmdata"), QStringLiteral("User"));
    users.Open();
    users.Append();
    users.SetField(QStringLiteral("EmpID"), QStringLiteral("NEW"));
    EXPECT_NO_THROW(users.Post());
    EXPECT_EQ(users.FieldAsInteger(QStringLiteral("ID")), 5);

    TSession::Instance().Reset();
    TTestServer::DropDatabase(options.Server);
}

// Alias settings for a server, checked before any connection is tried.
TEST(TServerAlias, MissingKeysAndUnreachableServersAreNamed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct
    {
        const char* Keys;
        const char* Expected;
    } rows[] = {
        {"HOST=localhost\nDATABASE=club\n", "The alias needs HOST, DATABASE and USER for a PostgreSQL server"},
        {"HOST=localhost\nDATABASE=club\nUSER=x\nPORT=http\n", "Invalid PORT: http"},
        {"HOST=localhost\nDATABASE=club\nUSER=x\nPORT=70000\n", "Invalid PORT: 70000"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Keys);
        const QString file = dir.filePath(QStringLiteral("aliases.ini"));
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(QByteArray("[Brelmdata]\nDRIVER=PostgreSQL\nPATH=/srv/club/Data\n") + row.Keys);
        out.close();
        TSession::Instance().Reset();
        TSession::Instance().SetAliasFile(file);
        try {
            TSession::Instance().Database(QStringLiteral("Brelmdata"));
            ADD_FAILURE() << "the alias was accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Context(), QStringLiteral("Unable to open database Brelmdata"));
            EXPECT_EQ(e.EngineMessage(), QString::fromLatin1(row.Expected));
        }
    }
    TSession::Instance().Reset();
}
