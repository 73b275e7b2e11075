// The month calendar: which day sits in which cell, date elements and their events, selection rules,
// keyboard and mouse, listeners and sizing.
#include <TVellCalendar.h>

#include <EConvertError.h>

#include <QDateTime>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Today is pinned for every test of this file.
class TFixedToday : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetClock([] { return QDateTime(QDate(2025, 1, 15), QTime(10, 0)); });
    }
    void TearDown() override { SetClock({}); }
};

TVellCalendarModel ModelOn(int year, int month, int day, int startingDay = 0)
{
    TVellCalendarModel model;
    model.SetCalendarDate(EncodeDate(year, month, day));
    model.SetStartingDay(startingDay);
    model.UpdateLayout();
    return model;
}

// --- layout ---

struct TLayoutRow
{
    const char* Name;
    int Year;
    int Month;
    int StartingDay;
    int MonthOffset;
    QPoint FirstDayCell;
    QPoint LastDayCell;
};

class TVellCalendarLayout : public ::testing::TestWithParam<TLayoutRow>
{};

TEST_P(TVellCalendarLayout, PlacesFirstAndLastDay)
{
    const TLayoutRow& row = GetParam();
    const TVellCalendarModel model = ModelOn(row.Year, row.Month, 1, row.StartingDay);
    EXPECT_EQ(model.MonthOffset(), row.MonthOffset);
    EXPECT_EQ(model.CellForDay(1), row.FirstDayCell);
    const int last = model.DaysThisMonth();
    EXPECT_EQ(model.CellForDay(last), row.LastDayCell);
    EXPECT_EQ(model.CellText(row.LastDayCell.y(), row.LastDayCell.x()), QString::number(last));
    EXPECT_EQ(model.DayForCell(row.FirstDayCell.y(), row.FirstDayCell.x()), 1);
    EXPECT_EQ(model.DateForCell(row.FirstDayCell.y(), row.FirstDayCell.x()), EncodeDate(row.Year, row.Month, 1));
}

INSTANTIATE_TEST_SUITE_P(
    Months, TVellCalendarLayout,
    ::testing::Values(
        // Saturday first: only day 1 in row 1; a 31-day month reaches row 6, column 1.
        TLayoutRow{"SaturdayFirst31Days", 2025, 3, 0, -5, QPoint(6, 1), QPoint(1, 6)},
        TLayoutRow{"SaturdayFirst30Days", 2024, 6, 0, -5, QPoint(6, 1), QPoint(0, 6)},
        TLayoutRow{"SundayFirstFebruary", 2026, 2, 0, 1, QPoint(0, 1), QPoint(6, 4)},
        TLayoutRow{"WednesdayFirst", 2025, 1, 0, -2, QPoint(3, 1), QPoint(5, 5)},
        TLayoutRow{"MondayStartSaturdayFirst", 2024, 6, 1, -4, QPoint(5, 1), QPoint(6, 5)},
        TLayoutRow{"MondayStartMondayFirst", 2024, 4, 1, 1, QPoint(0, 1), QPoint(1, 5)},
        TLayoutRow{"MondayStartSundayFirst", 2024, 9, 1, -5, QPoint(6, 1), QPoint(0, 6)},
        TLayoutRow{"SaturdayStartSaturdayFirst", 2024, 6, 6, 1, QPoint(0, 1), QPoint(1, 5)}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(TVellCalendarModel, LeavesCellsOutsideTheMonthEmpty)
{
    const TVellCalendarModel model = ModelOn(2026, 2, 10); // Sunday first, 28 days
    for (int row = 5; row <= 6; ++row)
        for (int col = 0; col < 7; ++col)
            EXPECT_TRUE(model.CellText(row, col).isEmpty()) << row << "," << col;
    EXPECT_EQ(model.DateForCell(5, 0), 0.0);
    EXPECT_EQ(model.CellForDate(EncodeDate(2026, 3, 1)), QPoint(-1, -1));
    const TVellCalendarModel june = ModelOn(2024, 6, 1);
    EXPECT_TRUE(june.CellText(1, 5).isEmpty()); // 31 May is never shown
}

TEST(TVellCalendarModel, HeaderFollowsStartingDay)
{
    TVellCalendarModel model;
    model.SetDowNames({QStringLiteral("Sun"), QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"),
                       QStringLiteral("Thu"), QStringLiteral("Fri"), QStringLiteral("Sat")});
    EXPECT_EQ(model.CellText(0, 0), QStringLiteral("Sun"));
    EXPECT_TRUE(model.SetStartingDay(1));
    EXPECT_EQ(model.CellText(0, 0), QStringLiteral("Mon"));
    EXPECT_EQ(model.CellText(0, 6), QStringLiteral("Sun"));
    EXPECT_FALSE(model.SetStartingDay(7));
    EXPECT_FALSE(model.SetStartingDay(1));
    EXPECT_EQ(model.StartingDay(), 1);
    // A short name list gives empty headers instead of failing.
    model.SetDowNames({QStringLiteral("Sun")});
    EXPECT_TRUE(model.CellText(0, 3).isEmpty());
}

TEST(TVellCalendarModel, CountsMonthLengthsWithLeapYears)
{
    EXPECT_EQ(TVellCalendarModel::DaysPerMonth(2, 2024), 29);
    EXPECT_EQ(TVellCalendarModel::DaysPerMonth(2, 2023), 28);
    EXPECT_EQ(TVellCalendarModel::DaysPerMonth(2, 1900), 28);
    EXPECT_EQ(TVellCalendarModel::DaysPerMonth(2, 2000), 29);
    EXPECT_EQ(TVellCalendarModel::DaysPerMonth(4, 2023), 30);
    EXPECT_EQ(TVellCalendarModel::DaysPerMonth(12, 2023), 31);
}

// --- date elements ---

struct TElementRow
{
    const char* Name;
    QDate Start;
    int Index;
    int Value;
    QDate Expected;
    TVellCalendarModel::TDateKind Kind;
};

class TVellCalendarDateElement : public ::testing::TestWithParam<TElementRow>
{};

TEST_P(TVellCalendarDateElement, SetsOrIgnores)
{
    const TElementRow& row = GetParam();
    TVellCalendarModel model = ModelOn(row.Start.year(), row.Start.month(), row.Start.day());
    EXPECT_EQ(model.ApplyDateElement(row.Index, row.Value), row.Kind);
    EXPECT_EQ(ToQDate(model.CalendarDate()), row.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TVellCalendarDateElement,
    ::testing::Values(
        TElementRow{"FebruaryOfLeapYearClamps", QDate(2024, 3, 31), 2, 2, QDate(2024, 2, 29), TVellCalendarModel::dkMonth},
        TElementRow{"FebruaryOfCommonYearClamps", QDate(2023, 3, 31), 2, 2, QDate(2023, 2, 28), TVellCalendarModel::dkMonth},
        TElementRow{"YearFromLeapDayClamps", QDate(2024, 2, 29), 1, 2025, QDate(2025, 2, 28), TVellCalendarModel::dkYear},
        TElementRow{"Day40IsLastDay", QDate(2024, 4, 10), 3, 40, QDate(2024, 4, 30), TVellCalendarModel::dkDay},
        TElementRow{"Month13Ignored", QDate(2024, 4, 10), 2, 13, QDate(2024, 4, 10), TVellCalendarModel::dkNone},
        TElementRow{"Month0Ignored", QDate(2024, 4, 10), 2, 0, QDate(2024, 4, 10), TVellCalendarModel::dkNone},
        TElementRow{"NegativeDayIgnored", QDate(2024, 4, 10), 3, -1, QDate(2024, 4, 10), TVellCalendarModel::dkNone},
        TElementRow{"Index6Ignored", QDate(2024, 4, 10), 6, 1, QDate(2024, 4, 10), TVellCalendarModel::dkNone},
        TElementRow{"Refresh", QDate(2024, 4, 10), 4, 1, QDate(2024, 4, 10), TVellCalendarModel::dkRefresh},
        TElementRow{"Silent", QDate(2024, 4, 10), 5, 99, QDate(2024, 4, 10), TVellCalendarModel::dkSilent}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(TVellCalendarModel, RefusesYearOutsideRangeAndKeepsEverything)
{
    TVellCalendarModel model = ModelOn(2024, 6, 12);
    model.SetBlocked(12, true);
    try {
        model.ApplyDateElement(1, 10000);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid argument to date encode"));
    }
    EXPECT_EQ(ToQDate(model.CalendarDate()), QDate(2024, 6, 12));
    EXPECT_TRUE(model.IsBlocked(12));
}

TEST(TVellCalendarModel, MonthChangeResetsDayColoursBarsAndBlocks)
{
    TVellCalendarModel model = ModelOn(2024, 6, 12);
    model.SetDayColor(3, Qt::yellow);
    model.SetDayFontColor(3, Qt::red);
    model.SetDayColorSet(3, 2);
    model.SetDayText(3, 1, QStringLiteral("Training"));
    model.SetBlocked(4, true);
    model.AddColorBar(3, Qt::green);

    model.ApplyDateElement(2, 6); // same month: nothing cleared
    EXPECT_EQ(model.DayColor(3), QColor(Qt::yellow));
    EXPECT_TRUE(model.IsBlocked(4));

    model.ApplyDateElement(1, 2025); // another year: only the blocks go
    EXPECT_FALSE(model.IsBlocked(4));
    EXPECT_EQ(model.DayColor(3), QColor(Qt::yellow));
    EXPECT_EQ(model.ColorBars().size(), 1);

    model.ApplyDateElement(2, 7);
    EXPECT_EQ(model.DayColor(3), model.CellColor());
    EXPECT_FALSE(model.DayFontColor(3).isValid());
    EXPECT_TRUE(model.ColorBars().isEmpty());
    // Colour sets and texts are tied to day numbers and survive.
    EXPECT_EQ(model.DayColorSet(3), 2);
    EXPECT_EQ(model.DayText(3, 1), QStringLiteral("Training"));
}

TEST(TVellCalendarModel, BlockedWeekendsFollowTheMonth)
{
    TVellCalendarModel model = ModelOn(2024, 6, 12); // 1 June 2024 is a Saturday
    model.SetBlocked(12, true);
    model.SetBlockWeekends(true);
    EXPECT_TRUE(model.IsBlocked(1));
    EXPECT_TRUE(model.IsBlocked(2));
    EXPECT_FALSE(model.IsBlocked(3));
    EXPECT_TRUE(model.IsBlocked(12)); // other days keep their flag

    model.ApplyDateElement(2, 7); // 1 July 2024 is a Monday
    EXPECT_FALSE(model.IsBlocked(1));
    EXPECT_TRUE(model.IsBlocked(6));
    EXPECT_TRUE(model.IsBlocked(7));
    EXPECT_FALSE(model.IsBlocked(12));

    model.SetBlockWeekends(false);
    EXPECT_FALSE(model.IsBlocked(6));
}

TEST(TVellCalendarModel, SelectsOnlyFreeDaysWhileActive)
{
    TVellCalendarModel model = ModelOn(2024, 6, 12);
    model.SetBlocked(5, true);
    const QPoint day5 = model.CellForDay(5);
    const QPoint day6 = model.CellForDay(6);
    EXPECT_FALSE(model.CanSelect(1, 0, false)); // empty cell
    EXPECT_FALSE(model.CanSelect(day5.y(), day5.x(), false));
    EXPECT_TRUE(model.CanSelect(day6.y(), day6.x(), false));
    model.SetIsActive(false);
    EXPECT_FALSE(model.CanSelect(day6.y(), day6.x(), false));
    EXPECT_TRUE(model.CanSelect(day6.y(), day6.x(), true)); // the calendar placing its own selection
}

TEST(TVellCalendarModel, TextLinesAndColourBarsExcludeEachOther)
{
    TVellCalendarModel model;
    model.SetTextPlacement(vtCenter);
    model.SetShowColorBars(true);
    EXPECT_EQ(model.TextPlacement(), vtTopLeft);
    model.SetTextPlacement(vtLowerRight);
    model.SetTextInCell(true);
    EXPECT_FALSE(model.ShowColorBars());
    EXPECT_EQ(model.TextPlacement(), vtTopLeft);
    model.SetShowColorBars(true);
    EXPECT_FALSE(model.TextInCell());
    model.SetTextPlacement(vtCenter);
    model.SetShowColorBars(false); // turning bars off still puts numbers top-left
    EXPECT_EQ(model.TextPlacement(), vtTopLeft);
}

TEST(TVellCalendarModel, KeepsTextLinesAndColourSetsInRange)
{
    TVellCalendarModel model;
    model.SetDayText(4, 1, QString(40, QLatin1Char('x')));
    EXPECT_EQ(model.DayText(4, 1).size(), 30);
    model.SetDayText(4, 11, QStringLiteral("lost"));
    model.SetDayText(32, 1, QStringLiteral("lost"));
    EXPECT_TRUE(model.DayText(4, 11).isEmpty());
    model.SetDayColorSet(4, 10);
    EXPECT_EQ(model.DayColorSet(4), 0);
    model.ClearDayAttributes();
    EXPECT_TRUE(model.DayText(4, 1).isEmpty());
}

TEST(TVellColoring, StartsWithTheNineColoursAndReadsZeroAsBlack)
{
    const TVellColoring sets;
    EXPECT_EQ(sets.ColorSetColor(0), QColor(0, 0, 0));
    EXPECT_EQ(sets.ColorSetColor(1), QColor(0x80, 0x00, 0x80));
    EXPECT_EQ(sets.ColorSetColor(5), QColor(0x00, 0xFF, 0x00));
    EXPECT_EQ(sets.ColorSetColor(9), QColor(0xFF, 0x00, 0x00));
}

// --- the widget ---

class TVellCalendarWidget : public TFixedToday
{
protected:
    void SetUp() override
    {
        TFixedToday::SetUp();
        calendar = std::make_unique<TVellCalendar>();
        calendar->setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        calendar->Loaded();
    }
    // A log of the calendar's events, in order.
    void Record()
    {
        calendar->OnYearChange = [this](TVellCalendar*, int y) { log << QStringLiteral("year %1").arg(y); };
        calendar->OnMonthChange = [this](TVellCalendar*, int m) { log << QStringLiteral("month %1").arg(m); };
        calendar->OnDayChange = [this](TVellCalendar*, int d) { log << QStringLiteral("day %1").arg(d); };
        calendar->OnDateChange = [this](TVellCalendar*, TDateTime v) {
            log << QStringLiteral("date ") + ToQDate(v).toString(Qt::ISODate);
        };
        calendar->OnChange = [this](TVellCalendar*) { log << QStringLiteral("change"); };
        calendar->OnClick = [this](TVellCalendar*) { log << QStringLiteral("click"); };
        calendar->OnDayFlag = [this](TVellCalendar*) { log << QStringLiteral("flag"); };
    }
    void Show(int year, int month, int day)
    {
        calendar->SetCalendarDate(EncodeDate(year, month, day));
        calendar->UpdateCalendar();
    }
    QPoint CellCentre(int day) const
    {
        const QPoint cell = calendar->Model().CellForDay(day);
        return calendar->CellRect(cell.x(), cell.y()).center();
    }

    std::unique_ptr<TVellCalendar> calendar;
    QStringList log;
};

TEST_F(TVellCalendarWidget, StartsOnTodayWithTheSelectionOnIt)
{
    EXPECT_EQ(ToQDate(calendar->CalendarDate()), QDate(2025, 1, 15));
    EXPECT_EQ(calendar->CellText(calendar->Row(), calendar->Col()), QStringLiteral("15"));
    EXPECT_EQ(calendar->TextPlacement(), vtTopLeft);
    EXPECT_EQ(calendar->FixedColor(), QApplication::palette().color(QPalette::Button));
    calendar->SetTitleColor(QColor(0xC0, 0xC0, 0xC0)); // equal to the start value: grid colour untouched
    EXPECT_EQ(calendar->FixedColor(), QApplication::palette().color(QPalette::Button));
    calendar->SetTitleColor(Qt::yellow);
    EXPECT_EQ(calendar->FixedColor(), QColor(Qt::yellow));
}

TEST_F(TVellCalendarWidget, LoadedMovesToTodayAndOnlyAnnouncesTheChange)
{
    TVellCalendar loading;
    loading.BeginLoad();
    QStringList seen;
    loading.OnYearChange = [&](TVellCalendar*, int) { seen << QStringLiteral("year"); };
    loading.OnDateChange = [&](TVellCalendar*, TDateTime) { seen << QStringLiteral("date"); };
    loading.OnChange = [&](TVellCalendar* c) { seen << ToQDate(c->CalendarDate()).toString(Qt::ISODate); };
    loading.SetYear(1997); // stored in a form: no event, and overridden by Loaded
    EXPECT_TRUE(seen.isEmpty());
    loading.Loaded();
    EXPECT_EQ(seen, QStringList{QStringLiteral("2025-01-15")});
}

TEST_F(TVellCalendarWidget, PrevMonthOverYearBoundaryReportsYearThenMonth)
{
    Show(2025, 1, 31);
    Record();
    calendar->PrevMonth();
    EXPECT_EQ(ToQDate(calendar->CalendarDate()), QDate(2024, 12, 31));
    EXPECT_EQ(log, (QStringList{QStringLiteral("year 2024"), QStringLiteral("date 2024-01-31"), QStringLiteral("change"),
                                QStringLiteral("month 12"), QStringLiteral("date 2024-12-31"), QStringLiteral("change")}));
}

TEST_F(TVellCalendarWidget, SteppingClampsAndMovesTheSelection)
{
    Show(2024, 1, 31);
    calendar->NextMonth();
    EXPECT_EQ(ToQDate(calendar->CalendarDate()), QDate(2024, 2, 29));
    EXPECT_EQ(calendar->CellText(calendar->Row(), calendar->Col()), QStringLiteral("29"));
    Show(2024, 12, 5);
    calendar->NextMonth();
    EXPECT_EQ(ToQDate(calendar->CalendarDate()), QDate(2025, 1, 5));
    calendar->PrevYear();
    calendar->NextYear();
    calendar->NextYear();
    EXPECT_EQ(ToQDate(calendar->CalendarDate()), QDate(2026, 1, 5));
    Record();
    calendar->GoToday();
    EXPECT_EQ(log, (QStringList{QStringLiteral("date 2025-01-15"), QStringLiteral("change")}));
    EXPECT_EQ(calendar->CellText(calendar->Row(), calendar->Col()), QStringLiteral("15"));
}

TEST_F(TVellCalendarWidget, SettingTheDayMovesTheSelectionToIt)
{
    Show(2024, 4, 10);
    calendar->SetDay(40);
    EXPECT_EQ(calendar->Day(), 30);
    EXPECT_EQ(calendar->CellText(calendar->Row(), calendar->Col()), QStringLiteral("30"));
}

TEST_F(TVellCalendarWidget, ClickOnADaySetsItAndRaisesEvents)
{
    Show(2025, 1, 15);
    calendar->SetDayColorSet(20, 3);
    Record();
    QTest::mouseClick(calendar.get(), Qt::LeftButton, {}, CellCentre(20));
    EXPECT_EQ(calendar->Day(), 20);
    EXPECT_EQ(log, (QStringList{QStringLiteral("day 20"), QStringLiteral("date 2025-01-20"), QStringLiteral("change"),
                                QStringLiteral("flag"), QStringLiteral("click")}));
}

TEST_F(TVellCalendarWidget, ClickOnAnEmptyCellKeepsTheDayButReportsIt)
{
    Show(2025, 1, 15); // 1 January 2025 is a Wednesday: row 1, columns 0..2 are empty
    Record();
    QTest::mouseClick(calendar.get(), Qt::LeftButton, {}, calendar->CellRect(0, 1).center());
    EXPECT_EQ(calendar->Day(), 15);
    EXPECT_EQ(calendar->CellText(calendar->Row(), calendar->Col()), QStringLiteral("15"));
    EXPECT_EQ(log, (QStringList{QStringLiteral("day 15"), QStringLiteral("date 2025-01-15"), QStringLiteral("change"),
                                QStringLiteral("click")}));
}

TEST_F(TVellCalendarWidget, InactiveCalendarIgnoresClicksButStillSteps)
{
    Show(2025, 1, 15);
    calendar->SetIsActive(false);
    const QPoint before(calendar->Col(), calendar->Row());
    QTest::mouseClick(calendar.get(), Qt::LeftButton, {}, CellCentre(20));
    EXPECT_EQ(calendar->Day(), 15);
    EXPECT_EQ(QPoint(calendar->Col(), calendar->Row()), before);
    QTest::keyClick(calendar.get(), Qt::Key_Right);
    EXPECT_EQ(calendar->Day(), 15);
    calendar->NextMonth();
    EXPECT_EQ(ToQDate(calendar->CalendarDate()), QDate(2025, 2, 15));
    EXPECT_EQ(calendar->CellText(calendar->Row(), calendar->Col()), QStringLiteral("15"));
    calendar->SetDay(3);
    EXPECT_EQ(calendar->Day(), 3);
}

TEST_F(TVellCalendarWidget, KeysMoveWithinTheMonthOnly)
{
    Show(2025, 1, 15); // 1 January 2025 is a Wednesday: day 15 in row 3, column 3
    const struct
    {
        const char* Name;
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        int Day;
    } steps[] = {
        {"right", Qt::Key_Right, {}, 16},
        {"down", Qt::Key_Down, {}, 23},
        {"left", Qt::Key_Left, {}, 22},
        {"up", Qt::Key_Up, {}, 15},
        {"page down onto the empty row 6 is refused", Qt::Key_PageDown, {}, 15},
        {"end of the row", Qt::Key_End, {}, 18},
        {"home of the row", Qt::Key_Home, {}, 12},
        {"page up onto the empty first cell is refused", Qt::Key_PageUp, {}, 12},
        {"ctrl+end onto the empty last cell is refused", Qt::Key_End, Qt::ControlModifier, 12},
        {"left from column 0 stays", Qt::Key_Left, {}, 12},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Name);
        QTest::keyClick(calendar.get(), step.Key, step.Modifiers);
        EXPECT_EQ(calendar->Day(), step.Day);
        EXPECT_EQ(calendar->CellText(calendar->Row(), calendar->Col()), QString::number(step.Day));
    }
}

TEST_F(TVellCalendarWidget, KeysCannotSelectBlockedWeekends)
{
    Show(2025, 1, 17); // Friday
    calendar->SetBlockWeekends(true);
    Record();
    QTest::keyClick(calendar.get(), Qt::Key_Right); // Saturday 18
    EXPECT_EQ(calendar->Day(), 17);
    // The refused move still ends in a click on the current day.
    EXPECT_EQ(log.first(), QStringLiteral("day 17"));
    QTest::mouseClick(calendar.get(), Qt::LeftButton, {}, CellCentre(19));
    EXPECT_EQ(calendar->Day(), 17);
    calendar->NextMonth(); // 1 February 2025 is a Saturday
    EXPECT_TRUE(calendar->Model().IsBlocked(1));
    EXPECT_FALSE(calendar->Model().IsBlocked(3));
    EXPECT_FALSE(calendar->Model().IsBlocked(18));
}

TEST_F(TVellCalendarWidget, DoubleClickFollowsTheClickThatSetTheDay)
{
    Show(2025, 1, 15);
    QStringList seen;
    calendar->OnDayChange = [&](TVellCalendar*, int d) { seen << QString::number(d); };
    calendar->OnDblClick = [&](TVellCalendar* c) { seen << QStringLiteral("dbl %1").arg(c->Day()); };
    QTest::mouseClick(calendar.get(), Qt::LeftButton, {}, CellCentre(22));
    QTest::mouseDClick(calendar.get(), Qt::LeftButton, {}, CellCentre(22));
    ASSERT_GE(seen.size(), 2);
    EXPECT_EQ(seen.at(0), QStringLiteral("22"));
    EXPECT_EQ(seen.at(1), QStringLiteral("dbl 22"));
}

TEST_F(TVellCalendarWidget, CallsListenersInOrderAndDropsDestroyedOnes)
{
    QStringList seen;
    auto first = std::make_unique<QObject>();
    QObject second;
    calendar->OnChange = [&](TVellCalendar*) { seen << QStringLiteral("owner"); };
    EXPECT_TRUE(calendar->AddChangeListener(first.get(), [&](TVellCalendar*) { seen << QStringLiteral("first"); }));
    EXPECT_TRUE(calendar->AddChangeListener(&second, [&](TVellCalendar*) { seen << QStringLiteral("second"); }));
    calendar->DoChange();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("owner"), QStringLiteral("first"), QStringLiteral("second")}));
    first.reset();
    seen.clear();
    calendar->DoChange();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("owner"), QStringLiteral("second")}));
}

TEST_F(TVellCalendarWidget, RefusesTheTwentyFirstListener)
{
    QObject owner;
    for (int i = 0; i < TVellCalendar::MaxChangeListeners; ++i)
        ASSERT_TRUE(calendar->AddChangeListener(&owner, [](TVellCalendar*) {}));
    EXPECT_FALSE(calendar->AddChangeListener(&owner, [](TVellCalendar*) {}));
}

TEST_F(TVellCalendarWidget, SizesCellsFromTheClientArea)
{
    calendar->SetBorderStyle(TCustomGrid::bsNone);
    QFont title(QStringLiteral("Liberation Sans"));
    title.setPointSize(8);
    calendar->SetTitleFont(title);
    calendar->resize(206, 120);
    calendar->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(calendar->HeaderHeight(), 12);
    EXPECT_EQ(calendar->DefaultColWidth(), 28);  // (206 - 6) / 7
    EXPECT_EQ(calendar->RowHeights(0), 12);
    EXPECT_EQ(calendar->RowHeights(1), 17);      // (120 - 12 - 6) / 6
    calendar->SetHeaderUseFixed(false);
    EXPECT_EQ(calendar->RowHeights(0), 16);      // (120 - 6) / 7
    EXPECT_EQ(calendar->RowHeights(6), 16);
}

TEST_F(TVellCalendarWidget, SizesFromTheOuterSizeAfterAFontOrHeaderChangeAndKeepsGivenHeightsWhenShown)
{
    // With a border the client area is smaller than the control: 202 × 116 inside 206 × 120.
    calendar->SetBorderStyle(TCustomGrid::bsSingle);
    calendar->resize(206, 120);
    ASSERT_EQ(calendar->contentsRect().size(), QSize(202, 116));
    QFont title(QStringLiteral("Liberation Sans"));
    title.setPointSize(8);
    calendar->SetTitleFont(title);
    EXPECT_EQ(calendar->DefaultColWidth(), 28);  // (206 - 6) / 7, not (202 - 6) / 7
    EXPECT_EQ(calendar->RowHeights(1), 17);      // (120 - 12 - 6) / 6
    calendar->SetHeaderUseFixed(false);
    EXPECT_EQ(calendar->RowHeights(0), 16);      // (120 - 6) / 7
    calendar->SetHeaderUseFixed(true);

    // Heights given while hidden survive the resize that showing delivers; a real resize sizes again.
    calendar->SetRowHeights(0, 11);
    calendar->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(calendar->RowHeights(0), 11);
    EXPECT_EQ(calendar->RowHeights(1), 17);
    calendar->resize(206, 134);
    QCoreApplication::processEvents();
    EXPECT_EQ(calendar->RowHeights(0), 12);
    EXPECT_EQ(calendar->RowHeights(1), 18);      // (130 - 12 - 6) / 6 from the client area
}

TEST_F(TVellCalendarWidget, StartingDayMovesTheSelectionWithTheDay)
{
    Show(2024, 6, 1);
    EXPECT_EQ(QPoint(calendar->Col(), calendar->Row()), QPoint(6, 1));
    calendar->SetStartingDay(1);
    EXPECT_EQ(QPoint(calendar->Col(), calendar->Row()), QPoint(5, 1));
    EXPECT_EQ(calendar->Day(), 1);
}

TEST_F(TVellCalendarWidget, YearBeyondRangeFailsAndKeepsTheDate)
{
    Show(2024, 6, 12);
    EXPECT_THROW(calendar->SetYear(10000), EConvertError);
    EXPECT_EQ(ToQDate(calendar->CalendarDate()), QDate(2024, 6, 12));
}

} // namespace
