#pragma once
// First and last days of the week, month and year around a date, and the same day a month or a year
// earlier. Weeks run Monday to Sunday.
#include "DateTime.h"

// WeekStart and WeekEnd keep the time of day of their argument; the others return a bare date.
TDateTime WeekStart(TDateTime value);
TDateTime WeekEnd(TDateTime value);
TDateTime MonthStart(TDateTime value);
TDateTime MonthEnd(TDateTime value);
TDateTime YearStart(TDateTime value);
TDateTime YearEnd(TDateTime value);
// A day that the earlier month does not have is clamped to that month's last day.
TDateTime SameDayLastMonth(TDateTime value);
TDateTime SameDayLastYear(TDateTime value);
