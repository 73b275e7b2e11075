#include "TSqlSchema.h"
#include <cmath>
#include <limits>
#include "EDatabaseError.h"
#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTime>

namespace {
// Reserved words of SQLite (and the SQL standard words it treats specially) that need quotes as names.
const QStringList& ReservedWords()
{
    static const QStringList words = {
        QStringLiteral("ABORT"), QStringLiteral("ACTION"), QStringLiteral("ADD"), QStringLiteral("AFTER"),
        QStringLiteral("ALL"), QStringLiteral("ALTER"), QStringLiteral("ANALYZE"), QStringLiteral("AND"),
        QStringLiteral("AS"), QStringLiteral("ASC"), QStringLiteral("BEFORE"), QStringLiteral("BEGIN"),
        QStringLiteral("BETWEEN"), QStringLiteral("BY"), QStringLiteral("CASE"), QStringLiteral("CAST"),
        QStringLiteral("CHECK"), QStringLiteral("COLLATE"), QStringLiteral("COLUMN"), QStringLiteral("COMMIT"),
        QStringLiteral("CONSTRAINT"), QStringLiteral("CREATE"), QStringLiteral("CROSS"),
        QStringLiteral("CURRENT_DATE"), QStringLiteral("CURRENT_TIME"), QStringLiteral("CURRENT_TIMESTAMP"),
        QStringLiteral("DEFAULT"), QStringLiteral("DELETE"), QStringLiteral("DESC"), QStringLiteral("DISTINCT"),
        QStringLiteral("DROP"), QStringLiteral("ELSE"), QStringLiteral("END"), QStringLiteral("ESCAPE"),
        QStringLiteral("EXCEPT"), QStringLiteral("EXISTS"), QStringLiteral("FOREIGN"), QStringLiteral("FROM"),
        QStringLiteral("FULL"), QStringLiteral("GROUP"), QStringLiteral("GROUPS"), QStringLiteral("HAVING"),
        QStringLiteral("IN"), QStringLiteral("INDEX"), QStringLiteral("INNER"), QStringLiteral("INSERT"),
        QStringLiteral("INTERSECT"), QStringLiteral("INTO"), QStringLiteral("IS"), QStringLiteral("ISNULL"),
        QStringLiteral("JOIN"), QStringLiteral("KEY"), QStringLiteral("LEFT"), QStringLiteral("LIKE"),
        QStringLiteral("LIMIT"), QStringLiteral("NATURAL"), QStringLiteral("NOT"), QStringLiteral("NOTNULL"),
        QStringLiteral("NULL"), QStringLiteral("OF"), QStringLiteral("OFFSET"), QStringLiteral("ON"),
        QStringLiteral("OR"), QStringLiteral("ORDER"), QStringLiteral("OUTER"), QStringLiteral("PRIMARY"),
        QStringLiteral("REFERENCES"), QStringLiteral("RIGHT"), QStringLiteral("ROLLBACK"), QStringLiteral("ROW"),
        QStringLiteral("SELECT"), QStringLiteral("SET"), QStringLiteral("TABLE"), QStringLiteral("THEN"),
        QStringLiteral("TO"), QStringLiteral("TRANSACTION"), QStringLiteral("UNION"), QStringLiteral("UNIQUE"),
        QStringLiteral("UPDATE"), QStringLiteral("USER"), QStringLiteral("USING"), QStringLiteral("VALUES"),
        QStringLiteral("WHEN"), QStringLiteral("WHERE"), QStringLiteral("WINDOW"), QStringLiteral("WITH"),
    };
    return words;
}

// Words PostgreSQL reserves beyond SQLite's list (and "timestamp", which it takes as a type name in
// places): quoted there whenever they name a table or column.
const QStringList& PostgresReservedWords()
{
    static const QStringList words = {
        QStringLiteral("ANALYSE"), QStringLiteral("ANY"), QStringLiteral("ARRAY"), QStringLiteral("ASYMMETRIC"),
        QStringLiteral("AUTHORIZATION"), QStringLiteral("BINARY"), QStringLiteral("BOTH"), QStringLiteral("CONCURRENTLY"),
        QStringLiteral("CURRENT_CATALOG"), QStringLiteral("CURRENT_ROLE"), QStringLiteral("CURRENT_SCHEMA"),
        QStringLiteral("CURRENT_USER"), QStringLiteral("DEFERRABLE"), QStringLiteral("DO"), QStringLiteral("FALSE"),
        QStringLiteral("FETCH"), QStringLiteral("FOR"), QStringLiteral("FREEZE"), QStringLiteral("GRANT"),
        QStringLiteral("ILIKE"), QStringLiteral("INITIALLY"), QStringLiteral("LATERAL"), QStringLiteral("LEADING"),
        QStringLiteral("LOCALTIME"), QStringLiteral("LOCALTIMESTAMP"), QStringLiteral("ONLY"), QStringLiteral("OVERLAPS"),
        QStringLiteral("PLACING"), QStringLiteral("RETURNING"), QStringLiteral("SESSION_USER"), QStringLiteral("SIMILAR"),
        QStringLiteral("SOME"), QStringLiteral("SYMMETRIC"), QStringLiteral("TABLESAMPLE"), QStringLiteral("TIMESTAMP"),
        QStringLiteral("TRAILING"), QStringLiteral("TRUE"), QStringLiteral("VARIADIC"), QStringLiteral("VERBOSE"),
    };
    return words;
}

bool IsPlainIdentifier(const QString& name)
{
    if (name.isEmpty() || !(name.at(0).isLetter() || name.at(0) == QLatin1Char('_')))
        return false;
    for (QChar c : name) {
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_')))
            return false;
    }
    return true;
}

// The parsers below read a QString or, for text straight from the engine, a Latin-1 view of it.
template <typename Text>
int Digits(const Text& text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// 'YYYY-MM-DD' at the start of the text; hand-made because it runs for every date of a large result.
template <typename Text>
QDate IsoDate(const Text& text)
{
    if (text.size() < 10 || text.at(4).unicode() != u'-' || text.at(7).unicode() != u'-')
        return {};
    return QDate(Digits(text, 0, 4), Digits(text, 5, 2), Digits(text, 8, 2));
}

// 'HH:MM[:SS[.zzz]]' starting at position from.
QTime IsoTime(const QString& text, int from)
{
    if (text.size() < from + 5 || text.at(from + 2) != QLatin1Char(':'))
        return {};
    const int hour = Digits(text, from, 2);
    const int minute = Digits(text, from + 3, 2);
    int second = 0;
    int msec = 0;
    if (text.size() >= from + 8 && text.at(from + 5) == QLatin1Char(':')) {
        second = Digits(text, from + 6, 2);
        if (text.size() >= from + 12 && text.at(from + 8) == QLatin1Char('.'))
            msec = Digits(text, from + 9, 3);
    }
    if (hour < 0 || minute < 0 || second < 0 || msec < 0)
        return {};
    return QTime(hour, minute, second, msec);
}

QDateTime IsoDateTime(const QString& text)
{
    const QDate date = IsoDate(text);
    if (!date.isValid())
        return {};
    if (text.size() > 11)
        return QDateTime(date, IsoTime(text, 11));
    return QDateTime(date, QTime(0, 0));
}

QVariant NumberOrNull(const QVariant& stored)
{
    if (stored.typeId() == QMetaType::QString) {
        const QString text = stored.toString().trimmed();
        if (text.isEmpty())
            return {};
        return text;
    }
    return stored;
}

QDate DateFromValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate();
    case QMetaType::QDateTime:
        return value.toDateTime().date();
    default: {
        const QString text = value.toString().trimmed();
        QDate date = IsoDate(text);
        if (date.isValid() && (text.size() == 10 || text.at(10) == QLatin1Char(' ') || text.at(10) == QLatin1Char('T')))
            return date;
        return TSqlSchema::ParseMonthDayYear(text);
    }
    }
}
} // namespace

TSqlSchema::TSqlSchema(const QSqlDatabase& database) : m_database(database), m_engine(EngineOf(database)) {}

TSqlEngine TSqlSchema::EngineOf(const QSqlDatabase& database)
{
    return database.driverName() == QLatin1String("QPSQL") ? sePostgres : seSqlite;
}

QString TSqlSchema::StripExtension(const QString& tableName)
{
    if (tableName.endsWith(QLatin1String(".DB"), Qt::CaseInsensitive))
        return tableName.left(tableName.size() - 3);
    return tableName;
}

QString TSqlSchema::EngineTableName(const QString& name) const
{
    if (!m_tablesRead) {
        m_tablesRead = true;
        QSqlQuery query(m_database);
        query.setForwardOnly(true);
        const QString sql = m_engine == sePostgres
            ? QStringLiteral("select table_name from information_schema.tables where table_schema = current_schema()")
            : QStringLiteral("select name from sqlite_master where type in ('table','view')");
        // A failed read, at once or part-way, must not pass for a missing table: the user would look
        // for the wrong cause.
        const auto fail = [&] {
            m_tablesRead = false;
            m_tables.clear();
            throw EDatabaseError::FromSqlError(QStringLiteral("Unable to read the tables of the club database"),
                                               query.lastError(), m_database);
        };
        if (!query.exec(sql))
            fail();
        while (query.next()) {
            const QString table = query.value(0).toString();
            m_tables.insert(table.toLower(), table);
        }
        if (query.lastError().isValid())
            fail();
    }
    return m_tables.value(StripExtension(name.trimmed()).toLower());
}

QList<TColumnInfo> TSqlSchema::Columns(const QString& engineTable) const
{
    const QString key = engineTable.toLower();
    auto found = m_columns.constFind(key);
    if (found != m_columns.constEnd())
        return *found;
    QList<TColumnInfo> columns;
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    bool executed = false;
    if (m_engine == sePostgres) {
        // A domain (currency) counts as its name, as a declared type does in SQLite.
        query.prepare(QStringLiteral("select column_name, upper(coalesce(domain_name, data_type)), character_maximum_length"
                                     " from information_schema.columns where table_schema = current_schema() and table_name = ?"
                                     " order by ordinal_position"));
        query.addBindValue(engineTable);
        executed = query.exec();
    } else {
        // pragma arguments cannot be bound; the name is an existing table's, quoted for safety.
        QString quoted = engineTable;
        quoted.replace(QLatin1Char('\''), QLatin1String("''"));
        executed = query.exec(QStringLiteral("pragma table_info('%1')").arg(quoted));
    }
    // The columns' types decide how literals and parameters are written: a list cut short by a failed
    // read would let a date literal through as text and the statement return the wrong rows. So a
    // failure, at once or part-way, is raised and nothing is kept.
    const auto fail = [&] {
        throw EDatabaseError::FromSqlError(QStringLiteral("Unable to read the columns of table %1").arg(engineTable),
                                           query.lastError(), m_database);
    };
    if (!executed)
        fail();
    while (query.next()) {
        TColumnInfo column;
        if (m_engine == sePostgres) {
            column.Name = query.value(0).toString();
            column.Type = TypeFromDeclared(query.value(1).toString());
            column.Size = query.value(2).isNull() ? 0 : query.value(2).toInt();
        } else {
            column.Name = query.value(1).toString();
            column.Type = TypeFromDeclared(query.value(2).toString(), &column.Size);
        }
        columns.append(column);
    }
    if (query.lastError().isValid())
        fail();
    m_columns.insert(key, columns);
    return columns;
}

TFieldType TSqlSchema::TypeFromDeclared(const QString& declaredType, int* size)
{
    const QString type = declaredType.trimmed().toUpper();
    if (size) {
        *size = 0;
        const int open = type.indexOf(QLatin1Char('('));
        const int close = type.indexOf(QLatin1Char(')'), open + 1);
        if (open > 0 && close > open)
            *size = type.mid(open + 1, close - open - 1).trimmed().toInt();
    }
    const QString base = type.section(QLatin1Char('('), 0, 0).trimmed();
    if (base == QLatin1String("DATE"))
        return ftDate;
    // PostgreSQL spells "timestamp without time zone", "time without time zone", "double precision".
    if (base == QLatin1String("DATETIME") || base.startsWith(QLatin1String("TIMESTAMP")))
        return ftDateTime;
    if (base == QLatin1String("TIME") || base.startsWith(QLatin1String("TIME ")))
        return ftTime;
    if (base == QLatin1String("BOOLEAN") || base == QLatin1String("LOGICAL") || base == QLatin1String("BOOL"))
        return ftBoolean;
    if (base == QLatin1String("SMALLINT"))
        return ftSmallint;
    if (base.contains(QLatin1String("INT")))
        return ftInteger;
    if (base == QLatin1String("CURRENCY") || base == QLatin1String("MONEY"))
        return ftCurrency;
    if (base == QLatin1String("REAL") || base == QLatin1String("FLOAT") || base.startsWith(QLatin1String("DOUBLE"))
        || base == QLatin1String("NUMERIC") || base == QLatin1String("DECIMAL"))
        return ftFloat;
    if (base.contains(QLatin1String("CHAR")) || base.contains(QLatin1String("TEXT")) || base.contains(QLatin1String("CLOB")))
        return ftString;
    return ftUnknown;
}

bool TSqlSchema::IsReservedWord(const QString& word)
{
    return ReservedWords().contains(word.toUpper());
}

QString TSqlSchema::QuoteIdentifier(const QString& name, TSqlEngine engine)
{
    if (engine == seSqlite)
        return QuoteIdentifier(name);
    // Quoted names are case-sensitive in PostgreSQL and the schema is lower case.
    const QString lower = name.toLower();
    if (IsPlainIdentifier(lower) && !IsReservedWord(lower) && !PostgresReservedWords().contains(name.toUpper()))
        return lower;
    QString quoted = lower;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString TSqlSchema::QuoteIdentifier(const QString& name)
{
    if (IsPlainIdentifier(name) && !IsReservedWord(name))
        return name;
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QDate TSqlSchema::ParseMonthDayYear(const QString& text)
{
    // m/d/yyyy with one separator used twice; one or two digits for month and day, four for the year.
    const QString t = text.trimmed();
    int sep1 = -1;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char('.')) {
            sep1 = i;
            break;
        }
    }
    if (sep1 < 1 || sep1 > 2)
        return {};
    const QChar separator = t.at(sep1);
    const int sep2 = t.indexOf(separator, sep1 + 1);
    if (sep2 - sep1 - 1 < 1 || sep2 - sep1 - 1 > 2 || t.size() - sep2 - 1 != 4)
        return {};
    const int month = Digits(t, 0, sep1);
    const int day = Digits(t, sep1 + 1, sep2 - sep1 - 1);
    const int year = Digits(t, sep2 + 1, 4);
    if (month < 0 || day < 0 || year < 1)
        return {};
    return QDate(year, month, day);
}

QString TSqlSchema::DateText(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString TSqlSchema::DateTimeText(const QDateTime& dateTime)
{
    return dateTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QDateTime TSqlSchema::AsDateTime(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return QDateTime(value.toDate(), QTime(0, 0));
    case QMetaType::QTime:
        return QDateTime(QDate(1899, 12, 30), value.toTime());
    default:
        return value.toDateTime();
    }
}

QVariant TSqlSchema::FromStorage(TFieldType type, const QVariant& stored)
{
    if (stored.isNull())
        return {};
    // PostgreSQL delivers its native types.
    switch (stored.typeId()) {
    case QMetaType::QDate:
        if (type == ftDate || type == ftUnknown)
            return stored;
        if (type == ftDateTime)
            return QDateTime(stored.toDate(), QTime(0, 0));
        break;
    case QMetaType::QDateTime: {
        const QDateTime dateTime = stored.toDateTime();
        if (type == ftDateTime || type == ftUnknown)
            return QDateTime(dateTime.date(), dateTime.time());
        if (type == ftDate)
            return dateTime.date();
        if (type == ftTime)
            return dateTime.time();
        break;
    }
    case QMetaType::QTime:
        if (type == ftTime || type == ftUnknown)
            return stored;
        break;
    case QMetaType::Bool:
        if (type == ftBoolean || type == ftUnknown)
            return stored;
        break;
    default:
        break;
    }
    switch (type) {
    case ftString:
        // Text columns already arrive as text: share it instead of copying it into a new variant.
        if (stored.typeId() == QMetaType::QString)
            return stored;
        return stored.toString();
    case ftSmallint:
    case ftInteger: {
        // A stored integer beyond the field's range is delivered as stored, never wrapped into another
        // number (9223372036854775807 is not -1).
        const auto fitted = [](qlonglong value) -> QVariant {
            if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
                return value;
            return static_cast<int>(value);
        };
        if (stored.typeId() == QMetaType::LongLong) // the usual case: skips the copy NumberOrNull makes
            return fitted(*static_cast<const qlonglong*>(stored.constData()));
        const QVariant v = NumberOrNull(stored);
        if (v.isNull())
            return {};
        // A number stored as a double is delivered as the nearest integer, or as stored where no
        // integer of 64 bits holds it (1e308 is not 0).
        if (v.typeId() == QMetaType::Double && !(std::abs(v.toDouble()) < 9.2e18))
            return v.toDouble();
        return fitted(v.toLongLong());
    }
    case ftBoolean:
        if (stored.typeId() == QMetaType::QString) {
            const QString text = stored.toString().trimmed().toLower();
            return text == QLatin1String("1") || text == QLatin1String("true") || text == QLatin1String("t");
        }
        return stored.toLongLong() != 0;
    case ftDate: {
        const QString text = stored.toString();
        return IsoDate(text);
    }
    case ftDateTime:
        return IsoDateTime(stored.toString());
    case ftTime: {
        const QString text = stored.toString();
        if (text.size() > 10 && text.at(4) == QLatin1Char('-'))
            return IsoTime(text, 11);
        return IsoTime(text, 0);
    }
    case ftCurrency:
    case ftFloat:
        if (stored.typeId() == QMetaType::Double) // already the delivered type: no conversion
            return stored;
        return stored.toDouble();
    case ftUnknown:
        break;
    }
    if (stored.typeId() == QMetaType::LongLong) {
        const qlonglong v = stored.toLongLong();
        if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
            return static_cast<int>(v);
    }
    return stored;
}

QVariant TSqlSchema::FromStoredText(TFieldType type, QLatin1StringView text)
{
    switch (type) {
    case ftString:
        return QString(text);
    case ftDate:
        return IsoDate(text);
    default:
        return FromStorage(type, QString(text));
    }
}

QVariant TSqlSchema::ToStorage(TFieldType type, const QVariant& value, TSqlEngine engine)
{
    const QVariant stored = ToStorage(type, value);
    // PostgreSQL takes dates and times as text of the column's type, but no number for a boolean.
    if (engine == sePostgres && stored.isValid()
        && (type == ftBoolean || (type == ftUnknown && value.typeId() == QMetaType::Bool)))
        return QVariant(stored.toLongLong() != 0);
    return stored;
}

QVariant TSqlSchema::ToStorage(TFieldType type, const QVariant& value)
{
    if (value.typeId() == QMetaType::QString) {
        // Text, also empty text, is stored as text; only an invalid QVariant means NULL.
        const QString text = value.toString();
        if (text.isNull() && (type == ftString || type == ftUnknown))
            return QStringLiteral("");
    }
    if (value.isNull() || !value.isValid())
        return {};
    switch (type) {
    case ftString:
        return value.toString();
    case ftSmallint:
    case ftInteger:
        return value.toLongLong();
    case ftBoolean:
        if (value.typeId() == QMetaType::QString) {
            const QString text = value.toString().trimmed().toLower();
            return (text == QLatin1String("true") || text == QLatin1String("t") || text == QLatin1String("1")) ? 1 : 0;
        }
        return value.toBool() ? 1 : 0;
    case ftDate: {
        const QDate date = DateFromValue(value);
        if (!date.isValid())
            throw EDatabaseError(QStringLiteral("Invalid date value"), QStringLiteral("'%1' is not a valid date").arg(value.toString()));
        return DateText(date);
    }
    case ftDateTime: {
        if (value.typeId() == QMetaType::QDateTime)
            return DateTimeText(value.toDateTime());
        if (value.typeId() == QMetaType::QString) {
            const QDateTime dt = IsoDateTime(value.toString().trimmed());
            if (dt.isValid())
                return DateTimeText(dt);
        }
        const QDate date = DateFromValue(value);
        if (!date.isValid())
            throw EDatabaseError(QStringLiteral("Invalid date-time value"), QStringLiteral("'%1' is not a valid date").arg(value.toString()));
        return DateTimeText(QDateTime(date, QTime(0, 0)));
    }
    case ftTime: {
        QTime time;
        if (value.typeId() == QMetaType::QDateTime)
            time = value.toDateTime().time();
        else if (value.typeId() == QMetaType::QTime)
            time = value.toTime();
        else
            time = IsoTime(value.toString().trimmed(), 0);
        if (!time.isValid())
            throw EDatabaseError(QStringLiteral("Invalid time value"), QStringLiteral("'%1' is not a valid time").arg(value.toString()));
        return time.toString(QStringLiteral("HH:mm:ss.zzz"));
    }
    case ftCurrency:
    case ftFloat:
        return value.toDouble();
    case ftUnknown:
        break;
    }
    switch (value.typeId()) {
    case QMetaType::QDate:
        return DateText(value.toDate());
    case QMetaType::QDateTime:
        return DateTimeText(value.toDateTime());
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    default:
        return value;
    }
}
