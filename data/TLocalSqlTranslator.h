#pragma once
#include "TFieldDef.h"
#include <QList>
#include <QString>
#include <QStringList>

class TSqlSchema;

struct TTranslatedSql
{
    QString Sql;
    QStringList Params;           // lower-case parameter names, one per "?" in Sql, in order
    QList<TFieldType> ParamTypes; // the column type each parameter is compared with or stored in, if known
    QList<TFieldDef> Columns;     // result columns of a select as far as they can be told (name may be empty)
};

// Translates the suite's local-SQL dialect into the engine's (SQLite or PostgreSQL, as the schema's
// connection is). It tokenizes the statement and reads the
// tables it names from the schema, so it knows which table each column comes from and its type:
//  - table names with or without ".DB", in any case, become the database's table names;
//  - quoted field names after a table alias (p.'end', groups."TimeStamp") become identifiers, and a
//    table qualifier in an insert's column list is dropped;
//  - "+" next to a text operand becomes "||";
//  - a text literal compared with a date or date-time column must be a month/day/year date and becomes
//    the stored ISO text; anything else is refused before the statement reaches the engine;
//  - True/False become 1/0 (true/false on PostgreSQL);
//  - on PostgreSQL, which folds unquoted names to lower case, every name the translator writes is in
//    lower case, quoted only where it is a reserved word ("end", "timestamp", "user");
//  - an unqualified column that several joined tables have is qualified with the first of them in FROM
//    order, keeping its name as the result name;
//  - order-by names that match a select-list alias in another letter case take the alias's spelling;
//  - named parameters (:name) become positional ones.
class TLocalSqlTranslator
{
public:
    explicit TLocalSqlTranslator(const TSqlSchema& schema) : m_schema(schema) {}

    // Throws EDatabaseError for an invalid date literal or a statement that cannot be tokenized.
    TTranslatedSql Translate(const QString& localSql) const;

private:
    const TSqlSchema& m_schema;
};
