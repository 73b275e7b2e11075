#include "EDatabaseError.h"
#include "TClubFixture.h"
#include "TSession.h"
#include "TTable.h"
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {
class TTableOps : public TClubFixture
{
protected:
    void SetUp() override
    {
        TClubFixture::SetUp();
        Exec(QStringLiteral("insert into ckacts values (5, 'Yoga'), (3, 'Karate'), (7, 'Pilates')"));
        Exec(QStringLiteral("insert into \"User\" (ID, EmpID, Password, FirstName, MI, LastName, Level1, MonStart, EmpActive)"
                            " values (1, 'MANAGER', 'secret', 'Maria', null, 'Lopez', 9, '08:15:00.000', 1),"
                            " (2, 'CLERK', 'clerk', 'Tom', 'J', 'Baker', 1, null, 0)"));
    }
};
} // namespace

TEST_F(TTableOps, OpensByNameWithOrWithoutExtensionInAnyCase)
{
    struct
    {
        const char* Name;
        int Records;
    } rows[] = {{"ckActs.DB", 3}, {"CKACTS", 3}, {"ckacts.db", 3}, {"User.DB", 2},
                {"user", 2},      {"Security", 0}, {"SECURITY.DB", 0}, {"UserEvents", 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TTable table(QStringLiteral("brelmDATA"), QString::fromLatin1(row.Name));
        table.Open();
        EXPECT_TRUE(table.Active());
        EXPECT_EQ(table.RecordCount(), row.Records);
        EXPECT_EQ(table.Eof(), row.Records == 0);
    }
}

TEST_F(TTableOps, MissingTableIsAnEngineError)
{
    TTable table(QStringLiteral("Brelmdata"), QStringLiteral("Foo.DB"));
    try {
        table.Open();
        FAIL() << "opened";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Unable to open table: Table does not exist: Foo.DB"));
    }
    EXPECT_FALSE(table.Active());
}

// What would otherwise look like a missing table: the file held by another program, a file that is
// no database, a database without any table.
TEST_F(TTableOps, ALockedOrForeignClubFileIsNamedAsSuch)
{
    const QString file = QDir(Folder()).filePath(QStringLiteral("Data/club.db"));
    const auto openError = [](const QString& aliasFile) {
        TSession::Instance().SetAliasFile(aliasFile);
        TSession::Instance().SetBusyTimeout(200);
        try {
            TTable(QStringLiteral("Brelmdata"), QStringLiteral("ckActs.DB")).Open();
        } catch (const EDatabaseError& error) {
            return error.Message();
        }
        return QStringLiteral("opened");
    };
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other program"));
        other.setDatabaseName(file);
        ASSERT_TRUE(other.open());
        QSqlQuery lock(other);
        ASSERT_TRUE(lock.exec(QStringLiteral("pragma locking_mode = exclusive")));
        ASSERT_TRUE(lock.exec(QStringLiteral("begin exclusive")));
        TSession::Instance().Reset();
        EXPECT_EQ(openError(AliasFile()),
                  QStringLiteral("The club database %1 stayed locked beyond the wait of 0.2 s: database is locked").arg(file));
        lock.exec(QStringLiteral("rollback"));
        lock.finish();
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other program"));
    EXPECT_EQ(openError(AliasFile()), QStringLiteral("opened")); // the lock's gone: the next use tries afresh

    const struct
    {
        const char* Case;
        QByteArray Content;
        const char* Reason;
    } foreign[] = {
        {"text file", QByteArray("Club members\n").repeated(100), "file is not a database"},
        {"empty file", {}, "It holds no tables"},
    };
    for (const auto& row : foreign) {
        SCOPED_TRACE(row.Case);
        QTemporaryDir dir;
        QFile database(dir.filePath(QStringLiteral("club.db")));
        ASSERT_TRUE(database.open(QIODevice::WriteOnly));
        database.write(row.Content);
        database.close();
        QFile aliases(dir.filePath(QStringLiteral("aliases.ini")));
        ASSERT_TRUE(aliases.open(QIODevice::WriteOnly));
        aliases.write("[Brelmdata]\nDRIVER=SQLITE\nPATH=" + dir.path().toUtf8() + "\n");
        aliases.close();
        EXPECT_EQ(openError(aliases.fileName()),
                  QStringLiteral("%1 is not a club database: %2").arg(database.fileName(), QString::fromLatin1(row.Reason)));
        TSession::Instance().Reset();
    }
}

TEST_F(TTableOps, WalksInIndexOrderAndKeepsTheLastRecordAtEof)
{
    TTable table(QStringLiteral("Brelmdata"), QStringLiteral("ckActs.DB"));
    table.SetIndexFieldNames(QStringLiteral("Description"));
    table.Open();
    QStringList names;
    for (table.First(); !table.Eof(); table.Next())
        names << table.FieldAsString(QStringLiteral("description"));
    EXPECT_EQ(names, QStringList({QStringLiteral("Karate"), QStringLiteral("Pilates"), QStringLiteral("Yoga")}));
    EXPECT_EQ(table.FieldAsInteger(QStringLiteral("ID")), 5);

    table.SetIndexFieldNames(QStringLiteral("id"));
    table.First();
    EXPECT_EQ(table.FieldAsInteger(QStringLiteral("id")), 3);
    EXPECT_FALSE(table.Eof());
}

TEST_F(TTableOps, FindKeyMakesTheFoundRecordCurrent)
{
    TTable table(QStringLiteral("Brelmdata"), QStringLiteral("User.DB"));
    table.SetReadOnly(true);
    table.SetIndexFieldNames(QStringLiteral("EmpID"));
    table.Open();
    EXPECT_TRUE(table.FindKey({QStringLiteral("CLERK")}));
    EXPECT_EQ(table.FieldAsInteger(QStringLiteral("ID")), 2);
    // texts compare exactly, as the user table's index did
    EXPECT_FALSE(table.FindKey({QStringLiteral("clerk")}));
    EXPECT_FALSE(table.FindKey({QStringLiteral("CLERK ")}));
    EXPECT_EQ(table.FieldAsInteger(QStringLiteral("ID")), 2); // a miss leaves the current record

    table.SetIndexFieldNames(QStringLiteral("ID"));
    EXPECT_TRUE(table.FindKey({1}));
    EXPECT_EQ(table.FieldAsString(QStringLiteral("EmpID")), QStringLiteral("MANAGER"));
    EXPECT_FALSE(table.FindKey({0}));
}

TEST_F(TTableOps, ReadsFieldsByTypeAndTellsNull)
{
    TTable table(QStringLiteral("Brelmdata"), QStringLiteral("User.DB"));
    table.SetIndexFieldNames(QStringLiteral("ID"));
    table.Open();
    ASSERT_TRUE(table.FindKey({1}));
    EXPECT_TRUE(table.FieldIsNull(QStringLiteral("MI")));
    EXPECT_EQ(table.FieldAsString(QStringLiteral("mi")), QString());
    EXPECT_FALSE(table.FieldIsNull(QStringLiteral("FirstName")));
    EXPECT_EQ(table.FieldAsInteger(QStringLiteral("Level1")), 9);
    EXPECT_TRUE(table.FieldAsBoolean(QStringLiteral("EmpActive")));
    EXPECT_EQ(table.FieldAsDateTime(QStringLiteral("MonStart")), QDateTime(QDate(1899, 12, 30), QTime(8, 15)));
    EXPECT_TRUE(table.FieldIsNull(QStringLiteral("Zip")));
    ASSERT_TRUE(table.FindKey({2}));
    EXPECT_FALSE(table.FieldAsBoolean(QStringLiteral("EmpActive")));
    EXPECT_TRUE(table.FieldIsNull(QStringLiteral("MonStart")));
    EXPECT_THROW(table.FieldValue(QStringLiteral("NoSuchField")), EDatabaseError);
}

TEST_F(TTableOps, AppendPostWritesTheRecordAndMakesItCurrent)
{
    TTable table(QStringLiteral("Brelmdata"), QStringLiteral("UserEvents"));
    table.Open();
    const QDateTime when(QDate(2010, 3, 15), QTime(9, 5, 7, 123));
    table.Append();
    table.SetField(QStringLiteral("userid"), 2);
    table.SetField(QStringLiteral("EventType"), QStringLiteral("Logged In"));
    table.SetField(QStringLiteral("EventTimeStamp"), when);
    table.Post();
    EXPECT_EQ(table.RecordCount(), 1);
    EXPECT_EQ(table.FieldAsInteger(QStringLiteral("id")), 1);
    EXPECT_EQ(table.FieldAsDateTime(QStringLiteral("EventTimeStamp")), when);

    const QList<QVariantList> rows = Rows(QStringLiteral("select UserID, EventType, EventTimeStamp from UserEvents"));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.at(0).at(0).toInt(), 2);
    EXPECT_EQ(rows.at(0).at(1).toString(), QStringLiteral("Logged In"));
    EXPECT_EQ(rows.at(0).at(2).toString(), QStringLiteral("2010-03-15 09:05:07.123"));
}

TEST_F(TTableOps, CancelAndReadOnlyWriteNothing)
{
    TTable table(QStringLiteral("Brelmdata"), QStringLiteral("UserEvents"));
    table.Open();
    table.Append();
    table.SetField(QStringLiteral("EventType"), QStringLiteral("Logged Out"));
    table.Cancel();
    table.Post();
    EXPECT_THROW(table.SetField(QStringLiteral("EventType"), QStringLiteral("x")), EDatabaseError);
    table.Close();

    table.SetReadOnly(true);
    table.Open();
    EXPECT_THROW(table.Append(), EDatabaseError);
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from UserEvents")).at(0).at(0).toInt(), 0);
}

TEST_F(TTableOps, EditPostChangesTheCurrentRecord)
{
    TTable table(QStringLiteral("Brelmdata"), QStringLiteral("ckacts"));
    table.SetIndexFieldNames(QStringLiteral("id"));
    table.Open();
    ASSERT_TRUE(table.FindKey({7}));
    table.Edit();
    table.SetField(QStringLiteral("description"), QStringLiteral("Mat Pilates"));
    table.Post();
    EXPECT_EQ(table.FieldAsString(QStringLiteral("description")), QStringLiteral("Mat Pilates"));
    EXPECT_EQ(Rows(QStringLiteral("select description from ckacts where id = 7")).at(0).at(0).toString(), QStringLiteral("Mat Pilates"));
}

TEST_F(TTableOps, PostRefusedByTheEngineCarriesItsMessage)
{
    TTable table(QStringLiteral("Brelmdata"), QStringLiteral("ckacts"));
    table.Open();
    table.Append();
    table.SetField(QStringLiteral("id"), 3);
    try {
        table.Post();
        FAIL() << "posted a duplicate key";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.EngineMessage().contains(QStringLiteral("UNIQUE constraint failed"))) << qPrintable(error.Message());
    }
}
