#include "BenchServer.h"

#include "EDatabaseError.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString ProbeConnection = QStringLiteral("bench:server");

// Runs `work` on a connection to the database of the server, closed again afterwards.
template <typename Work>
auto WithConnection(const TDemoServer& server, const QString& database, Work work)
{
    struct TCloser
    {
        ~TCloser() { QSqlDatabase::removeDatabase(ProbeConnection); }
    } closer;
    QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), ProbeConnection);
    connection.setHostName(server.Host);
    connection.setPort(server.Port);
    connection.setDatabaseName(database);
    connection.setUserName(server.User);
    connection.setPassword(server.Password);
    if (!connection.isValid())
        throw EDatabaseError(QStringLiteral("Unable to reach the server %1").arg(server.Host),
                             QStringLiteral("The PostgreSQL driver of Qt Sql is not available"));
    if (!connection.open())
        throw EDatabaseError::FromSqlError(
            QStringLiteral("Unable to open the database %1 on %2").arg(database, server.Host), connection.lastError());
    QSqlQuery query(connection);
    return work(query);
}

} // namespace

TDemoServer BenchServerDatabase(const TBenchOptions& options, int size)
{
    TDemoServer server;
    if (options.ServerHost.isEmpty())
        return server;
    server.Host = options.ServerHost;
    server.Port = options.ServerPort;
    server.User = options.ServerUser.isEmpty() ? DefaultServerUser() : options.ServerUser;
    server.Database = QStringLiteral("activityrep_bench_%1_s%2").arg(size).arg(options.Seed);
    return server;
}

void EnsureServerDatabase(const TDemoServer& server)
{
    WithConnection(server, QStringLiteral("postgres"), [&](QSqlQuery& query) {
        query.prepare(QStringLiteral("select 1 from pg_database where datname = ?"));
        query.addBindValue(server.Database);
        if (!query.exec())
            throw EDatabaseError::FromSqlError(QStringLiteral("Unable to list the databases of %1").arg(server.Host),
                                               query.lastError());
        if (query.next())
            return;
        // The name is made by the benchmark from digits and letters only: safe to splice.
        const QString create = QStringLiteral("create database %1").arg(server.Database);
        if (!query.exec(create))
            throw EDatabaseError::FromSqlError(create, query.lastError());
    });
}

qint64 ServerEnrolments(const TDemoServer& server)
{
    try {
        return WithConnection(server, server.Database, [](QSqlQuery& query) -> qint64 {
            if (!query.exec(QStringLiteral("select count(*) from ckprof")) || !query.next())
                return -1;
            return query.value(0).toLongLong();
        });
    } catch (const EDatabaseError&) {
        return -1;
    }
}

QStringList PsqlArguments(const TDemoServer& server)
{
    return {QStringLiteral("--no-psqlrc"), QStringLiteral("--no-password"), QStringLiteral("--quiet"), QStringLiteral("--no-align"),
            QStringLiteral("--tuples-only"), QStringLiteral("--set=ON_ERROR_STOP=1"),
            QStringLiteral("--host=") + server.Host, QStringLiteral("--port=") + QString::number(server.Port),
            QStringLiteral("--username=") + server.User, QStringLiteral("--dbname=") + server.Database};
}
