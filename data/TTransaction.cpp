#include "TTransaction.h"
#include "EDatabaseError.h"
#include "TSession.h"
#include <QSqlDatabase>
#include "TSqlSchema.h"
#include <QSqlError>
#include <QSqlQuery>

namespace {
// Locks each named table in a mode that conflicts with itself and with plain inserts: a second
// transaction naming the same table waits until the first commits and then sees its rows, while
// readers are not held up. Only a server needs it; SQLite has one writer at a time anyway. A table the
// database does not hold is left alone.
void LockTables(QSqlDatabase& database, const QStringList& tables)
{
    if (tables.isEmpty())
        return;
    const TSqlSchema schema(database);
    if (schema.Engine() != sePostgres)
        return;
    for (const QString& table : tables) {
        const QString engineName = schema.EngineTableName(table);
        if (engineName.isEmpty())
            continue;
        QSqlQuery query(database);
        if (!query.exec(QStringLiteral("lock table %1 in share row exclusive mode").arg(schema.Quote(engineName)))) {
            const QSqlError error = query.lastError();
            database.rollback();
            throw EDatabaseError::FromSqlError(QStringLiteral("Unable to start a transaction"), error, database);
        }
    }
}

// A plain BEGIN on SQLite starts as a reader and asks for the write lock only at the first write. If
// another workstation is writing then, SQLite cannot wait (two readers upgrading would deadlock) and
// fails at once with "database is locked", whatever the busy timeout. Taking the write lock at the
// start makes a second writer wait for the first, up to the busy timeout. Readers are not held up.
void Begin(QSqlDatabase& database)
{
    const QString context = QStringLiteral("Unable to start a transaction");
    if (TSqlSchema::EngineOf(database) != seSqlite) {
        if (!database.transaction())
            throw EDatabaseError::FromSqlError(context, database.lastError(), database);
        return;
    }
    // The driver's COMMIT and ROLLBACK end this transaction as they would end its own.
    QSqlQuery begin(database);
    if (!begin.exec(QStringLiteral("begin immediate")))
        throw EDatabaseError::FromSqlError(context, begin.lastError(), database);
}
} // namespace

TTransaction::TTransaction(const QString& databaseName, const QStringList& lockedTables) : m_databaseName(databaseName)
{
    QSqlDatabase database = TSession::Instance().Database(m_databaseName);
    Begin(database);
    LockTables(database, lockedTables);
    m_active = true;
}

TTransaction::~TTransaction()
{
    if (m_active) {
        try {
            Rollback();
        } catch (...) {
            // a destructor must not throw; the connection rolls back when it closes anyway
        }
    }
}

void TTransaction::Commit()
{
    if (!m_active)
        throw EDatabaseError(QStringLiteral("No transaction is active"), {});
    QSqlDatabase database = TSession::Instance().Database(m_databaseName);
    if (!database.commit())
        throw EDatabaseError::FromSqlError(QStringLiteral("Unable to commit the transaction"), database.lastError(), database);
    m_active = false;
}

void TTransaction::Rollback()
{
    if (!m_active)
        return;
    m_active = false;
    QSqlDatabase database = TSession::Instance().Database(m_databaseName);
    if (!database.rollback())
        throw EDatabaseError::FromSqlError(QStringLiteral("Unable to roll back the transaction"), database.lastError(), database);
}
