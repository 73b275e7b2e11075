#pragma once
#include "TMemoryDataSet.h"
#include "TReportDataSet.h"

// Walks another data set and keeps a copy of every row it passes, all fields, as it goes: the rows a
// layout was made from stay at hand after the data set behind them has moved on or changed (a
// preview saves its rows from the copy). The copy starts afresh at First().
class TRecordingDataSet : public TReportDataSet
{
public:
    explicit TRecordingDataSet(TReportDataSet& source) : m_source(source) {}

    void First() override;
    void Next() override;
    bool Eof() const override { return m_source.Eof(); }
    int FieldIndex(const QString& name) const override { return m_source.FieldIndex(name); }
    QVariant Value(int field) const override { return m_source.Value(field); }
    TFieldType Type(int field) const override { return m_source.Type(field); }
    int FieldCount() const override { return m_source.FieldCount(); }
    QString FieldName(int field) const override { return m_source.FieldName(field); }
    int RecordCount() const override { return m_source.RecordCount(); }

    // The rows passed so far, with the source's fields.
    TMemoryDataSet& Recorded() { return m_recorded; }

private:
    void RecordRow();

    TReportDataSet& m_source;
    TMemoryDataSet m_recorded;
};
