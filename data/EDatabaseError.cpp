#include "EDatabaseError.h"
#include <QSqlError>

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

QString EDatabaseError::Message() const
{
    return Compose(m_context, m_engineMessage);
}
