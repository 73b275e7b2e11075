#include "TTable.h"
#include "EDatabaseError.h"
#include "RowsRead.h"
#include "TSession.h"
#include "TSqlSchema.h"
#include <QSqlError>
#include <QSqlQuery>

namespace {
const QString ClosedTable = QStringLiteral("Cannot perform this operation on a closed table");

// The record's identity. SQLite has the rowid; PostgreSQL has the physical row address (page, item),
// packed here into one number. The address changes when a row is updated, so Post reads it back.
QString RowIdColumn(TSqlEngine engine)
{
    return engine == sePostgres ? QStringLiteral("((ctid::text::point)[0]::bigint * 65536 + (ctid::text::point)[1]::bigint)")
                                : QStringLiteral("rowid");
}

QString RowOrder(TSqlEngine engine)
{
    return engine == sePostgres ? QStringLiteral("ctid") : QStringLiteral("rowid");
}

QString RowMatch(TSqlEngine engine)
{
    return engine == sePostgres ? QStringLiteral("ctid = ?") : QStringLiteral("rowid = ?");
}

QVariant RowIdValue(TSqlEngine engine, qint64 rowId)
{
    if (engine == sePostgres)
        return QStringLiteral("(%1,%2)").arg(rowId / 65536).arg(rowId % 65536);
    return rowId;
}
} // namespace

TTable::TTable(const QString& databaseName, const QString& tableName)
    : m_databaseName(databaseName)
    , m_tableName(tableName)
{
}

void TTable::SetDatabaseName(const QString& alias)
{
    Close();
    m_databaseName = alias;
}

void TTable::SetTableName(const QString& name)
{
    Close();
    m_tableName = name;
}

void TTable::SetIndexFieldNames(const QString& names)
{
    m_indexFields.clear();
    for (const QString& name : names.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!name.trimmed().isEmpty())
            m_indexFields.append(name.trimmed());
    }
    if (m_active) {
        const qint64 current = (m_records.isEmpty() || m_eof) ? -1 : m_rowIds.at(m_current);
        Load(current);
    }
}

void TTable::Open()
{
    if (m_active)
        return;
    const QString context = QStringLiteral("Unable to open table");
    const TSqlSchema schema(TSession::Instance().Database(m_databaseName));
    m_engineTable = schema.EngineTableName(m_tableName);
    if (m_engineTable.isEmpty())
        throw EDatabaseError(context, QStringLiteral("Table does not exist: %1").arg(m_tableName));
    m_fields.clear();
    m_fieldIndex.clear();
    const QList<TColumnInfo> columns = schema.Columns(m_engineTable);
    for (int i = 0; i < columns.size(); ++i) {
        m_fields.append(TFieldDef{columns.at(i).Name, columns.at(i).Type, columns.at(i).Size});
        m_fieldIndex.insert(columns.at(i).Name.toLower(), i);
    }
    m_active = true;
    try {
        Load(-1);
    } catch (...) {
        m_active = false;
        throw;
    }
}

void TTable::Load(qint64 currentRowId)
{
    m_indexColumns.clear();
    for (const QString& name : std::as_const(m_indexFields)) {
        const int column = m_fieldIndex.value(name.toLower(), -1);
        if (column < 0)
            throw EDatabaseError(QStringLiteral("Unable to open table %1").arg(m_tableName), QStringLiteral("Field '%1' not found").arg(name));
        m_indexColumns.append(column);
    }
    const QSqlDatabase database = TSession::Instance().Database(m_databaseName);
    const TSqlEngine engine = TSqlSchema::EngineOf(database);
    QStringList columnList;
    for (const TFieldDef& field : std::as_const(m_fields))
        columnList.append(TSqlSchema::QuoteIdentifier(field.Name, engine));
    QStringList order;
    for (int column : std::as_const(m_indexColumns))
        order.append(TSqlSchema::QuoteIdentifier(m_fields.at(column).Name, engine));
    order.append(RowOrder(engine));
    const QString sql = QStringLiteral("select %1, %2 from %3 order by %4")
                            .arg(RowIdColumn(engine), columnList.join(QLatin1Char(',')), TSqlSchema::QuoteIdentifier(m_engineTable, engine),
                                 order.join(QLatin1Char(',')));

    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw EDatabaseError::FromSqlError(QStringLiteral("Unable to open table %1").arg(m_tableName), query.lastError(), database);
    m_records.clear();
    m_rowIds.clear();
    m_current = 0;
    while (query.next()) {
        CountRowRead();
        const qint64 rowId = query.value(0).toLongLong();
        QVariantList record;
        record.reserve(m_fields.size());
        for (int i = 0; i < m_fields.size(); ++i)
            record.append(TSqlSchema::FromStorage(m_fields.at(i).DataType, query.value(i + 1)));
        if (rowId == currentRowId)
            m_current = int(m_records.size());
        m_records.append(record);
        m_rowIds.append(rowId);
    }
    m_eof = m_records.isEmpty();
    m_state = tsBrowse;
}

void TTable::Close()
{
    m_active = false;
    m_records.clear();
    m_rowIds.clear();
    m_current = 0;
    m_eof = true;
    m_state = tsBrowse;
}

void TTable::RequireActive() const
{
    if (!m_active)
        throw EDatabaseError(ClosedTable, m_tableName);
}

void TTable::First()
{
    RequireActive();
    m_state = tsBrowse;
    m_current = 0;
    m_eof = m_records.isEmpty();
}

void TTable::Next()
{
    RequireActive();
    m_state = tsBrowse;
    // As with the desktop engine, moving past the last record sets Eof and keeps the last one current.
    if (m_current + 1 < m_records.size())
        ++m_current;
    else
        m_eof = true;
}

bool TTable::Eof() const
{
    return !m_active || m_eof;
}

int TTable::RecordCount() const
{
    RequireActive();
    return int(m_records.size());
}

bool TTable::FindKey(const QVariantList& keyValues)
{
    RequireActive();
    if (m_indexColumns.isEmpty())
        throw EDatabaseError(QStringLiteral("No index chosen for table %1").arg(m_tableName), {});
    if (keyValues.isEmpty() || keyValues.size() > m_indexColumns.size())
        throw EDatabaseError(QStringLiteral("Wrong number of key values for table %1").arg(m_tableName), {});
    QVariantList wanted;
    for (int k = 0; k < keyValues.size(); ++k) {
        const TFieldType type = m_fields.at(m_indexColumns.at(k)).DataType;
        wanted.append(TSqlSchema::FromStorage(type, TSqlSchema::ToStorage(type, keyValues.at(k))));
    }
    for (int r = 0; r < m_records.size(); ++r) {
        bool match = true;
        for (int k = 0; k < wanted.size() && match; ++k)
            match = m_records.at(r).at(m_indexColumns.at(k)) == wanted.at(k);
        if (match) {
            m_state = tsBrowse;
            m_current = r;
            m_eof = false;
            return true;
        }
    }
    return false;
}

int TTable::FieldNumber(const QString& name) const
{
    RequireActive();
    const int number = m_fieldIndex.value(name.toLower(), -1);
    if (number < 0)
        throw EDatabaseError(QStringLiteral("Field not found"), QStringLiteral("%1: %2").arg(m_tableName, name));
    return number;
}

QVariant TTable::FieldValue(const QString& name) const
{
    const int number = FieldNumber(name);
    if (m_state != tsBrowse)
        return m_buffer.at(number);
    if (m_records.isEmpty())
        return {};
    return m_records.at(m_current).at(number);
}

QString TTable::FieldAsString(const QString& name) const
{
    return FieldValue(name).toString();
}

qint32 TTable::FieldAsInteger(const QString& name) const
{
    return FieldValue(name).toInt();
}

bool TTable::FieldAsBoolean(const QString& name) const
{
    return FieldValue(name).toBool();
}

QDateTime TTable::FieldAsDateTime(const QString& name) const
{
    return TSqlSchema::AsDateTime(FieldValue(name));
}

bool TTable::FieldIsNull(const QString& name) const
{
    return FieldValue(name).isNull();
}

void TTable::Append()
{
    RequireActive();
    if (m_readOnly)
        throw EDatabaseError(QStringLiteral("Cannot modify a read-only table"), m_tableName);
    m_state = tsInsert;
    m_buffer = QVariantList(m_fields.size());
    m_assigned = QList<bool>(m_fields.size(), false);
}

void TTable::Edit()
{
    RequireActive();
    if (m_readOnly)
        throw EDatabaseError(QStringLiteral("Cannot modify a read-only table"), m_tableName);
    if (m_records.isEmpty())
        throw EDatabaseError(QStringLiteral("Cannot edit an empty table"), m_tableName);
    m_state = tsEdit;
    m_buffer = m_records.at(m_current);
    m_assigned = QList<bool>(m_fields.size(), false);
}

void TTable::SetField(const QString& name, const QVariant& value)
{
    const int number = FieldNumber(name);
    if (m_state == tsBrowse)
        throw EDatabaseError(QStringLiteral("Table is not in edit or insert mode"), m_tableName);
    const TFieldType type = m_fields.at(number).DataType;
    m_buffer[number] = TSqlSchema::FromStorage(type, TSqlSchema::ToStorage(type, value));
    m_assigned[number] = true;
}

void TTable::Post()
{
    RequireActive();
    if (m_state == tsBrowse)
        return;
    const QSqlDatabase database = TSession::Instance().Database(m_databaseName);
    const TSqlEngine engine = TSqlSchema::EngineOf(database);
    QStringList columns;
    QVariantList values;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_assigned.at(i)) {
            columns.append(TSqlSchema::QuoteIdentifier(m_fields.at(i).Name, engine));
            values.append(TSqlSchema::ToStorage(m_fields.at(i).DataType, m_buffer.at(i), engine));
        }
    }
    const QString table = TSqlSchema::QuoteIdentifier(m_engineTable, engine);
    QString sql;
    if (m_state == tsInsert) {
        sql = columns.isEmpty() ? QStringLiteral("insert into %1 default values").arg(table)
                                : QStringLiteral("insert into %1 (%2) values (%3)")
                                      .arg(table, columns.join(QLatin1Char(',')), QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')));
    } else {
        if (columns.isEmpty()) {
            m_state = tsBrowse;
            return;
        }
        for (QString& column : columns)
            column += QStringLiteral(" = ?");
        sql = QStringLiteral("update %1 set %2 where %3").arg(table, columns.join(QLatin1Char(',')), RowMatch(engine));
        values.append(RowIdValue(engine, m_rowIds.at(m_current)));
    }
    if (engine == sePostgres)
        sql += QStringLiteral(" returning ") + RowIdColumn(engine);
    QSqlQuery query(database);
    if (!query.prepare(sql))
        throw EDatabaseError::FromSqlError(QStringLiteral("Unable to post record to %1").arg(m_tableName), query.lastError(), database);
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    // The record stays in insert or edit mode when the engine refuses it, so the caller may Cancel.
    if (!query.exec())
        throw EDatabaseError::FromSqlError(QStringLiteral("Unable to post record to %1").arg(m_tableName), query.lastError(), database);
    qint64 rowId = m_state == tsInsert ? query.lastInsertId().toLongLong() : m_rowIds.at(m_current);
    if (engine == sePostgres && query.next())
        rowId = query.value(0).toLongLong();
    query.finish();
    Load(rowId);
}

void TTable::Cancel()
{
    m_state = tsBrowse;
    m_buffer.clear();
    m_assigned.clear();
}
