#include "testutil.h"

#include "views/when.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

using namespace orvane;
using testutil::ScopedEnv;

namespace {

std::string Iso(const std::optional<QDateTime>& t) {
    if (!t) return "none";
    return t->toOffsetFromUtc(t->offsetFromUtc()).toString(Qt::ISODate).toStdString();
}

QDateTime Local(int y, int mo, int d, int h = 0, int mi = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::LocalTime);
}

} // namespace

TEST(When, NamedPeriodsAndDatesInAZoneWithDaylightSaving) {
    ORVANE_NEEDS_TZ_DATABASE();
    ScopedEnv berlin("TZ", "Europe/Berlin");
    struct Case {
        QDateTime Now;
        const char* When;
        const char* Want;
    };
    const Case cases[] = {
        // 2026-03-29 is a Sunday with the change to summer time at 02:00.
        {Local(2026, 3, 29, 12), "today", "2026-03-29T00:00:00+01:00"},
        {Local(2026, 3, 29, 12), "now", "2026-03-29T12:00:00+02:00"},
        {Local(2026, 3, 29, 12), "yesterday", "2026-03-28T00:00:00+01:00"},
        {Local(2026, 3, 29, 12), "week", "2026-03-23T00:00:00+01:00"},
        {Local(2026, 3, 30, 0), "week", "2026-03-30T00:00:00+02:00"},
        {Local(2026, 3, 30, 0), "last-week", "2026-03-23T00:00:00+01:00"},
        {Local(2026, 10, 25, 23, 59), "today", "2026-10-25T00:00:00+02:00"},
        // Year ends.
        {Local(2027, 1, 1, 0, 30), "yesterday", "2026-12-31T00:00:00+01:00"},
        {Local(2027, 1, 1, 0, 30), "week", "2026-12-28T00:00:00+01:00"},
        {Local(2027, 1, 1, 0, 30), "last-week", "2026-12-21T00:00:00+01:00"},
        {Local(2027, 1, 1, 0, 30), "month", "2027-01-01T00:00:00+01:00"},
        {Local(2027, 1, 1, 0, 30), "last-month", "2026-12-01T00:00:00+01:00"},
        {Local(2027, 1, 1, 0, 30), "year", "2027-01-01T00:00:00+01:00"},
        {Local(2027, 1, 1, 0, 30), "last-year", "2026-01-01T00:00:00+01:00"},
        {Local(2026, 12, 31, 23, 59), "last-month", "2026-11-01T00:00:00+01:00"},
        // Dates and times.
        {Local(2026, 6, 1), "2024-02-29", "2024-02-29T00:00:00+01:00"},
        {Local(2026, 6, 1), "2026-07-01T08:15", "2026-07-01T08:15:00+02:00"},
        {Local(2026, 6, 1), "2026-07-01T08:15:09", "2026-07-01T08:15:09+02:00"},
        {Local(2026, 6, 1), "2023-02-29", "none"},
        {Local(2026, 6, 1), "2026-13-01", "none"},
        {Local(2026, 6, 1), "2026-1-01", "none"},
        {Local(2026, 6, 1), "2026-07-01T24:00", "none"},
        {Local(2026, 6, 1), "2026-07-01 08:15", "none"},
        {Local(2026, 6, 1), "0000-01-01", "none"},
        {Local(2026, 6, 1), "Week", "none"},
        {Local(2026, 6, 1), "", "none"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Iso(ParseWhen(c.When, c.Now)), c.Want) << c.When << " at " << Iso(c.Now);
}

TEST(When, DaysWithADaylightSavingChangeHave23Or25Hours) {
    ORVANE_NEEDS_TZ_DATABASE();
    ScopedEnv berlin("TZ", "Europe/Berlin");
    const auto hours = [](QDate d) {
        return (DayStart(d.addDays(1)).toMSecsSinceEpoch() - DayStart(d).toMSecsSinceEpoch()) /
               3600000.0;
    };
    EXPECT_EQ(hours(QDate(2026, 3, 29)), 23);
    EXPECT_EQ(hours(QDate(2026, 10, 25)), 25);
    EXPECT_EQ(hours(QDate(2026, 10, 26)), 24);

    // Stored wall-clock values become instants across both changes.
    TInstantOf instant;
    const auto at = [&](int mo, int d, int h, int mi) {
        return *instant(EncodeDateTime(2026, mo, d, h, mi));
    };
    EXPECT_EQ(at(3, 29, 3, 0) - at(3, 29, 1, 0), 3600000);       // 01:00 to 03:00 is one hour
    EXPECT_EQ(at(10, 25, 4, 0) - at(10, 25, 1, 0), 4 * 3600000); // 01:00 to 04:00, four
    EXPECT_EQ(at(10, 25, 1, 0), DayStart(QDate(2026, 10, 25)).toMSecsSinceEpoch() + 3600000);
    EXPECT_EQ(LocalDateTime(at(7, 1, 8, 15)), EncodeDateTime(2026, 7, 1, 8, 15));
    EXPECT_FALSE(instant(std::nan("")));
    EXPECT_FALSE(instant(EncodeDate(9999, 12, 31) + 1));
}

TEST(When, MidnightThatDoesNotExist) {
    // Santiago de Chile moved its clocks from 00:00 to 01:00 on 2024-09-08.
    ORVANE_NEEDS_TZ_DATABASE();
    ScopedEnv chile("TZ", "America/Santiago");
    EXPECT_EQ(Iso(ParseWhen("2024-09-08", QDateTime::currentDateTime())),
              "2024-09-08T01:00:00-03:00");
}
