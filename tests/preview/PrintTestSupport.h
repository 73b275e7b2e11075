#pragma once
// Printing in the tests: into a PDF file in place of a printer.
#include "TReportPrinter.h"

#include <QFile>
#include <QPrinter>
#include <memory>

// The printer becomes a PDF file, as if a printer were installed.
inline void PrintIntoPdf(const QString& fileName)
{
    TReportPrinter::SetAvailabilityProbe([] { return true; });
    TReportPrinter::SetPrinterFactory([fileName] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(fileName);
        return printer;
    });
}

// The pages of a PDF file that printing wrote; -1 when there is no such file.
inline int PdfPageCount(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    return int(bytes.count("/Type /Page") - bytes.count("/Type /Pages"));
}
