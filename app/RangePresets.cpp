#include "RangePresets.h"

#include "PeriodFunctions.h"

QStringList RangePresetCaptions()
{
    return {QStringLiteral("Today"),     QStringLiteral("This Week"), QStringLiteral("This Month"),
            QStringLiteral("This Year"), QStringLiteral("Yesterday"), QStringLiteral("Last Week"),
            QStringLiteral("Last Month"), QStringLiteral("Last Year")};
}

bool PresetRange(int index, TDateTime today, TDateTime& from, TDateTime& to)
{
    const TDateTime d = today;
    switch (index) {
    case 0:
        from = d;
        to = d;
        return true;
    case 1:
        from = WeekStart(d);
        to = WeekEnd(d);
        return true;
    case 2:
        from = MonthStart(d);
        to = MonthEnd(d);
        return true;
    case 3:
        from = YearStart(d);
        to = YearEnd(d);
        return true;
    case 4:
        from = d - 1;
        to = d - 1;
        return true;
    case 5:
        from = WeekStart(d - 7);
        to = WeekEnd(d - 7);
        return true;
    case 6:
        from = MonthStart(SameDayLastMonth(d));
        to = MonthEnd(SameDayLastMonth(d));
        return true;
    case 7:
        from = YearStart(SameDayLastYear(d));
        to = YearEnd(SameDayLastYear(d));
        return true;
    default:
        return false;
    }
}
