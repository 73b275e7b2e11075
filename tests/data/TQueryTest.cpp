#include "EDatabaseError.h"
#include "TClubFixture.h"
#include "TQuery.h"
#include "TSession.h"
#include "TTransaction.h"
#include <QDir>
#include <QFile>

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
    query.Open();
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
