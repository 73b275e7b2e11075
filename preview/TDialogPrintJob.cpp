#include "TDialogPrintJob.h"

#include "TProgressWindow.h"
#include "TPrompt.h"
#include "TReportDocument.h"
#include "TReportPrinter.h"

#include <QPageRanges>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>

namespace {

TDialogPrintJob::TDialog& DialogOverride()
{
    static TDialogPrintJob::TDialog dialog;
    return dialog;
}

bool ShowPrintDialog(QPrinter& printer, int pageCount, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    // No printing to a file: the printer would write it directly, past the checks every saved file
    // goes through (a full disk, the club's own files). Save writes the same pages as PDF safely.
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCollateCopies
                      | QAbstractPrintDialog::PrintCurrentPage);
    dialog.setMinMax(1, pageCount);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

std::vector<int> TPrintSelection::PageOrder() const
{
    std::vector<int> order;
    order.reserve(Pages.size() * size_t(std::max(1, Copies)));
    if (Collate) {
        for (int copy = 0; copy < Copies; ++copy)
            order.insert(order.end(), Pages.begin(), Pages.end());
    } else {
        for (int page : Pages)
            order.insert(order.end(), size_t(std::max(1, Copies)), page);
    }
    return order;
}

void TDialogPrintJob::SetDialog(TDialog dialog)
{
    DialogOverride() = std::move(dialog);
}

TPrintSelection TDialogPrintJob::Selection(const QPrinter& printer, int pageCount, int currentPage)
{
    TPrintSelection selection;
    switch (printer.printRange()) {
    case QPrinter::PageRange:
        for (const QPageRanges::Range& range : printer.pageRanges().toRangeList())
            for (int page = std::max(1, range.from); page <= std::min(pageCount, range.to); ++page)
                selection.Pages.push_back(page - 1);
        break;
    case QPrinter::CurrentPage:
        if (currentPage >= 0 && currentPage < pageCount)
            selection.Pages.push_back(currentPage);
        break;
    case QPrinter::AllPages:
    case QPrinter::Selection:
        for (int page = 0; page < pageCount; ++page)
            selection.Pages.push_back(page);
        break;
    }
    if (!printer.supportsMultipleCopies()) {
        selection.Copies = std::max(1, printer.copyCount());
        selection.Collate = printer.collateCopies();
    }
    return selection;
}

bool TDialogPrintJob::Run(const TReportDocument& document, int currentPage, QWidget* parent)
{
    if (!TReportPrinter::PrinterAvailable()) {
        Prompt().ShowWarning(TReportPrinter::NoPrinterMessage());
        return false;
    }
    const int pageCount = document.PageCount();
    if (pageCount == 0)
        return false;
    TReportPrinter printer;
    QPrinter& chosen = printer.Prepare(document);
    const bool accepted =
        DialogOverride() ? DialogOverride()(chosen, pageCount, parent) : ShowPrintDialog(chosen, pageCount, parent);
    if (!accepted)
        return false;
    const std::vector<int> order = Selection(chosen, pageCount, currentPage).PageOrder();
    if (order.empty())
        return false;

    TProgressWindow progress(QStringLiteral("Printing progress"));
    QString error;
    if (!printer.Start(&error)) {
        Prompt().ShowWarning(error);
        return false;
    }
    const bool printed = Send(printer, document, order, progress.Callback(), &error);
    if (!printed && !error.isEmpty())
        Prompt().ShowWarning(error);
    return printed;
}

bool TDialogPrintJob::Send(TPrintTarget& printer, const TReportDocument& document, const std::vector<int>& order,
                           const TProgressCallback& progress, QString* error)
{
    const int total = int(order.size());
    for (int sent = 0; sent < total; ++sent) {
        if (!printer.PrintPage(document, document.Page(order[size_t(sent)]), error)) {
            printer.Abort();
            return false;
        }
        // Asked after every page: once Cancel is pressed no further page goes out.
        if (progress && !progress({sent + 1, 0, -1, total})) {
            printer.Abort();
            if (error)
                *error = TPrintTarget::CancelledMessage();
            return false;
        }
    }
    return printer.End(error);
}
