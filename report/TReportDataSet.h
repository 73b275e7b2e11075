#pragma once
#include "TFieldDef.h"

#include <QString>
#include <QVariant>

// What the engine walks: a forward cursor over rows whose fields are addressed by index.
class TReportDataSet
{
public:
    virtual ~TReportDataSet() = default;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual bool Eof() const = 0;
    // Case-insensitive; -1 when there is no such field.
    virtual int FieldIndex(const QString& name) const = 0;
    virtual QVariant Value(int field) const = 0;
    // The fields by index, as Value() and Type() take them.
    virtual int FieldCount() const = 0;
    virtual QString FieldName(int field) const = 0;
    virtual TFieldType Type(int field) const = 0;
    // Number of rows when known cheaply, else -1; only used to show progress.
    virtual int RecordCount() const { return -1; }
};
