#include "TRecordingDataSet.h"

void TRecordingDataSet::First()
{
    m_source.First();
    // The source may tell its fields only once it is open, so they are read after First().
    m_recorded = TMemoryDataSet();
    for (int field = 0; field < m_source.FieldCount(); ++field)
        m_recorded.AddField(m_source.FieldName(field), m_source.Type(field));
    RecordRow();
}

void TRecordingDataSet::Next()
{
    m_source.Next();
    RecordRow();
}

void TRecordingDataSet::RecordRow()
{
    if (m_source.Eof())
        return;
    QVariantList values;
    values.reserve(m_recorded.FieldCount());
    for (int field = 0; field < m_recorded.FieldCount(); ++field)
        values.append(m_source.Value(field));
    m_recorded.AddRow(values);
}
