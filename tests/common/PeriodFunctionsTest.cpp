#include "PeriodFunctions.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

TDateTime D(int y, int m, int d)
{
    return EncodeDate(y, m, d);
}

std::string Show(TDateTime value)
{
    return ToQDateTime(value).toString(Qt::ISODateWithMs).toStdString();
}

struct TPeriodRow
{
    const char* Name;
    TDateTime (*Function)(TDateTime);
    TDateTime Argument;
    TDateTime Expected;
};

} // namespace

TEST(PeriodFunctions, GiveTheExpectedDay)
{
    // Built here rather than at namespace scope: dates must not be encoded during static initialisation.
    const TPeriodRow rows[] = {
        {"WeekStart of a Monday is that Monday", WeekStart, D(2024, 3, 4), D(2024, 3, 4)},
        {"WeekEnd of a Monday is the Sunday after", WeekEnd, D(2024, 3, 4), D(2024, 3, 10)},
        {"WeekStart of a Sunday is six days back", WeekStart, D(2024, 3, 10), D(2024, 3, 4)},
        {"WeekEnd of a Sunday is that Sunday", WeekEnd, D(2024, 3, 10), D(2024, 3, 10)},
        {"WeekStart across a year end", WeekStart, D(2010, 1, 1), D(2009, 12, 28)},
        {"WeekStart keeps the time of day", WeekStart, D(2024, 3, 6) + 0.75, D(2024, 3, 4) + 0.75},
        {"WeekEnd keeps the time of day", WeekEnd, D(2024, 3, 6) + 0.25, D(2024, 3, 10) + 0.25},
        {"MonthStart drops the time", MonthStart, D(2024, 3, 17) + 0.5, D(2024, 3, 1)},
        {"MonthEnd of December", MonthEnd, D(2009, 12, 5), D(2009, 12, 31)},
        {"MonthEnd of February in a leap year", MonthEnd, D(2008, 2, 3), D(2008, 2, 29)},
        {"MonthEnd of February in a common year", MonthEnd, D(2009, 2, 3), D(2009, 2, 28)},
        {"MonthEnd of February 2000 (leap)", MonthEnd, D(2000, 2, 10), D(2000, 2, 29)},
        {"YearStart", YearStart, D(2024, 7, 4) + 0.1, D(2024, 1, 1)},
        {"YearEnd", YearEnd, D(2024, 7, 4) + 0.1, D(2024, 12, 31)},
        {"SameDayLastMonth steps back over the year", SameDayLastMonth, D(2010, 1, 15), D(2009, 12, 15)},
        {"SameDayLastMonth clamps to 28 February", SameDayLastMonth, D(2009, 3, 31), D(2009, 2, 28)},
        {"SameDayLastMonth clamps to 29 February in a leap year", SameDayLastMonth, D(2008, 3, 31), D(2008, 2, 29)},
        {"SameDayLastMonth clamps 31 May to 30 April", SameDayLastMonth, D(2024, 5, 31), D(2024, 4, 30)},
        {"SameDayLastYear of 29 February", SameDayLastYear, D(2008, 2, 29), D(2007, 2, 28)},
    };
    for (const TPeriodRow& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(Show(row.Function(row.Argument)), Show(row.Expected));
    }
}
