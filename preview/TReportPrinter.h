#pragma once
#include "TPrintTarget.h"

#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QPainter;
class QPrinter;
class QTemporaryDir;
class TReportDocument;
class TReportPage;

// A finished job waiting to go to the print queue: a PDF file of every page, the queue's name and
// the queue's options (copies, collation, sides) the print dialog chose.
struct TSpooledJob
{
    QString Printer;
    QString File;
    QString Title;
    std::vector<std::pair<QString, QString>> Options;
};

// Prints laid-out pages: on the default printer without a print dialog (the report's paper, one
// copy, all pages), or on a printer that a print dialog changed between Prepare and Start. The
// pages are drawn into a private temporary PDF file and handed to the print queue only once every
// page is drawn, so a cancelled or failed job leaves nothing at the printer. The printer's
// availability, the printer object and the hand-over to the queue can be replaced for tests.
class TReportPrinter : public TPrintTarget
{
public:
    TReportPrinter();
    ~TReportPrinter() override;

    static bool PrinterAvailable();
    static QString NoPrinterMessage();
    // An empty function restores the default (the system's printer list / the default printer /
    // the system's print queue).
    static void SetAvailabilityProbe(std::function<bool()> probe);
    static void SetPrinterFactory(std::function<std::unique_ptr<QPrinter>()> factory);
    // Hands a finished job to the queue; false with the reason when the queue did not take it.
    using TSubmitter = std::function<bool(const TSpooledJob& job, QString* error)>;
    static void SetSubmitter(TSubmitter submitter);

    // Prepare, then Start.
    bool Begin(const TReportDocument& document, QString* error) override;
    // Makes the printer for the document's paper (full page, portrait, one copy, all pages, no
    // duplex) without starting it, so a print dialog can change it first.
    QPrinter& Prepare(const TReportDocument& document);
    // Takes the chosen queue and its options from the prepared printer and starts drawing into the
    // temporary file.
    bool Start(QString* error);
    // False when the page could not be started.
    bool PrintPage(const TReportDocument& document, const TReportPage& page, QString* error) override;
    // Finishes the file and hands it to the queue; the file is removed either way.
    bool End(QString* error) override;
    // Drops the file: nothing reaches the queue.
    void Abort() override;

private:
    QString FailureMessage() const;

    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    std::unique_ptr<QTemporaryDir> m_spool;
    TSpooledJob m_job;
    bool m_firstPage = true;
};
