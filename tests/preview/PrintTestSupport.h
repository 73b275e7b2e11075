#pragma once
// Printing in the tests: into a PDF file in place of a printer.
#include "TReportPrinter.h"

#include <QFile>
#include <QPrintEngine>
#include <QPrinter>
#include <memory>

// A printer named `name` that is no system queue, as if it were installed.
inline void UseTestPrinter(const QString& name)
{
    TReportPrinter::SetAvailabilityProbe([] { return true; });
    TReportPrinter::SetPrinterFactory([name] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        // QPrinter::setPrinterName drops a name the system does not know; the engine keeps it.
        printer->printEngine()->setProperty(QPrintEngine::PPK_PrinterName, name);
        return printer;
    });
}

// The job a printer hands to the queue lands in fileName.
inline void PrintIntoPdf(const QString& fileName)
{
    UseTestPrinter(QStringLiteral("Test printer"));
    TReportPrinter::SetSubmitter([fileName](const TSpooledJob& job, QString* error) {
        QFile::remove(fileName);
        if (QFile::copy(job.File, fileName))
            return true;
        *error = QStringLiteral("could not copy the job");
        return false;
    });
}

// Back to the system's printers.
inline void ResetTestPrinter()
{
    TReportPrinter::SetAvailabilityProbe({});
    TReportPrinter::SetPrinterFactory({});
    TReportPrinter::SetSubmitter({});
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
