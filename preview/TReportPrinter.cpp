#include "TReportPrinter.h"

#include "TPagePainter.h"
#include "TReportDocument.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

std::function<bool()>& AvailabilityProbe()
{
    static std::function<bool()> probe;
    return probe;
}

std::function<std::unique_ptr<QPrinter>()>& PrinterFactory()
{
    static std::function<std::unique_ptr<QPrinter>()> factory;
    return factory;
}

} // namespace

TReportPrinter::TReportPrinter() = default;

TReportPrinter::~TReportPrinter()
{
    if (m_painter && m_painter->isActive())
        Abort();
}

bool TReportPrinter::PrinterAvailable()
{
    if (AvailabilityProbe())
        return AvailabilityProbe()();
    return !QPrinterInfo::availablePrinters().isEmpty();
}

QString TReportPrinter::NoPrinterMessage()
{
    return QStringLiteral("No printer is installed. Install a printer to print the report.");
}

void TReportPrinter::SetAvailabilityProbe(std::function<bool()> probe)
{
    AvailabilityProbe() = std::move(probe);
}

void TReportPrinter::SetPrinterFactory(std::function<std::unique_ptr<QPrinter>()> factory)
{
    PrinterFactory() = std::move(factory);
}

QPrinter& TReportPrinter::Prepare(const TReportDocument& document)
{
    m_printer = PrinterFactory() ? PrinterFactory()() : std::make_unique<QPrinter>(QPrinter::HighResolution);
    const QSizeF paper(document.PaperWidth / 10.0, document.PaperHeight / 10.0);
    m_printer->setPageSize(QPageSize(paper, QPageSize::Millimeter));
    m_printer->setPageOrientation(QPageLayout::Portrait);
    m_printer->setFullPage(true);
    m_printer->setCopyCount(1);
    m_printer->setPrintRange(QPrinter::AllPages);
    m_printer->setDuplex(QPrinter::DuplexNone);
    return *m_printer;
}

bool TReportPrinter::Begin(const TReportDocument& document, QString* error)
{
    Prepare(document);
    return Start(error);
}

bool TReportPrinter::Start(QString* error)
{
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_printer.get())) {
        if (error)
            *error = QStringLiteral("The report could not be sent to the printer \"%1\".").arg(m_printer->printerName());
        m_painter.reset();
        return false;
    }
    m_firstPage = true;
    return true;
}

bool TReportPrinter::PrintPage(const TReportDocument& document, const TReportPage& page, QString* error)
{
    if (!m_painter)
        return false;
    // A page the printer refused would be painted over the one before it.
    if (!m_firstPage && !m_printer->newPage()) {
        if (error)
            *error = QStringLiteral("The report could not be sent to the printer \"%1\".").arg(m_printer->printerName());
        return false;
    }
    m_firstPage = false;
    // Full-page mode: device pixel 0 is the paper's edge.
    const double scale = m_printer->resolution() / 254.0;
    TPagePainter::Paint(*m_painter, document, page, QPointF(0, 0), scale);
    return true;
}

bool TReportPrinter::End(QString* error)
{
    if (!m_painter)
        return false;
    const bool ok = m_painter->end();
    m_painter.reset();
    if (!ok && error)
        *error = QStringLiteral("The report could not be sent to the printer \"%1\".").arg(m_printer->printerName());
    return ok;
}

void TReportPrinter::Abort()
{
    if (m_printer)
        m_printer->abort();
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_painter.reset();
}
