#pragma once
#include <QString>
#include <functional>
#include <memory>

class QPainter;
class QPrinter;
class TReportDocument;
class TReportPage;

// Prints laid-out pages on the default printer without a print dialog: the report's paper, one
// copy, all pages. The printer's availability and the printer object can be replaced for tests.
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

    bool Begin(const TReportDocument& document, QString* error);
    void PrintPage(const TReportDocument& document, const TReportPage& page);
    bool End(QString* error);
    void Abort();

private:
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    bool m_firstPage = true;
};
