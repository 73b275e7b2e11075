#pragma once
#include <QString>
#include <QStringList>

// A transaction on an alias's connection: Commit() keeps the work, otherwise the destructor rolls it back.
// Writers take turns: on SQLite it holds the write lock from the start (a second writer waits up to the
// busy timeout). A server lets writers run side by side; a caller whose work must not interleave with
// another's (it reads back what it inserted) names the tables it writes, and the transaction locks them
// against other writers from the start, so such transactions queue while readers go on reading.
class TTransaction
{
public:
    explicit TTransaction(const QString& databaseName = QStringLiteral("Brelmdata"), const QStringList& lockedTables = {});
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
