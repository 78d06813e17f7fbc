#include <gtest/gtest.h>

#include "vxlib/DateTime.h"

using Time::DateTime;

namespace {

void ExpectDate(const DateTime& t, int year, int month, int day) {
    EXPECT_EQ(year, t.GetYear()) << t.GetSeconds();
    EXPECT_EQ(month, t.GetMonth()) << t.GetSeconds();
    EXPECT_EQ(day, t.GetDay()) << t.GetSeconds();
}

}  // namespace

// Built from local calendar times, so the checks hold in any time zone.
TEST(DateTime, DayAndMonthRollOverAtMonthEnds) {
    struct End {
        int year, month, lastDay;
    };
    const End ends[] = {{2024, 1, 31}, {2024, 2, 29}, {2023, 2, 28}, {2100, 2, 28}, {2000, 2, 29},
                        {2024, 4, 30}, {2024, 6, 30}, {2024, 9, 30}, {2024, 11, 30}, {2023, 12, 31}};
    for (const End& e : ends) {
        DateTime last = DateTime::FromLocal(e.year, e.month, e.lastDay, 23, 59, 59);
        ExpectDate(last, e.year, e.month, e.lastDay);
        EXPECT_EQ(23, last.GetHour());
        EXPECT_EQ(59, last.GetMinute());
        EXPECT_EQ(59, last.GetSecond());
        DateTime next(last.GetSeconds() + 1);
        int nextMonth = e.month == 12 ? 1 : e.month + 1;
        ExpectDate(next, e.month == 12 ? e.year + 1 : e.year, nextMonth, 1);
        EXPECT_EQ(0, next.GetHour());
        EXPECT_EQ(1, next.DaysSince(last));
    }
    // Day 32 normalises into the next month, as the C runtime does.
    ExpectDate(DateTime::FromLocal(2024, 1, 32, 12), 2024, 2, 1);
}

TEST(DateTime, DayNumbersCountCalendarDays) {
    EXPECT_EQ(0, DateTime::FromLocal(1970, 1, 1, 12).GetDayNumber());
    EXPECT_EQ(19782, DateTime::FromLocal(2024, 2, 29, 0, 0, 1).GetDayNumber());
    EXPECT_EQ(19782, DateTime::FromLocal(2024, 2, 29, 23, 59, 59).GetDayNumber());
    EXPECT_EQ(366, DateTime::FromLocal(2025, 1, 1, 8).DaysSince(DateTime::FromLocal(2024, 1, 1, 20)));
    EXPECT_EQ(-2, DateTime::FromLocal(2024, 2, 28, 12).DaysSince(DateTime::FromLocal(2024, 3, 1, 12)));
    EXPECT_EQ(4, DateTime::FromLocal(2024, 2, 29, 12).GetDayOfWeek());  // a Thursday
}

TEST(DateTime, MomentsBefore1970StillBreakDown) {
    // Mid-June 1969: the year and month hold whatever the zone.
    DateTime t(-200LL * 86400);
    EXPECT_EQ(1969, t.GetYear());
    EXPECT_EQ(6, t.GetMonth());
    EXPECT_GE(t.GetDay(), 14);
    EXPECT_LE(t.GetDay(), 15);
    EXPECT_LT(t.GetDayNumber(), 0);
}
