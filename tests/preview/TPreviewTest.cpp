#include "ReportTestSupport.h"
#include "PrintTestSupport.h"
#include "ReportWindows.h"
#include "TPreviewLayout.h"
#include "TPreviewWindow.h"
#include "TProgressWindow.h"
#include "TPrompt.h"
#include "TReportPrinter.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <cstdio>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(TPreviewLayout, StepsZoomAndMapsPaperToScreen)
{
    TPreviewLayout layout;
    layout.SetZoom(1.0);
    // 254 tenths of a millimetre are 96 pixels at 100 %, after the gap.
    EXPECT_EQ(layout.PageToScreen(QPointF(254, 508)), QPointF(10 + 96, 10 + 192));
    EXPECT_EQ(layout.ScreenToPage(QPointF(106, 202)), QPointF(254, 508));
    EXPECT_EQ(layout.CanvasSize(), QSize(816 + 20, 1056 + 20)); // US Letter at 96 dpi

    struct TRow
    {
        const char* Name;
        double From;
        bool In;
        double Expected;
    };
    const TRow rows[] = {
        {"in from 100 %", 1.0, true, 1.25},    {"out from 100 %", 1.0, false, 0.75},
        {"in between steps", 0.6, true, 0.75}, {"out between steps", 0.6, false, 0.5},
        {"in at the top", 8.0, true, 8.0},     {"out at the bottom", 0.1, false, 0.1},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        layout.SetZoom(row.From);
        row.In ? layout.ZoomIn() : layout.ZoomOut();
        EXPECT_DOUBLE_EQ(layout.Zoom, row.Expected);
        EXPECT_EQ(layout.Mode, zmCustom);
    }
}

TEST(TPreviewLayout, FitsThePageOrItsWidthIntoTheViewport)
{
    TPreviewLayout layout;
    layout.FitPage(QSize(836, 548)); // height limits: (548 - 20) / 1056 = 0.5
    EXPECT_DOUBLE_EQ(layout.Zoom, 0.5);
    layout.FitWidth(QSize(836, 548)); // width limits: (836 - 20) / 816 = 1
    EXPECT_DOUBLE_EQ(layout.Zoom, 1.0);
    layout.Refit(QSize(428, 2000));
    EXPECT_DOUBLE_EQ(layout.Zoom, 0.5);
    EXPECT_EQ(layout.Mode, zmFitWidth);

    // A fitted page never needs a scroll bar, whatever the rounding of its scale.
    for (int height = 300; height <= 1200; ++height) {
        layout.FitPage(QSize(2000, height));
        ASSERT_LE(layout.CanvasSize().height(), height) << height;
    }
}

TEST(TPreviewLayout, PagingStaysWithinTheReport)
{
    TPreviewLayout layout;
    EXPECT_FALSE(layout.Next()); // no pages yet
    layout.SetPageCount(3);
    EXPECT_TRUE(layout.Last());
    EXPECT_EQ(layout.PageIndex, 2);
    EXPECT_FALSE(layout.Next());
    EXPECT_TRUE(layout.Prior());
    EXPECT_TRUE(layout.GoToPage(-5));
    EXPECT_EQ(layout.PageIndex, 0);
    EXPECT_FALSE(layout.Prior());
    layout.GoToPage(2);
    layout.SetPageCount(2); // a page count that shrinks (a new document) keeps the index valid
    EXPECT_EQ(layout.PageIndex, 1);
}

class TPreviewWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetClock([] { return QDateTime(QDate(2024, 3, 5), QTime(10, 0)); });
        SetPrompt(&Prompt);
    }
    void TearDown() override
    {
        SetPrompt(nullptr);
        SetClock({});
        TReportPrinter::SetAvailabilityProbe({});
        TReportPrinter::SetPrinterFactory({});
        TReportPrinter::SetSubmitter({});
    }
    TScriptedPrompt Prompt;
};

TEST_F(TPreviewWindowTest, OpensFittedAndPagesWithKeys)
{
    TActivityFixture f;
    f.AddGroups({100, 100});
    TPreviewWindow window;
    ASSERT_TRUE(window.StartLayout(f.Report));
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Print Preview"));
    EXPECT_EQ(window.size(), QSize(800, 600));
    EXPECT_FALSE(window.isMaximized());
    EXPECT_EQ(window.Layout().Mode, zmFitPage);
    window.FinishLayout();
    const int pages = window.PageCount();
    ASSERT_GT(pages, 3);
    auto* label = window.findChild<QLabel*>(QStringLiteral("lblPage"));
    EXPECT_EQ(label->text(), QStringLiteral("Page 1 of %1").arg(pages));

    QWidget* view = window.findChild<QWidget*>(QStringLiteral("PageView"));
    QTest::keyClick(view, Qt::Key_PageDown);
    QTest::keyClick(view, Qt::Key_PageDown);
    EXPECT_EQ(window.CurrentPage(), 2);
    QTest::keyClick(view, Qt::Key_PageUp);
    EXPECT_EQ(window.CurrentPage(), 1);
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(label->text(), QStringLiteral("Page %1 of %1").arg(pages));
    QTest::keyClick(view, Qt::Key_Home);
    EXPECT_EQ(window.CurrentPage(), 0);

    const double fitted = window.Layout().Zoom;
    QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_GT(window.Layout().Zoom, fitted);
    QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_LT(window.Layout().Zoom, fitted);

    window.findChild<QAction*>(QStringLiteral("actLast"))->trigger();
    EXPECT_EQ(window.CurrentPage(), pages - 1);
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(TPreviewWindowTest, ClosingWhileLayingOutStopsTheLayout)
{
    TActivityFixture f;
    f.AddGroups({5000});
    TPreviewWindow window;
    ASSERT_TRUE(window.StartLayout(f.Report));
    EXPECT_EQ(window.PageCount(), 1); // the first page is there before the window shows
    EXPECT_TRUE(window.LayingOut());
    EXPECT_TRUE(f.Report.LayoutPending());
    window.close();
    EXPECT_FALSE(window.LayingOut());
    EXPECT_FALSE(f.Report.LayoutPending());
}

TEST_F(TPreviewWindowTest, ANewGenerationCompletesTheOneStillLayingOut)
{
    // Both generations share the data set and the handlers' counters, so they must not interleave.
    TActivityFixture f;
    f.AddGroups({3000});
    TPreviewWindow window;
    ASSERT_TRUE(window.StartLayout(f.Report));
    auto document = f.Report.Generate();
    EXPECT_EQ(PageTexts(*document, document->PageCount() - 1).last(), QStringLiteral("Total Member Count = 3000"));
    window.FinishLayout();
    const TReportDocument& previewed = *window.Document();
    EXPECT_EQ(PageTexts(previewed, previewed.PageCount() - 1).last(), QStringLiteral("Total Member Count = 3000"));
}

TEST_F(TPreviewWindowTest, PreviewReturnsOnlyWhenTheWindowCloses)
{
    TActivityFixture f;
    f.AddGroups({10});
    bool sawWindow = false;
    // Preview dispatches pending events before it opens the window, so wait for the window to appear.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        TPreviewWindow* window = OpenPreview();
        if (window && window->isVisible()) {
            sawWindow = true;
            window->close();
        }
    });
    poll.start(10);
    PreviewReport(f.Report);
    EXPECT_TRUE(sawWindow);
    QApplication::processEvents();
    EXPECT_EQ(OpenPreview(), nullptr);
}

TEST_F(TPreviewWindowTest, PrintWithoutAPrinterOnlySaysSo)
{
    TActivityFixture f;
    f.AddGroups({10});
    TReportPrinter::SetAvailabilityProbe([] { return false; });
    PrintReport(f.Report);
    EXPECT_EQ(Prompt.Warnings, QStringList({QStringLiteral("No printer is installed. Install a printer to print the report.")}));
    EXPECT_TRUE(f.Log.isEmpty()); // nothing was generated
}

TEST_F(TPreviewWindowTest, PrintSendsEveryPageToThePrinter)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("printed.pdf"));
    PrintIntoPdf(pdf);
    TActivityFixture f;
    f.AddGroups({100});
    f.Report.ShowProgress = false;
    PrintReport(f.Report);
    EXPECT_TRUE(Prompt.Warnings.isEmpty());
    EXPECT_EQ(PdfPageCount(pdf), 3);
}

namespace {

// The whole activity layout over ~200 made-up rows in 5 activities, for looking at the preview.
void BuildDemoReport(TBandedReport& report, TMemoryDataSet& data)
{
    const QStringList fields{QStringLiteral("description"), QStringLiteral("MemberNo"), QStringLiteral("HomePhone"),
                             QStringLiteral("SubCatDesc"), QStringLiteral("FullName"), QStringLiteral("Start"),
                             QStringLiteral("End"), QStringLiteral("Countdown"), QStringLiteral("Pymtrate")};
    const TFieldType types[] = {ftString, ftInteger, ftString, ftString, ftString, ftDate, ftDate, ftInteger, ftCurrency};
    for (int i = 0; i < fields.size(); ++i)
        data.AddField(fields[i], types[i]);
    const QStringList activities{QStringLiteral("Aerobics"), QStringLiteral("Junior Tennis"), QStringLiteral("Pilates"),
                                 QStringLiteral("Squash League"), QStringLiteral("Swim Team")};
    const int sizes[] = {31, 58, 22, 47, 42};
    int member = 1000;
    for (int a = 0; a < activities.size(); ++a)
        for (int r = 0; r < sizes[a]; ++r, ++member)
            data.AddRow({activities[a], member, QStringLiteral("555-%1").arg(1000 + member * 7 % 9000),
                          r % 3 ? QStringLiteral("Family") : QStringLiteral("Single"),
                          QStringLiteral("Member %1, Pat").arg(member), QDate(2024, 1 + r % 12, 1 + r % 28),
                          QDate(2025, 1 + r % 12, 1 + r % 28), r % 9, 35.0 + (r % 4) * 10});
    report.SetDataSet(&data);

    TBand* title = report.AddBand(btTitle, QStringLiteral("QRBand1"), 105);
    title->AddLabel(QStringLiteral("lblTitle"), 313, 8, QStringLiteral("lblTitle"), ArialFont(14, true), taCenter, true, 41)
        ->SetCaption(QStringLiteral("Riverside Sports Club"));
    title->AddLabel(QStringLiteral("QRLabel6"), 264, 32, QStringLiteral("Activity Report"), ArialFont(14, true));
    title->AddLabel(QStringLiteral("lblDate"), 318, 58, QStringLiteral("lblDate"), ArialFont(12), taCenter, true, 30)
        ->SetCaption(QStringLiteral("March 5, 2024"));
    title->AddLabel(QStringLiteral("QRLabel9"), 595, 7, QStringLiteral("Page"), ArialFont(10), taRightJustify);
    title->AddSysData(QStringLiteral("QRSysData3"), 632, 6, sdPageNumber, ArialFont(10));
    title->AddLabel(QStringLiteral("QRLabel11"), 584, 27, QStringLiteral("Printed"), ArialFont(10));
    title->AddSysData(QStringLiteral("QRSysData1"), 632, 27, sdDate, ArialFont(10));

    TBand* header = report.AddBand(btColumnHeader, QStringLiteral("QRBand5"), 40);
    const QStringList captions{QStringLiteral("Member#"), QStringLiteral("HomePhone"), QStringLiteral("Sub Category"),
                               QStringLiteral("Name"), QStringLiteral("Start"), QStringLiteral("End"),
                               QStringLiteral("Count Down"), QStringLiteral("Pymt Rate")};
    const int lefts[] = {16, 80, 176, 280, 416, 504, 576, 654};
    for (int i = 0; i < captions.size(); ++i)
        header->AddLabel(QStringLiteral("QRLabel%1").arg(20 + i), lefts[i], 13, captions[i], ArialFont(8, true));
    header->AddLine(QStringLiteral("QRShape1"), 16, 30, 696, 2);

    TBand* group = report.AddBand(btGroupHeader, QStringLiteral("QRGroup1"), 41);
    group->SetExpression(QStringLiteral("Query.description"));
    group->AddDataField(QStringLiteral("Description"), 17, 12, QStringLiteral("description"), ArialFont(12, true));
    group->AddLine(QStringLiteral("QRShape2"), 19, 30, 693, 1);

    TBand* detail = report.AddBand(btDetail, QStringLiteral("QRBand2"), 23);
    for (int i = 0; i < 6; ++i)
        detail->AddDataField(fields[i + 1], lefts[i], 3, fields[i + 1], ArialFont(8));
    detail->AddDataField(QStringLiteral("Countdown"), 576, 3, QStringLiteral("Countdown"), ArialFont(8), taCenter, 57);
    detail->AddDataField(QStringLiteral("Pymtrate"), 654, 2, QStringLiteral("Pymtrate"), ArialFont(8), taCenter, 43);

    TBand* footer = report.AddBand(btGroupFooter, QStringLiteral("QRBand3"), 24);
    TLabelElement* count = footer->AddLabel(QStringLiteral("lblCount"), 18, 4, QStringLiteral("lblCount"), ArialFont(10));
    group->SetFooterBand(footer);
    TBand* summary = report.AddBand(btSummary, QStringLiteral("QRBand4"), 40);
    TLabelElement* total = summary->AddLabel(QStringLiteral("lbltotcnt"), 16, 16, QStringLiteral("lbltotcnt"), ArialFont(10, true));

    auto counters = std::make_shared<std::pair<int, int>>();
    report.BeforePrint = [counters](TBandedReport&, bool&) { *counters = {0, 0}; };
    detail->BeforePrint = [counters](TBand&, bool&) { ++counters->first; ++counters->second; };
    footer->BeforePrint = [counters, count](TBand&, bool&) {
        count->SetCaption(QStringLiteral("Member Count  %1").arg(counters->first));
        counters->first = 0;
    };
    summary->BeforePrint = [counters, total](TBand&, bool&) {
        total->SetCaption(QStringLiteral("Total Member Count = %1").arg(counters->second));
    };
}

} // namespace

// Writes PNGs of the demo preview into the folder named by PREVIEW_GRAB_DIR; skipped otherwise.
TEST_F(TPreviewWindowTest, GrabsTheDemoPreviewWhenAsked)
{
    const QString folder = qEnvironmentVariable("PREVIEW_GRAB_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set PREVIEW_GRAB_DIR to write the screenshots";
    TMemoryDataSet data;
    TBandedReport report;
    BuildDemoReport(report, data);
    TPreviewWindow window;
    ASSERT_TRUE(window.StartLayout(report));
    window.show();
    window.FinishLayout();
    QApplication::processEvents();
    EXPECT_TRUE(window.grab().save(folder + QStringLiteral("/preview-page1.png")));
    window.FitWidth();
    window.GoToPage(1);
    QApplication::processEvents();
    EXPECT_TRUE(window.grab().save(folder + QStringLiteral("/preview-page2-width.png")));
    window.GoToPage(window.PageCount() - 1);
    window.FitPage();
    QApplication::processEvents();
    EXPECT_TRUE(window.grab().save(folder + QStringLiteral("/preview-last.png")));
}

// Screenshots of the whole screen, window manager frames included, when run on a display:
// PREVIEW_GRAB_DIR=... QT_QPA_PLATFORM=xcb preview_tests --gtest_filter='*Screen*'. A long report in
// the preview at its opening width, then the progress window of a print with its total.
TEST_F(TPreviewWindowTest, GrabsTheScreenWithFramesWhenAsked)
{
    const QString folder = qEnvironmentVariable("PREVIEW_GRAB_DIR");
    if (folder.isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "set PREVIEW_GRAB_DIR and run on a display to write the screenshots";
    TActivityFixture f;
    f.AddGroups(QList<int>(55, 2000));
    TPreviewWindow window;
    ASSERT_TRUE(window.StartLayout(f.Report));
    window.show();
    window.FinishLayout();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(500); // the window manager draws its frame
    window.screen()->grabWindow(0).save(folder + QStringLiteral("/screen-preview.png"));
    {
        TProgressWindow progress(QStringLiteral("Printing progress"));
        progress.move(window.geometry().center() - QPoint(170, 55));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&progress));
        progress.Update({137, 0, -1, window.PageCount()});
        QTest::qWait(500);
        progress.Update({137, 0, -1, window.PageCount()});
        window.screen()->grabWindow(0).save(folder + QStringLiteral("/screen-progress.png"));
    }
}

// Prints a long report on a real queue and cancels after page 100, to see what the queue produces;
// set PRINT_CANCEL_QUEUE to the queue's name to run it.
TEST_F(TPreviewWindowTest, CancelsARealPrintJobWhenAsked)
{
    const QString queue = qEnvironmentVariable("PRINT_CANCEL_QUEUE");
    if (queue.isEmpty())
        GTEST_SKIP() << "set PRINT_CANCEL_QUEUE to print on a real queue";
    TReportPrinter::SetPrinterFactory([queue] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setPrinterName(queue);
        return printer;
    });
    TActivityFixture f;
    f.AddGroups(QList<int>(10, 2000));
    TReportPrinter printer;
    QString message;
    EXPECT_FALSE(f.Report.PrintTo(printer, [](const TReportProgress& at) { return at.Pages < 100; }, &message));
    std::printf("%s\n", qPrintable(message));
    TReportPrinter::SetPrinterFactory({});
}

// Reports how long the first page of a large preview takes and how much memory the whole layout
// holds; set REPORT_PREVIEW_ROWS (e.g. 1000000) to run it. Nothing is asserted on time.
TEST_F(TPreviewWindowTest, MeasuresALargePreviewWhenAsked)
{
    const int rows = qEnvironmentVariableIntValue("REPORT_PREVIEW_ROWS");
    if (rows <= 0)
        GTEST_SKIP() << "set REPORT_PREVIEW_ROWS to measure";
    TActivityFixture f;
    f.Data = TMemoryDataSet();
    f.Data.AddField(QStringLiteral("description"), ftString);
    f.Data.AddField(QStringLiteral("MemberNo"), ftInteger);
    f.Data.AddField(QStringLiteral("FullName"), ftString);
    for (int r = 0; r < rows; ++r)
        f.Data.AddRow({QStringLiteral("Activity %1").arg(r / 2000), r, QStringLiteral("Member %1").arg(r)});
    QElapsedTimer clock;
    clock.start();
    TPreviewWindow window;
    ASSERT_TRUE(window.StartLayout(f.Report));
    window.show();
    QApplication::processEvents();
    const qint64 firstPage = clock.elapsed();
    window.FinishLayout();
    const qint64 all = clock.elapsed();
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    const qsizetype at = text.indexOf("VmHWM:");
    std::printf("%d rows: first page on screen after %lld ms, %d pages laid out after %lld ms, %s\n", rows,
                firstPage, window.PageCount(), all, text.mid(at, text.indexOf('\n', at) - at).constData());
}
