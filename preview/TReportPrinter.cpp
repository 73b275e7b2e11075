#include "TReportPrinter.h"

#include "TPagePainter.h"
#include "TReportDocument.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cups/cups.h>

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

TReportPrinter::TSubmitter& SubmitterOverride()
{
    static TReportPrinter::TSubmitter submitter;
    return submitter;
}

// Qt's PDF writer does not report a failed write (a full temporary folder): a job that did not reach
// its end on disk is not handed to the queue, which would print a torn job.
bool SpooledWhole(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 8 || !file.seek(std::max<qint64>(0, file.size() - 1024)))
        return false;
    return file.readAll().contains("%%EOF");
}

bool SubmitToQueue(const TSpooledJob& job, QString* error)
{
    cups_option_t* options = nullptr;
    int count = 0;
    for (const auto& [name, value] : job.Options)
        count = cupsAddOption(name.toUtf8().constData(), value.toUtf8().constData(), count, &options);
    const int id = cupsPrintFile(job.Printer.toUtf8().constData(), QFile::encodeName(job.File).constData(),
                                 job.Title.toUtf8().constData(), count, options);
    cupsFreeOptions(count, options);
    if (id == 0 && error)
        *error = QString::fromUtf8(cupsLastErrorString());
    return id != 0;
}

// The queue's name for the sides the dialog chose; empty when the queue's own default applies.
QString SidesOption(QPrinter::DuplexMode duplex, QPageLayout::Orientation orientation)
{
    switch (duplex) {
    case QPrinter::DuplexNone:
        return QStringLiteral("one-sided");
    case QPrinter::DuplexLongSide:
        return QStringLiteral("two-sided-long-edge");
    case QPrinter::DuplexShortSide:
        return QStringLiteral("two-sided-short-edge");
    case QPrinter::DuplexAuto:
        return orientation == QPageLayout::Landscape ? QStringLiteral("two-sided-short-edge")
                                                     : QStringLiteral("two-sided-long-edge");
    }
    return {};
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

void TReportPrinter::SetSubmitter(TSubmitter submitter)
{
    SubmitterOverride() = std::move(submitter);
}

QString TReportPrinter::FailureMessage() const
{
    return QStringLiteral("The report could not be sent to the printer \"%1\".").arg(m_job.Printer);
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
    // What the queue needs from the dialog's choice, taken before the printer turns into a file.
    m_job = {};
    m_job.Printer = m_printer->printerName();
    m_job.Title = m_printer->docName().isEmpty() ? QStringLiteral("Activity Report") : m_printer->docName();
    if (m_job.Printer.isEmpty()) {
        if (error)
            *error = QStringLiteral("No printer was chosen to print the report.");
        return false;
    }
    // A printer that makes copies itself gets the count; otherwise the pages come already repeated.
    if (m_printer->supportsMultipleCopies() && m_printer->copyCount() > 1) {
        m_job.Options.emplace_back(QStringLiteral("copies"), QString::number(m_printer->copyCount()));
        m_job.Options.emplace_back(QStringLiteral("collate"),
                                   m_printer->collateCopies() ? QStringLiteral("true") : QStringLiteral("false"));
    }
    const QString sides = SidesOption(m_printer->duplex(), m_printer->pageLayout().orientation());
    if (!sides.isEmpty())
        m_job.Options.emplace_back(QStringLiteral("sides"), sides);

    // The paper size and orientation stay with the printer and go into the file's pages.
    m_spool = std::make_unique<QTemporaryDir>();
    if (!m_spool->isValid()) {
        if (error)
            *error = FailureMessage() + QStringLiteral(" No temporary file could be made: %1").arg(m_spool->errorString());
        m_spool.reset();
        return false;
    }
    m_job.File = m_spool->filePath(QStringLiteral("job.pdf"));
    m_printer->setOutputFormat(QPrinter::PdfFormat);
    m_printer->setOutputFileName(m_job.File);
    m_printer->setCopyCount(1);

    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_printer.get())) {
        if (error)
            *error = FailureMessage();
        m_painter.reset();
        m_spool.reset();
        return false;
    }
    m_firstPage = true;
    return true;
}

bool TReportPrinter::PrintPage(const TReportDocument& document, const TReportPage& page, QString* error)
{
    if (!m_painter)
        return false;
    // A page that could not be started would be painted over the one before it.
    if (!m_firstPage && !m_printer->newPage()) {
        if (error)
            *error = FailureMessage();
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
    const bool drawn = m_painter->end() && SpooledWhole(m_job.File);
    m_painter.reset();
    bool sent = false;
    if (!drawn) {
        if (error)
            *error = FailureMessage();
    } else {
        QString reason;
        sent = SubmitterOverride() ? SubmitterOverride()(m_job, &reason) : SubmitToQueue(m_job, &reason);
        if (!sent && error)
            *error = reason.isEmpty() ? FailureMessage()
                                      : QStringLiteral("The report could not be sent to the printer \"%1\": %2")
                                            .arg(m_job.Printer, reason);
    }
    m_spool.reset();
    return sent;
}

void TReportPrinter::Abort()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_painter.reset();
    m_spool.reset();
}
