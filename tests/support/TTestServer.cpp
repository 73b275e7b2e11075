#include "TTestServer.h"
#include "EDatabaseError.h"
#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {
const QString AdminConnection = QStringLiteral("pgtest:admin");

QString Host()
{
    return qEnvironmentVariable("ACTIVITYREP_PGTEST_HOST");
}

int Port()
{
    const int port = qEnvironmentVariableIntValue("ACTIVITYREP_PGTEST_PORT");
    return port > 0 ? port : 5432;
}

// Runs one statement on the server's maintenance database.
void Admin(const QString& sql)
{
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), AdminConnection);
        database.setHostName(Host());
        database.setPort(Port());
        database.setDatabaseName(QStringLiteral("postgres"));
        database.setUserName(QStringLiteral("postgres"));
        if (!database.open())
            throw EDatabaseError::FromSqlError(QStringLiteral("Unable to reach the test server at %1").arg(Host()), database.lastError());
        QSqlQuery query(database);
        if (!query.exec(sql))
            throw EDatabaseError::FromSqlError(sql, query.lastError());
    }
    QSqlDatabase::removeDatabase(AdminConnection);
}
} // namespace

QString TTestServer::SkipReason()
{
    const QString host = Host();
    if (host.isEmpty())
        return QStringLiteral("no PostgreSQL test server: ACTIVITYREP_PGTEST_HOST is not set "
                              "(ctest starts one with tools/pg-test-server)");
    QFile unavailable(QDir(host).filePath(QStringLiteral("unavailable")));
    if (unavailable.open(QIODevice::ReadOnly))
        return QStringLiteral("no PostgreSQL test server: ") + QString::fromUtf8(unavailable.readAll()).trimmed();
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return QStringLiteral("no PostgreSQL test server: Qt's PostgreSQL driver is not installed (libqt6sql6-psql)");
    return {};
}

TDemoServer TTestServer::NewDatabase()
{
    static QAtomicInt counter;
    TDemoServer server;
    server.Host = Host();
    server.Port = Port();
    server.User = QStringLiteral("postgres");
    server.Database = QStringLiteral("club_%1_%2_%3")
                          .arg(QCoreApplication::applicationPid())
                          .arg(counter.fetchAndAddRelaxed(1))
                          .arg(QRandomGenerator::global()->bounded(1000000));
    Admin(QStringLiteral("create database %1").arg(server.Database));
    return server;
}

void TTestServer::DropDatabase(const TDemoServer& server)
{
    // "with (force)" ends connections a failed test may have left open.
    Admin(QStringLiteral("drop database if exists %1 with (force)").arg(server.Database));
}
