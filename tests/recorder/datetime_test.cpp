#include "recorder/datetime.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace orvane;

TEST(DateTime, EncodeAndDecodeKnownValues) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2008, 3, 14, 9, 30), 39521.395833333336);
    const TCalendar c = DecodeDateTime(EncodeDateTime(2024, 2, 29, 23, 59, 59, 999));
    EXPECT_EQ(c.Year, 2024);
    EXPECT_EQ(c.Month, 2);
    EXPECT_EQ(c.Day, 29);
    EXPECT_EQ(c.Hour, 23);
    EXPECT_EQ(c.Minute, 59);
    EXPECT_EQ(c.Second, 59);
    EXPECT_EQ(c.MSec, 999);
    EXPECT_EQ(c.DayOfWeek, 4); // Thursday
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), std::invalid_argument);
    EXPECT_THROW(EncodeDate(2023, 2, 29), std::invalid_argument);
}

TEST(DateTime, IsoWeeksAroundNewYear) {
    struct Case {
        int y, m, d, week, isoYear;
    } cases[] = {
        {2007, 12, 31, 1, 2008}, {2008, 1, 6, 1, 2008},    {2010, 1, 3, 53, 2009},
        {2010, 1, 4, 1, 2010},   {2020, 12, 31, 53, 2020}, {2021, 1, 1, 53, 2020},
        {2024, 12, 30, 1, 2025}, {2026, 12, 9, 50, 2026},
    };
    for (const Case& c : cases) {
        int isoYear = 0;
        EXPECT_EQ(IsoWeekNumber(EncodeDateTime(c.y, c.m, c.d, 13), &isoYear), c.week)
            << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(isoYear, c.isoYear);
    }
    // Wednesday 2024-01-10: its week ends on Sunday the 14th, the next starts Monday the 15th.
    const TDateTime wed = EncodeDateTime(2024, 1, 10, 10);
    EXPECT_DOUBLE_EQ(EndOfIsoWeek(wed), EncodeDateTime(2024, 1, 14, 23, 59, 59, 999));
    EXPECT_DOUBLE_EQ(StartOfNextIsoWeek(wed), EncodeDate(2024, 1, 15));
    EXPECT_DOUBLE_EQ(StartOfNextIsoWeek(EncodeDate(2024, 1, 14)), EncodeDate(2024, 1, 15));
}

TEST(DateTime, MonthEndsAndLeapYears) {
    struct Case {
        int y, m, lastDay;
    } cases[] = {{2023, 2, 28}, {2024, 2, 29},  {1900, 2, 28},
                 {2000, 2, 29}, {2024, 12, 31}, {2024, 4, 30}};
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(EndOfMonth(EncodeDateTime(c.y, c.m, 15, 10)),
                         EncodeDateTime(c.y, c.m, c.lastDay, 23, 59, 59, 999))
            << c.y << "-" << c.m;
    EXPECT_DOUBLE_EQ(StartOfNextMonth(EncodeDate(2024, 12, 5)), EncodeDate(2025, 1, 1));
    EXPECT_DOUBLE_EQ(EndOfDay(EncodeDateTime(2024, 3, 1, 0, 0, 0)),
                     EncodeDateTime(2024, 3, 1, 23, 59, 59, 999));
}

TEST(DateTime, SecondsBetweenTruncatesTowardZero) {
    const TDateTime a = EncodeDateTime(2024, 1, 1, 10, 0, 0, 0);
    EXPECT_EQ(SecondsBetween(a, a + EncodeTime(0, 0, 4, 999)), 4);
    EXPECT_EQ(SecondsBetween(a + EncodeTime(0, 0, 4, 999), a), 4);
    EXPECT_EQ(SecondsBetween(a, a + 2.0), 172800);
}

TEST(DateTime, TextsFollowThePatterns) {
    TLocaleFormat f;
    f.ShortDate = "dd.MM.yyyy";
    f.LongTime = "HH:mm:ss";
    const TDateTime v = EncodeDateTime(2008, 3, 14, 9, 5, 7);
    EXPECT_EQ(DateText(v, f), "14.03.2008");
    EXPECT_EQ(TimeText(v, f), "09:05:07");
    EXPECT_EQ(DateTimeText(v, f), "14.03.2008 09:05:07");
    EXPECT_EQ(DateTimeText(EncodeDate(2008, 3, 14), f), "14.03.2008");
    EXPECT_EQ(FormatDateTime("MMM.yy 'week' d/M h:mm AP", v, f), "Mar.08 week 14/3 9:05 AM");
    EXPECT_EQ(FormatDateTime("HH:mm:ss t", v, f), "09:05:07 ");
    // 14 March 2008 was a Friday; 16 March a Sunday.
    EXPECT_EQ(FormatDateTime("ddd d, dddd dd. MMMM", v, f), "Fri 14, Friday 14. March");
    EXPECT_EQ(FormatDateTime("dddd", EncodeDate(2008, 3, 16), f), "Sunday");
}

TEST(DateTime, DurationTextKeepsWholeDays) {
    EXPECT_EQ(DurationText(25.0 / 24), "25:00:00");
    EXPECT_EQ(DurationText(30.0 / 1440), "00:30:00");
    EXPECT_EQ(DurationText(EncodeTime(1, 2, 3, 0)), "01:02:03");
    EXPECT_EQ(DurationText(0), "00:00:00");
    EXPECT_EQ(DurationText(-5.0 / 86400), "-00:00:05");
}

TEST(DateTime, IsBlankAndTrim) {
    EXPECT_TRUE(IsBlank(""));
    EXPECT_TRUE(IsBlank(" \t\x01"));
    EXPECT_FALSE(IsBlank(" a "));
    EXPECT_EQ(Trim("\t a b \r\n"), "a b");
}
