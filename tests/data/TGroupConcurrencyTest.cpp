// Several workstations creating groups at the same moment, each a process of the group worker: every
// group gets its own id and exactly its members, and no workstation fails, on the SQLite file as on
// the server. The PostgreSQL case needs the test server and skips, saying why, without it.
#include "TDemoDatabase.h"
#include "TSession.h"
#include "TSqlSchema.h"
#include "TStatementLines.h"
#include "TTestServer.h"
#include "SqlRows.h"
#include <QMap>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int Workstations = 5;
constexpr int Rounds = 20;

class TGroupConcurrency : public ::testing::TestWithParam<TSqlEngine>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        TSession::Instance().Reset();
        if (GetParam() == sePostgres) {
            SKIP_WITHOUT_TEST_SERVER();
            m_server = TTestServer::NewDatabase();
            m_aliases = CreateClubDatabase(m_dir.path(), m_server);
        } else {
            m_aliases = CreateClubDatabase(m_dir.path());
        }
        TSession::Instance().SetAliasFile(m_aliases);
        QSqlQuery query(TSession::Instance().Database(QStringLiteral("Brelmdata")));
        for (const QString& sql : SmallClubRows())
            ASSERT_TRUE(query.exec(sql)) << qPrintable(query.lastError().text());
    }

    void TearDown() override
    {
        TSession::Instance().Reset();
        if (!m_server.Host.isEmpty())
            TTestServer::DropDatabase(m_server);
    }

    QTemporaryDir m_dir;
    TDemoServer m_server;
    QString m_aliases;
};

// The next line the worker prints; empty when it ended first (its error is then on stderr).
QByteArray ReadLine(QProcess& worker)
{
    while (!worker.canReadLine()) {
        if (!worker.waitForReadyRead(60000))
            return {};
    }
    return worker.readLine().trimmed();
}

} // namespace

// As at a club where five front desks each press Create Group at the same moment, twenty times over.
// The workstations are slower the higher their number: each one still holds its transaction open while
// the others try to begin theirs.
TEST_P(TGroupConcurrency, FiveWorkstationsTwentyRoundsAllSucceedWithTheirOwnGroups)
{
    std::unique_ptr<QProcess> workers[Workstations];
    for (int w = 0; w < Workstations; ++w) {
        workers[w] = std::make_unique<QProcess>();
        workers[w]->start(QStringLiteral(GROUP_WORKER_PATH),
                          {m_aliases, QStringLiteral("workstation %1").arg(w + 1), QString::number(Rounds), QString::number(5 * w)});
        ASSERT_TRUE(workers[w]->waitForStarted(30000)) << qPrintable(workers[w]->errorString());
    }
    for (auto& worker : workers)
        ASSERT_EQ(ReadLine(*worker), QByteArray("ready")) << worker->readAllStandardError().toStdString();

    QMap<int, QString> owners; // group id -> the name its workstation gave it
    for (int round = 1; round <= Rounds; ++round) {
        // QProcess hands written data to the pipe only when asked to: all five go before any is read.
        for (auto& worker : workers) {
            worker->write("go\n");
            ASSERT_TRUE(worker->waitForBytesWritten(30000));
        }
        for (int w = 0; w < Workstations; ++w) {
            const QByteArray line = ReadLine(*workers[w]);
            ASSERT_FALSE(line.isEmpty()) << "workstation " << w + 1 << " failed in round " << round << ": "
                                         << workers[w]->readAllStandardError().toStdString();
            const int id = line.left(line.indexOf(' ')).toInt();
            EXPECT_FALSE(owners.contains(id)) << "group id " << id << " was reported twice";
            owners.insert(id, QString::fromUtf8(line.mid(line.indexOf(' ') + 1)));
        }
    }
    for (auto& worker : workers) {
        ASSERT_TRUE(worker->waitForFinished(30000));
        EXPECT_EQ(worker->exitCode(), 0) << worker->readAllStandardError().toStdString();
    }
    ASSERT_EQ(owners.size(), Workstations * Rounds);

    // Each id holds the group its workstation made, with exactly the admitted people (Adams, Baker,
    // Davis, Evans).
    QMap<int, QString> stored;
    for (const QVariantList& row : SqlRows(QStringLiteral("select id, groupname from groups")))
        stored.insert(row.at(0).toInt(), row.at(1).toString());
    EXPECT_EQ(stored, owners);
    EXPECT_EQ(SqlRows(QStringLiteral("select groupid from grpdata group by groupid"
                                     " having count(*) <> 4 or min(leadid) <> 1 or max(leadid) <> 5 or sum(leadid) <> 12")),
              QList<QVariantList>());
    EXPECT_EQ(SqlRows(QStringLiteral("select count(*) from grpdata")), (QList<QVariantList>{{4 * Workstations * Rounds}}));
}

INSTANTIATE_TEST_SUITE_P(Engines, TGroupConcurrency, ::testing::Values(seSqlite, sePostgres),
                         [](const auto& info) { return std::string(info.param == sePostgres ? "Postgres" : "Sqlite"); });
