// The local-SQL dialect through TQuery: each feature is checked by the rows it gives, and where the
// translation itself matters, by the engine's statement.
#include "EDatabaseError.h"
#include "TClubFixture.h"
#include "TLocalSqlTranslator.h"
#include "TQuery.h"
#include "TSession.h"
#include "TSqlSchema.h"
#include <QDate>

namespace {
class TDialect : public TClubFixture
{
protected:
    void SetUp() override
    {
        TClubFixture::SetUp();
        Exec(QStringLiteral("insert into subcat values (1, 'Adult'), (2, 'Senior')"));
        Exec(QStringLiteral("insert into ckacts values (3, 'Karate'), (5, 'Yoga')"));
        Exec(QStringLiteral("insert into lead values (1, 101, 'Adams', 'Amy', '(555) 100-0001', 1),"
                            " (2, 0, 'baker', 'Bob', '(555) 100-0002', 2), (3, 103, 'Clark', 'Cat', '(555) 100-0003', 2)"));
        Exec(QStringLiteral("insert into ckprof values (1, 3, '2010-03-15', null, 5, 45.5, 1),"
                            " (2, 5, '2010-01-31', '2010-03-15', 0, 30, 0), (3, 3, '2009-12-01', '2010-12-31', 1, 45.5, 1)"));
    }

    QStringList Column(const QStringList& sql, const QString& field)
    {
        TQuery query;
        query.SQL() = sql;
        query.Open();
        QStringList values;
        for (; !query.Eof(); query.Next())
            values << query.FieldAsString(field);
        return values;
    }

    int CountWhere(const QString& condition)
    {
        TQuery query;
        query.SQL() << QStringLiteral("select count(*) as n from ckprof p") << QStringLiteral("where ") + condition;
        query.Open();
        return query.FieldAsInteger(QStringLiteral("n"));
    }

    int CkprofRows() { return Rows(QStringLiteral("select count(*) from ckprof")).at(0).at(0).toInt(); }
};
} // namespace

TEST_F(TDialect, QuotedReservedWordFieldsAreColumns)
{
    TQuery query;
    query.SQL() << QStringLiteral("select p.'end' from ckprof p where p.'end' is not null order by p.'end'");
    query.Open();
    EXPECT_EQ(query.FieldValue(QStringLiteral("end")).toDate(), QDate(2010, 3, 15));
    EXPECT_EQ(query.EngineSql(), QStringLiteral("select p.\"end\" from ckprof p where p.\"end\" is not null order by p.\"end\""));

    Exec(QStringLiteral("insert into groups (groupname, \"TimeStamp\") values ('g', '2010-03-15 10:00:00.000')"));
    TQuery stamps;
    stamps.SQL() << QStringLiteral("select groups.\"TimeStamp\" as ts from groups");
    stamps.Open();
    EXPECT_EQ(stamps.FieldValue(QStringLiteral("ts")), QVariant(QDateTime(QDate(2010, 3, 15), QTime(10, 0))));
}

TEST_F(TDialect, PlusJoinsTextButStillAddsNumbers)
{
    EXPECT_EQ(Column({QStringLiteral("select lastname+', '+firstname as fullname from lead order by leadno")}, QStringLiteral("fullname")),
              QStringList({QStringLiteral("Adams, Amy"), QStringLiteral("baker, Bob"), QStringLiteral("Clark, Cat")}));
    EXPECT_EQ(Column({QStringLiteral("select lastname + firstname as n from lead where leadno = 1")}, QStringLiteral("n")),
              QStringList({QStringLiteral("AdamsAmy")}));
    EXPECT_EQ(Column({QStringLiteral("select countdown + 1 as n from ckprof where leadid = 1")}, QStringLiteral("n")),
              QStringList({QStringLiteral("6")}));
}

TEST_F(TDialect, MonthDayYearLiteralsCompareWithDateColumns)
{
    struct
    {
        const char* Condition;
        int Count;
    } rows[] = {
        {"p.'end' = '3/15/2010'", 1},
        {"p.'end' = '03/15/2010'", 1},
        {"p.'end' = '03-15-2010'", 1},
        {"p.'end' = '03.15.2010'", 1},
        {"'03/15/2010' = p.'end'", 1},
        {"start >= '12/1/2009' and start <= '1/31/2010'", 2},
        {"start between '12/01/2009' and '01/31/2010'", 2},
        {"start not between '12/01/2009' and '01/31/2010'", 1},
        {"start in ('3/15/2010', '12/1/2009')", 2},
        {"p.'end' > '03/15/2010' or (p.'end' is null and countdown > 0)", 2},
        // the year counts before the month: 12/31/2010 is later than 3/15/2010
        {"p.'end' > '3/16/2010'", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Condition);
        EXPECT_EQ(CountWhere(QString::fromLatin1(row.Condition)), row.Count);
    }
}

TEST_F(TDialect, ColumnsThatCannotBeReadFailTheStatementAndAreReadAgainLater)
{
    QSqlDatabase database = TSession::Instance().Database(QStringLiteral("Brelmdata"));
    const TSqlSchema schema(database);
    ASSERT_EQ(schema.EngineTableName(QStringLiteral("ckProf.DB")), QStringLiteral("ckprof"));
    const QString sql = QStringLiteral("select count(*) as n from ckprof p where p.'end' = '3/15/2010'");
    // The table list is known, but the connection is gone when the columns are read: without their
    // types the date literal would go to the engine as text and match nothing.
    database.close();
    EXPECT_THROW(TLocalSqlTranslator(schema).Translate(sql), EDatabaseError);
    ASSERT_TRUE(database.open());
    EXPECT_EQ(schema.Columns(QStringLiteral("ckprof")).size(), 7);
    EXPECT_TRUE(TLocalSqlTranslator(schema).Translate(sql).Sql.contains(QStringLiteral("'2010-03-15'")));
}

TEST_F(TDialect, DateTimeColumnsTakeDatesAndTimes)
{
    Exec(QStringLiteral("insert into UserEvents (UserID, EventType, EventTimeStamp) values"
                        " (1, 'Logged In', '2010-03-15 08:30:00.000'), (1, 'Logged Out', '2010-03-16 17:00:00.000')"));
    EXPECT_EQ(Column({QStringLiteral("select EventType from UserEvents where EventTimeStamp < '3/16/2010'")}, QStringLiteral("EventType")),
              QStringList({QStringLiteral("Logged In")}));
    EXPECT_EQ(Column({QStringLiteral("select EventType from UserEvents where EventTimeStamp > '3/15/2010 9:00'")}, QStringLiteral("EventType")),
              QStringList({QStringLiteral("Logged Out")}));
}

class TRefusedDateLiteral : public TDialect, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(TRefusedDateLiteral, IsRefusedNamingTheTextAndNothingRuns)
{
    // The text is spliced between quotes, as the criteria window does with the date fields' texts.
    const QString typed = QString::fromLatin1(GetParam());
    TQuery query;
    query.SQL() << QStringLiteral("delete from ckprof") << QStringLiteral("where start >= '") + typed + QStringLiteral("'");
    try {
        query.ExecSQL();
        FAIL() << "the statement ran";
    } catch (const EDatabaseError& error) {
        EXPECT_FALSE(error.EngineMessage().isEmpty());
        if (!typed.contains(QLatin1Char('\''))) {
            EXPECT_TRUE(error.Message().contains(typed)) << qPrintable(error.Message());
        }
    }
    EXPECT_EQ(CkprofRows(), 3);
}

INSTANTIATE_TEST_SUITE_P(Literals, TRefusedDateLiteral,
                         ::testing::Values("", "abc", "2010-03-15", "13/01/2010", "02/30/2010", "3/15/10", "3/15/2010x",
                                           "03/15-2010", "3//2010", "03/15/2010; delete from lead",
                                           "03/15/2010 or 1=1", "1/1/1900' or p.'end' > '1", "03/15/2010'; delete from lead; --",
                                           "03/15/2010' or 1=1 --"));

TEST_F(TDialect, RefusedDateNamesTheTextInPlainWords)
{
    TQuery query;
    query.SQL() << QStringLiteral("select * from ckprof where start > '13/45/2010'");
    try {
        query.Open();
        FAIL() << "opened";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Invalid date in statement: '13/45/2010' is not a valid date (month/day/year)"));
    }
    EXPECT_FALSE(query.Active());
}

TEST_F(TDialect, TrueAndFalseCompareWithLogicalFields)
{
    EXPECT_EQ(CountWhere(QStringLiteral("countrequired = True")), 2);
    EXPECT_EQ(CountWhere(QStringLiteral("countrequired = false")), 1);
    EXPECT_EQ(CountWhere(QStringLiteral("countdown = 0 and countrequired = True")), 0);
}

TEST_F(TDialect, UnqualifiedColumnOfSeveralTablesComesFromTheFirstJoined)
{
    const QStringList joins = {QStringLiteral("join ckprof p on p.leadid = l.leadno"), QStringLiteral("join ckacts a on a.id = p.activityid"),
                               QStringLiteral("join subcat s on s.id = l.subcategory")};
    EXPECT_EQ(Column(QStringList{QStringLiteral("select description from lead l")} + joins + QStringList{QStringLiteral("order by leadno")},
                     QStringLiteral("Description")),
              QStringList({QStringLiteral("Karate"), QStringLiteral("Yoga"), QStringLiteral("Karate")}));

    // subcat first in FROM order: its description is meant
    EXPECT_EQ(Column({QStringLiteral("select description from subcat s"), QStringLiteral("join lead l on l.subcategory = s.id"),
                      QStringLiteral("join ckprof p on p.leadid = l.leadno"), QStringLiteral("join ckacts a on a.id = p.activityid"),
                      QStringLiteral("order by leadno")},
                     QStringLiteral("description")),
              QStringList({QStringLiteral("Adult"), QStringLiteral("Senior"), QStringLiteral("Senior")}));

    TQuery query;
    query.SQL() = QStringList{QStringLiteral("select description, s.description as subcatdesc from lead l")} + joins;
    EXPECT_EQ(query.EngineSql().section(QLatin1Char('\n'), 0, 0),
              QStringLiteral("select a.description AS description, s.description as subcatdesc from lead l"));
}

TEST_F(TDialect, OrderByNamesAnAliasInAnotherCaseOrAQuotedField)
{
    EXPECT_EQ(Column({QStringLiteral("select lastname+', '+firstname as fullname from lead"), QStringLiteral("order by FullName")},
                     QStringLiteral("fullname")),
              QStringList({QStringLiteral("Adams, Amy"), QStringLiteral("Clark, Cat"), QStringLiteral("baker, Bob")}));
    EXPECT_EQ(Column({QStringLiteral("select leadid from ckprof p order by p.'end' desc ,leadid")}, QStringLiteral("leadid")),
              QStringList({QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1")}));
}

TEST_F(TDialect, TableNamesTakeTheExtensionAndAnyCase)
{
    for (const char* name : {"ckActs.DB", "CKACTS", "ckacts.db", "\"ckActs.DB\""}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Column({QStringLiteral("select description from %1 order by id").arg(QString::fromLatin1(name))}, QStringLiteral("description")),
                  QStringList({QStringLiteral("Karate"), QStringLiteral("Yoga")}));
    }
    Exec(QStringLiteral("insert into \"User\" (ID, EmpID, Level1) values (7, 'X', 1)"));
    EXPECT_EQ(Column({QStringLiteral("select EmpID from User.DB u where u.ID = 7")}, QStringLiteral("empid")), QStringList({QStringLiteral("X")}));
}

TEST_F(TDialect, ParametersMatchWithoutRegardToCase)
{
    TQuery query;
    query.SQL() << QStringLiteral("select leadno from lead where lastname = :PName and memberno > :pMin");
    query.SetParam(QStringLiteral("pname"), QStringLiteral("Clark"));
    query.SetParam(QStringLiteral("PMIN"), 0);
    query.Open();
    EXPECT_EQ(query.FieldAsInteger(QStringLiteral("leadno")), 3);

    query.Close();
    EXPECT_THROW(query.SetParam(QStringLiteral("nosuch"), 1), EDatabaseError);
}

TEST_F(TDialect, ParameterWithoutValueIsAnError)
{
    TQuery query;
    query.SQL() << QStringLiteral("delete from lead where leadno = :id");
    try {
        query.ExecSQL();
        FAIL() << "ran";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.EngineMessage(), QStringLiteral("No value for parameter 'id'"));
    }
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from lead")).at(0).at(0).toInt(), 3);
}

TEST_F(TDialect, DateParametersAreStoredAsTheColumnExpects)
{
    TQuery query;
    query.SQL() << QStringLiteral("insert into ckprof (leadid, activityid, start, ckprof.'end') values (:l, 5, :s, :e)");
    query.SetParam(QStringLiteral("l"), 9);
    query.SetParam(QStringLiteral("s"), QDateTime(QDate(2011, 2, 3), QTime(10, 0)));
    query.SetParam(QStringLiteral("e"), QDate(2011, 4, 5));
    query.ExecSQL();
    const QList<QVariantList> rows = Rows(QStringLiteral("select start, \"end\" from ckprof where leadid = 9"));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.at(0).at(0).toString(), QStringLiteral("2011-02-03"));
    EXPECT_EQ(rows.at(0).at(1).toString(), QStringLiteral("2011-04-05"));
}

TEST_F(TDialect, QuotesInsideTextLiteralsAreKept)
{
    Exec(QStringLiteral("insert into lead values (4, 104, 'O''Brien', 'Pat', '', 1)"));
    EXPECT_EQ(Column({QStringLiteral("select lastname+', '+firstname as n from lead where lastname = 'O''Brien'")}, QStringLiteral("n")),
              QStringList({QStringLiteral("O'Brien, Pat")}));
}

TEST_F(TDialect, BadStatementsCarryTheEngineMessage)
{
    struct
    {
        const char* Sql;
        const char* EngineMessage;
    } rows[] = {
        {"select nosuch from ckacts", "no such column: nosuch"},
        {"select * from Foo", "no such table: Foo"},
        {"select * from ckacts where", "incomplete input"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Sql);
        TQuery query;
        query.SQL() << QString::fromLatin1(row.Sql);
        try {
            query.Open();
            ADD_FAILURE() << "opened";
        } catch (const EDatabaseError& error) {
            EXPECT_EQ(error.EngineMessage(), QString::fromLatin1(row.EngineMessage));
            EXPECT_EQ(error.Context(), QStringLiteral("Unable to prepare statement"));
            EXPECT_TRUE(error.Message().contains(QString::fromLatin1(row.EngineMessage)));
        }
    }
}

TEST_F(TDialect, OnlyOneStatementRuns)
{
    TQuery query;
    query.SQL() << QStringLiteral("select * from ckacts; delete from ckprof");
    EXPECT_THROW(query.Open(), EDatabaseError);
    EXPECT_EQ(CkprofRows(), 3);
}
