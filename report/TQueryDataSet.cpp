#include "TQueryDataSet.h"

#include "TQuery.h"

void TQueryDataSet::ReadFields() const
{
    m_fields = m_query.Fields();
    m_fieldsRead = true;
}

void TQueryDataSet::First()
{
    m_query.First();
    ReadFields();
}

void TQueryDataSet::Next()
{
    m_query.Next();
}

bool TQueryDataSet::Eof() const
{
    return !m_query.Active() || m_query.Eof();
}

int TQueryDataSet::RecordCount() const
{
    return m_query.RecordCount();
}

int TQueryDataSet::FieldIndex(const QString& name) const
{
    if (!m_fieldsRead)
        ReadFields();
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant TQueryDataSet::Value(int field) const
{
    if (Eof() || field < 0 || field >= m_fields.size())
        return {};
    return m_query.FieldValue(field);
}

TFieldType TQueryDataSet::Type(int field) const
{
    if (!m_fieldsRead)
        ReadFields();
    return field >= 0 && field < m_fields.size() ? m_fields[field].DataType : ftUnknown;
}

int TQueryDataSet::FieldCount() const
{
    if (!m_fieldsRead)
        ReadFields();
    return int(m_fields.size());
}

QString TQueryDataSet::FieldName(int field) const
{
    if (!m_fieldsRead)
        ReadFields();
    return field >= 0 && field < m_fields.size() ? m_fields[field].Name : QString();
}
