#include "TSqliteStatement.h"

#include "EDatabaseError.h"
#include "TSqlSchema.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QUuid>
#include <algorithm>
#include <cstring>
#include <limits>
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
    ClearBuffer();
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
    ClearBuffer();
    // The statement's own failure was reported when it happened.
    if (m_statement)
        sqlite3_reset(m_statement);
}

void TSqliteStatement::Bind(const QList<QVariant>& values, const QString& context)
{
    if (!m_statement)
        throw EDatabaseError(context, QStringLiteral("The database connection was closed"));
    ClearBuffer();
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
    if (m_buffered)
        return NextBufferedRow();
    if (!m_statement)
        throw EDatabaseError(context, QStringLiteral("The database connection was closed"));
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    Fail(context, code);
}

QVariant TSqliteStatement::CellValue(const TCell& cell, TFieldType type)
{
    switch (cell.Type) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        switch (type) {
        case ftSmallint:
        case ftInteger:
            // A stored value beyond the field's range is delivered as it is stored, not wrapped around.
            if (cell.Integer < std::numeric_limits<int>::min() || cell.Integer > std::numeric_limits<int>::max())
                return qlonglong(cell.Integer);
            return int(cell.Integer);
        case ftCurrency:
        case ftFloat: return double(cell.Integer);
        default: return TSqlSchema::FromStorage(type, qlonglong(cell.Integer));
        }
    case SQLITE_FLOAT:
        if (type == ftCurrency || type == ftFloat)
            return cell.Float;
        return TSqlSchema::FromStorage(type, cell.Float);
    case SQLITE_BLOB:
        return TSqlSchema::FromStorage(type, QByteArray(cell.Data, cell.Size));
    default:
        // Text of ASCII characters (nearly all of a club's) reads the same in every encoding; other text
        // goes through UTF-16 exactly as Qt's driver reads it, invalid bytes included.
        if (!cell.Utf16)
            return TSqlSchema::FromStoredText(type, QLatin1StringView(cell.Data, cell.Size));
        return TSqlSchema::FromStorage(
            type, QString(reinterpret_cast<const QChar*>(cell.Data), cell.Size / qsizetype(sizeof(QChar))));
    }
}

namespace {

// Buffered rows: per field a tag byte, then the value: 4 or 8 bytes of an integer, 8 of a float, or a
// 4-byte length and the bytes of a text or blob.
enum TTag : char { tgNull, tgInt32, tgInt64, tgFloat, tgText, tgText16, tgBlob };

constexpr qint64 ChunkSize = qint64(4) << 20;

template <typename T>
void Put(QByteArray& row, T value)
{
    row.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T>
T Take(const char*& at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    at += sizeof value;
    return value;
}

} // namespace

void TSqliteStatement::AppendRow()
{
    QByteArray& row = m_scratch;
    row.clear();
    const int columns = sqlite3_column_count(m_statement);
    for (int column = 0; column < columns; ++column) {
        switch (sqlite3_column_type(m_statement, column)) {
        case SQLITE_NULL:
            row.append(char(tgNull));
            break;
        case SQLITE_INTEGER: {
            const qint64 value = sqlite3_column_int64(m_statement, column);
            if (value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max()) {
                row.append(char(tgInt32));
                Put(row, qint32(value));
            } else {
                row.append(char(tgInt64));
                Put(row, value);
            }
            break;
        }
        case SQLITE_FLOAT:
            row.append(char(tgFloat));
            Put(row, sqlite3_column_double(m_statement, column));
            break;
        case SQLITE_BLOB: {
            const int size = sqlite3_column_bytes(m_statement, column);
            row.append(char(tgBlob));
            Put(row, qint32(size));
            row.append(static_cast<const char*>(sqlite3_column_blob(m_statement, column)), size);
            break;
        }
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
            const int size = sqlite3_column_bytes(m_statement, column);
            if (!text || IsAscii(text, size)) {
                row.append(char(tgText));
                Put(row, qint32(size));
                row.append(text, size);
            } else {
                const auto* utf16 = static_cast<const char*>(sqlite3_column_text16(m_statement, column));
                const int bytes = sqlite3_column_bytes16(m_statement, column);
                row.append(char(tgText16));
                Put(row, qint32(bytes));
                row.append(utf16, bytes);
            }
            break;
        }
        }
    }
    const qint64 size = row.size();
    if (m_chunks.empty() || m_chunks.back().Used + size > m_chunks.back().Capacity) {
        const qint64 capacity = std::max(ChunkSize, size);
        m_chunks.push_back(TChunk{std::make_unique_for_overwrite<char[]>(size_t(capacity)), 0, capacity});
        m_bufferedBytes += capacity;
    }
    TChunk& chunk = m_chunks.back();
    std::memcpy(chunk.Data.get() + chunk.Used, row.constData(), size_t(size));
    chunk.Used += size;
}

void TSqliteStatement::FetchAll(const QString& context)
{
    ClearBuffer();
    // A row of no fields takes no bytes: count them apart.
    try {
        while (Step(context)) {
            AppendRow();
            ++m_bufferedRows;
        }
    } catch (...) {
        ClearBuffer();
        throw;
    }
    m_scratch = QByteArray();
    sqlite3_reset(m_statement);
    m_buffered = true;
    Rewind();
}

void TSqliteStatement::Rewind()
{
    m_readChunk = 0;
    m_readOffset = 0;
    m_readRows = 0;
    m_row.clear();
}

qint64 TSqliteStatement::BufferedBytes() const
{
    return m_bufferedBytes;
}

void TSqliteStatement::ClearBuffer()
{
    m_buffered = false;
    m_chunks.clear();
    m_bufferedBytes = 0;
    m_bufferedRows = 0;
    Rewind();
}

bool TSqliteStatement::NextBufferedRow()
{
    if (m_readRows >= m_bufferedRows)
        return false;
    while (m_readChunk < m_chunks.size() && m_readOffset >= m_chunks[m_readChunk].Used) {
        ++m_readChunk;
        m_readOffset = 0;
    }
    const int columns = sqlite3_column_count(m_statement);
    m_row.resize(size_t(columns));
    const char* at = m_readChunk < m_chunks.size() ? m_chunks[m_readChunk].Data.get() + m_readOffset : nullptr;
    const char* const start = at;
    for (TCell& cell : m_row) {
        cell = TCell();
        switch (*at++) {
        case tgNull: cell.Type = SQLITE_NULL; break;
        case tgInt32: cell.Type = SQLITE_INTEGER; cell.Integer = Take<qint32>(at); break;
        case tgInt64: cell.Type = SQLITE_INTEGER; cell.Integer = Take<qint64>(at); break;
        case tgFloat: cell.Type = SQLITE_FLOAT; cell.Float = Take<double>(at); break;
        default: {
            const char tag = at[-1];
            cell.Type = tag == tgBlob ? SQLITE_BLOB : SQLITE_TEXT;
            cell.Utf16 = tag == tgText16;
            cell.Size = Take<qint32>(at);
            cell.Data = at;
            at += cell.Size;
            break;
        }
        }
    }
    m_readOffset += at - start;
    ++m_readRows;
    return true;
}

QVariant TSqliteStatement::Value(int column, TFieldType type) const
{
    if (m_buffered)
        return column >= 0 && size_t(column) < m_row.size() ? CellValue(m_row[size_t(column)], type) : QVariant();
    TCell cell;
    cell.Type = sqlite3_column_type(m_statement, column);
    switch (cell.Type) {
    case SQLITE_NULL: break;
    case SQLITE_INTEGER: cell.Integer = sqlite3_column_int64(m_statement, column); break;
    case SQLITE_FLOAT: cell.Float = sqlite3_column_double(m_statement, column); break;
    case SQLITE_BLOB:
        cell.Data = static_cast<const char*>(sqlite3_column_blob(m_statement, column));
        cell.Size = sqlite3_column_bytes(m_statement, column);
        break;
    default: {
        cell.Data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        cell.Size = sqlite3_column_bytes(m_statement, column);
        if (cell.Data && !IsAscii(cell.Data, cell.Size)) {
            cell.Utf16 = true;
            cell.Data = static_cast<const char*>(sqlite3_column_text16(m_statement, column));
            cell.Size = sqlite3_column_bytes16(m_statement, column);
        }
        break;
    }
    }
    return CellValue(cell, type);
}
