#pragma once
#include "TReportDataSet.h"

#include <QList>

class TQuery;

// Lets the engine walk an open TQuery (not owned). The field list is read at First().
class TQueryDataSet : public TReportDataSet
{
public:
    explicit TQueryDataSet(TQuery& query) : m_query(query) {}

    void First() override;
    void Next() override;
    bool Eof() const override;
    int RecordCount() const override;
    int FieldIndex(const QString& name) const override;
    QVariant Value(int field) const override;
    TFieldType Type(int field) const override;
    int FieldCount() const override;
    QString FieldName(int field) const override;

private:
    void ReadFields() const;

    TQuery& m_query;
    mutable QList<TFieldDef> m_fields;
    mutable bool m_fieldsRead = false;
};
