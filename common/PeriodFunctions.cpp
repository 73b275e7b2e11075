#include "PeriodFunctions.h"

namespace {

// Walks the day back until the date exists: 31 March a month back is 28 or 29 February.
TDateTime EncodeClamped(int year, int month, int day)
{
    TDateTime result = 0;
    while (!TryEncodeDate(year, month, day, result) && day > 1)
        --day;
    return result;
}

} // namespace

TDateTime WeekStart(TDateTime value)
{
    const int weekday = DayOfWeek(value);
    return weekday == 1 ? value - 6 : value - (weekday - 2);
}

TDateTime WeekEnd(TDateTime value)
{
    const int weekday = DayOfWeek(value);
    return weekday == 1 ? value : value + (8 - weekday);
}

TDateTime MonthStart(TDateTime value)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(value, y, m, d);
    return EncodeDate(y, m, 1);
}

TDateTime MonthEnd(TDateTime value)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(value, y, m, d);
    return (m == 12 ? EncodeDate(y + 1, 1, 1) : EncodeDate(y, m + 1, 1)) - 1;
}

TDateTime YearStart(TDateTime value)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(value, y, m, d);
    return EncodeDate(y, 1, 1);
}

TDateTime YearEnd(TDateTime value)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(value, y, m, d);
    return EncodeDate(y, 12, 31);
}

TDateTime SameDayLastMonth(TDateTime value)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(value, y, m, d);
    if (m == 1) {
        m = 12;
        --y;
    } else {
        --m;
    }
    return EncodeClamped(y, m, d);
}

TDateTime SameDayLastYear(TDateTime value)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(value, y, m, d);
    return EncodeClamped(y - 1, m, d);
}
