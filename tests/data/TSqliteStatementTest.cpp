// Queries on a SQLite club database read their rows through the engine's own interface. These tests hold
// that reading to what Qt Sql's driver delivers, value for value, and to the engine's failures.
#include "EDatabaseError.h"
#include "TClubFixture.h"
#include "TQuery.h"
#include "TSession.h"
#include "TSqlSchema.h"
#include "TSqliteStatement.h"
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <filesystem>
#include <sqlite3.h>

namespace {

// How many of the process's file descriptors are open on the file.
int OpenDescriptorsOn(const QString& file)
{
    const std::filesystem::path target = std::filesystem::canonical(QFile::encodeName(file).toStdString());
    int count = 0;
    std::error_code error;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        if (std::filesystem::read_symlink(fd.path(), error) == target)
            ++count;
    }
    return count;
}

class TSqliteRows : public TClubFixture
{
protected:
    void SetUp() override
    {
        TClubFixture::SetUp();
        Exec(QStringLiteral("create table stored (n integer primary key, v)"));
    }
};

// Every kind of value a loosely typed SQLite column can hold, under every field type: the value the
// layer delivers is the one Qt's driver gives, converted as the layer always has.
TEST_F(TSqliteRows, EveryStoredValueReadsAsThroughQtSql)
{
    Exec(QStringLiteral(
        "insert into stored (v) values (null), (0), (-7), (9223372036854775807), (1), (2.5), (-0.0), (1e300),"
        " (''), ('Karate'), (' 42 '), ('  '), ('0.5'), ('true'), ('T'), ('2010-03-15'), ('2010-3-5'),"
        " ('2010-03-15 14:30:05.250'), ('2010-03-15T08:00:00'), ('14:30:05.250'), ('3/15/2010'), ('15.03.2010'),"
        " ('Müller, Jürgen'), ('2010-03-1５'), ('日本'), (cast(x'c328ff41' as text)), (cast(x'410042' as text)),"
        " (x'00ff41'), (x'')"));
    const TFieldType types[] = {ftString, ftSmallint, ftInteger, ftBoolean, ftDate,
                                ftDateTime, ftCurrency, ftFloat, ftTime, ftUnknown};
    QSqlQuery reference(TSession::Instance().Database(QStringLiteral("Brelmdata")));
    reference.setForwardOnly(true);
    for (const TFieldType type : types) {
        SCOPED_TRACE(int(type));
        TQuery query;
        query.SQL() << QStringLiteral("select v from stored order by n");
        query.SetFieldDefs({{QStringLiteral("v"), type, 0}});
        query.Open();
        ASSERT_TRUE(reference.exec(QStringLiteral("select v from stored order by n")));
        int rows = 0;
        for (; reference.next(); query.Next(), ++rows) {
            SCOPED_TRACE(rows + 1);
            ASSERT_FALSE(query.Eof());
            const QVariant expected = TSqlSchema::FromStorage(type, reference.value(0));
            const QVariant value = query.FieldValue(0);
            EXPECT_EQ(value.isValid(), expected.isValid());
            EXPECT_EQ(value.typeId(), expected.typeId());
            EXPECT_EQ(value, expected) << qPrintable(expected.toString());
        }
        EXPECT_EQ(rows, 29);
        EXPECT_TRUE(query.Eof());
    }
}

// Parameters reach the engine as Qt's driver binds them, so the same rows come back.
TEST_F(TSqliteRows, ParametersSelectTheSameRowsAsThroughQtSql)
{
    Exec(QStringLiteral("insert into ckprof (leadid, activityid, start, countdown, pymtrate, countrequired)"
                        " values (1, 3, '2011-02-03', 4, 19.5, 1), (2, 3, '2011-02-04', -1, 20, 0)"));
    TQuery query;
    query.SQL() << QStringLiteral("select leadid from ckprof where start >= :from and countrequired = :counted")
                << QStringLiteral("and pymtrate < :rate and activityid = :activity");
    query.SetParam(QStringLiteral("from"), QStringLiteral("02/03/2011"));
    query.SetParam(QStringLiteral("counted"), true);
    query.SetParam(QStringLiteral("rate"), 20.0);
    query.SetParam(QStringLiteral("activity"), 3);
    query.Open();
    EXPECT_EQ(query.FieldValue(0), QVariant(1));
    query.Next();
    EXPECT_TRUE(query.Eof());

    query.SetParam(QStringLiteral("counted"), false);
    query.SetParam(QStringLiteral("rate"), 21);
    query.Open();
    EXPECT_EQ(query.FieldValue(0), QVariant(2));
}

// An engine failure in the middle of the rows is reported; it used to end the rows silently, and a
// report printed from them came out short.
// The rows are read when the query opens: a failure after the first rows fails the open, and is not
// taken for the end of a shorter result.
TEST_F(TSqliteRows, FailureAfterTheFirstRowsIsReportedNotTakenForTheEnd)
{
    Exec(QStringLiteral("insert into stored (v) values (1), (2), (-9223372036854775808), (4)"));
    TQuery query;
    query.SQL() << QStringLiteral("select abs(v) as a from stored order by n");
    try {
        query.Open();
        FAIL() << "the overflow ended the rows";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.Context(), QStringLiteral("Unable to open query"));
        EXPECT_EQ(error.EngineMessage(), QStringLiteral("integer overflow"));
    }
    EXPECT_FALSE(query.Active());
    // The failed statement runs again from the start.
    Exec(QStringLiteral("delete from stored where v < 0"));
    query.Open();
    EXPECT_EQ(query.FieldValue(0), QVariant(1));
}

TEST_F(TSqliteRows, SecondStatementInTheTextIsRefused)
{
    TQuery query;
    query.SQL() << QStringLiteral("select id from ckacts; delete from ckacts");
    EXPECT_THROW(query.Open(), EDatabaseError);
    // Below the translator too, and the refused statement is not left behind on the connection,
    // where it would keep the file open.
    const QSqlDatabase database = TSession::Instance().Database(QStringLiteral("Brelmdata"));
    EXPECT_THROW(TSqliteStatement(database, QStringLiteral("select 1; select 2"), QStringLiteral("Test")), EDatabaseError);
    sqlite3* handle = TSqliteStatement::Handle(database);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(sqlite3_next_stmt(handle, nullptr), nullptr);
}

// A statement without rows is refused before it runs, so Open changes nothing.
TEST_F(TSqliteRows, OpenRunsNoStatementWithoutRows)
{
    Exec(QStringLiteral("insert into ckacts values (3, 'Karate')"));
    TQuery query;
    query.SQL() << QStringLiteral("delete from ckacts");
    EXPECT_THROW(query.Open(), EDatabaseError);
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from ckacts")).at(0).at(0).toInt(), 1);
}

// Closing the session closes the file even while a query is in the middle of its rows, and the query
// runs again on the connection opened next.
TEST_F(TSqliteRows, SessionClosesTheFileUnderAnOpenQuery)
{
    Exec(QStringLiteral("insert into ckacts values (3, 'Karate'), (5, 'Yoga')"));
    const QString file = TSession::Instance().Database(QStringLiteral("Brelmdata")).databaseName();
    ASSERT_TRUE(QFile::exists(file));
    TQuery query;
    query.SQL() << QStringLiteral("select description from ckacts order by id");
    query.Open();
    ASSERT_GT(OpenDescriptorsOn(file), 0);

    TSession::Instance().Reset();
    EXPECT_EQ(OpenDescriptorsOn(file), 0);

    TSession::Instance().SetAliasFile(AliasFile());
    query.Open();
    EXPECT_EQ(query.FieldAsString(QStringLiteral("description")), QStringLiteral("Karate"));
}

} // namespace
