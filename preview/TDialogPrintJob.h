#pragma once
#include "ReportProgress.h"

#include <QString>
#include <functional>
#include <vector>

class QPrinter;
class QWidget;
class TPrintTarget;
class TReportDocument;

// What the print dialog chose, as the pages to send. Copies counts only the copies the program
// makes itself; a printer that makes copies on its own is sent each page once.
struct TPrintSelection
{
    std::vector<int> Pages; // 0-based, in the order chosen
    int Copies = 1;
    bool Collate = true;

    // Page indices in printing order: collated copies repeat the whole selection, uncollated ones
    // repeat each page.
    std::vector<int> PageOrder() const;
};

// Printing from the preview: the print dialog chooses the printer, the page range and the copies,
// then the pages go out with the progress window. With no printer installed it says so and shows
// no dialog. (The criteria window's Print goes straight to the default printer instead.)
class TDialogPrintJob
{
public:
    // Shows the print dialog on the printer for a document of pageCount pages; true when the user
    // pressed Print. Tests replace it; an empty function restores the dialog.
    using TDialog = std::function<bool(QPrinter& printer, int pageCount, QWidget* parent)>;
    static void SetDialog(TDialog dialog);

    // True when every chosen page was printed; failures are shown.
    static bool Run(const TReportDocument& document, int currentPage, QWidget* parent);
    // Sends the pages of order to a started printer and ends the job, asking progress after each page.
    // A refused page or a Cancel aborts the job, and nothing reaches the printer; error then says why.
    static bool Send(TPrintTarget& printer, const TReportDocument& document, const std::vector<int>& order,
                     const TProgressCallback& progress, QString* error);
    // The choice the dialog left in the printer.
    static TPrintSelection Selection(const QPrinter& printer, int pageCount, int currentPage);
};
