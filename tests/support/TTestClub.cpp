#include "TTestClub.h"

#include "CommonState.h"
#include "TbrmIniFile.h"
#include "WorkstationFingerprint.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

TTestClub::TTestClub(const QString& dataFolder, bool makeConfigFolder) : TClubFolder(ResetCommonState)
{
    const QString dataPath = Root() + dataFolder;
    QDir().mkpath(dataPath);
    SetConfigFolder(dataFolder.endsWith(QLatin1Char('/')) ? dataPath + QStringLiteral("Config/")
                                                          : QFileInfo(dataPath).path() + QStringLiteral("/Config/"));
    if (makeConfigFolder)
        QDir().mkpath(ConfigFolder());
    WriteAliasFile("[Brelmdata]\nDRIVER=SQLITE\nPATH=" + dataPath.toUtf8() + "\n");

    static int connections = 0;
    m_connection = QStringLiteral("comm_test_%1").arg(++connections);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(dataPath + QStringLiteral("/club.db"));
    EXPECT_TRUE(db.open());
    Exec(QStringLiteral("PRAGMA synchronous = OFF"));
    Exec(QStringLiteral("CREATE TABLE \"User\" (ID INTEGER PRIMARY KEY, EmpID VARCHAR(8), Password VARCHAR(8), "
                        "FirstName VARCHAR(15), MI VARCHAR(1), LastName VARCHAR(20), Group1 VARCHAR(8), Level1 INTEGER, "
                        "Group2 VARCHAR(8), Group3 VARCHAR(8), MonStart TIME, MonEnd TIME, TueStart TIME, TueEnd TIME, "
                        "WedStart TIME, WedEnd TIME, ThuStart TIME, ThuEnd TIME, FriStart TIME, FriEnd TIME, "
                        "SatStart TIME, SatEnd TIME, SunStart TIME, SunEnd TIME, EmpActive BOOLEAN)"));
    Exec(QStringLiteral("CREATE TABLE Security (Keyword VARCHAR(40), Level1 INTEGER, Level2 INTEGER, Level3 INTEGER)"));
    Exec(QStringLiteral("CREATE TABLE UserEvents (UserID INTEGER, EventType VARCHAR(20), EventTimeStamp TIMESTAMP)"));

    SetPrompt(&Prompt);
    SetMachine("test-workstation");
    TbrmIniFile::SetTerminate([this] { ++TerminateRequests; });
}

TTestClub::~TTestClub()
{
    // The base resets the common services after this.
    QSqlDatabase::database(m_connection).close();
    QSqlDatabase::removeDatabase(m_connection);
}

void TTestClub::Exec(const QString& sql, const QVariantList& values)
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    EXPECT_TRUE(query.exec()) << query.lastError().text().toStdString();
}

QStringList TTestClub::Column(const QString& sql)
{
    QStringList values;
    QSqlQuery query(QSqlDatabase::database(m_connection));
    EXPECT_TRUE(query.exec(sql)) << query.lastError().text().toStdString();
    while (query.next())
        values << query.value(0).toString();
    return values;
}

// Every user is called Smith and works Mondays 8:30 to 17:00.
void TTestClub::AddUser(int id, const QString& empId, const QString& password, const QString& firstName,
                        const QString& middleInitial, int level1, bool active)
{
    Exec(QStringLiteral("INSERT INTO \"User\" (ID, EmpID, Password, FirstName, MI, LastName, Group1, Level1, "
                        "MonStart, MonEnd, EmpActive) VALUES (?, ?, ?, ?, ?, 'Smith', 'STAFF', ?, '08:30:00.000', "
                        "'17:00:00.000', ?)"),
         {id, empId, password, firstName.isNull() ? QVariant() : QVariant(firstName), middleInitial, level1,
          active ? 1 : 0});
}

void TTestClub::AddRight(const QString& keyword, int level1)
{
    Exec(QStringLiteral("INSERT INTO Security (Keyword, Level1, Level2, Level3) VALUES (?, ?, 99, 99)"),
         {keyword, level1});
}

void TTestClub::SetMachine(const QByteArray& machineId)
{
    SetFingerprintSources([machineId] { return TFingerprintSources{.MachineId = machineId}; });
}
