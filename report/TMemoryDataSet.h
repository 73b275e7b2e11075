#pragma once
#include "TReportDataSet.h"

#include <QList>
#include <QVariantList>
#include <vector>

// Rows held in memory; for tests and for small reports built in code.
class TMemoryDataSet : public TReportDataSet
{
public:
    void AddField(const QString& name, TFieldType type);
    // Missing trailing values are empty.
    void AddRow(const QVariantList& values);

    void First() override { m_row = 0; }
    void Next() override;
    bool Eof() const override { return m_row >= int(m_rows.size()); }
    int FieldIndex(const QString& name) const override;
    QVariant Value(int field) const override;
    TFieldType Type(int field) const override;
    int FieldCount() const override { return int(m_names.size()); }
    QString FieldName(int field) const override { return m_names.value(field); }
    int RecordCount() const override { return int(m_rows.size()); }

private:
    QList<QString> m_names;
    QList<TFieldType> m_types;
    std::vector<QVariantList> m_rows;
    int m_row = 0;
};
