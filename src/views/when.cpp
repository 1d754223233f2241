#include "views/when.h"

#include <cmath>
#include <string>

namespace orvane {

namespace {

// Days from 1899-12-30 (the stored values' origin) to 1970-01-01.
constexpr std::int64_t UnixEpochDay = 25569;
constexpr std::int64_t MsPerHour = 3600 * 1000;

bool Digits(std::string_view s, std::size_t from, std::size_t count, int& value) {
    if (from + count > s.size()) return false;
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

std::optional<QDate> ParseDate(std::string_view s) {
    int y, m, d;
    if (s.size() != 10 || s[4] != '-' || s[7] != '-' || !Digits(s, 0, 4, y) ||
        !Digits(s, 5, 2, m) || !Digits(s, 8, 2, d) || y < 1)
        return std::nullopt;
    const QDate date(y, m, d);
    if (!date.isValid()) return std::nullopt;
    return date;
}

// Local time of a calendar value through Qt, ms since 1970 UTC.
std::int64_t LocalMsToInstant(std::int64_t localMs) {
    const std::int64_t day =
        localMs >= 0 ? localMs / 86400000 : -((-localMs + 86399999) / 86400000);
    const std::int64_t inDay = localMs - day * 86400000;
    const QDate date = QDate(1899, 12, 30).addDays(day);
    const QDateTime t(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(inDay)),
                      Qt::LocalTime);
    return t.toMSecsSinceEpoch();
}

} // namespace

QDateTime DayStart(QDate day) {
    return day.startOfDay(Qt::LocalTime);
}

std::optional<QDateTime> ParseDateTime(std::string_view s) {
    if (s.size() != 16 && s.size() != 19) return std::nullopt;
    const auto date = ParseDate(s.substr(0, 10));
    int h, mi, sec = 0;
    if (!date || s[10] != 'T' || s[13] != ':' || !Digits(s, 11, 2, h) || !Digits(s, 14, 2, mi))
        return std::nullopt;
    if (s.size() == 19 && (s[16] != ':' || !Digits(s, 17, 2, sec))) return std::nullopt;
    const QTime time(h, mi, sec);
    if (!time.isValid()) return std::nullopt;
    return QDateTime(*date, time, Qt::LocalTime);
}

std::optional<QDateTime> ParseWhen(std::string_view s, const QDateTime& now) {
    const QDateTime local = now.toLocalTime();
    const QDate today = local.date();
    const QDate monday = today.addDays(1 - today.dayOfWeek());
    const QDate firstOfMonth(today.year(), today.month(), 1);
    if (s == "now") return local;
    if (s == "today") return DayStart(today);
    if (s == "yesterday") return DayStart(today.addDays(-1));
    if (s == "week") return DayStart(monday);
    if (s == "last-week") return DayStart(monday.addDays(-7));
    if (s == "month") return DayStart(firstOfMonth);
    if (s == "last-month") return DayStart(firstOfMonth.addMonths(-1));
    if (s == "year") return DayStart(QDate(today.year(), 1, 1));
    if (s == "last-year") return DayStart(QDate(today.year() - 1, 1, 1));
    if (const auto date = ParseDate(s)) return DayStart(*date);
    return ParseDateTime(s);
}

std::optional<TInstant> TInstantOf::operator()(TDateTime local) {
    if (!(local >= EncodeDate(1, 1, 1)) || !(local < EncodeDate(9999, 12, 31) + 1))
        return std::nullopt;
    const auto localMs = static_cast<std::int64_t>(std::llround(local * MSecsPerDay));
    const std::int64_t hour =
        localMs >= 0 ? localMs / MsPerHour : -((-localMs + MsPerHour - 1) / MsPerHour);
    const std::int64_t wall = localMs - UnixEpochDay * 86400000; // local, as if it were UTC
    if (hour == FHour) return wall - FOffsetMs;
    // Keep the hour's offset only when it holds from its first to its last millisecond; a
    // change inside the hour is asked for each value.
    const std::int64_t first = LocalMsToInstant(hour * MsPerHour);
    const std::int64_t last = LocalMsToInstant(hour * MsPerHour + MsPerHour - 1);
    const std::int64_t hourWall = hour * MsPerHour - UnixEpochDay * 86400000;
    if (hourWall - first == hourWall + MsPerHour - 1 - last) {
        FHour = hour;
        FOffsetMs = hourWall - first;
        return wall - FOffsetMs;
    }
    return LocalMsToInstant(localMs);
}

TDateTime LocalDateTime(TInstant instant) {
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(instant, Qt::LocalTime);
    const QDate d = t.date();
    const QTime tm = t.time();
    return EncodeDateTime(d.year(), d.month(), d.day(), tm.hour(), tm.minute(), tm.second(),
                          tm.msec());
}

} // namespace orvane
