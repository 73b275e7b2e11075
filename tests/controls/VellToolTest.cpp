// The calendar navigator: button layout, stepping its calendar, the Today caption, keyboard focus.
#include <TVellCalendar.h>
#include <VellTool.h>

#include <QDateTime>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class TVellNavigatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetClock([] { return QDateTime(QDate(2025, 1, 15), QTime(10, 0)); });
        other = new QLineEdit(&form);
        calendar = new TVellCalendar(&form);
        calendar->Loaded();
        navigator = new TVellNavigator(&form);
        navigator->Loaded();
    }
    void TearDown() override { SetClock({}); }

    QList<int> VisibleLefts() const
    {
        QList<int> lefts;
        for (int b = nbPrevYear; b <= nbNextYear; ++b)
            if (navigator->VisibleButtons() & (1u << b))
                lefts << navigator->Button(static_cast<TCalcBtn>(b))->x();
        return lefts;
    }

    QWidget form;
    QLineEdit* other = nullptr;
    TVellCalendar* calendar = nullptr;
    TVellNavigator* navigator = nullptr;
};

constexpr TCalcBtnSet NoToday = AllCalcBtns & ~CalcBtnBit(nbToday);

TEST_F(TVellNavigatorTest, StartsWithFiveButtonsOnTheFirstCalendar)
{
    EXPECT_EQ(navigator->CalendarSource(), calendar);
    EXPECT_EQ(navigator->width(), 316); // 317 proposed: 5 × 63 + 1
    EXPECT_EQ(navigator->height(), 21);
    EXPECT_EQ(navigator->FocusedButton(), nbNextMonth);
    EXPECT_EQ(navigator->Button(nbToday)->text(), QStringLiteral("01/15/25"));
    EXPECT_EQ(navigator->Button(nbPrevYear)->toolTip(), QStringLiteral("Previous Year"));
    EXPECT_EQ(navigator->Button(nbToday)->toolTip(), QStringLiteral("Return to Todays Date"));
    EXPECT_EQ(navigator->Button(nbNextYear)->toolTip(), QStringLiteral("Next Year"));
    navigator->SetShowHint(false);
    EXPECT_TRUE(navigator->Button(nbNextYear)->toolTip().isEmpty());
}

TEST_F(TVellNavigatorTest, FourButtonsShareEdgesIn145Pixels)
{
    navigator->SetVisibleButtons(NoToday);
    navigator->SetBounds(29, 113, 145, 21);
    EXPECT_EQ(navigator->ButtonWidth(), 37);
    EXPECT_EQ(VisibleLefts(), (QList<int>{0, 36, 72, 108}));
    EXPECT_EQ(navigator->geometry(), QRect(29, 113, 145, 21));
    EXPECT_EQ(navigator->Button(nbNextYear)->geometry(), QRect(108, 0, 37, 21));
    EXPECT_EQ(navigator->Button(nbToday)->x(), 146); // parked to the right
    EXPECT_FALSE(navigator->Button(nbToday)->isVisibleTo(navigator));
}

TEST_F(TVellNavigatorTest, NeverShrinksBelowTheButtons)
{
    navigator->SetBounds(0, 0, 50, 10);
    EXPECT_EQ(navigator->size(), QSize(96, 18)); // 5 × 19 + 1
    form.show(); // a shown navigator is corrected on every resize
    navigator->resize(30, 5);
    EXPECT_EQ(navigator->size(), QSize(96, 18));
}

TEST_F(TVellNavigatorTest, NoVisibleButtonsParksThemAll)
{
    navigator->SetVisibleButtons(0);
    for (int b = nbPrevYear; b <= nbNextYear; ++b)
        EXPECT_EQ(navigator->Button(static_cast<TCalcBtn>(b))->x(), navigator->width() + 1);
    int w = 5, h = 5;
    navigator->LayoutButtons(w, h);
    EXPECT_EQ(w, 20); // counted as one button
}

TEST_F(TVellNavigatorTest, AlignedNavigatorSpreadsTheRemainderInsideItsWidth)
{
    navigator->SetVisibleButtons(NoToday);
    navigator->SetAlign(TVellNavigator::alTop);
    navigator->SetBounds(0, 0, 150, 21);
    EXPECT_EQ(navigator->width(), 150);
    const QRect last = navigator->Button(nbNextYear)->geometry();
    EXPECT_EQ(last.x() + last.width(), 150);
    EXPECT_EQ(navigator->Button(nbPrevYear)->x(), 0);
}

TEST_F(TVellNavigatorTest, PrevMonthOnJanuaryStepsIntoLastYearBeforeItsOwnClick)
{
    calendar->SetCalendarDate(EncodeDate(2025, 1, 10));
    QStringList seen;
    calendar->OnYearChange = [&](TVellCalendar*, int y) { seen << QStringLiteral("year %1").arg(y); };
    calendar->OnMonthChange = [&](TVellCalendar*, int m) { seen << QStringLiteral("month %1").arg(m); };
    navigator->OnClick = [&](TVellNavigator* sender, TCalcBtn b) {
        EXPECT_EQ(sender, navigator);
        seen << QStringLiteral("navigator %1").arg(b);
    };
    QTest::mouseClick(navigator->Button(nbPrevMonth), Qt::LeftButton);
    EXPECT_EQ(ToQDate(calendar->CalendarDate()), QDate(2024, 12, 10));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("year 2024"), QStringLiteral("month 12"), QStringLiteral("navigator 1")}));
}

TEST_F(TVellNavigatorTest, ButtonsStepTheCalendar)
{
    const struct
    {
        TCalcBtn Button;
        QDate Expected;
    } steps[] = {{nbNextMonth, QDate(2025, 2, 15)}, {nbNextYear, QDate(2026, 2, 15)},
                 {nbPrevYear, QDate(2025, 2, 15)}, {nbToday, QDate(2025, 1, 15)}};
    calendar->SetCalendarDate(EncodeDate(2025, 1, 15));
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Button);
        QTest::mouseClick(navigator->Button(step.Button), Qt::LeftButton);
        EXPECT_EQ(ToQDate(calendar->CalendarDate()), step.Expected);
    }
}

TEST_F(TVellNavigatorTest, TodayButtonShowsTheCalendarDateInHighlightOnlyOnToday)
{
    TVellButton* today = navigator->Button(nbToday);
    calendar->NextMonth();
    EXPECT_EQ(today->text(), QStringLiteral("02/15/25"));
    EXPECT_EQ(today->TextColor(), navigator->palette().color(QPalette::WindowText));
    calendar->GoToday();
    EXPECT_EQ(today->text(), QStringLiteral("01/15/25"));
    EXPECT_EQ(today->TextColor(), QColor(0, 0, 0xFF));

    navigator->SetCaptionInToday(true);
    EXPECT_EQ(today->text(), QStringLiteral("Today"));
    navigator->SetTodayText(QStringLiteral("Now"));
    calendar->NextYear();
    EXPECT_EQ(today->text(), QStringLiteral("Now"));
    // Turning the caption off shows today's date, not the calendar's.
    navigator->SetCaptionInToday(false);
    EXPECT_EQ(today->text(), QStringLiteral("01/15/25"));
    navigator->SetHighlight(Qt::red);
    EXPECT_EQ(today->TextColor(), QColor(Qt::red));
}

TEST_F(TVellNavigatorTest, ArrowKeysMoveTheFocusAndStopAtTheEnds)
{
    navigator->setFocus();
    const struct
    {
        const char* Name;
        Qt::Key Key;
        TCalcBtn Expected;
    } steps[] = {
        {"right to the last", Qt::Key_Right, nbNextYear},
        {"right at the last stays", Qt::Key_Right, nbNextYear},
        {"left", Qt::Key_Left, nbNextMonth},
        {"left", Qt::Key_Left, nbToday},
        {"left", Qt::Key_Left, nbPrevMonth},
        {"left to the first", Qt::Key_Left, nbPrevYear},
        {"left at the first stays", Qt::Key_Left, nbPrevYear},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Name);
        QTest::keyClick(navigator, step.Key);
        EXPECT_EQ(navigator->FocusedButton(), step.Expected);
    }
}

TEST_F(TVellNavigatorTest, ArrowKeysSkipHiddenButtonsButMayRestOnAHiddenEnd)
{
    navigator->SetVisibleButtons(CalcBtnBit(nbPrevMonth) | CalcBtnBit(nbNextMonth));
    navigator->setFocus();
    QTest::keyClick(navigator, Qt::Key_Left);
    EXPECT_EQ(navigator->FocusedButton(), nbPrevMonth);
    QTest::keyClick(navigator, Qt::Key_Left);
    EXPECT_EQ(navigator->FocusedButton(), nbPrevYear);
    QTest::keyClick(navigator, Qt::Key_Right);
    EXPECT_EQ(navigator->FocusedButton(), nbPrevMonth);
}

TEST_F(TVellNavigatorTest, SpaceClicksTheFocusedButton)
{
    calendar->SetCalendarDate(EncodeDate(2025, 1, 15));
    navigator->setFocus();
    QTest::keyClick(navigator, Qt::Key_Space);
    EXPECT_EQ(ToQDate(calendar->CalendarDate()), QDate(2025, 2, 15));
    navigator->Button(nbNextMonth)->setEnabled(false);
    QTest::keyClick(navigator, Qt::Key_Space);
    EXPECT_EQ(ToQDate(calendar->CalendarDate()), QDate(2025, 2, 15));
}

TEST_F(TVellNavigatorTest, MouseDownTakesTheFocusAndMovesTheFocusRectangle)
{
    form.show();
    other->setFocus();
    ASSERT_FALSE(navigator->IsActiveControl());
    QTest::mousePress(navigator->Button(nbPrevYear), Qt::LeftButton);
    EXPECT_TRUE(navigator->IsActiveControl());
    EXPECT_EQ(navigator->FocusedButton(), nbPrevYear);
    QTest::mouseRelease(navigator->Button(nbPrevYear), Qt::LeftButton);

    // The focus rectangle appears on the focused button only while the navigator has the focus.
    TVellButton* button = navigator->Button(nbPrevYear);
    QImage focused(button->size(), QImage::Format_RGB32);
    button->render(&focused);
    other->setFocus();
    QImage unfocused(button->size(), QImage::Format_RGB32);
    button->render(&unfocused);
    int differing = 0;
    for (int y = 0; y < button->height(); ++y)
        differing += focused.pixel(3, y) != unfocused.pixel(3, y) ? 1 : 0;
    EXPECT_GT(differing, 2);
}

TEST_F(TVellNavigatorTest, ForgetsADestroyedCalendar)
{
    bool clicked = false;
    navigator->OnClick = [&](TVellNavigator*, TCalcBtn) { clicked = true; };
    delete calendar;
    EXPECT_EQ(navigator->CalendarSource(), nullptr);
    QTest::mouseClick(navigator->Button(nbNextMonth), Qt::LeftButton);
    EXPECT_TRUE(clicked);
}

} // namespace
