#include "recorder/datetime.h"

#include "platform/host.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace orvane {

namespace {

// Days from 1970-01-01 to a civil date, and back (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t EpochOffsetDays = -25569;

TLocaleFormat& MutableLocaleFormat() {
    static TLocaleFormat format;
    return format;
}

std::string TwoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

} // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

TDateTime EncodeDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        throw std::invalid_argument("Invalid argument to date encode");
    return static_cast<double>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
        EpochOffsetDays);
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        msec < 0 || msec > 999)
        throw std::invalid_argument("Invalid argument to time encode");
    return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / MSecsPerDay;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec) {
    return EncodeDate(year, month, day) + EncodeTime(hour, minute, second, msec);
}

TCalendar DecodeDateTime(TDateTime value) {
    TCalendar c;
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) return c;
    // Work in whole milliseconds so that 23:59:59.9996 does not read as second 60.
    const auto ms = static_cast<std::int64_t>(std::llround(value * MSecsPerDay));
    std::int64_t days = ms / 86400000;
    std::int64_t rest = ms % 86400000;
    if (rest < 0) {
        // Before 1899-12-30 the time of day still counts forward from midnight.
        rest = -rest;
    }
    CivilFromDays(days + EpochOffsetDays, c.Year, c.Month, c.Day);
    c.Hour = static_cast<int>(rest / 3600000);
    c.Minute = static_cast<int>(rest / 60000 % 60);
    c.Second = static_cast<int>(rest / 1000 % 60);
    c.MSec = static_cast<int>(rest % 1000);
    const std::int64_t dayFromEpoch = days + EpochOffsetDays; // 1970-01-01 was a Thursday
    c.DayOfWeek = static_cast<int>(((dayFromEpoch % 7) + 7 + 3) % 7) + 1;
    return c;
}

TDateTime FromUnixTime(std::int64_t unixSeconds, int msec) {
    std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm tm{};
    platform::LocalTime(t, tm);
    const double days =
        static_cast<double>(DaysFromCivil(tm.tm_year + 1900, static_cast<unsigned>(tm.tm_mon + 1),
                                          static_cast<unsigned>(tm.tm_mday)) -
                            EpochOffsetDays);
    return days + ((tm.tm_hour * 60.0 + tm.tm_min) * 60.0 + tm.tm_sec + msec / 1000.0) / SecsPerDay;
}

TDateTime Now() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    std::int64_t secs = ms / 1000;
    int rest = static_cast<int>(ms % 1000);
    if (rest < 0) {
        rest += 1000;
        --secs;
    }
    return FromUnixTime(secs, rest);
}

int DayNumber(TDateTime value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<int>(std::floor(value));
}

TDateTime StartOfDay(TDateTime value) {
    return DayNumber(value);
}

TDateTime EndOfDay(TDateTime value) {
    return DayNumber(value) + EncodeTime(23, 59, 59, 999);
}

int IsoWeekNumber(TDateTime value, int* isoYear) {
    const TCalendar c = DecodeDateTime(StartOfDay(value));
    // The week belongs to the year of its Thursday.
    const int thursday = DayNumber(value) - (c.DayOfWeek - 1) + 3;
    const TCalendar t = DecodeDateTime(thursday);
    const int jan1 = static_cast<int>(EncodeDate(t.Year, 1, 1));
    if (isoYear) *isoYear = t.Year;
    return (thursday - jan1) / 7 + 1;
}

TDateTime EndOfIsoWeek(TDateTime value) {
    const TCalendar c = DecodeDateTime(StartOfDay(value));
    return EndOfDay(DayNumber(value) + (7 - c.DayOfWeek));
}

TDateTime StartOfNextIsoWeek(TDateTime value) {
    const TCalendar c = DecodeDateTime(StartOfDay(value));
    return DayNumber(value) + (8 - c.DayOfWeek);
}

TDateTime EndOfMonth(TDateTime value) {
    const TCalendar c = DecodeDateTime(StartOfDay(value));
    return EncodeDate(c.Year, c.Month, DaysInMonth(c.Year, c.Month)) + EncodeTime(23, 59, 59, 999);
}

TDateTime StartOfNextMonth(TDateTime value) {
    const TCalendar c = DecodeDateTime(StartOfDay(value));
    return c.Month == 12 ? EncodeDate(c.Year + 1, 1, 1) : EncodeDate(c.Year, c.Month + 1, 1);
}

std::int64_t SecondsBetween(TDateTime a, TDateTime b) {
    const double secs = std::fabs(a - b) * SecsPerDay;
    if (!std::isfinite(secs) || secs > 9.0e18) return 0;
    return static_cast<std::int64_t>(secs);
}

bool IsBlank(const std::string& text) {
    for (unsigned char ch : text)
        if (ch > 32) return false;
    return true;
}

std::string Trim(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32)
        --e;
    return text.substr(b, e - b);
}

const TLocaleFormat& CurrentLocaleFormat() {
    return MutableLocaleFormat();
}

void SetCurrentLocaleFormat(const TLocaleFormat& format) {
    MutableLocaleFormat() = format;
}

std::string FormatDateTime(const std::string& pattern, TDateTime value,
                           const TLocaleFormat& format) {
    const TCalendar c = DecodeDateTime(value);
    std::string out;
    const std::size_t n = pattern.size();
    std::size_t i = 0;
    // An AM/PM field anywhere makes h a 12-hour clock; looked up once, not at every h.
    const bool ampm = pattern.find_first_of("Aa") != std::string::npos;
    auto run = [&](char ch) {
        std::size_t k = i;
        while (k < n && pattern[k] == ch)
            ++k;
        return k - i;
    };
    while (i < n) {
        const char ch = pattern[i];
        if (ch == '\'') {
            // Quoted literal; two quotes in a row stand for one.
            std::size_t k = i + 1;
            if (k < n && pattern[k] == '\'') {
                out += '\'';
                i = k + 1;
                continue;
            }
            while (k < n) {
                if (pattern[k] == '\'') {
                    if (k + 1 < n && pattern[k + 1] == '\'') {
                        out += '\'';
                        k += 2;
                        continue;
                    }
                    break;
                }
                out += pattern[k++];
            }
            i = k + 1;
            continue;
        }
        const std::size_t len = run(ch);
        switch (ch) {
        case 'd':
            if (len >= 3) {
                const auto day = static_cast<std::size_t>(std::clamp(c.DayOfWeek, 1, 7) - 1);
                out += len == 3 ? format.ShortDayNames[day] : format.LongDayNames[day];
            } else {
                out += len == 2 ? TwoDigits(c.Day) : std::to_string(c.Day);
            }
            break;
        case 'M':
            if (len >= 4)
                out += format.LongMonthNames[static_cast<std::size_t>(c.Month - 1)];
            else if (len == 3)
                out += format.ShortMonthNames[static_cast<std::size_t>(c.Month - 1)];
            else
                out += len == 2 ? TwoDigits(c.Month) : std::to_string(c.Month);
            break;
        case 'y':
            if (len >= 4) {
                char buf[16];
                std::snprintf(buf, sizeof buf, "%04d", c.Year);
                out += buf;
            } else {
                out += TwoDigits(c.Year % 100);
            }
            break;
        case 'h':
        case 'H': {
            int h = c.Hour;
            if (ch == 'h' && ampm) h = h % 12 == 0 ? 12 : h % 12;
            out += len >= 2 ? TwoDigits(h) : std::to_string(h);
            break;
        }
        case 'm':
            out += len >= 2 ? TwoDigits(c.Minute) : std::to_string(c.Minute);
            break;
        case 's':
            out += len >= 2 ? TwoDigits(c.Second) : std::to_string(c.Second);
            break;
        case 'z': {
            char buf[16];
            std::snprintf(buf, sizeof buf, len >= 3 ? "%03d" : "%d", c.MSec);
            out += buf;
            break;
        }
        case 'A':
        case 'a':
            if (i + 1 < n && (pattern[i + 1] == 'P' || pattern[i + 1] == 'p')) {
                const bool upper = ch == 'A';
                out += c.Hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
                i += 2;
                continue;
            }
            out.append(len, ch);
            break;
        case 't': // time zone: never part of our texts
            break;
        default:
            out.append(len, ch);
            break;
        }
        i += len;
    }
    return out;
}

std::string DateText(TDateTime value, const TLocaleFormat& format) {
    return FormatDateTime(format.ShortDate, value, format);
}

std::string TimeText(TDateTime value, const TLocaleFormat& format) {
    return FormatDateTime(format.LongTime, value, format);
}

std::string DateTimeText(TDateTime value, const TLocaleFormat& format) {
    std::string s = DateText(value, format);
    const TCalendar c = DecodeDateTime(value);
    // GCC 12 at -O2/-O3 (mingw-w64's among others) sees memcpy in the inlined " " + string and
    // warns of an overlap of 2^63 bytes that cannot happen (a false -Wrestrict, GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
    if (c.Hour != 0 || c.Minute != 0 || c.Second != 0) s += " " + TimeText(value, format);
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    return s;
}

std::string DurationText(TDateTime duration) {
    if (!std::isfinite(duration)) return "00:00:00";
    double ms = std::round(duration * MSecsPerDay);
    std::string sign;
    if (ms < 0) {
        sign = "-";
        ms = -ms;
    }
    if (ms > 9.0e15) ms = 9.0e15;
    const auto total = static_cast<std::int64_t>(ms) / 1000;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%02lld:%02d:%02d", sign.c_str(),
                  static_cast<long long>(total / 3600), static_cast<int>(total / 60 % 60),
                  static_cast<int>(total % 60));
    return buf;
}

} // namespace orvane
