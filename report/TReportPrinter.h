#pragma once
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
class TReportPrinter
{
public:
    TReportPrinter();
    ~TReportPrinter();

    static bool PrinterAvailable();
    static QString NoPrinterMessage();
    // An empty function restores the default (the system's printer list / the default printer).
    static void SetAvailabilityProbe(std::function<bool()> probe);
    static void SetPrinterFactory(std::function<std::unique_ptr<QPrinter>()> factory);

    // Prepare, then Start.
    bool Begin(const TReportDocument& document, QString* error);
    // Makes the printer for the document's paper (full page, portrait, one copy, all pages, no
    // duplex) without starting it, so a print dialog can change it first.
    QPrinter& Prepare(const TReportDocument& document);
    // Starts printing on the prepared printer.
    bool Start(QString* error);
    void PrintPage(const TReportDocument& document, const TReportPage& page);
    bool End(QString* error);
    void Abort();

private:
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    bool m_firstPage = true;
};
