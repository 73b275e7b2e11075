#include "RowFormats.h"

#include "TCsvRowWriter.h"
#include "TXlsxRowWriter.h"

const QList<TRowFormat>& RowFormats()
{
    static const QList<TRowFormat> formats = {
        {QStringLiteral("Excel Workbook"), QStringLiteral("xlsx"),
         [](const QString& fileName) -> std::unique_ptr<TRowSink> { return std::make_unique<TXlsxRowWriter>(fileName); }},
        {QStringLiteral("CSV File"), QStringLiteral("csv"),
         [](const QString& fileName) -> std::unique_ptr<TRowSink> { return std::make_unique<TCsvRowWriter>(fileName); }},
    };
    return formats;
}

const TRowFormat* FindRowFormat(const QString& name)
{
    for (const TRowFormat& format : RowFormats()) {
        if (format.FileExtension.compare(name, Qt::CaseInsensitive) == 0
            || format.DisplayName.compare(name, Qt::CaseInsensitive) == 0)
            return &format;
    }
    return nullptr;
}
