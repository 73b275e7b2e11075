#include "RangePresets.h"

#include <gtest/gtest.h>

namespace {

struct TPresetCase
{
    const char* name;
    int index;
    int today[3];
    int from[3];
    int to[3];
};

void PrintTo(const TPresetCase& c, std::ostream* os)
{
    *os << c.name;
}

class RangePresetTest : public ::testing::TestWithParam<TPresetCase>
{
};

TDateTime Ymd(const int (&d)[3])
{
    return EncodeDate(d[0], d[1], d[2]);
}

} // namespace

TEST_P(RangePresetTest, GivesFirstAndLastDay)
{
    const TPresetCase& c = GetParam();
    TDateTime from = -1;
    TDateTime to = -1;
    ASSERT_TRUE(PresetRange(c.index, Ymd(c.today), from, to));
    EXPECT_EQ(from, Ymd(c.from));
    EXPECT_EQ(to, Ymd(c.to));
}

// 6 December 2026 is a Sunday, 7 December a Monday.
INSTANTIATE_TEST_SUITE_P(
    Presets, RangePresetTest,
    ::testing::Values(
        TPresetCase{"TodayIsOneDay", 0, {2026, 12, 8}, {2026, 12, 8}, {2026, 12, 8}},
        TPresetCase{"ThisWeekOnSundayStartsSixDaysEarlier", 1, {2026, 12, 6}, {2026, 11, 30}, {2026, 12, 6}},
        TPresetCase{"ThisWeekOnMondayEndsSunday", 1, {2026, 12, 7}, {2026, 12, 7}, {2026, 12, 13}},
        TPresetCase{"ThisMonthInLeapFebruary", 2, {2024, 2, 10}, {2024, 2, 1}, {2024, 2, 29}},
        TPresetCase{"ThisYear", 3, {2026, 7, 4}, {2026, 1, 1}, {2026, 12, 31}},
        TPresetCase{"YesterdayOnNewYear", 4, {2027, 1, 1}, {2026, 12, 31}, {2026, 12, 31}},
        TPresetCase{"LastWeekAcrossYears", 5, {2027, 1, 5}, {2026, 12, 28}, {2027, 1, 3}},
        TPresetCase{"LastMonthOnMarch31", 6, {2026, 3, 31}, {2026, 2, 1}, {2026, 2, 28}},
        TPresetCase{"LastMonthInJanuary", 6, {2026, 1, 15}, {2025, 12, 1}, {2025, 12, 31}},
        TPresetCase{"LastYearOnLeapDay", 7, {2024, 2, 29}, {2023, 1, 1}, {2023, 12, 31}}),
    [](const ::testing::TestParamInfo<TPresetCase>& info) { return std::string(info.param.name); });

TEST(RangePresets, UnknownIndexChangesNothing)
{
    TDateTime from = 5;
    TDateTime to = 6;
    EXPECT_FALSE(PresetRange(8, EncodeDate(2026, 1, 1), from, to));
    EXPECT_FALSE(PresetRange(-1, EncodeDate(2026, 1, 1), from, to));
    EXPECT_EQ(from, 5);
    EXPECT_EQ(to, 6);
}
