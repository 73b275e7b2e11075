#pragma once
#include <QString>
#include <stdexcept>

class QSqlDatabase;
class QSqlError;

// The one exception of the database layer. Like QSqlError it keeps our own context ("Unable to open
// table") apart from the engine's message ("no such table: Foo"); Message() composes both for the user.
class EDatabaseError : public std::runtime_error
{
public:
    EDatabaseError(const QString& context, const QString& engineMessage, const QString& nativeCode = {});

    // Every failure reported by Qt Sql is turned into an exception here and nowhere else.
    static EDatabaseError FromSqlError(const QString& context, const QSqlError& error);
    // The same for a failure on `database`, where two causes get a context of their own because the
    // engine's words do not tell the user what to do: a club database that another program holds
    // locked beyond the wait, and a file that is not a database at all.
    static EDatabaseError FromSqlError(const QString& context, const QSqlError& error, const QSqlDatabase& database);
    // "FILE is not a club database", with the reason.
    static EDatabaseError NotAClubDatabase(const QString& file, const QString& reason, const QString& nativeCode = {});

    QString Context() const { return m_context; }
    QString EngineMessage() const { return m_engineMessage; }
    QString NativeCode() const { return m_nativeCode; }

    // "Context: engine message"; either part alone when the other is empty.
    QString Message() const;

private:
    QString m_context;
    QString m_engineMessage;
    QString m_nativeCode;
};
