#include "views/periods.h"

#include "recorder/debugtrace.h"
#include "recorder/textformat.h"
#include "views/recordedtext.h"

#include <QString>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <unordered_map>

namespace orvane {

namespace {

bool Overlaps(const TEntry& e, TDateTime from, TDateTime to) {
    const TDateTime end = e.Start + e.Duration;
    return (from <= e.Start && e.Start <= to) || (from <= end && end <= to) ||
           (e.Start < from && end >= to);
}

// The time an overlapping entry counts for the period. An entry closed before its start (the
// clock stepped back) holds no time rather than taking time away from the others.
TDateTime CountedTime(const TEntry& e, TDateTime from, TDateTime to) {
    TDateTime t;
    if (from <= e.Start && e.Start <= to)
        t = e.Duration;
    else if (const TDateTime end = e.Start + e.Duration; from <= end && end <= to)
        t = end - from;
    else
        t = to - from;
    return t > 0 ? t : 0;
}

// Folded keys of interned texts: each distinct text is folded once per query.
class TFolder {
public:
    int Key(const TText& text) {
        const std::size_t n = text.Index();
        if (n < FByIndex.size() && FByIndex[n] >= 0) return FByIndex[n];
        const std::string folded = FoldCase(text.str());
        auto k = FByText.emplace(folded, static_cast<int>(FByText.size())).first->second;
        if (n >= FByIndex.size()) FByIndex.resize(n + 1, -1);
        FByIndex[n] = k;
        return k;
    }
    int KeyOf(const std::string& text) {
        const std::string folded = FoldCase(text);
        return FByText.emplace(folded, static_cast<int>(FByText.size())).first->second;
    }
    int Count() const { return static_cast<int>(FByText.size()); }

private:
    std::vector<int> FByIndex; // by the text's number; -1 where not met yet
    std::unordered_map<std::string, int> FByText;
};

// ---- The grouped build -----------------------------------------------------------------------

// The (program, caption) group of every entry, names compared ignoring case, and the program of
// every group.
struct TGroups {
    std::vector<std::uint32_t> Group;     // per entry
    std::vector<std::uint32_t> ProgramOf; // per group
    std::size_t ProgramCount = 0;
};

TGroups GroupEntries(const TActivityList& list) {
    TGroups g;
    const auto& entries = list.Entries();
    g.Group.resize(entries.size());
    TFolder programs, captions;
    std::unordered_map<std::uint64_t, std::uint32_t> byIds; // by the pair of text numbers
    std::unordered_map<std::uint64_t, std::uint32_t> byKeys;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TEntry& e = entries[i];
        const std::uint64_t ids = (std::uint64_t{e.Process.Index()} << 32) | e.Caption.Index();
        auto it = byIds.find(ids);
        if (it == byIds.end()) {
            const int p = programs.Key(e.Process);
            const int c = captions.Key(e.Caption);
            const std::uint64_t key =
                (static_cast<std::uint64_t>(p) << 32) | static_cast<std::uint32_t>(c);
            auto [k, added] = byKeys.emplace(key, static_cast<std::uint32_t>(byKeys.size()));
            if (added) g.ProgramOf.push_back(static_cast<std::uint32_t>(p));
            it = byIds.emplace(ids, k->second).first;
        }
        g.Group[i] = it->second;
    }
    g.ProgramCount = static_cast<std::size_t>(programs.Count());
    return g;
}

// The calendar range in which periods can be named.
const TDateTime MinDate = EncodeDate(1, 1, 1);
const TDateTime MaxDate = EndOfDay(EncodeDate(9999, 12, 31));

// The earliest and the latest Start of the record that a period can name. Entries need not be in
// date order: a machine may boot with a reset clock and record a while before the clock is set.
struct TStartRange {
    TDateTime Earliest = 0, Latest = 0;
};

std::optional<TStartRange> StartRange(const std::vector<TEntry>& entries) {
    std::optional<TStartRange> r;
    for (const TEntry& e : entries) {
        if (!(e.Start >= MinDate && e.Start <= MaxDate)) continue; // NaN included
        if (!r)
            r = TStartRange{e.Start, e.Start};
        else
            r->Earliest = std::min(r->Earliest, e.Start), r->Latest = std::max(r->Latest, e.Start);
    }
    return r;
}

// Entries that would reach into more periods than this make the record unshowable by period.
constexpr std::int64_t MaxContributions = 64'000'000;

// The periods of one view mode: period 0 starts at the earliest Start, period k > 0 at the
// start of its day, week or month; the walk ends with the period holding the latest Start.
class TPeriodScheme {
public:
    TPeriodScheme(TViewMode mode, TDateTime first, TDateTime last) : FMode(mode) {
        if (!(first <= last) || last < MinDate || first > MaxDate) return; // NaN included
        FFirst = std::max(first, MinDate);
        FLast = std::min(last, MaxDate);
        FBaseDay = DayNumber(FFirst);
        if (mode == TViewMode::vmWeekly) {
            FBaseDay -= DecodeDateTime(FBaseDay).DayOfWeek - 1;
        } else if (mode == TViewMode::vmMonthly) {
            const TCalendar c = DecodeDateTime(FBaseDay);
            FBaseMonth = c.Year * 12 + c.Month - 1;
        }
        FLastIndex = IndexOfDay(FLast);
    }

    std::int64_t LastIndex() const { return FLastIndex; } // -1: no periods

    TDateTime From(std::int64_t k) const {
        if (k == 0) return FFirst;
        switch (FMode) {
        case TViewMode::vmDaily:
            return static_cast<TDateTime>(FBaseDay + k);
        case TViewMode::vmWeekly:
            return static_cast<TDateTime>(FBaseDay + 7 * k);
        default: {
            const std::int64_t m = FBaseMonth + k;
            return EncodeDate(static_cast<int>(m / 12), static_cast<int>(m % 12) + 1, 1);
        }
        }
    }
    TDateTime To(std::int64_t k) const {
        if (k == FCachedTo) return FCachedToValue;
        const TDateTime from = From(k);
        switch (FMode) {
        case TViewMode::vmDaily:
            FCachedToValue = EndOfDay(from);
            break;
        case TViewMode::vmWeekly:
            FCachedToValue = EndOfIsoWeek(from);
            break;
        default:
            FCachedToValue = EndOfMonth(from);
            break;
        }
        FCachedTo = k;
        return FCachedToValue;
    }
    // The period by the calendar day of v, for v within the walk's range (From(k) <= v holds,
    // v may still lie after To(k) in the last millisecond of the day).
    std::int64_t IndexOfDay(TDateTime v) const {
        const std::int64_t day = DayNumber(v);
        switch (FMode) {
        case TViewMode::vmDaily:
            return day - FBaseDay;
        case TViewMode::vmWeekly:
            return (day - FBaseDay) / 7;
        default: {
            // Entries come mostly in time order: most lookups hit the day before.
            if (day != FCachedDay) {
                const TCalendar c = DecodeDateTime(static_cast<TDateTime>(day));
                FCachedDay = day;
                FCachedIndex = c.Year * 12 + c.Month - 1 - FBaseMonth;
            }
            return FCachedIndex;
        }
        }
    }
    // The period that holds v, or -1.
    std::int64_t Containing(TDateTime v) const {
        if (!(v >= FFirst) || v > FLast + 1) return -1;
        const std::int64_t k = IndexOfDay(v);
        if (k > FLastIndex || v > To(k)) return -1;
        return k;
    }
    // First period with From > v.
    std::int64_t FirstAfter(TDateTime v) const {
        if (v < FFirst) return 0;
        if (!(v <= FLast + 1)) return FLastIndex + 1;
        return std::min(IndexOfDay(v) + 1, FLastIndex + 1);
    }
    // Last period with To <= v.
    std::int64_t LastUpTo(TDateTime v) const {
        if (!(v >= FFirst)) return -1;
        if (v > FLast + 1) return FLastIndex;
        const std::int64_t k = IndexOfDay(v);
        if (k > FLastIndex) return FLastIndex;
        return To(k) <= v ? k : k - 1;
    }

private:
    TViewMode FMode;
    TDateTime FFirst = 0, FLast = 0;
    std::int64_t FBaseDay = 0, FBaseMonth = 0;
    std::int64_t FLastIndex = -1;
    mutable std::int64_t FCachedDay = INT64_MIN, FCachedIndex = 0;
    mutable std::int64_t FCachedTo = -1;
    mutable TDateTime FCachedToValue = 0;
};

std::string PeriodLabel(TViewMode mode, TDateTime from, TDateTime lastStart) {
    switch (mode) {
    case TViewMode::vmDaily:
        return DateText(from);
    case TViewMode::vmWeekly:
        return WeekLabel(from);
    default:
        return MonthLabel(from, lastStart);
    }
}

} // namespace

// Builds the nodes of a TPeriodTree, period by period, from the entries that reach into each.
class TTreeBuilder {
public:
    static TPeriodTree Periodic(const TActivityList& list, TViewMode mode);
    static TPeriodTree All(const TActivityList& list, TDateTime now);

private:
    TTreeBuilder(const TActivityList& list, TPeriodTree& tree)
        : FList(list), FTree(tree), FGroups(GroupEntries(list)),
          FProgStamp(FGroups.ProgramCount, -1), FProgSlot(FGroups.ProgramCount),
          FGroupStamp(FGroups.ProgramOf.size(), -1), FGroupFirst(FGroups.ProgramOf.size()),
          FGroupSum(FGroups.ProgramOf.size()) {}

    // Adds the program and caption nodes of one period from the entries that reach into it (list
    // order) and returns the period's total. Scratch arrays are stamped with the period, so they
    // need no reset.
    TDateTime AddPeriod(std::int64_t stamp, const std::uint32_t* begin, const std::uint32_t* end,
                        TDateTime from, TDateTime to, TPeriodTree::TPeriod& period);
    // Adds up the program and caption nodes AddPeriod will make of the same entries, so that the
    // node arrays are allocated once at their size: grown by doubling, the arrays of a record of
    // years took three times their size for a moment. Its stamps must differ from AddPeriod's.
    void CountPeriod(std::int64_t stamp, const std::uint32_t* begin, const std::uint32_t* end,
                     std::size_t& programs, std::size_t& lines);

    struct TSlot {
        std::uint32_t First = 0;
        std::vector<std::uint32_t> Groups;
    };
    const TActivityList& FList;
    TPeriodTree& FTree;
    TGroups FGroups;
    std::vector<std::int64_t> FProgStamp;
    std::vector<std::size_t> FProgSlot;
    std::vector<std::int64_t> FGroupStamp;
    std::vector<std::uint32_t> FGroupFirst;
    std::vector<TDateTime> FGroupSum;
    std::size_t FSlotCount = 0;
    std::vector<TSlot> FSlots;
};

TDateTime TTreeBuilder::AddPeriod(std::int64_t stamp, const std::uint32_t* begin,
                                  const std::uint32_t* end, TDateTime from, TDateTime to,
                                  TPeriodTree::TPeriod& period) {
    FSlotCount = 0;
    for (const std::uint32_t* c = begin; c != end; ++c) {
        const std::uint32_t i = *c;
        const std::uint32_t g = FGroups.Group[i];
        const std::uint32_t p = FGroups.ProgramOf[g];
        if (FProgStamp[p] != stamp) {
            FProgStamp[p] = stamp;
            FProgSlot[p] = FSlotCount;
            if (FSlotCount == FSlots.size()) FSlots.emplace_back();
            FSlots[FSlotCount].First = i;
            FSlots[FSlotCount].Groups.clear();
            ++FSlotCount;
        }
        if (FGroupStamp[g] != stamp) {
            FGroupStamp[g] = stamp;
            FGroupFirst[g] = i;
            FGroupSum[g] = 0;
            FSlots[FProgSlot[p]].Groups.push_back(g);
        }
        FGroupSum[g] += CountedTime(FList[static_cast<int>(i)], from, to);
    }
    TDateTime periodTotal = 0;
    period.First = static_cast<std::uint32_t>(FTree.FPrograms.size());
    period.Count = static_cast<std::uint32_t>(FSlotCount);
    for (std::size_t s = 0; s < FSlotCount; ++s) {
        const TSlot& slot = FSlots[s];
        TPeriodTree::TProgram program;
        program.Process = FList[static_cast<int>(slot.First)].Process;
        program.First = static_cast<std::uint32_t>(FTree.FLines.size());
        program.Count = static_cast<std::uint32_t>(slot.Groups.size());
        for (std::uint32_t g : slot.Groups) {
            FTree.FLines.push_back({FList[static_cast<int>(FGroupFirst[g])].Caption, FGroupSum[g]});
            program.Time += FGroupSum[g];
        }
        periodTotal += program.Time;
        FTree.FPrograms.push_back(program);
    }
    return periodTotal;
}

void TTreeBuilder::CountPeriod(std::int64_t stamp, const std::uint32_t* begin,
                               const std::uint32_t* end, std::size_t& programs,
                               std::size_t& lines) {
    for (const std::uint32_t* c = begin; c != end; ++c) {
        const std::uint32_t g = FGroups.Group[*c];
        const std::uint32_t p = FGroups.ProgramOf[g];
        if (FProgStamp[p] != stamp) {
            FProgStamp[p] = stamp;
            ++programs;
        }
        if (FGroupStamp[g] != stamp) {
            FGroupStamp[g] = stamp;
            ++lines;
        }
    }
}

TPeriodTree TTreeBuilder::Periodic(const TActivityList& list, TViewMode mode) {
    TPeriodTree tree;
    if (list.Count() == 0) return tree;
    const auto& entries = list.Entries();
    if (entries.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::runtime_error(
            "The record holds too many entries to show them period by period.");
    const std::optional<TStartRange> range = StartRange(entries);
    if (!range) return tree;
    const TPeriodScheme scheme(mode, range->Earliest, range->Latest);
    const std::int64_t periods = scheme.LastIndex() + 1;
    if (periods <= 0) return tree;

    // The periods an entry reaches: the one it starts in, the one it ends in and those it covers.
    struct TReach {
        std::int64_t Start = -1, End = -1, CoverLo = 0, CoverHi = -1;
    };
    auto reachOf = [&](const TEntry& e) {
        TReach r;
        if (std::isnan(e.Start)) return r;
        const TDateTime end = e.Start + e.Duration;
        r.Start = scheme.Containing(e.Start);
        r.End = scheme.Containing(end);
        if (r.End == r.Start) r.End = -1;
        if (e.Start < end) {
            r.CoverLo = scheme.FirstAfter(e.Start);
            r.CoverHi = scheme.LastUpTo(end);
        }
        return r;
    };
    // Count the entries of each period, then bucket them by period, keeping list order within
    // each. Recomputing the reach costs less than keeping it for a million entries.
    std::vector<std::int64_t> offset(static_cast<std::size_t>(periods) + 1, 0);
    std::int64_t total = 0;
    for (const TEntry& e : entries) {
        const TReach r = reachOf(e);
        if (r.Start >= 0) ++offset[static_cast<std::size_t>(r.Start) + 1], ++total;
        if (r.End >= 0) ++offset[static_cast<std::size_t>(r.End) + 1], ++total;
        if (r.CoverHi >= r.CoverLo) {
            total += r.CoverHi - r.CoverLo + 1;
            if (total > MaxContributions)
                throw std::runtime_error(
                    "The record holds entries that reach over too many periods to show them "
                    "period by period.");
            for (std::int64_t k = r.CoverLo; k <= r.CoverHi; ++k)
                if (k != r.End) ++offset[static_cast<std::size_t>(k) + 1];
        }
    }
    for (std::size_t k = 1; k < offset.size(); ++k)
        offset[k] += offset[k - 1];
    std::vector<std::uint32_t> bucket(static_cast<std::size_t>(offset.back()));
    {
        std::vector<std::int64_t> fill(offset.begin(), offset.end() - 1);
        auto put = [&](std::int64_t k, std::size_t i) {
            bucket[static_cast<std::size_t>(fill[static_cast<std::size_t>(k)]++)] =
                static_cast<std::uint32_t>(i);
        };
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const TReach r = reachOf(entries[i]);
            if (r.Start >= 0) put(r.Start, i);
            if (r.End >= 0) put(r.End, i);
            for (std::int64_t k = r.CoverLo; k <= r.CoverHi; ++k)
                if (k != r.End) put(k, i);
        }
    }

    TTreeBuilder builder(list, tree);
    {
        // Stamps below -1, apart from AddPeriod's (the periods' numbers) and the initial -1.
        std::size_t programs = 0, lines = 0;
        std::size_t nonEmpty = 0;
        for (std::int64_t k = 0; k < periods; ++k) {
            const std::uint32_t* b = bucket.data() + offset[static_cast<std::size_t>(k)];
            const std::uint32_t* e = bucket.data() + offset[static_cast<std::size_t>(k) + 1];
            if (b == e) continue;
            ++nonEmpty;
            builder.CountPeriod(-2 - k, b, e, programs, lines);
        }
        tree.FPeriods.reserve(nonEmpty);
        tree.FPrograms.reserve(programs);
        tree.FLines.reserve(lines);
    }
    const TDateTime lastStart = range->Latest;
    for (std::int64_t k = 0; k < periods; ++k) {
        const auto b = static_cast<std::size_t>(offset[static_cast<std::size_t>(k)]);
        const auto e = static_cast<std::size_t>(offset[static_cast<std::size_t>(k) + 1]);
        if (b == e) continue;
        TPeriodTree::TPeriod node;
        const TDateTime from = scheme.From(k);
        node.Data = DayNumber(from);
        const TDateTime sum =
            builder.AddPeriod(k, bucket.data() + b, bucket.data() + e, from, scheme.To(k), node);
        node.Text = PeriodLabel(mode, from, lastStart) + "  :  " + DurationText(sum);
        tree.FPeriods.push_back(std::move(node));
    }
    return tree;
}

TPeriodTree TTreeBuilder::All(const TActivityList& list, TDateTime now) {
    TPeriodTree tree;
    if (list.Count() == 0) return tree;
    const auto& entries = list.Entries();
    if (entries.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::runtime_error("The record holds too many entries to show them.");
    const std::optional<TStartRange> range = StartRange(entries);
    const TDateTime from = range ? range->Earliest : entries.front().Start;
    const TDateTime to = range ? range->Latest : entries.back().Start;
    std::vector<std::uint32_t> overlapping;
    overlapping.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (Overlaps(entries[i], from, to)) overlapping.push_back(static_cast<std::uint32_t>(i));
    TTreeBuilder builder(list, tree);
    TPeriodTree::TPeriod node;
    const TDateTime total = builder.AddPeriod(
        0, overlapping.data(), overlapping.data() + overlapping.size(), from, to, node);
    node.Text = SafeFormat("%-10s - %-10s Total : %-10s",
                           {DateText(from), DateText(now), DurationText(total)});
    tree.FPeriods.push_back(std::move(node));
    return tree;
}

std::string FoldCase(const std::string& text) {
    return FoldCaseKey(text);
}

std::string ReportLine(TDateTime time, const std::string& caption) {
    return SafeFormat("%-10s: %s", {DurationText(time), caption});
}

std::string ProgramLine(const std::string& process, TDateTime time) {
    return SafeFormat("%-20s: %s", {process, DurationText(time)});
}

std::vector<std::string> ProcessesInPeriod(const TActivityList& list, TDateTime from,
                                           TDateTime to) {
    std::vector<std::string> result;
    std::vector<char> seen;
    TFolder folder;
    const bool trace = TraceEnabled();
    for (const TEntry& e : list.Entries()) {
        // Overlap first: it is cheap, and a day of a record of years rules out nearly all.
        if (!Overlaps(e, from, to)) continue;
        const auto k = static_cast<std::size_t>(folder.Key(e.Process));
        if (k >= seen.size()) seen.resize(k + 1, 0);
        if (seen[k]) continue;
        seen[k] = 1;
        result.push_back(e.Process);
        if (trace)
            DebugTrace(nullptr, "%s, %s, %s",
                       {e.Process.str(), DateText(e.Start), DurationText(e.Duration)});
    }
    return result;
}

TDateTime CaptionTimeInPeriod(const TActivityList& list, const std::string& process,
                              const std::string& caption, TDateTime from, TDateTime to) {
    TFolder programs, captions;
    const int p = programs.KeyOf(process);
    const int c = captions.KeyOf(caption);
    TDateTime sum = 0;
    for (const TEntry& e : list.Entries())
        if (programs.Key(e.Process) == p && captions.Key(e.Caption) == c && Overlaps(e, from, to))
            sum += CountedTime(e, from, to);
    return sum;
}

std::vector<std::string> CaptionsInPeriod(const TActivityList& list, const std::string& process,
                                          TDateTime from, TDateTime to, TDateTime& total) {
    total = 0;
    TFolder programs, captions;
    const int p = programs.KeyOf(process);
    struct TLine {
        int First;
        TDateTime Sum;
    };
    std::unordered_map<int, std::size_t> lineOf;
    std::vector<TLine> lines;
    const auto& entries = list.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TEntry& e = entries[i];
        if (programs.Key(e.Process) != p || !Overlaps(e, from, to)) continue;
        auto [it, added] = lineOf.emplace(captions.Key(e.Caption), lines.size());
        if (added) lines.push_back({static_cast<int>(i), 0});
        lines[it->second].Sum += CountedTime(e, from, to);
    }
    std::vector<std::string> result;
    result.reserve(lines.size());
    for (const TLine& l : lines) {
        result.push_back(ReportLine(l.Sum, list[l.First].Caption));
        total += l.Sum;
    }
    return result;
}

std::string WeekLabel(TDateTime periodStart) {
    char week[16], year[16];
    std::snprintf(week, sizeof week, "%.2d", IsoWeekNumber(periodStart));
    std::snprintf(year, sizeof year, "%.2d", DecodeDateTime(StartOfDay(periodStart)).Year % 100);
    return SafeFormat("Woche %s/%s (%s-%s)",
                      {week, year, FormatDateTime("dd.MM", periodStart),
                       FormatDateTime("dd.MM.yy", EndOfIsoWeek(periodStart))});
}

std::string MonthLabel(TDateTime periodStart, TDateTime lastStart) {
    const TDateTime end = std::min(EndOfMonth(periodStart), lastStart);
    return SafeFormat("Monat %s (%s-%s)",
                      {FormatDateTime("MMM.yy", periodStart), FormatDateTime("dd.MM", periodStart),
                       FormatDateTime("dd.MM.yy", end)});
}

std::string TPeriodTree::ProgramText(std::size_t program) const {
    const TProgram& p = FPrograms[program];
    return ProgramLine(p.Process, p.Time);
}

std::string TPeriodTree::LineText(std::size_t line) const {
    const TLine& l = FLines[line];
    return ReportLine(l.Time, l.Caption);
}

std::size_t TPeriodTree::PeriodOf(std::size_t program) const {
    // The last period whose programs start at or before it (a period has at least one program,
    // bar an empty whole-record node).
    const auto it = std::upper_bound(FPeriods.begin(), FPeriods.end(), program,
                                     [](std::size_t v, const TPeriod& p) { return v < p.First; });
    return static_cast<std::size_t>(it - FPeriods.begin()) - 1;
}

std::size_t TPeriodTree::ProgramOf(std::size_t line) const {
    const auto it = std::upper_bound(FPrograms.begin(), FPrograms.end(), line,
                                     [](std::size_t v, const TProgram& p) { return v < p.First; });
    return static_cast<std::size_t>(it - FPrograms.begin()) - 1;
}

TTree TPeriodTree::Expand() const {
    TTree tree;
    tree.reserve(FPeriods.size());
    for (const TPeriod& period : FPeriods) {
        TTreeNode node{0, period.Text, period.Data, {}};
        node.Children.reserve(period.Count);
        for (std::size_t p = period.First; p < period.First + period.Count; ++p) {
            TTreeNode program{1, ProgramText(p), std::nullopt, {}};
            const TProgram& source = FPrograms[p];
            program.Children.reserve(source.Count);
            for (std::size_t l = source.First; l < source.First + source.Count; ++l)
                program.Children.push_back(TTreeNode{2, LineText(l), std::nullopt, {}});
            node.Children.push_back(std::move(program));
        }
        tree.push_back(std::move(node));
    }
    return tree;
}

bool ValidViewMode(TViewMode mode) {
    switch (mode) {
    case TViewMode::vmDaily:
    case TViewMode::vmWeekly:
    case TViewMode::vmMonthly:
    case TViewMode::vmAll:
        return true;
    }
    return false;
}

std::optional<TPeriodTree> BuildPeriodTree(const TActivityList& list, TViewMode viewMode,
                                           TDateTime now) {
    if (!ValidViewMode(viewMode)) return std::nullopt;
    if (viewMode == TViewMode::vmAll) return TTreeBuilder::All(list, now);
    return TTreeBuilder::Periodic(list, viewMode);
}

} // namespace orvane
