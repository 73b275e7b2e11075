// The preview as a place to work in a long report: opening saved reports, thumbnails, the mouse
// wheel and printing through the print dialog.
#include "ReportTestSupport.h"
#include "PrintTestSupport.h"
#include "TestFiles.h"
#include "TDialogPrintJob.h"
#include "TFindBar.h"
#include "TPreviewWindow.h"
#include "TPrompt.h"
#include "TReportPrinter.h"
#include "TThumbnailPanel.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QListView>
#include <QPageRanges>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

class TPreviewTools : public ::testing::Test
{
protected:
    void SetUp() override { SetPrompt(&Prompt); }
    void TearDown() override
    {
        SetPrompt(nullptr);
        TReportPrinter::SetAvailabilityProbe({});
        TReportPrinter::SetPrinterFactory({});
        TReportPrinter::SetSubmitter({});
        TDialogPrintJob::SetDialog({});
    }

    // A preview of the fixture's report, laid out to the end and on screen.
    std::unique_ptr<TPreviewWindow> Preview(TActivityFixture& f)
    {
        auto window = std::make_unique<TPreviewWindow>();
        EXPECT_TRUE(window->StartLayout(f.Report));
        window->show();
        window->FinishLayout();
        return window;
    }

    // Printing goes into a PDF file; `dialog` stands in for the print dialog.
    void PrintInto(const QString& pdf, TDialogPrintJob::TDialog dialog)
    {
        PrintIntoPdf(pdf);
        TDialogPrintJob::SetDialog(std::move(dialog));
    }

    TScriptedPrompt Prompt;
    QTemporaryDir Dir;
};

} // namespace

TEST_F(TPreviewTools, OpensAsDescribedAndCountsPagesInWords)
{
    TActivityFixture one;
    one.AddGroups({3});
    auto window = Preview(one);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Print Preview"));
    EXPECT_EQ(window->size(), QSize(800, 600));
    EXPECT_EQ(window->Layout().Mode, zmFitPage);
    EXPECT_TRUE(window->FindBar()->isHidden());
    EXPECT_TRUE(window->Thumbnails()->isHidden());
    EXPECT_EQ(window->StatusText(), QStringLiteral("1 page"));
    // Every button fits: none hides behind the toolbar's extension arrow.
    const QToolBar* toolBar = window->findChild<QToolBar*>(QStringLiteral("ToolBar"));
    EXPECT_LE(toolBar->sizeHint().width(), toolBar->width());

    TActivityFixture many;
    many.AddGroups({100});
    window = Preview(many);
    EXPECT_EQ(window->StatusText(), QStringLiteral("%1 pages").arg(window->PageCount()));
}

TEST_F(TPreviewTools, ASavedReportOpensAgainWithTheSamePages)
{
    TActivityFixture f;
    f.AddGroups({70, 5});
    auto saving = Preview(f);
    const QString fileName = Dir.filePath(QStringLiteral("week.rpt"));
    saving->SaveDialog = [&](QString& name, int& choice) {
        name = fileName;
        choice = 0; // Report File (*.rpt)
        return true;
    };
    saving->SaveReport();
    ASSERT_TRUE(Prompt.Warnings.isEmpty()) << Prompt.Warnings.join(QLatin1Char('\n')).toStdString();

    TPreviewWindow opened;
    opened.show();
    opened.OpenDialog = [&](QString& name) {
        name = fileName;
        return true;
    };
    QTest::keyClick(opened.findChild<QWidget*>(QStringLiteral("PageView")), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(opened.PageCount(), saving->PageCount());
    for (int page = 0; page < opened.PageCount(); ++page)
        EXPECT_EQ(PageTexts(*opened.Document(), page), PageTexts(*saving->Document(), page));
    EXPECT_EQ(opened.PageText(), QStringLiteral("Page 1 of %1").arg(saving->PageCount()));
    EXPECT_EQ(opened.windowTitle(), QStringLiteral("Print Preview"));

    // A file that is not a saved report: the loader's reason is shown and the report shown stays.
    const QString bad = Dir.filePath(QStringLiteral("notes.rpt"));
    WriteFile(bad, "shopping list");
    QString reason;
    ASSERT_FALSE(TReportDocument::LoadFromFile(bad, &reason));
    opened.OpenDialog = [&](QString& name) {
        name = bad;
        return true;
    };
    opened.findChild<QAction*>(QStringLiteral("actOpen"))->trigger();
    EXPECT_EQ(Prompt.Warnings, QStringList{reason});
    EXPECT_EQ(opened.PageCount(), saving->PageCount());
}

TEST_F(TPreviewTools, ThumbnailsFollowTheLayoutAndChooseThePage)
{
    TActivityFixture f;
    f.AddGroups({300});
    TPreviewWindow window;
    ASSERT_TRUE(window.StartLayout(f.Report));
    window.show();
    TThumbnailPanel* panel = window.Thumbnails();
    EXPECT_TRUE(panel->isHidden());

    QAction* toggle = window.findChild<QAction*>(QStringLiteral("actThumbnails"));
    toggle->trigger();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_EQ(panel->PageCount(), window.PageCount());
    window.FinishLayout();
    EXPECT_EQ(panel->PageCount(), window.PageCount()) << "pages laid out later get their rows";
    ASSERT_GT(window.PageCount(), 5);

    // Choosing a thumbnail shows its page; paging marks the page's thumbnail.
    QListView* list = panel->List();
    list->scrollTo(list->model()->index(4, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(4, 0)).center());
    EXPECT_EQ(window.CurrentPage(), 4);
    window.GoToPage(2);
    EXPECT_EQ(list->currentIndex().row(), 2);
    EXPECT_EQ(window.CurrentPage(), 2);

    // A thumbnail is the page in small: the page number stands on it.
    const QPixmap thumbnail = list->model()->index(0, 0).data(Qt::DecorationRole).value<QPixmap>();
    EXPECT_EQ(thumbnail.width(), 100);
    EXPECT_EQ(thumbnail.height(), 129); // US Letter's proportions

    toggle->trigger();
    EXPECT_TRUE(panel->isHidden());
    EXPECT_FALSE(toggle->isChecked());
}

TEST_F(TPreviewTools, TheWheelScrollsTurnsPagesAndZooms)
{
    TActivityFixture f;
    f.AddGroups({200});
    auto window = Preview(f);
    QWidget* viewport = window->findChild<QScrollArea*>(QStringLiteral("ScrollBox"))->viewport();
    QScrollBar* bar = window->findChild<QScrollArea*>(QStringLiteral("ScrollBox"))->verticalScrollBar();
    auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers = {}) {
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    };

    // Fitted to the page, nothing scrolls: a notch turns the page, half notches add up.
    wheel(-120);
    EXPECT_EQ(window->CurrentPage(), 1);
    wheel(60);
    EXPECT_EQ(window->CurrentPage(), 1);
    wheel(60);
    EXPECT_EQ(window->CurrentPage(), 0);

    // Ctrl+wheel zooms; a taller page scrolls first and turns only at its bottom.
    const double fitted = window->Layout().Zoom;
    wheel(120, Qt::ControlModifier);
    EXPECT_GT(window->Layout().Zoom, fitted);
    window->FitWidth();
    ASSERT_GT(bar->maximum(), 0);
    wheel(-120);
    EXPECT_EQ(window->CurrentPage(), 0);
    EXPECT_GT(bar->value(), 0);
    bar->setValue(bar->maximum());
    wheel(-120);
    EXPECT_EQ(window->CurrentPage(), 1);
    EXPECT_EQ(bar->value(), 0);
    wheel(120);
    EXPECT_EQ(window->CurrentPage(), 0);
    EXPECT_EQ(bar->value(), bar->maximum()) << "back to the bottom of the page before";

    // A sideways turn (touchpad, tilting wheel) scrolls a page wider than the view.
    wheel(120, Qt::ControlModifier);
    wheel(120, Qt::ControlModifier);
    QScrollBar* across = window->findChild<QScrollArea*>(QStringLiteral("ScrollBox"))->horizontalScrollBar();
    ASSERT_GT(across->maximum(), 0);
    across->setValue(0);
    const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
    QWheelEvent sideways(at, viewport->mapToGlobal(at), QPoint(), QPoint(-120, 0), Qt::NoButton, {},
                         Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &sideways);
    EXPECT_GT(across->value(), 0);
}

TEST(TPrintSelection, RepeatsPagesForCopiesTheProgramMakes)
{
    const struct
    {
        const char* Name;
        TPrintSelection Selection;
        std::vector<int> Order;
    } rows[] = {
        {"one copy", {{1, 2, 3}, 1, true}, {1, 2, 3}},
        {"collated copies repeat the range", {{1, 2}, 2, true}, {1, 2, 1, 2}},
        {"uncollated copies repeat each page", {{1, 2}, 3, false}, {1, 1, 1, 2, 2, 2}},
        {"nothing chosen", {{}, 2, true}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(row.Selection.PageOrder(), row.Order);
    }
}

TEST_F(TPreviewTools, PrintGoesThroughThePrintDialogWithItsRangeAndCopies)
{
    TActivityFixture f;
    f.AddGroups({200});
    auto window = Preview(f);
    ASSERT_GE(window->PageCount(), 5);
    const int pageCount = window->PageCount();

    struct TRow
    {
        const char* Name;
        std::function<void(QPrinter&)> Choose;
        int Pages;
    };
    const TRow rows[] = {
        {"all pages", [](QPrinter&) {}, pageCount},
        {"pages 2 to 4, two copies",
         [](QPrinter& printer) {
             printer.setPrintRange(QPrinter::PageRange);
             printer.setPageRanges(QPageRanges::fromString(QStringLiteral("2-4")));
             printer.setCopyCount(2);
         },
         6},
        {"the page shown",
         [](QPrinter& printer) { printer.setPrintRange(QPrinter::CurrentPage); }, 1},
        {"a range past the end is cut at the last page",
         [&](QPrinter& printer) {
             printer.setPrintRange(QPrinter::PageRange);
             printer.setPageRanges(QPageRanges::fromString(QStringLiteral("%1-%2").arg(pageCount).arg(pageCount + 9)));
         },
         1},
    };
    int run = 0;
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString pdf = Dir.filePath(QStringLiteral("printed%1.pdf").arg(++run));
        int offered = 0;
        PrintInto(pdf, [&](QPrinter& printer, int pages, QWidget*) {
            offered = pages;
            EXPECT_EQ(printer.copyCount(), 1);
            row.Choose(printer);
            return true;
        });
        window->GoToPage(2);
        window->findChild<QAction*>(QStringLiteral("actPrint"))->trigger();
        EXPECT_EQ(offered, pageCount);
        EXPECT_EQ(PdfPageCount(pdf), row.Pages);
    }
    EXPECT_TRUE(Prompt.Warnings.isEmpty());

    // Cancelling the dialog prints nothing; without a printer there is no dialog, only the message.
    const QString cancelled = Dir.filePath(QStringLiteral("cancelled.pdf"));
    PrintInto(cancelled, [](QPrinter&, int, QWidget*) { return false; });
    window->PrintReport();
    EXPECT_FALSE(QFile::exists(cancelled));
    bool asked = false;
    PrintInto(cancelled, [&](QPrinter&, int, QWidget*) { return asked = true; });
    TReportPrinter::SetAvailabilityProbe([] { return false; });
    window->PrintReport();
    EXPECT_FALSE(asked);
    EXPECT_EQ(Prompt.Warnings,
              QStringList{QStringLiteral("No printer is installed. Install a printer to print the report.")});
}
