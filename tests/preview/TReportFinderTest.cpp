// Finding a text across the pages of a report: the finder on documents made by the test, and the
// preview's find bar on a report that is still being laid out.
#include "ReportTestSupport.h"
#include "TFindBar.h"
#include "TPreviewWindow.h"
#include "TPrompt.h"
#include "TReportFinder.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// A document whose page i holds one text element per string of pages[i].
std::unique_ptr<TReportDocument> MakeDocument(const QList<QStringList>& pages)
{
    auto document = std::make_unique<TReportDocument>();
    document->AddFont(ArialFont(10));
    for (int p = 0; p < pages.size(); ++p) {
        TReportPage page(p + 1);
        page.AddLine(10, 10, 100, 2); // lines are skipped, and count as elements
        float top = 20;
        for (const QString& text : pages[p]) {
            page.AddText(10, top, 500, 40, 0, taLeftJustify, clWhite, text);
            top += 50;
        }
        document->AddPage(std::move(page));
    }
    return document;
}

// Runs the search to its end and returns the match (invalid when not found).
TFindMatch RunToEnd(TReportFinder& finder)
{
    TFindMatch result;
    bool done = false;
    const auto found = QObject::connect(&finder, &TReportFinder::Found, [&](const TFindMatch& match) {
        result = match;
        done = true;
    });
    const auto notFound = QObject::connect(&finder, &TReportFinder::NotFound, [&] { done = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
    QObject::disconnect(found);
    QObject::disconnect(notFound);
    return result;
}

} // namespace

TEST(TReportFinder, GoesOnAfterTheMatchAndWrapsRoundToWhereItStarted)
{
    auto document = MakeDocument({{QStringLiteral("Aerobics"), QStringLiteral("Member 7")},
                                  {QStringLiteral("Pilates")},
                                  {QStringLiteral("Member 12"), QStringLiteral("Swim Team member 3")}});
    TReportFinder finder;
    finder.SetDocument(document.get());
    const QString member = QStringLiteral("member");

    struct TRow
    {
        const char* Name;
        TFindDirection Direction;
        TFindMatch From;
        int FromPage;
        TFindMatch Expected;
    };
    const TRow rows[] = {
        {"from the top of the page shown", fdForward, {}, 1, {2, 1, 0, 6}},
        {"next after a match", fdForward, {2, 1, 0, 6}, 2, {2, 2, 10, 6}},
        {"past the last page wraps to the first", fdForward, {2, 2, 10, 6}, 2, {0, 2, 0, 6}},
        {"backward from the bottom of a page", fdBackward, {}, 2, {2, 2, 10, 6}},
        {"previous before a match", fdBackward, {2, 2, 10, 6}, 2, {2, 1, 0, 6}},
        {"before the first page wraps to the last", fdBackward, {0, 2, 0, 6}, 0, {2, 2, 10, 6}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        finder.Find(member, row.Direction, Qt::CaseInsensitive, row.From, row.FromPage);
        EXPECT_EQ(RunToEnd(finder), row.Expected);
    }

    // The only match comes round again; a text that is nowhere is reported once the round is done.
    finder.Find(QStringLiteral("pilates"), fdForward, Qt::CaseInsensitive, {1, 1, 0, 7}, 1);
    EXPECT_EQ(RunToEnd(finder), (TFindMatch{1, 1, 0, 7}));
    finder.Find(QStringLiteral("pilates"), fdForward, Qt::CaseSensitive, {}, 0);
    EXPECT_FALSE(RunToEnd(finder).IsValid());
    finder.Find(QStringLiteral("Karate"), fdBackward, Qt::CaseInsensitive, {}, 1);
    EXPECT_FALSE(RunToEnd(finder).IsValid());
}

TEST(TReportFinder, FindsNamesInEveryScriptWhateverTheirCase)
{
    const QStringList names = {QString::fromUtf8("Wa\xC5\x82\xC4\x99sa, \xC5\x81ukasz"),
                               QString::fromUtf8("\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB5\xD0\xB2"),
                               QString::fromUtf8("\xCE\xA0\xCE\xB1\xCF\x80\xCE\xB1\xCE\xB4\xCF\x8C\xCF\x80\xCE\xBF\xCF\x85\xCE\xBB\xCE\xBF\xCF\x82"),
                               QString::fromUtf8("\xC5\x9E" "ahin, Ay\xC5\x9F" "e")};
    auto document = MakeDocument({names});
    TReportFinder finder;
    finder.SetDocument(document.get());
    struct TRow
    {
        const char* Find; // UTF-8
        TFindMatch Expected;
    };
    const TRow rows[] = {
        {"\xC5\x82ukasz", {0, 1, 8, 6}},
        {"\xD0\xB4\xD0\xBC\xD0\xB8\xD1\x82", {0, 2, 0, 4}},
        {"\xCF\x80\xCE\xBF\xCF\x85\xCE\xBB", {0, 3, 6, 4}},
        {"\xC5\x9F" "ahin", {0, 4, 0, 5}},
        {"Lukasz", {}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Find);
        finder.Find(QString::fromUtf8(row.Find), fdForward, Qt::CaseInsensitive, {}, 0);
        EXPECT_EQ(RunToEnd(finder), row.Expected);
    }
}

TEST(TReportFinder, WaitsForPagesStillToBeLaidOut)
{
    auto document = MakeDocument({{QStringLiteral("Aerobics")}, {QStringLiteral("Pilates")}});
    bool layoutRunning = true;
    TReportFinder finder;
    finder.LayoutRunning = [&] { return layoutRunning; };
    finder.SetDocument(document.get());
    QSignalSpy found(&finder, &TReportFinder::Found);
    QSignalSpy notFound(&finder, &TReportFinder::NotFound);

    // Aerobics is on page 1, behind the start, but pages are still coming: it waits rather than wrap.
    finder.Find(QStringLiteral("Aerobics"), fdForward, Qt::CaseInsensitive, {}, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finder.WaitingForLayout(); }, 5000));
    EXPECT_EQ(finder.SearchPage(), 2);

    document->AddPage(MakeDocument({{QStringLiteral("Squash")}})->Page(0));
    finder.LayoutAdvanced();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finder.WaitingForLayout() && finder.SearchPage() == 3; }, 5000));
    EXPECT_TRUE(found.isEmpty());

    // The layout ends: now it wraps round and finds it.
    layoutRunning = false;
    finder.LayoutAdvanced();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !found.isEmpty(); }, 5000));
    EXPECT_EQ(found.first().first().value<TFindMatch>(), (TFindMatch{0, 1, 0, 8}));
    EXPECT_TRUE(notFound.isEmpty());
}

namespace {

class TPreviewFind : public ::testing::Test
{
protected:
    void SetUp() override { SetPrompt(&Prompt); }
    void TearDown() override { SetPrompt(nullptr); }
    TScriptedPrompt Prompt;
};

} // namespace

TEST_F(TPreviewFind, FindsTextOnTheLastPageOfAReportStillBeingLaidOut)
{
    TActivityFixture f;
    f.AddGroups({4000, 1}); // "Activity 2" heads the last group, at the end of the report
    TPreviewWindow window;
    ASSERT_TRUE(window.StartLayout(f.Report));
    window.show();
    EXPECT_TRUE(window.FindBar()->isHidden());

    QWidget* view = window.findChild<QWidget*>(QStringLiteral("PageView"));
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(window.FindBar()->isVisible());
    QLineEdit* edit = window.FindBar()->Edit();
    EXPECT_EQ(window.focusWidget(), edit);
    QTest::keyClicks(edit, QStringLiteral("activity 2"));
    QTest::keyClick(edit, Qt::Key_Return);
    // The search runs in slices beside the layout; nothing of it happened inside the key press.
    EXPECT_TRUE(window.LayingOut());
    EXPECT_TRUE(window.FindBar()->Finder().Searching());
    EXPECT_FALSE(window.Match().IsValid());

    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Match().IsValid(); }, 60000));
    const TReportDocument& document = *window.Document();
    const int page = window.Match().Page;
    EXPECT_TRUE(PageTexts(document, page).contains(QStringLiteral("Activity 2")));
    for (int other = 0; other < page; ++other)
        ASSERT_FALSE(PageTexts(document, other).contains(QStringLiteral("Activity 2")));
    EXPECT_GT(page, 90);
    EXPECT_EQ(window.CurrentPage(), page);
    EXPECT_EQ(window.FindBar()->StatusText(), QStringLiteral("Found on page %1").arg(page + 1));

    // Escape in the bar closes the bar and drops the highlight; the next Escape closes the preview.
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_TRUE(window.FindBar()->isHidden());
    EXPECT_FALSE(window.Match().IsValid());
    EXPECT_TRUE(window.isVisible());
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(TPreviewFind, NextAndPreviousStepThroughMatchesAcrossPages)
{
    TActivityFixture f;
    f.AddGroups({60, 60, 60});
    TPreviewWindow window;
    ASSERT_TRUE(window.StartLayout(f.Report));
    window.show();
    window.FinishLayout();
    TFindBar* bar = window.FindBar();
    bar->Open();
    bar->Edit()->setText(QStringLiteral("member count  ")); // the group footers, not the total
    QList<int> pages;
    auto step = [&](bool forward) {
        forward ? bar->FindNext() : bar->FindPrevious();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !bar->Finder().Searching(); }, 10000));
        const TFindMatch& match = window.Match();
        ASSERT_TRUE(match.IsValid());
        const TReportPage& page = window.Document()->Page(match.Page);
        EXPECT_EQ(page.Text(page.Elements()[size_t(match.Element)]), QStringLiteral("Member Count  60"));
        EXPECT_EQ(window.CurrentPage(), match.Page);
        pages << match.Page;
    };
    for (int i = 0; i < 4; ++i)
        step(true);
    step(false);
    // Three footers on three different pages; the fourth Next wraps round to the first, and
    // Previous from there wraps back to the last.
    ASSERT_EQ(pages.size(), 5);
    EXPECT_LT(pages[0], pages[1]);
    EXPECT_LT(pages[1], pages[2]);
    EXPECT_EQ(pages[3], pages[0]);
    EXPECT_EQ(pages[4], pages[2]);

    // Paging away from the match starts the next search on the page shown.
    window.GoToPage(pages[1]);
    step(false);
    EXPECT_EQ(pages.last(), pages[1]);
}

// Reports how a search for text on the last page of a large report behaves while the report is
// still being laid out: when it is found, and the longest the event loop was kept waiting. Set
// REPORT_FIND_ROWS (1000000 gives 25,000 pages) to run it; nothing is asserted on time.
TEST_F(TPreviewFind, MeasuresFindingInALargeReportWhenAsked)
{
    const int rows = qEnvironmentVariableIntValue("REPORT_FIND_ROWS");
    if (rows <= 0)
        GTEST_SKIP() << "set REPORT_FIND_ROWS to measure";
    TActivityFixture f;
    f.AddGroups({rows, 1});
    QElapsedTimer clock;
    clock.start();
    TPreviewWindow window;
    ASSERT_TRUE(window.StartLayout(f.Report));
    window.show();
    window.FindBar()->Open();
    window.FindBar()->Edit()->setText(QStringLiteral("Activity 2"));
    window.FindBar()->FindNext();

    // A posted event waits in the queue like a key press does: how long until it is handled?
    qint64 lastTick = clock.elapsed();
    qint64 longestGap = 0;
    std::function<void()> ping = [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
        if (!window.Match().IsValid())
            QMetaObject::invokeMethod(&window, ping, Qt::QueuedConnection);
    };
    QMetaObject::invokeMethod(&window, ping, Qt::QueuedConnection);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Match().IsValid(); }, 600000));
    std::printf("%d rows, %d pages: found on page %d after %lld ms; the event loop waited at most %lld ms\n", rows,
                window.PageCount(), window.Match().Page + 1, clock.elapsed(), longestGap);
}

// A failure inside a handler of the find bar or of the search is shown in the error box and ends
// what it was doing; it never leaves the event loop.
TEST_F(TPreviewFind, AFailureInAFindHandlerIsShownAndStaysInside)
{
    const struct {
        const char* Name;
        bool Typing; // a key typed after a match; else the finder reporting its result
    } rows[] = {{"typing after a match", true}, {"the finder's result", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        Prompt.Errors.clear();
        TActivityFixture f;
        f.AddGroups({30});
        TPreviewWindow window;
        ASSERT_TRUE(window.StartLayout(f.Report));
        window.FinishLayout();
        TFindBar* bar = window.FindBar();
        bar->Open();
        bar->Edit()->setText(QStringLiteral("Member 3"));
        const auto search = [&] {
            bar->FindNext();
            bool ended = false;
            EXPECT_NO_THROW(ended = QTest::qWaitFor([&] { return !bar->Finder().Searching(); }, 5000));
            EXPECT_TRUE(ended);
        };
        const auto fail = [] { throw std::runtime_error("the page is gone"); };
        if (row.Typing) {
            search();
            ASSERT_TRUE(window.Match().IsValid());
            QObject::connect(bar, &TFindBar::MatchChanged, &window, fail);
            EXPECT_NO_THROW(QTest::keyClick(bar->Edit(), Qt::Key_X));
        } else {
            QObject::connect(&bar->Finder(), &TReportFinder::Found, &window, fail);
            search();
        }
        EXPECT_EQ(Prompt.Errors, QStringList{QStringLiteral("the page is gone")});
    }
}

TEST_F(TPreviewFind, AMatchOutsideTheDocumentShowsNothing)
{
    TActivityFixture f;
    f.AddGroups({10});
    TPreviewWindow window;
    ASSERT_TRUE(window.StartLayout(f.Report));
    window.FinishLayout();
    ASSERT_EQ(window.PageCount(), 1);
    // A search over a document replaced since: its page or its element is not in this one.
    for (const TFindMatch& match : {TFindMatch{5, 1, 0, 3}, TFindMatch{0, 999, 0, 3}, TFindMatch{0, -2, 0, 3}}) {
        SCOPED_TRACE(match.Page * 1000 + match.Element);
        EXPECT_NO_THROW(Q_EMIT window.FindBar()->MatchChanged(match));
        EXPECT_FALSE(window.Match().IsValid());
    }
    EXPECT_TRUE(Prompt.Errors.isEmpty());
}
