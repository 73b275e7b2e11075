#include "EDatabaseError.h"
#include <QSqlDatabase>
#include <QSqlError>
#include <sqlite3.h>

namespace {
QString Compose(const QString& context, const QString& engineMessage)
{
    if (context.isEmpty())
        return engineMessage;
    if (engineMessage.isEmpty())
        return context;
    return context + QStringLiteral(": ") + engineMessage;
}
} // namespace

EDatabaseError::EDatabaseError(const QString& context, const QString& engineMessage, const QString& nativeCode)
    : std::runtime_error(Compose(context, engineMessage).toStdString())
    , m_context(context)
    , m_engineMessage(engineMessage)
    , m_nativeCode(nativeCode)
{
}

EDatabaseError EDatabaseError::FromSqlError(const QString& context, const QSqlError& error)
{
    // The driver text ("Unable to execute statement") is Qt's own context; the database text is the
    // engine's message, which is what tells the user what went wrong.
    QString engine = error.databaseText();
    if (engine.isEmpty())
        engine = error.driverText();
    return EDatabaseError(context, engine, error.nativeErrorCode());
}

EDatabaseError EDatabaseError::FromSqlError(const QString& context, const QSqlError& error, const QSqlDatabase& database)
{
    const EDatabaseError plain = FromSqlError(context, error);
    if (database.driverName() != QLatin1String("QSQLITE"))
        return plain;
    bool numeric = false;
    // The primary result code is the low byte of an extended one.
    const int code = error.nativeErrorCode().toInt(&numeric) & 0xFF;
    if (!numeric)
        return plain;
    const QString file = database.databaseName();
    if (code == SQLITE_BUSY)
        return EDatabaseError(QStringLiteral("The club database %1 is locked by another program").arg(file),
                              plain.EngineMessage(), plain.NativeCode());
    if (code == SQLITE_NOTADB)
        return NotAClubDatabase(file, plain.EngineMessage(), plain.NativeCode());
    return plain;
}

EDatabaseError EDatabaseError::NotAClubDatabase(const QString& file, const QString& reason, const QString& nativeCode)
{
    return EDatabaseError(QStringLiteral("%1 is not a club database").arg(file), reason, nativeCode);
}

QString EDatabaseError::Message() const
{
    return Compose(m_context, m_engineMessage);
}
