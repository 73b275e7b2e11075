#include "TMemoryDataSet.h"

void TMemoryDataSet::AddField(const QString& name, TFieldType type)
{
    m_names.append(name);
    m_types.append(type);
}

void TMemoryDataSet::AddRow(const QVariantList& values)
{
    m_rows.push_back(values);
}

void TMemoryDataSet::Next()
{
    if (!Eof())
        ++m_row;
}

int TMemoryDataSet::FieldIndex(const QString& name) const
{
    for (int i = 0; i < m_names.size(); ++i)
        if (m_names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant TMemoryDataSet::Value(int field) const
{
    if (Eof() || field < 0)
        return {};
    const QVariantList& row = m_rows[size_t(m_row)];
    return field < row.size() ? row[field] : QVariant();
}

TFieldType TMemoryDataSet::Type(int field) const
{
    return field >= 0 && field < m_types.size() ? m_types[field] : ftUnknown;
}
