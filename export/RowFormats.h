#pragma once
#include "TRowSink.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>

// A file format for a report's rows, as the save dialog and the command line name it.
struct TRowFormat
{
    QString DisplayName;
    QString FileExtension;
    std::function<std::unique_ptr<TRowSink>(const QString& fileName)> Create;
};

// The row formats in the order the save dialog lists them, after the page formats: XLSX, CSV.
const QList<TRowFormat>& RowFormats();
// The row format named by its extension or display name, without regard to case; null for none.
const TRowFormat* FindRowFormat(const QString& name);
