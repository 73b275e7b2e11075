#include "EDatabaseError.h"
#include "TClubFixture.h"
#include "TQuery.h"
#include "TSession.h"
#include "TTransaction.h"
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <functional>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
class TQueryOps : public TClubFixture
{
protected:
    void SetUp() override
    {
        TClubFixture::SetUp();
        Exec(QStringLiteral("insert into ckacts values (3, 'Karate'), (5, 'Yoga'), (7, 'Pilates')"));
    }
    int Activities() { return Rows(QStringLiteral("select count(*) from ckacts")).at(0).at(0).toInt(); }
};

QStringList Walk(TQuery& query)
{
    QStringList names;
    for (query.First(); !query.Eof(); query.Next())
        names << query.FieldAsString(QStringLiteral("description"));
    return names;
}
} // namespace

TEST_F(TQueryOps, FirstAfterNextStartsTheResultAgain)
{
    TQuery query;
    query.SQL() << QStringLiteral("select * from ckacts") << QStringLiteral("order by description");
    query.Open();
    const QStringList all = {QStringLiteral("Karate"), QStringLiteral("Pilates"), QStringLiteral("Yoga")};
    EXPECT_EQ(Walk(query), all);
    EXPECT_EQ(Walk(query), all);
    EXPECT_TRUE(query.Eof());
    EXPECT_FALSE(query.FieldValue(0).isValid()); // no current row past the end
}

TEST_F(TQueryOps, FieldsComeFromTheStatementWithoutPersistentOnes)
{
    TQuery query;
    query.SQL() << QStringLiteral("select id, description as Name, id * 2 as twice from ckacts where id = 5");
    query.Open();
    const QList<TFieldDef> fields = query.Fields();
    ASSERT_EQ(fields.size(), 3);
    EXPECT_EQ(fields.at(0).Name, QStringLiteral("id"));
    EXPECT_EQ(fields.at(0).DataType, ftInteger);
    EXPECT_EQ(fields.at(1).Name, QStringLiteral("Name"));
    EXPECT_EQ(fields.at(1).DataType, ftString);
    EXPECT_EQ(fields.at(1).Size, 30);
    EXPECT_EQ(query.FieldValue(2), QVariant(10));
    EXPECT_EQ(query.FieldIndex(QStringLiteral("NAME")), 1);
    EXPECT_THROW(query.FieldValue(QStringLiteral("nosuch")), EDatabaseError);
}

TEST_F(TQueryOps, PersistentFieldsAreCheckedAndTextIsCutToSize)
{
    TQuery query;
    query.SQL() << QStringLiteral("select description, id from ckacts order by id");
    query.SetFieldDefs({{QStringLiteral("ID"), ftSmallint, 0}, {QStringLiteral("Description"), ftString, 4}});
    query.Open();
    EXPECT_EQ(query.FieldValue(0), QVariant(3));
    EXPECT_EQ(query.FieldAsString(QStringLiteral("description")), QStringLiteral("Kara"));
    query.Close();

    query.SetFieldDefs({{QStringLiteral("fullname"), ftString, 37}});
    try {
        query.Open();
        FAIL() << "opened without the field";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.EngineMessage(), QStringLiteral("Field 'fullname' not found"));
    }
    EXPECT_FALSE(query.Active());
}

TEST_F(TQueryOps, StatementLinesMayChangeBetweenRuns)
{
    TQuery query;
    query.SQL() << QStringLiteral("select description from ckacts where id = 3");
    query.Open();
    EXPECT_EQ(query.FieldAsString(QStringLiteral("description")), QStringLiteral("Karate"));
    query.Close();
    query.SQL().clear();
    query.SQL() << QStringLiteral("select description from ckacts where id = 7");
    query.Open();
    EXPECT_EQ(query.FieldAsString(QStringLiteral("description")), QStringLiteral("Pilates"));
}

TEST_F(TQueryOps, OpenOfAStatementWithoutRowsIsRefused)
{
    TQuery query;
    query.SQL() << QStringLiteral("update ckacts set description = 'x' where id = 0");
    EXPECT_THROW(query.Open(), EDatabaseError);
}

TEST_F(TQueryOps, TransactionRollsBackUnlessCommitted)
{
    {
        TTransaction transaction;
        TQuery query;
        query.SQL() << QStringLiteral("delete from ckacts");
        query.ExecSQL();
        EXPECT_EQ(Activities(), 0);
    }
    EXPECT_EQ(Activities(), 3);
    {
        TTransaction transaction(QStringLiteral("BRELMDATA"));
        TQuery query;
        query.SQL() << QStringLiteral("delete from ckacts where id = 3");
        query.ExecSQL();
        transaction.Commit();
        EXPECT_FALSE(transaction.Active());
    }
    EXPECT_EQ(Activities(), 2);
}

TEST_F(TQueryOps, ResultOfAnyLengthIsWalkedToTheEnd)
{
    Exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 20000)"
                        " insert into grpdata (leadid, groupid) select i, 1 from n"));
    TQuery query;
    query.SQL() << QStringLiteral("select leadid from grpdata");
    EXPECT_EQ(query.RecordCount(), -1) << "not open";
    query.Open();
    // The count a progress bar measures against is known before the first row is read.
    EXPECT_EQ(query.RecordCount(), 20000);
    qint64 sum = 0;
    int rows = 0;
    for (; !query.Eof(); query.Next(), ++rows)
        sum += query.FieldValue(0).toInt();
    EXPECT_EQ(rows, 20000);
    EXPECT_EQ(sum, qint64(20000) * 20001 / 2);
}

// The session: aliases from the alias file.
TEST_F(TQueryOps, AliasesCompareWithoutCaseAndGivePath)
{
    TSession& session = TSession::Instance();
    EXPECT_TRUE(session.IsAlias(QStringLiteral("BRELMDATA")));
    EXPECT_FALSE(session.IsAlias(QStringLiteral("Other")));
    EXPECT_EQ(session.AliasParam(QStringLiteral("brelmdata"), QStringLiteral("path")), QDir(Folder()).filePath(QStringLiteral("Data")));
    EXPECT_TRUE(session.AliasParams(QStringLiteral("Brelmdata")).contains(QStringLiteral("PATH=") + QDir(Folder()).filePath(QStringLiteral("Data"))));
    try {
        TQuery query(QStringLiteral("Missing"));
        query.SQL() << QStringLiteral("select 1");
        query.Open();
        FAIL() << "opened";
    } catch (const EDatabaseError& error) {
        // The user learns which file lacks which section.
        EXPECT_TRUE(error.Message().startsWith(QStringLiteral("Unknown database alias Missing: The alias file %1 has no "
                                                              "section [Missing]. Add one")
                                                   .arg(session.AliasFile())))
            << error.Message().toStdString();
    }
}

TEST_F(TQueryOps, UnreadableAliasFileOrMissingDatabaseIsNamed)
{
    TSession& session = TSession::Instance();
    session.Reset();
    const QString missing = Folder() + QStringLiteral("/nope.ini");
    session.SetAliasFile(missing);
    try {
        session.Activate();
        FAIL() << "activated";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.Message().contains(missing)) << qPrintable(error.Message());
    }
    EXPECT_FALSE(session.Active());

    // an alias whose folder has no database: SQLite must not make an empty one
    const QString aliases = Folder() + QStringLiteral("/other.ini");
    QFile file(aliases);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("; test aliases\n[Empty]\nDRIVER=SQLITE\nPATH=" + Folder().toUtf8() + "/\n");
    file.close();
    session.SetAliasFile(aliases);
    EXPECT_THROW(session.Database(QStringLiteral("empty")), EDatabaseError);
    EXPECT_FALSE(QFile::exists(Folder() + QStringLiteral("/club.db")));
}

TEST(TSessionDefaults, AliasFileFromTheEnvironmentComesFirst)
{
    const QByteArray saved = qgetenv("ACTIVITYREP_ALIASES");
    qputenv("ACTIVITYREP_ALIASES", "/tmp/x/aliases.ini");
    EXPECT_EQ(TSession::DefaultAliasFile(), QStringLiteral("/tmp/x/aliases.ini"));
    qunsetenv("ACTIVITYREP_ALIASES");
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/nonexistent-config-home");
    EXPECT_EQ(TSession::DefaultAliasFile(), QStringLiteral("/etc/activityrep/aliases.ini"));
    if (saved.isNull())
        qunsetenv("ACTIVITYREP_ALIASES");
    else
        qputenv("ACTIVITYREP_ALIASES", saved);
    if (savedConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", savedConfig);
}

namespace {

// The club file as another workstation's program opens it, through the engine alone.
struct TOtherWorkstation
{
    explicit TOtherWorkstation(const QString& file)
    {
        EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(file).constData(), &Handle, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    }
    ~TOtherWorkstation() { sqlite3_close(Handle); }
    // Runs the statements at once, without waiting for a lock.
    int Exec(const char* sql) { return sqlite3_exec(Handle, sql, nullptr, nullptr, nullptr); }
    sqlite3* Handle = nullptr;
};

// Runs `hold` in a child process that keeps the lock it takes until the returned function ends it.
std::function<void()> HoldInChild(const QString& file, const char* hold, pid_t& pid)
{
    int ready[2];
    int release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0)
        return [] {};
    pid = ::fork();
    if (pid == 0) {
        sqlite3* handle = nullptr;
        sqlite3_open_v2(QFile::encodeName(file).constData(), &handle, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* statement = nullptr;
        // A reader keeps its lock while its statement is between rows; a writer until it commits.
        sqlite3_exec(handle, "begin", nullptr, nullptr, nullptr);
        if (sqlite3_prepare_v2(handle, hold, -1, &statement, nullptr) == SQLITE_OK)
            sqlite3_step(statement);
        char byte = 1;
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(release[0], &byte, 1);
        ::_exit(0);
    }
    char byte = 0;
    (void)!::read(ready[0], &byte, 1);
    return [=] {
        const char go = 1;
        (void)!::write(release[1], &go, 1);
        int status = 0;
        ::waitpid(pid, &status, 0);
        for (const int fd : {ready[0], ready[1], release[0], release[1]})
            ::close(fd);
    };
}

} // namespace

// A query reads its rows at once: while a report is still being laid out from them, another
// workstation writes to the club file without waiting, and the report goes on with the rows as they
// were when it was opened, also after First().
TEST_F(TQueryOps, AnOpenQueryDoesNotKeepOtherWorkstationsFromWriting)
{
    for (int id = 100; id < 3000; ++id)
        Exec(QStringLiteral("insert into ckacts values (%1, 'Activity %1')").arg(id));
    TQuery query;
    query.SQL() << QStringLiteral("select id, description from ckacts order by id");
    query.Open();
    query.Next();
    ASSERT_FALSE(query.Eof());

    TOtherWorkstation other(QDir(Folder()).filePath(QStringLiteral("Data/club.db")));
    ASSERT_EQ(other.Exec("begin immediate; delete from ckacts; commit"), SQLITE_OK) << sqlite3_errmsg(other.Handle);

    int rows = 1;
    for (; !query.Eof(); query.Next())
        ++rows;
    EXPECT_EQ(rows, 3 + 2900);
    EXPECT_EQ(Walk(query).size(), 3 + 2900);
    EXPECT_EQ(Activities(), 0);
}

// A statement that waited for a lock in vain says what held it: another connection reading or
// writing, with its process where the system tells it.
TEST_F(TQueryOps, AWriteThatWaitedInVainSaysWhichKindOfHolderKeptIt)
{
    const QString file = QDir(Folder()).filePath(QStringLiteral("Data/club.db"));
    const struct
    {
        const char* Hold;
        const char* Kind;
    } rows[] = {
        {"select id from ckacts", "reading"},
        {"insert into ckacts values (9, 'Judo')", "writing to"}, // run inside a transaction the child keeps open
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Kind);
        TSession::Instance().Reset();
        TSession::Instance().SetAliasFile(AliasFile());
        TSession::Instance().SetBusyTimeout(200);
        pid_t pid = 0;
        const auto release = HoldInChild(file, row.Hold, pid);
        QString message;
        TQuery insert;
        insert.SQL() << QStringLiteral("insert into ckacts values (11, 'Boxing')");
        try {
            insert.ExecSQL();
        } catch (const EDatabaseError& error) {
            message = error.Message();
        }
        release();
        EXPECT_TRUE(message.startsWith(QStringLiteral("The club database %1 stayed locked beyond the wait of 0.2 s: another "
                                                      "connection (process %2")
                                           .arg(file)
                                           .arg(pid)))
            << message.toStdString();
        EXPECT_TRUE(message.endsWith(QStringLiteral(" was %1 it: database is locked").arg(QLatin1String(row.Kind))))
            << message.toStdString();
    }
}

// A relative PATH in the alias file names a folder beside the alias file, wherever the program starts.
TEST_F(TQueryOps, ARelativePathInTheAliasFileIsReadBesideIt)
{
    const QString aliases = QDir(Folder()).filePath(QStringLiteral("relative.ini"));
    QFile file(aliases);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Brelmdata]\nDRIVER=SQLITE\nPATH=Data\n");
    file.close();
    const QString started = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QDir::rootPath()));
    TSession::Instance().Reset();
    TSession::Instance().SetAliasFile(aliases);
    EXPECT_EQ(TSession::Instance().AliasParam(QStringLiteral("Brelmdata"), QStringLiteral("PATH")),
              QDir(Folder()).filePath(QStringLiteral("Data")));
    EXPECT_EQ(Activities(), 3);
    TQuery query;
    query.SQL() << QStringLiteral("select count(*) as n from ckacts");
    EXPECT_NO_THROW(query.Open());
    QDir::setCurrent(started);
}

// Stored values the layer must not turn into other numbers or hide behind the engine's words: an
// integer beyond 32 bits comes as stored, and a club file that cannot be written is named.
TEST_F(TQueryOps, AnOversizedIntegerComesAsStoredAndAReadOnlyClubIsNamed)
{
    Exec(QStringLiteral("insert into ckacts values (9223372036854775807, 'Huge'), (-9223372036854775807, 'Low')"));
    TQuery query;
    query.SQL() << QStringLiteral("select id from ckacts where id > 2147483647 or id < -2147483648 order by id");
    query.Open();
    EXPECT_EQ(query.FieldValue(0).toLongLong(), Q_INT64_C(-9223372036854775807));
    query.Next();
    EXPECT_EQ(query.FieldValue(0).toLongLong(), Q_INT64_C(9223372036854775807));
    EXPECT_EQ(query.FieldValue(0).toString(), QStringLiteral("9223372036854775807"));
    query.Close();

    QSqlQuery(TSession::Instance().Database(QStringLiteral("Brelmdata"))).exec(QStringLiteral("pragma query_only = 1"));
    TQuery insert;
    insert.SQL() << QStringLiteral("insert into ckacts values (12, 'Judo')");
    try {
        insert.ExecSQL();
        ADD_FAILURE() << "wrote to a read-only club";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("The club database %1 cannot be written: attempt to write a readonly database")
                                       .arg(QDir(Folder()).filePath(QStringLiteral("Data/club.db"))));
    }
}
