// Date values at and beyond the ends of the calendar: a value that is no date gives an invalid date or
// a clear error, never a day made up from an undefined conversion.
#include "DateTime.h"
#include "EConvertError.h"

#include <QDate>
#include <QDateTime>
#include <gtest/gtest.h>
#include <limits>

TEST(DateTime, ValuesBeyondTheCalendarAreNoDate)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const struct
    {
        const char* Name;
        TDateTime Value;
        QDate Date;      // invalid: no date
        int Weekday = 0; // 1 = Sunday
        const char* Text = "";
    } rows[] = {
        {"NaN", nan, {}},
        {"infinity", inf, {}},
        {"minus infinity", -inf, {}},
        {"the largest double", 1e308, {}},
        {"the most negative double", -1e308, {}},
        {"beyond a 64-bit day count", 1e19, {}},
        {"the last day", 2958465.0, QDate(9999, 12, 31), 6, "12/31/9999"},
        {"the last moment of the last day", 2958465.999, QDate(9999, 12, 31), 6, "12/31/9999"},
        {"the day after the last", 2958466.0, {}},
        {"the first day", -693593.0, QDate(1, 1, 1), 2, "1/1/0001"},
        {"noon of the first day", -693593.5, QDate(1, 1, 1), 2, "1/1/0001"},
        {"the day before the first", -693594.0, {}},
        {"day 0", 0.0, QDate(1899, 12, 30), 7, "12/30/1899"},
        {"six in the morning of the day before day 0", -1.25, QDate(1899, 12, 29), 6, "12/29/1899"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(IsValidDateTime(row.Value), row.Date.isValid());
        EXPECT_EQ(ToQDate(row.Value), row.Date);
        EXPECT_EQ(ToQDateTime(row.Value).isValid(), row.Date.isValid());
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
        if (row.Date.isValid()) {
            DecodeDate(row.Value, year, month, day);
            EXPECT_EQ(QDate(year, month, day), row.Date);
            EXPECT_EQ(DayOfWeek(row.Value), row.Weekday);
            EXPECT_EQ(FormatDateTime(QStringLiteral("m'/'d'/'yyyy"), row.Value), QString::fromLatin1(row.Text));
            DecodeTime(row.Value, hour, minute, second, msec);
            EXPECT_EQ(ToQDateTime(row.Value), QDateTime(row.Date, QTime(hour, minute, second, msec)));
        } else {
            EXPECT_THROW(DecodeDate(row.Value, year, month, day), EConvertError);
            EXPECT_THROW(DecodeTime(row.Value, hour, minute, second, msec), EConvertError);
            EXPECT_THROW(DayOfWeek(row.Value), EConvertError);
            EXPECT_THROW(FormatDateTime(QStringLiteral("m'/'d'/'yyyy"), row.Value), EConvertError);
        }
    }
    // The ends are the days EncodeDate accepts.
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
}
