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
