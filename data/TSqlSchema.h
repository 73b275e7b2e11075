#pragma once
#include "TFieldDef.h"
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// The engines an alias can name.
enum TSqlEngine { seSqlite, sePostgres };

struct TColumnInfo
{
    QString Name;
    TFieldType Type = ftUnknown;
    int Size = 0;
};

// What the layer knows of the tables behind a connection: names as the suite spells them mapped to the
// database's tables, declared column types, and how values of each type are stored.
//
// SQLite storage: dates as 'YYYY-MM-DD', date-times as 'YYYY-MM-DD HH:MM:SS.zzz', times as 'HH:MM:SS.zzz',
// booleans as 0/1, currency as REAL. PostgreSQL has the native types; values are handed to it as the same
// texts (it reads them as the column's type), only booleans go as booleans.
// PostgreSQL folds unquoted names to lower case, so the club schema there is all lower case and every
// name the layer writes for it is lower case too, quoted only where it is a reserved word.
class TSqlSchema
{
public:
    explicit TSqlSchema(const QSqlDatabase& database);

    TSqlEngine Engine() const { return m_engine; }
    static TSqlEngine EngineOf(const QSqlDatabase& database);

    // "ckActs.DB", "ckacts", "CKACTS" all name the table ckacts; empty when there is no such table.
    // Throws EDatabaseError when the database's tables cannot be read.
    QString EngineTableName(const QString& name) const;
    // Columns in table order, read from the declared types; empty for an unknown table. Throws
    // EDatabaseError when they cannot be read; only a list read whole is kept for the next call.
    QList<TColumnInfo> Columns(const QString& engineTable) const;

    static QString StripExtension(const QString& tableName);
    static TFieldType TypeFromDeclared(const QString& declaredType, int* size = nullptr);
    // Double quotes around a name that is not a plain identifier or is a reserved word of the engine.
    static QString QuoteIdentifier(const QString& name);
    static QString QuoteIdentifier(const QString& name, TSqlEngine engine);
    QString Quote(const QString& name) const { return QuoteIdentifier(name, m_engine); }
    static bool IsReservedWord(const QString& word);

    // Stored value -> the value type the layer delivers (see TQuery).
    static QVariant FromStorage(TFieldType type, const QVariant& stored);
    // The same for a stored text of ASCII characters given as it lies in the engine: what
    // FromStorage(type, QString(text)) gives, without the string where the type needs none.
    static QVariant FromStoredText(TFieldType type, QLatin1StringView text);
    // A delivered value read as a date and time: a date at midnight, a time of day on day 0 of the
    // suite's date values (30 Dec 1899).
    static QDateTime AsDateTime(const QVariant& value);
    // Assigned value -> stored value; throws EDatabaseError for text that is not a date where one is needed.
    static QVariant ToStorage(TFieldType type, const QVariant& value);
    static QVariant ToStorage(TFieldType type, const QVariant& value, TSqlEngine engine);

    // Month/day/year text ("3/15/2010", "03-15-2010", "03.15.2010", four-digit year); invalid when the
    // text is anything else.
    static QDate ParseMonthDayYear(const QString& text);
    static QString DateText(const QDate& date);
    static QString DateTimeText(const QDateTime& dateTime);

private:
    QSqlDatabase m_database;
    TSqlEngine m_engine = seSqlite;
    mutable bool m_tablesRead = false;
    mutable QHash<QString, QString> m_tables; // lower-case name -> engine name
    mutable QHash<QString, QList<TColumnInfo>> m_columns;
};
