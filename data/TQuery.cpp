#include "TQuery.h"
#include "EDatabaseError.h"
#include "RowsRead.h"
#include "TLocalSqlTranslator.h"
#include "TSession.h"
#include "TSqlSchema.h"
#include "TSqliteStatement.h"
#include <QDateTime>
#include <algorithm>
#include <climits>
#include <QSqlError>
#include <QSqlRecord>

namespace {
QStringList ColumnNames(const QSqlRecord& record)
{
    QStringList names;
    for (int c = 0; c < record.count(); ++c)
        names << record.fieldName(c);
    return names;
}
} // namespace

TQuery::TQuery(const QString& databaseName) : m_databaseName(databaseName) {}

TQuery::~TQuery() = default;

void TQuery::SetDatabaseName(const QString& alias)
{
    Close();
    m_query.reset();
    m_sqlite.reset();
    m_prepared = false;
    m_translatedFrom.clear();
    m_databaseName = alias;
}

void TQuery::Translate()
{
    const QString text = m_sql.join(QLatin1Char('\n'));
    if (!m_translatedFrom.isNull() && text == m_translatedFrom)
        return;
    const TSqlSchema schema(TSession::Instance().Database(m_databaseName));
    const TTranslatedSql translated = TLocalSqlTranslator(schema).Translate(text);
    m_engineSql = translated.Sql;
    m_paramOrder = translated.Params;
    m_paramTypes = translated.ParamTypes;
    m_columnDefs = translated.Columns;
    m_translatedFrom = text;
    m_prepared = false;
}

QString TQuery::EngineSql()
{
    Translate();
    return m_engineSql;
}

void TQuery::Prepare()
{
    Close();
    Translate();
    m_query.reset();
    m_sqlite.reset();
    m_prepared = false;
    const QSqlDatabase database = TSession::Instance().Database(m_databaseName);
    if (TSqliteStatement::Handle(database)) {
        m_sqlite = std::make_unique<TSqliteStatement>(database, m_engineSql, QStringLiteral("Unable to prepare statement"));
        m_prepared = true;
        return;
    }
    m_query = std::make_unique<QSqlQuery>(database);
    // Forward-only: the engine hands out one row at a time instead of caching the whole result.
    m_query->setForwardOnly(true);
    if (!m_query->prepare(m_engineSql)) {
        const QSqlError error = m_query->lastError();
        m_query.reset();
        throw EDatabaseError::FromSqlError(QStringLiteral("Unable to prepare statement"), error, database);
    }
    m_prepared = true;
}

void TQuery::SetParam(const QString& name, const QVariant& value)
{
    const QString key = name.toLower();
    if (m_prepared && m_sql.join(QLatin1Char('\n')) == m_translatedFrom && !m_paramOrder.contains(key))
        throw EDatabaseError(QStringLiteral("Parameter not found"), name);
    m_params.insert(key, value);
}

// The text changed, or the connection the statement was prepared on has closed since.
bool TQuery::NeedsPrepare() const
{
    return !m_prepared || m_sql.join(QLatin1Char('\n')) != m_translatedFrom || (m_sqlite && m_sqlite->Released());
}

// Binds the parameters and runs the statement; on SQLite it runs up to its first row at the first fetch.
void TQuery::BindAndExec(const QString& context)
{
    const QSqlDatabase database = TSession::Instance().Database(m_databaseName);
    const TSqlEngine engine = TSqlSchema::EngineOf(database);
    QList<QVariant> values;
    for (int i = 0; i < m_paramOrder.size(); ++i) {
        const auto value = m_params.constFind(m_paramOrder.at(i));
        if (value == m_params.constEnd())
            throw EDatabaseError(context, QStringLiteral("No value for parameter '%1'").arg(m_paramOrder.at(i)));
        values << TSqlSchema::ToStorage(m_paramTypes.value(i, ftUnknown), *value, engine);
    }
    if (m_sqlite) {
        m_sqlite->Bind(values, context);
        return;
    }
    for (int i = 0; i < values.size(); ++i)
        m_query->bindValue(i, values.at(i));
    if (!m_query->exec())
        throw EDatabaseError::FromSqlError(context, m_query->lastError(), database);
}

bool TQuery::FetchNext(const QString& context)
{
    if (m_sqlite) {
        if (!m_sqlite->Step(context))
            return false;
    } else if (!m_query->next()) {
        // A failure must not pass for the end of the rows: the report would come out short.
        if (m_query->lastError().isValid())
            throw EDatabaseError::FromSqlError(context, m_query->lastError(),
                                               TSession::Instance().Database(m_databaseName));
        return false;
    }
    CountRowRead();
    return true;
}

void TQuery::Open()
{
    Close();
    if (NeedsPrepare())
        Prepare();
    const QString context = QStringLiteral("Unable to open query");
    BindAndExec(context);
    const bool select = m_sqlite ? m_sqlite->ReturnsRows() : m_query->isSelect();
    if (!select) {
        EndStatement();
        throw EDatabaseError(context, QStringLiteral("The statement returns no result set"));
    }
    BuildFields(m_sqlite ? m_sqlite->ColumnNames() : ColumnNames(m_query->record()));
    m_active = true;
    m_moved = false;
    try {
        // Other workstations wait to write while a SQLite file is being read: the rows are read at
        // once and the file left free while the caller works through them. A server's readers never
        // hold up its writers.
        if (m_sqlite)
            m_sqlite->FetchAll(context);
        m_eof = !FetchNext(context);
    } catch (...) {
        Close();
        throw;
    }
}

void TQuery::ExecSQL()
{
    Close();
    if (NeedsPrepare())
        Prepare();
    const QString context = QStringLiteral("Unable to execute statement");
    BindAndExec(context);
    if (m_sqlite)
        m_sqlite->Step(context);
    EndStatement();
}

// Ends the statement's read of the database, whichever engine runs it; it can run again.
void TQuery::EndStatement()
{
    if (m_sqlite)
        m_sqlite->Reset();
    else if (m_query)
        m_query->finish();
}

void TQuery::Close()
{
    if (m_active)
        EndStatement();
    m_active = false;
    m_eof = true;
    m_moved = false;
}

void TQuery::First()
{
    if (!m_active)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed query"), {});
    if (!m_moved)
        return;
    const QString context = QStringLiteral("Unable to open query");
    if (m_sqlite && m_sqlite->Buffered()) {
        m_sqlite->Rewind();
    } else {
        // A forward-only result cannot go back: run the statement again.
        BindAndExec(context);
    }
    m_moved = false;
    m_eof = !FetchNext(context);
}

void TQuery::Next()
{
    if (!m_active || m_eof)
        return;
    m_moved = true;
    m_eof = !FetchNext(QStringLiteral("Unable to fetch row"));
}

void TQuery::SetFieldDefs(const QList<TFieldDef>& defs)
{
    m_fieldDefs = defs;
}

void TQuery::BuildFields(const QStringList& columnNames)
{
    m_fields.clear();
    m_fieldIndex.clear();
    QHash<QString, int> columns; // lower-case result name -> first column with it
    for (int c = int(columnNames.size()) - 1; c >= 0; --c)
        columns.insert(columnNames.at(c).toLower(), c);

    if (!m_fieldDefs.isEmpty()) {
        for (const TFieldDef& def : std::as_const(m_fieldDefs)) {
            const auto column = columns.constFind(def.Name.toLower());
            if (column == columns.constEnd()) {
                EndStatement();
                throw EDatabaseError(QStringLiteral("Unable to open query"), QStringLiteral("Field '%1' not found").arg(def.Name));
            }
            m_fields.append(TBoundField{def, *column});
        }
    } else {
        // The translator's column list matches the result column for column when it could read every item.
        const bool parallel = m_columnDefs.size() == columnNames.size();
        for (int c = 0; c < columnNames.size(); ++c) {
            TFieldDef def;
            def.Name = columnNames.at(c);
            if (parallel) {
                def.DataType = m_columnDefs.at(c).DataType;
                def.Size = m_columnDefs.at(c).Size;
            } else {
                for (const TFieldDef& known : std::as_const(m_columnDefs)) {
                    if (known.Name.compare(def.Name, Qt::CaseInsensitive) == 0) {
                        def.DataType = known.DataType;
                        def.Size = known.Size;
                        break;
                    }
                }
            }
            m_fields.append(TBoundField{def, c});
        }
    }
    for (int i = m_fields.size() - 1; i >= 0; --i)
        m_fieldIndex.insert(m_fields.at(i).Def.Name.toLower(), i);
}

QList<TFieldDef> TQuery::Fields() const
{
    if (!m_active)
        return m_fieldDefs;
    QList<TFieldDef> defs;
    defs.reserve(m_fields.size());
    for (const TBoundField& field : m_fields)
        defs.append(field.Def);
    return defs;
}

int TQuery::FieldIndex(const QString& name) const
{
    return m_fieldIndex.value(name.toLower(), -1);
}

int TQuery::RequireField(const QString& name) const
{
    if (!m_active)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed query"), {});
    const int index = FieldIndex(name);
    if (index < 0)
        throw EDatabaseError(QStringLiteral("Field not found"), name);
    return index;
}

QVariant TQuery::FieldValue(int index) const
{
    if (!m_active)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed query"), {});
    if (index < 0 || index >= m_fields.size())
        throw EDatabaseError(QStringLiteral("Field index out of range"), QString::number(index));
    if (m_eof)
        return {};
    const TBoundField& field = m_fields.at(index);
    QVariant value = m_sqlite ? m_sqlite->Value(field.Column, field.Def.DataType)
                              : TSqlSchema::FromStorage(field.Def.DataType, m_query->value(field.Column));
    if (field.Def.DataType == ftString && field.Def.Size > 0 && value.typeId() == QMetaType::QString) {
        // Sized in place: copying the text on every read showed in fetch profiles.
        const QString& text = *static_cast<const QString*>(value.constData());
        if (text.size() > field.Def.Size)
            return text.left(field.Def.Size);
    }
    return value;
}

QVariant TQuery::FieldValue(const QString& name) const
{
    return FieldValue(RequireField(name));
}

QString TQuery::FieldAsString(const QString& name) const
{
    return FieldValue(name).toString();
}

qint32 TQuery::FieldAsInteger(const QString& name) const
{
    return FieldValue(name).toInt();
}

bool TQuery::FieldAsBoolean(const QString& name) const
{
    return FieldValue(name).toBool();
}

QDateTime TQuery::FieldAsDateTime(const QString& name) const
{
    return TSqlSchema::AsDateTime(FieldValue(name));
}

bool TQuery::FieldIsNull(const QString& name) const
{
    return FieldValue(name).isNull();
}

int TQuery::RecordCount() const
{
    if (!m_active)
        return -1;
    if (m_sqlite)
        return m_sqlite->Buffered() ? int(std::min<qint64>(m_sqlite->BufferedRows(), INT_MAX)) : -1;
    return m_query ? m_query->size() : -1;
}
