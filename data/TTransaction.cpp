#include "TTransaction.h"
#include "EDatabaseError.h"
#include "TSession.h"
#include <QSqlDatabase>
#include <QSqlError>

TTransaction::TTransaction(const QString& databaseName) : m_databaseName(databaseName)
{
    QSqlDatabase database = TSession::Instance().Database(m_databaseName);
    if (!database.transaction())
        throw EDatabaseError::FromSqlError(QStringLiteral("Unable to start a transaction"), database.lastError());
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
        throw EDatabaseError::FromSqlError(QStringLiteral("Unable to commit the transaction"), database.lastError());
    m_active = false;
}

void TTransaction::Rollback()
{
    if (!m_active)
        return;
    m_active = false;
    QSqlDatabase database = TSession::Instance().Database(m_databaseName);
    if (!database.rollback())
        throw EDatabaseError::FromSqlError(QStringLiteral("Unable to roll back the transaction"), database.lastError());
}
