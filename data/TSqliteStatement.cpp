#include "TSqliteStatement.h"

#include "EDatabaseError.h"
#include "TSqlSchema.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QUuid>
#include <algorithm>
#include <sqlite3.h>
#include <vector>

namespace {

// The prepared statements of the process, so a connection's can be finalized before it closes.
std::vector<TSqliteStatement*>& Statements()
{
    static std::vector<TSqliteStatement*> statements;
    return statements;
}

// What Qt's driver binds as NULL: an empty variant and the null or invalid values of these types.
bool IsNullParameter(const QVariant& value)
{
    if (value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::QString: return static_cast<const QString*>(value.constData())->isNull();
    case QMetaType::QByteArray: return static_cast<const QByteArray*>(value.constData())->isNull();
    case QMetaType::QDateTime: return !static_cast<const QDateTime*>(value.constData())->isValid();
    case QMetaType::QDate: return !static_cast<const QDate*>(value.constData())->isValid();
    case QMetaType::QTime: return !static_cast<const QTime*>(value.constData())->isValid();
    case QMetaType::QUuid: return static_cast<const QUuid*>(value.constData())->isNull();
    default: return false;
    }
}

int BindText(sqlite3_stmt* statement, int position, const QString& text)
{
    return sqlite3_bind_text16(statement, position, text.constData(), int(text.size() * sizeof(QChar)),
                               SQLITE_TRANSIENT);
}

bool IsAscii(const char* text, int size)
{
    return std::all_of(text, text + size, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

sqlite3* TSqliteStatement::Handle(const QSqlDatabase& database)
{
    if (database.driverName() != QLatin1String("QSQLITE") || !database.isOpen() || !database.driver())
        return nullptr;
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

void TSqliteStatement::ReleaseConnection(sqlite3* handle)
{
    for (TSqliteStatement* statement : Statements()) {
        if (statement->m_handle == handle)
            statement->Finalize();
    }
}

TSqliteStatement::TSqliteStatement(const QSqlDatabase& database, const QString& sql, const QString& context)
    : m_handle(Handle(database)), m_connection(database.connectionName())
{
    if (!m_handle)
        throw EDatabaseError(context, QStringLiteral("The connection is not an open SQLite database"));
    const QByteArray text = sql.toUtf8();
    const char* tail = nullptr;
    const int code = sqlite3_prepare_v2(m_handle, text.constData(), int(text.size()) + 1, &m_statement, &tail);
    if (code != SQLITE_OK)
        Fail(context, code);
    // As through Qt Sql: one statement at a time, and a statement that is only a comment is none.
    if (tail && !QByteArray(tail).trimmed().isEmpty()) {
        // Not yet known to the connection's list: finalized here, or it would keep the file open.
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        Fail(context, SQLITE_MISUSE, QStringLiteral("Unable to execute multiple statements at a time"));
    }
    if (!m_statement)
        Fail(context, SQLITE_MISUSE, QStringLiteral("The statement is empty"));
    Statements().push_back(this);
}

TSqliteStatement::~TSqliteStatement()
{
    Finalize();
    std::erase(Statements(), this);
}

void TSqliteStatement::Finalize()
{
    if (m_statement)
        sqlite3_finalize(m_statement);
    m_statement = nullptr;
}

void TSqliteStatement::Fail(const QString& context, int code, const QString& message)
{
    const QString engineMessage = message.isEmpty() ? QString::fromUtf8(sqlite3_errmsg(m_handle)) : message;
    // Ends the statement's read of the database, so a failure holds no lock.
    if (m_statement)
        sqlite3_reset(m_statement);
    const QSqlError error(QString(), engineMessage, QSqlError::StatementError, QString::number(code));
    throw EDatabaseError::FromSqlError(context, error, QSqlDatabase::database(m_connection, false));
}

bool TSqliteStatement::ReturnsRows() const
{
    return m_statement && sqlite3_column_count(m_statement) > 0;
}

QStringList TSqliteStatement::ColumnNames() const
{
    QStringList names;
    const int count = m_statement ? sqlite3_column_count(m_statement) : 0;
    for (int column = 0; column < count; ++column)
        names << QString::fromUtf8(sqlite3_column_name(m_statement, column)).remove(QLatin1Char('"'));
    return names;
}

void TSqliteStatement::Reset()
{
    // The statement's own failure was reported when it happened.
    if (m_statement)
        sqlite3_reset(m_statement);
}

void TSqliteStatement::Bind(const QList<QVariant>& values, const QString& context)
{
    if (!m_statement)
        throw EDatabaseError(context, QStringLiteral("The database connection was closed"));
    sqlite3_reset(m_statement);
    if (sqlite3_bind_parameter_count(m_statement) != values.size())
        Fail(context, SQLITE_RANGE, QStringLiteral("Parameter count mismatch"));
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& value = values.at(i);
        const int position = i + 1;
        int code = SQLITE_OK;
        if (IsNullParameter(value)) {
            code = sqlite3_bind_null(m_statement, position);
        } else {
            switch (value.typeId()) {
            case QMetaType::QByteArray: {
                const QByteArray bytes = value.toByteArray();
                code = sqlite3_bind_blob(m_statement, position, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
                break;
            }
            case QMetaType::Int:
            case QMetaType::Bool: code = sqlite3_bind_int(m_statement, position, value.toInt()); break;
            case QMetaType::Double: code = sqlite3_bind_double(m_statement, position, value.toDouble()); break;
            case QMetaType::UInt:
            case QMetaType::LongLong: code = sqlite3_bind_int64(m_statement, position, value.toLongLong()); break;
            case QMetaType::QDateTime:
                code = BindText(m_statement, position, value.toDateTime().toString(Qt::ISODateWithMs));
                break;
            case QMetaType::QTime:
                code = BindText(m_statement, position, value.toTime().toString(QStringLiteral("hh:mm:ss.zzz")));
                break;
            default: code = BindText(m_statement, position, value.toString()); break;
            }
        }
        if (code != SQLITE_OK)
            Fail(context, code);
    }
}

bool TSqliteStatement::Step(const QString& context)
{
    if (!m_statement)
        throw EDatabaseError(context, QStringLiteral("The database connection was closed"));
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    Fail(context, code);
}

QVariant TSqliteStatement::Value(int column, TFieldType type) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER: {
        const qint64 value = sqlite3_column_int64(m_statement, column);
        switch (type) {
        case ftSmallint:
        case ftInteger: return int(value);
        case ftCurrency:
        case ftFloat: return double(value);
        default: return TSqlSchema::FromStorage(type, qlonglong(value));
        }
    }
    case SQLITE_FLOAT: {
        const double value = sqlite3_column_double(m_statement, column);
        if (type == ftCurrency || type == ftFloat)
            return value;
        return TSqlSchema::FromStorage(type, value);
    }
    case SQLITE_BLOB:
        return TSqlSchema::FromStorage(
            type, QByteArray(static_cast<const char*>(sqlite3_column_blob(m_statement, column)),
                             sqlite3_column_bytes(m_statement, column)));
    default: {
        // Text of ASCII characters (nearly all of a club's) reads the same in every encoding; other text
        // goes through UTF-16 exactly as Qt's driver reads it, invalid bytes included.
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        const int size = sqlite3_column_bytes(m_statement, column);
        if (text && IsAscii(text, size))
            return TSqlSchema::FromStoredText(type, QLatin1StringView(text, size));
        const auto* utf16 = static_cast<const QChar*>(sqlite3_column_text16(m_statement, column));
        const int bytes = sqlite3_column_bytes16(m_statement, column);
        return TSqlSchema::FromStorage(type, QString(utf16, bytes / qsizetype(sizeof(QChar))));
    }
    }
}
