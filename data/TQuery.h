#pragma once
#include "TFieldDef.h"
#include <QHash>
#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

class TSqliteStatement;

// A statement given as text lines in the suite's local-SQL dialect, translated for the engine and run on
// the alias's connection. On a SQLite club database the statement runs through the engine's own
// interface: Open reads the whole result into a compact buffer and ends the read at once, so that a long
// report never keeps other workstations from writing, and a field is converted when it is read
// (TSqliteStatement). On a server the result streams forward-only through Qt Sql. Both deliver the
// same values.
//
// Values delivered: text -> QString, integers -> int, booleans -> bool, dates -> QDate,
// date-times -> QDateTime, currency and floats -> double; NULL -> an invalid QVariant.
class TQuery
{
public:
    explicit TQuery(const QString& databaseName = QStringLiteral("Brelmdata"));
    ~TQuery();
    TQuery(const TQuery&) = delete;
    TQuery& operator=(const TQuery&) = delete;

    QString DatabaseName() const { return m_databaseName; }
    void SetDatabaseName(const QString& alias);

    // The lines, joined with line breaks. Changing them while open is the caller's business: Close first.
    QStringList& SQL() { return m_sql; }
    const QStringList& SQL() const { return m_sql; }

    void Open();
    void Close();
    bool Active() const { return m_active; }
    // Runs a statement that returns no rows; prepares it first if needed.
    void ExecSQL();
    // Translates and prepares the statement; parameters may be set before or after.
    void Prepare();
    bool Prepared() const { return m_prepared; }

    // Parameter names (":pgroupname" in the text) compare without regard to case. Once the statement is
    // prepared, a name it does not use throws.
    void SetParam(const QString& name, const QVariant& value);

    void First(); // after Next(): from the first buffered row again, or on a server the statement runs again
    void Next();
    bool Eof() const { return m_eof; }
    // Rows of the open result when known without reading them again: a SQLite result is buffered
    // whole, a server tells its size when its driver can; -1 otherwise.
    int RecordCount() const;

    // Persistent result fields: Open() checks that the statement delivers each of them (names compare
    // without regard to case) and converts the values to their types; texts are cut to their size.
    void SetFieldDefs(const QList<TFieldDef>& defs);
    QList<TFieldDef> FieldDefs() const { return m_fieldDefs; }
    // The fields of the open result: the persistent ones if set, else every column of the statement.
    QList<TFieldDef> Fields() const;
    int FieldIndex(const QString& name) const; // -1 when there is no such field

    // Unknown names and indexes throw EDatabaseError; past the last row every field is null. Reading by
    // index skips the name lookup, for loops over large results. FieldAsString gives dates as ISO text.
    QVariant FieldValue(const QString& name) const;
    QVariant FieldValue(int index) const;
    QString FieldAsString(const QString& name) const;
    qint32 FieldAsInteger(const QString& name) const;
    bool FieldAsBoolean(const QString& name) const;
    QDateTime FieldAsDateTime(const QString& name) const;
    bool FieldIsNull(const QString& name) const;

    // The translated statement, for diagnostics and benchmarks (translates when not yet prepared).
    QString EngineSql();

private:
    struct TBoundField
    {
        TFieldDef Def;
        int Column = -1; // column of the engine's result
    };

    void Translate();
    bool NeedsPrepare() const;
    void EndStatement();
    void BindAndExec(const QString& context);
    bool FetchNext(const QString& context); // the next row of the result, counted
    void BuildFields(const QStringList& columnNames);
    int RequireField(const QString& name) const;

    QString m_databaseName;
    QStringList m_sql;
    QString m_translatedFrom; // the text m_engineSql was made from
    QString m_engineSql;
    QStringList m_paramOrder; // lower-case names, one per placeholder
    QList<TFieldType> m_paramTypes;
    QHash<QString, QVariant> m_params;
    QList<TFieldDef> m_columnDefs; // result columns as far as the translator could tell
    QList<TFieldDef> m_fieldDefs;
    QList<TBoundField> m_fields;
    QHash<QString, int> m_fieldIndex; // lower-case name -> index into m_fields
    std::unique_ptr<QSqlQuery> m_query;         // a server's statement
    std::unique_ptr<TSqliteStatement> m_sqlite; // or a SQLite file's
    bool m_active = false;
    bool m_prepared = false;
    bool m_eof = true;
    bool m_moved = false; // Next() was called since the statement ran
};
