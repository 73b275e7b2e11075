#pragma once
#include "TFieldDef.h"
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

// A club table opened by alias and name: "ckActs.DB", "User.DB", "Security", "UserEvents" - with or
// without ".DB", in any letter case. The records are read on Open in the order of the chosen index
// (or the table's natural order), so it suits the small tables the suite opens this way.
class TTable
{
public:
    explicit TTable(const QString& databaseName = QStringLiteral("Brelmdata"), const QString& tableName = {});

    void SetDatabaseName(const QString& alias);
    void SetTableName(const QString& name);
    QString TableName() const { return m_tableName; }
    // ";"-separated field names; chooses the record order and the fields FindKey compares.
    void SetIndexFieldNames(const QString& names);
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }

    void Open(); // throws EDatabaseError for a missing alias or table
    void Close();
    bool Active() const { return m_active; }

    void First();
    // Moving past the last record sets Eof and keeps the last record current.
    void Next();
    bool Eof() const;
    int RecordCount() const;

    // Compares the first keyValues.size() index fields; texts compare exactly. True: that record is current.
    bool FindKey(const QVariantList& keyValues);

    QList<TFieldDef> Fields() const { return m_fields; }
    // Field names compare without regard to case; an unknown field throws EDatabaseError.
    QVariant FieldValue(const QString& name) const;
    QString FieldAsString(const QString& name) const;
    qint32 FieldAsInteger(const QString& name) const;
    bool FieldAsBoolean(const QString& name) const;
    QDateTime FieldAsDateTime(const QString& name) const;
    bool FieldIsNull(const QString& name) const;

    // Append starts a new record, Edit changes the current one; SetField assigns (string, integer, boolean,
    // date, date-time, number) and Post writes, after which the written record is current.
    void Append();
    void Edit();
    void SetField(const QString& name, const QVariant& value);
    void Post();
    void Cancel();

private:
    enum TState { tsBrowse, tsInsert, tsEdit };

    int FieldNumber(const QString& name) const;
    const QVariantList& CurrentRecord() const;
    void Load(qint64 currentRowId);
    void RequireActive() const;

    QString m_databaseName;
    QString m_tableName;
    QString m_engineTable; // the table's name in the database
    QStringList m_indexFields;
    QList<int> m_indexColumns;
    bool m_readOnly = false;
    bool m_active = false;
    QList<TFieldDef> m_fields;
    QHash<QString, int> m_fieldIndex; // lower-case name -> field number
    QList<QVariantList> m_records;  // converted values
    QList<qint64> m_rowIds;
    int m_current = 0;
    bool m_eof = true;
    TState m_state = tsBrowse;
    QVariantList m_buffer;
    QList<bool> m_assigned;
};
