#pragma once
#include "TPrintTarget.h"

#include <QString>
#include <functional>
#include <memory>

class QPainter;
class QPrinter;
class TReportDocument;
class TReportPage;

// Prints laid-out pages: on the default printer without a print dialog (the report's paper, one
// copy, all pages), or on a printer that a print dialog changed between Prepare and Start. The
// printer's availability and the printer object can be replaced for tests.
class TReportPrinter : public TPrintTarget
{
public:
    TReportPrinter();
    ~TReportPrinter() override;

    static bool PrinterAvailable();
    static QString NoPrinterMessage();
    // An empty function restores the default (the system's printer list / the default printer).
    static void SetAvailabilityProbe(std::function<bool()> probe);
    static void SetPrinterFactory(std::function<std::unique_ptr<QPrinter>()> factory);

    // Prepare, then Start.
    bool Begin(const TReportDocument& document, QString* error) override;
    // Makes the printer for the document's paper (full page, portrait, one copy, all pages, no
    // duplex) without starting it, so a print dialog can change it first.
    QPrinter& Prepare(const TReportDocument& document);
    // Starts printing on the prepared printer.
    bool Start(QString* error);
    // False when the printer could not start the page.
    bool PrintPage(const TReportDocument& document, const TReportPage& page, QString* error) override;
    bool End(QString* error) override;
    void Abort() override;

private:
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    bool m_firstPage = true;
};
