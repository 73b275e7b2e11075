#pragma once
#include <QString>

// A transaction on an alias's connection: Commit() keeps the work, otherwise the destructor rolls it back.
// Writers take turns: on SQLite it holds the write lock from the start (a second writer waits up to the
// busy timeout), on a PostgreSQL server it locks the groups table, so concurrent Create Group runs queue.
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
