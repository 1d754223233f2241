// Periods named on the command line and in the summary window, as instants of real time.
//
// A period is [since, until). Its bounds are instants (milliseconds since 1970-01-01 UTC), so that
// a day with a daylight-saving change lasts 23 or 25 hours; the days themselves begin at 00:00
// local time (or at the first moment after midnight where midnight does not exist).
#pragma once

#include "recorder/datetime.h"

#include <QDate>
#include <QDateTime>

#include <cstdint>
#include <optional>
#include <string_view>

namespace orvane {

using TInstant = std::int64_t; // milliseconds since 1970-01-01 00:00 UTC

// A WHEN text relative to now: today, yesterday, week (Monday 00:00 of this week), last-week,
// month, last-month, year, last-year, now, a date YYYY-MM-DD (its 00:00) or a local date and
// time YYYY-MM-DDTHH:MM[:SS]. nullopt when the text is none of these.
std::optional<QDateTime> ParseWhen(std::string_view text, const QDateTime& now);
// Only the date-and-time forms (for a fixed "now").
std::optional<QDateTime> ParseDateTime(std::string_view text);

// The first moment of a local day.
QDateTime DayStart(QDate day);

// Stored times are local wall-clock values; this turns them into instants. Entries come mostly in
// time order and one time zone offset holds for months, so it keeps the offset of the last hour
// it met.
class TInstantOf {
public:
    // nullopt for a value that is no calendar time (NaN, before year 1, after 9999).
    std::optional<TInstant> operator()(TDateTime local);

private:
    std::int64_t FHour = INT64_MIN; // local hour (since 1899-12-30) whose offset is kept
    std::int64_t FOffsetMs = 0;     // local minus UTC, in that whole hour
};

// An instant as a local wall-clock value, the way entries store time.
TDateTime LocalDateTime(TInstant instant);

} // namespace orvane
