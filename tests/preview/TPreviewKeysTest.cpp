// The preview and its printing from the keyboard and the progress it shows: every action has its key,
// the page keys turn pages wherever the focus is, Cancel stops the printer, and the progress window
// measures against the total.
#include "ReportTestSupport.h"
#include "PrintTestSupport.h"
#include "TDialogPrintJob.h"
#include "TPreviewWindow.h"
#include "TPrintTarget.h"
#include "TProgressWindow.h"
#include "TPrompt.h"
#include "TReportDocument.h"
#include "TReportPrinter.h"
#include "TThumbnailPanel.h"

#include <QAccessible>
#include <QAction>
#include <QFile>
#include <QListView>
#include <QMenuBar>
#include <QProgressBar>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// A printer that records what reaches it.
class TRecordingPrinter : public TPrintTarget
{
public:
    QList<int> Pages; // page numbers drawn, in order
    bool Ended = false;
    bool Aborted = false;

    bool Begin(const TReportDocument&, QString*) override { return true; }
    bool PrintPage(const TReportDocument& document, const TReportPage& page, QString*) override
    {
        EXPECT_FALSE(Aborted) << "a page drawn after the job was aborted";
        for (int i = 0; i < document.PageCount(); ++i)
            if (&document.Page(i) == &page)
                Pages << i + 1;
        return true;
    }
    bool End(QString*) override { return Ended = true; }
    void Abort() override { Aborted = true; }
};

std::unique_ptr<TPreviewWindow> LaidOutPreview(TActivityFixture& f)
{
    auto window = std::make_unique<TPreviewWindow>();
    EXPECT_TRUE(window->StartLayout(f.Report));
    window->show();
    window->FinishLayout();
    return window;
}

} // namespace

TEST(TPrintJob, CancelSendsNoFurtherPageAndAbortsTheJob)
{
    TActivityFixture f;
    f.AddGroups({200});
    const auto document = f.Report.Generate();
    ASSERT_GE(document->PageCount(), 6);
    const std::vector<int> order{0, 1, 2, 3, 4, 5};
    const struct
    {
        const char* Name;
        int CancelAfter; // 0: never
        QList<int> Drawn;
        QString Message;
    } rows[] = {
        {"every page", 0, {1, 2, 3, 4, 5, 6}, {}},
        {"cancelled after the first page", 1, {1},
         QStringLiteral("Printing cancelled; nothing was sent to the printer.")},
        {"cancelled after the fourth page", 4, {1, 2, 3, 4},
         QStringLiteral("Printing cancelled; nothing was sent to the printer.")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TRecordingPrinter printer;
        QList<TReportProgress> seen;
        QString message;
        const bool printed = TDialogPrintJob::Send(printer, *document, order, [&](const TReportProgress& at) {
            seen << at;
            return row.CancelAfter == 0 || at.Pages < row.CancelAfter;
        }, &message);
        EXPECT_EQ(printed, row.CancelAfter == 0);
        EXPECT_EQ(printer.Pages, row.Drawn);
        EXPECT_EQ(printer.Aborted, row.CancelAfter != 0);
        EXPECT_EQ(printer.Ended, row.CancelAfter == 0);
        EXPECT_EQ(message, row.Message);
        // The window could say "Page n of 6" all along.
        ASSERT_FALSE(seen.isEmpty());
        EXPECT_EQ(seen.constLast().Text(), QStringLiteral("Page %1 of 6").arg(row.Drawn.size()));
    }
}

// The queue gets a job only once every page is drawn: a cancelled or refused job leaves nothing
// there, a whole one arrives once with every page, and the spooled file never stays behind.
TEST(TPrintJob, TheQueueGetsOnlyAWholeJob)
{
    TActivityFixture f;
    f.AddGroups({200});
    const auto document = f.Report.Generate();
    ASSERT_GE(document->PageCount(), 6);
    const std::vector<int> order{0, 1, 2, 3, 4, 5};
    const struct
    {
        const char* Name;
        int CancelAfter; // 0: never
        QString QueueRefuses; // the queue's reason; empty: it takes the job
        int Jobs;
        QString Message;
    } rows[] = {
        {"every page", 0, {}, 1, {}},
        {"cancelled after the first page", 1, {}, 0, QStringLiteral("Printing cancelled; nothing was sent to the printer.")},
        {"cancelled after the fifth page", 5, {}, 0, QStringLiteral("Printing cancelled; nothing was sent to the printer.")},
        {"the queue refuses", 0, QStringLiteral("Printer is stopped"), 1,
         QStringLiteral("The report could not be sent to the printer \"Club laser\": Printer is stopped")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        UseTestPrinter(QStringLiteral("Club laser"));
        QList<TSpooledJob> jobs;
        QList<int> jobPages;
        TReportPrinter::SetSubmitter([&](const TSpooledJob& job, QString* error) {
            jobs << job;
            jobPages << PdfPageCount(job.File);
            if (row.QueueRefuses.isEmpty())
                return true;
            *error = row.QueueRefuses;
            return false;
        });
        TReportPrinter printer;
        QPrinter& chosen = printer.Prepare(*document);
        QString message;
        ASSERT_TRUE(printer.Start(&message)) << qPrintable(message);
        const QString spooled = chosen.outputFileName();
        EXPECT_FALSE(spooled.isEmpty());
        const bool printed = TDialogPrintJob::Send(printer, *document, order, [&](const TReportProgress& at) {
            return row.CancelAfter == 0 || at.Pages < row.CancelAfter;
        }, &message);
        EXPECT_EQ(printed, row.CancelAfter == 0 && row.QueueRefuses.isEmpty());
        EXPECT_EQ(message, row.Message);
        ASSERT_EQ(jobs.size(), row.Jobs);
        if (row.Jobs == 1) {
            EXPECT_EQ(jobs[0].Printer, QStringLiteral("Club laser"));
            EXPECT_EQ(jobs[0].File, spooled);
            EXPECT_EQ(jobPages[0], 6);
            // One-sided as chosen, not whatever the queue does by default.
            const std::pair<QString, QString> sides{QStringLiteral("sides"), QStringLiteral("one-sided")};
            EXPECT_NE(std::find(jobs[0].Options.begin(), jobs[0].Options.end(), sides), jobs[0].Options.end());
        }
        EXPECT_FALSE(QFile::exists(spooled));
    }
    ResetTestPrinter();
}

TEST(TProgressWindow, MeasuresAgainstTheTotalWhenItIsKnown)
{
    const struct
    {
        const char* Name;
        TReportProgress Progress;
        QString Text;
        int Maximum; // 0: a busy bar
        int Value;
    } rows[] = {
        {"pages of a known count", {137, 0, -1, 301}, QStringLiteral("Page 137 of 301"), 301, 137},
        {"rows of a known count", {0, 23000, 100000, -1}, QStringLiteral("Row 23000 of 100000"), 100000, 23000},
        {"pages while the rows are counted", {943, 23000, 100000, -1}, QStringLiteral("Row 23000 of 100000 (page 943)"),
         100000, 23000},
        {"pages of an unknown count", {943, 23000, -1, -1}, QStringLiteral("Page 943"), 0, 0},
        {"rows of an unknown count", {0, 23000, -1, -1}, QStringLiteral("23000 rows"), 0, 0},
    };
    TProgressWindow window(QStringLiteral("Printing progress"));
    // A small dialog: nothing to minimise or maximise.
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowCloseButtonHint);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_TRUE(window.Update(row.Progress));
        EXPECT_EQ(window.Text(), row.Text);
        EXPECT_EQ(window.Bar()->maximum(), row.Maximum);
        EXPECT_EQ(window.Bar()->value(), row.Value);
    }
}

class TPreviewKeys : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetPrompt(&Prompt);
        f.AddGroups({200});
        Window = LaidOutPreview(f);
        Window->resize(800, 600);
        QApplication::setActiveWindow(Window.get());
        ASSERT_GE(Window->PageCount(), 5);
    }
    void TearDown() override { SetPrompt(nullptr); }

    TScriptedPrompt Prompt;
    TActivityFixture f;
    std::unique_ptr<TPreviewWindow> Window;
};

TEST_F(TPreviewKeys, EveryActionHasItsKeyInTheTooltipAndAMenu)
{
    const struct
    {
        const char* Action;
        QKeySequence Key;
        const char* Menu;
    } rows[] = {
        {"actOpen", QKeySequence(Qt::CTRL | Qt::Key_O), "&File"},
        {"actSave", QKeySequence(Qt::CTRL | Qt::Key_S), "&File"},
        {"actPrint", QKeySequence(Qt::CTRL | Qt::Key_P), "&File"},
        {"actFind", QKeySequence(Qt::CTRL | Qt::Key_F), "&View"},
        {"actZoomIn", QKeySequence(Qt::CTRL | Qt::Key_Plus), "&View"},
        {"actZoomOut", QKeySequence(Qt::CTRL | Qt::Key_Minus), "&View"},
        {"actFirst", QKeySequence(Qt::Key_Home), "&Go"},
        {"actPrior", QKeySequence(Qt::Key_PageUp), "&Go"},
        {"actNext", QKeySequence(Qt::Key_PageDown), "&Go"},
        {"actLast", QKeySequence(Qt::Key_End), "&Go"},
    };
    QStringList menus;
    for (QAction* menu : Window->menuBar()->actions())
        menus << menu->text();
    EXPECT_EQ(menus, (QStringList{QStringLiteral("&File"), QStringLiteral("&View"), QStringLiteral("&Go")}));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Action);
        const QAction* action = Window->findChild<QAction*>(QLatin1String(row.Action));
        ASSERT_TRUE(action);
        EXPECT_TRUE(action->shortcuts().contains(row.Key));
        EXPECT_TRUE(action->toolTip().contains(row.Key.toString(QKeySequence::NativeText))) << action->toolTip().toStdString();
        bool inMenu = false;
        for (QAction* menu : Window->menuBar()->actions())
            inMenu = inMenu || (menu->text() == QLatin1String(row.Menu) && menu->menu()->actions().contains(action));
        EXPECT_TRUE(inMenu);
    }
    // Every toolbar action can be reached from a menu, so from the keyboard.
    for (QAction* action : Window->findChild<QToolBar*>(QStringLiteral("ToolBar"))->actions()) {
        if (action->isSeparator() || !action->objectName().startsWith(QLatin1String("act")))
            continue;
        SCOPED_TRACE(action->objectName().toStdString());
        EXPECT_FALSE(action->associatedObjects().size() < 2) << "on the toolbar only";
    }
}

TEST_F(TPreviewKeys, PageKeysTurnPagesAndPlusMinusZoomWhereverTheFocusIs)
{
    const int last = Window->PageCount() - 1;
    QWidget* view = Window->findChild<QWidget*>(QStringLiteral("PageView"));
    QWidget* pageBox = Window->findChild<QSpinBox*>(QStringLiteral("edPage"));
    Window->ShowThumbnails(true);
    QWidget* thumbnails = Window->findChild<QListView*>(QStringLiteral("ThumbnailList"));
    const struct
    {
        const char* Name;
        QWidget* Focus;
    } places[] = {{"the page", view}, {"the page box", pageBox}, {"the thumbnails", thumbnails}};
    for (const auto& place : places) {
        SCOPED_TRACE(place.Name);
        place.Focus->setFocus();
        Window->GoToPage(2);
        const struct
        {
            Qt::Key Key;
            int Page;
        } turns[] = {{Qt::Key_PageDown, 3}, {Qt::Key_PageUp, 2}, {Qt::Key_End, last}, {Qt::Key_Home, 0}};
        for (const auto& turn : turns) {
            QTest::keyClick(place.Focus, turn.Key);
            EXPECT_EQ(Window->CurrentPage(), turn.Page) << QKeySequence(turn.Key).toString().toStdString();
        }
    }
    // Plain and keypad + and - zoom, as Ctrl with them does.
    const struct
    {
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        bool In;
    } zooms[] = {{Qt::Key_Plus, Qt::NoModifier, true},         {Qt::Key_Minus, Qt::NoModifier, false},
                 {Qt::Key_Plus, Qt::KeypadModifier, true},      {Qt::Key_Minus, Qt::KeypadModifier, false},
                 {Qt::Key_Plus, Qt::ControlModifier, true},     {Qt::Key_Minus, Qt::ControlModifier, false}};
    view->setFocus();
    for (const auto& zoom : zooms) {
        const double before = Window->Layout().Scale();
        QTest::keyClick(view, zoom.Key, zoom.Modifiers);
        if (zoom.In)
            EXPECT_GT(Window->Layout().Scale(), before) << QKeySequence(zoom.Key | zoom.Modifiers).toString().toStdString();
        else
            EXPECT_LT(Window->Layout().Scale(), before) << QKeySequence(zoom.Key | zoom.Modifiers).toString().toStdString();
    }
}

TEST_F(TPreviewKeys, TheToolbarKeepsCloseInViewAtTheOpeningWidthAndThePartsHaveNames)
{
    const QToolBar* toolBar = Window->findChild<QToolBar*>(QStringLiteral("ToolBar"));
    // Room for "Page 1 of 8888" is reserved: no button goes behind the extension arrow.
    EXPECT_LE(toolBar->sizeHint().width(), toolBar->width());
    QWidget* close = toolBar->widgetForAction(Window->findChild<QAction*>(QStringLiteral("actClose")));
    ASSERT_TRUE(close);
    EXPECT_TRUE(close->isVisible());
    EXPECT_LE(close->geometry().right(), toolBar->width());

    const struct
    {
        const char* Widget;
        QString Name;
    } names[] = {{"PageView", QStringLiteral("Report page")},
                 {"ThumbnailList", QStringLiteral("Page thumbnails")},
                 {"edPage", QStringLiteral("Page number")}};
    for (const auto& row : names) {
        SCOPED_TRACE(row.Widget);
        QWidget* widget = Window->findChild<QWidget*>(QLatin1String(row.Widget));
        ASSERT_TRUE(widget);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_TRUE(accessible);
        EXPECT_EQ(accessible->text(QAccessible::Name), row.Name);
    }
}
