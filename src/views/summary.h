// Totals of a period without widgets: the summary of orvane-report and of the summary window.
//
// Every entry is clipped to the period [Since, Until): an entry across midnight counts on both
// days, and one that began before the period counts from its start. Times are in real time (see
// when.h), summed in whole milliseconds.
#pragma once

#include "recorder/activitylist.h"
#include "views/when.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

enum class TSummaryBy { Program, Caption, Category, Day };

struct TSummaryQuery {
    TInstant Since = 0;
    TInstant Until = 0;
    TSummaryBy By = TSummaryBy::Program;
    // The running entry (the last one, or the one at RunningIndex) counts up to this instant when
    // it lies past its stored end.
    std::optional<TInstant> RunningUntil;
    // Where the running entry is in a list it does not end (the records of several computers).
    std::optional<int> RunningIndex;
    // By category: the number of the category of a program and title, -1 for none.
    std::function<int(const std::string& process, const std::string& caption)> Category;
    std::vector<std::string> CategoryNames;
    std::string Uncategorised = "Uncategorised";
    // When set, only entries of the programs and titles it keeps count.
    std::function<bool(const std::string& process, const std::string& caption)> Keep;
};

struct TSummaryRow {
    std::string Key;     // the program's full path, the caption, the category or the date
    std::string Program; // by caption: the caption's program
    QDate Day;           // by day
    std::int64_t Ms = 0;
    std::int64_t Entries = 0; // entries that have time in the row
    bool Other = false;       // the rows that KeepTop summed
};

struct TSummary {
    TInstant Since = 0;
    TInstant Until = 0;
    std::int64_t TotalMs = 0;
    std::int64_t TotalEntries = 0; // entries that have time in the period
    std::vector<TSummaryRow> Rows;
};

// Rows longest first (ties by key); by day one row per local day of the period, in date order,
// days without time included. Programs and captions are grouped ignoring letter case and spelled
// as their first entry in the period.
TSummary Summarise(const TActivityList& list, const TSummaryQuery& query);
// The time of each group in each bucket [bounds[k], bounds[k + 1]), for a chart: result[k][g].
// groupOf gives a program and title its group (0 .. groups - 1; others are left out).
std::vector<std::vector<std::int64_t>> StackedTotals(
    const TActivityList& list, const std::vector<TInstant>& bounds,
    std::optional<TInstant> runningUntil,
    const std::function<int(const std::string& process, const std::string& caption)>& groupOf,
    int groups, std::optional<int> runningIndex = std::nullopt);

// Keeps the n longest rows and sums the others into one row named other.
void KeepTop(TSummary& summary, std::size_t n, const std::string& other);

// The file name of a program for people, where it tells the program apart from the others of the
// rows; the full path where two programs share a file name.
std::vector<std::string> ShortProgramNames(const std::vector<std::string>& programs);
std::string ProgramFileName(const std::string& program);

// The entries that have time in the period, clipped to it; the running entry as Summarise counts
// it.
TActivityList ClipToPeriod(const TActivityList& list, TInstant since, TInstant until,
                           std::optional<TInstant> runningUntil = std::nullopt);

} // namespace orvane
