// Date and time helpers over TDateTime: days since 1899-12-30 00:00 in local time, the fraction
// being the time of day. No Qt here; the texts take their patterns from TLocaleFormat, which the
// application fills from the user's locale.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace orvane {

using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;
constexpr double SecsPerDay = 86400.0;

struct TCalendar {
    int Year = 1899, Month = 12, Day = 30;
    int Hour = 0, Minute = 0, Second = 0, MSec = 0;
    int DayOfWeek = 6; // 1 = Monday .. 7 = Sunday (ISO)
};

// Throws std::invalid_argument("Invalid argument to time encode") / ("... date encode") for
// values outside the calendar, as the date routines of the system did.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         int msec = 0);
// Splits a value into its calendar parts (rounded to the millisecond).
TCalendar DecodeDateTime(TDateTime value);

// The current local time.
TDateTime Now();
// Local calendar time <-> seconds since the Unix epoch (UTC), through the C library's zone rules.
TDateTime FromUnixTime(std::int64_t unixSeconds, int msec = 0);

// Whole days from 1899-12-30 to the value's date (the integer part, towards minus infinity).
int DayNumber(TDateTime value);
TDateTime StartOfDay(TDateTime value);
TDateTime EndOfDay(TDateTime value); // 23:59:59.999
int IsoWeekNumber(TDateTime value, int* isoYear = nullptr);
TDateTime EndOfIsoWeek(TDateTime value);       // its Sunday, 23:59:59.999
TDateTime StartOfNextIsoWeek(TDateTime value); // Monday 00:00 of the next week
TDateTime EndOfMonth(TDateTime value);         // its last day, 23:59:59.999
TDateTime StartOfNextMonth(TDateTime value);
int DaysInMonth(int year, int month);
bool IsLeapYear(int year);

// |a - b| * 86400, truncated toward zero.
std::int64_t SecondsBetween(TDateTime a, TDateTime b);

// True when the text is empty or holds only bytes 0..32.
bool IsBlank(const std::string& text);
std::string Trim(const std::string& text); // cuts bytes 0..32 from both ends

// Patterns for date and time texts, in Qt's pattern language (d dd M MM MMM MMMM yy yyyy
// h hh H HH m mm s ss z zzz AP ap, text in single quotes taken as it stands).
struct TLocaleFormat {
    std::string ShortDate = "dd.MM.yyyy";
    std::string LongTime = "HH:mm:ss";
    std::array<std::string, 12> ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames = {"January",   "February", "March",    "April",
                                                  "May",       "June",     "July",     "August",
                                                  "September", "October",  "November", "December"};
    // Monday first.
    std::array<std::string, 7> ShortDayNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    std::array<std::string, 7> LongDayNames = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                               "Friday", "Saturday", "Sunday"};
    char ListSeparator = ',';
};

// The longest date or time pattern taken from a user; real ones are a few dozen characters.
constexpr std::size_t MaxPatternLength = 256;

// The format used unless the application installs the user's one.
const TLocaleFormat& CurrentLocaleFormat();
void SetCurrentLocaleFormat(const TLocaleFormat& format);

std::string FormatDateTime(const std::string& pattern, TDateTime value,
                           const TLocaleFormat& format = CurrentLocaleFormat());
// The user's short date.
std::string DateText(TDateTime value, const TLocaleFormat& format = CurrentLocaleFormat());
// The time of day in the user's long time format.
std::string TimeText(TDateTime value, const TLocaleFormat& format = CurrentLocaleFormat());
// Date text, a blank and the time text; the time is left out at exactly midnight.
std::string DateTimeText(TDateTime value, const TLocaleFormat& format = CurrentLocaleFormat());
// A length of time as total hours (two digits at least), minutes and seconds: 25 hours read
// 25:00:00. A negative length reads with a leading minus.
std::string DurationText(TDateTime duration);

} // namespace orvane
