#pragma once
#include <QString>

// A transaction on an alias's connection: Commit() keeps the work, otherwise the destructor rolls it back.
// On a PostgreSQL server it also locks the groups table, so concurrent Create Group runs take turns.
class TTransaction
{
public:
    explicit TTransaction(const QString& databaseName = QStringLiteral("Brelmdata"));
    ~TTransaction();
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;

    void Commit();
    void Rollback();
    bool Active() const { return m_active; }

private:
    QString m_databaseName;
    bool m_active = false;
};
