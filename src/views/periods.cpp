#include "views/periods.h"

#include "recorder/debugtrace.h"
#include "recorder/textformat.h"

#include <QString>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cmath>
#include <stdexcept>
#include <unordered_map>

namespace orvane {

namespace {

bool ValidUtf8(const std::string& s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        std::size_t len;
        if (c < 0x80) len = 1;
        else if ((c & 0xE0) == 0xC0 && c >= 0xC2) len = 2;
        else if ((c & 0xF0) == 0xE0) len = 3;
        else if ((c & 0xF8) == 0xF0 && c <= 0xF4) len = 4;
        else return false;
        if (i + len > n) return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

bool Overlaps(const TEntry& e, TDateTime from, TDateTime to) {
    const TDateTime end = e.Start + e.Duration;
    return (from <= e.Start && e.Start <= to) || (from <= end && end <= to) ||
           (e.Start < from && end >= to);
}

// The time an overlapping entry counts for the period.
TDateTime CountedTime(const TEntry& e, TDateTime from, TDateTime to) {
    if (from <= e.Start && e.Start <= to) return e.Duration;
    const TDateTime end = e.Start + e.Duration;
    if (from <= end && end <= to) return end - from;
    return to - from;
}

// Folded keys of interned texts: each distinct text is folded once per query.
class TFolder {
public:
    int Key(const TText& text) {
        auto it = FById.find(text.id());
        if (it != FById.end()) return it->second;
        const std::string folded = FoldCase(text.str());
        auto k = FByText.emplace(folded, static_cast<int>(FByText.size())).first->second;
        FById.emplace(text.id(), k);
        return k;
    }
    int KeyOf(const std::string& text) {
        const std::string folded = FoldCase(text);
        return FByText.emplace(folded, static_cast<int>(FByText.size())).first->second;
    }
    int Count() const { return static_cast<int>(FByText.size()); }

private:
    std::unordered_map<const std::string*, int> FById;
    std::unordered_map<std::string, int> FByText;
};

// ---- The grouped build -----------------------------------------------------------------------

// Program and (program, caption) keys of every entry.
struct TGroups {
    std::vector<int> Program; // per entry
    std::vector<int> Group;   // per entry
    int ProgramCount = 0;
    int GroupCount = 0;
};

struct TPtrPairHash {
    std::size_t operator()(const std::pair<const void*, const void*>& p) const noexcept {
        const auto a = reinterpret_cast<std::uintptr_t>(p.first);
        const auto b = reinterpret_cast<std::uintptr_t>(p.second);
        return std::hash<std::uintptr_t>()(a * 0x9E3779B97F4A7C15ull ^ (b + (a >> 7)));
    }
};

TGroups GroupEntries(const TActivityList& list) {
    TGroups g;
    const auto& entries = list.Entries();
    g.Program.resize(entries.size());
    g.Group.resize(entries.size());
    TFolder programs, captions;
    std::unordered_map<std::pair<const void*, const void*>, std::pair<int, int>, TPtrPairHash>
        byIds;
    std::unordered_map<std::uint64_t, int> byKeys;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TEntry& e = entries[i];
        const auto ids = std::make_pair<const void*, const void*>(e.Process.id(), e.Caption.id());
        auto it = byIds.find(ids);
        if (it == byIds.end()) {
            const int p = programs.Key(e.Process);
            const int c = captions.Key(e.Caption);
            const std::uint64_t key =
                (static_cast<std::uint64_t>(p) << 32) | static_cast<std::uint32_t>(c);
            const int grp = byKeys.emplace(key, static_cast<int>(byKeys.size())).first->second;
            it = byIds.emplace(ids, std::make_pair(p, grp)).first;
        }
        g.Program[i] = it->second.first;
        g.Group[i] = it->second.second;
    }
    g.ProgramCount = programs.Count();
    g.GroupCount = static_cast<int>(byKeys.size());
    return g;
}

struct TContribution {
    int Entry;
    TDateTime Time;
};

// Builds the program and caption nodes of one period from its contributions (entry order) and
// returns the period total. Scratch arrays are stamped with the period so they need no reset.
class TPeriodBuilder {
public:
    TPeriodBuilder(const TActivityList& list, const TGroups& groups)
        : FList(list), FGroups(groups), FProgStamp(static_cast<std::size_t>(groups.ProgramCount), -1),
          FProgSlot(static_cast<std::size_t>(groups.ProgramCount)),
          FGroupStamp(static_cast<std::size_t>(groups.GroupCount), -1),
          FGroupFirst(static_cast<std::size_t>(groups.GroupCount)),
          FGroupSum(static_cast<std::size_t>(groups.GroupCount)) {}

    TDateTime Build(std::int64_t stamp, const TContribution* begin, const TContribution* end,
                    std::vector<TTreeNode>& out) {
        FSlots.clear();
        for (const TContribution* c = begin; c != end; ++c) {
            const auto i = static_cast<std::size_t>(c->Entry);
            const auto p = static_cast<std::size_t>(FGroups.Program[i]);
            const auto g = static_cast<std::size_t>(FGroups.Group[i]);
            if (FProgStamp[p] != stamp) {
                FProgStamp[p] = stamp;
                FProgSlot[p] = FSlots.size();
                if (FSlots.size() == FSlotStore.size()) FSlotStore.emplace_back();
                FSlotStore[FSlots.size()].First = c->Entry;
                FSlotStore[FSlots.size()].Groups.clear();
                FSlots.push_back(FSlots.size());
            }
            if (FGroupStamp[g] != stamp) {
                FGroupStamp[g] = stamp;
                FGroupFirst[g] = c->Entry;
                FGroupSum[g] = 0;
                FSlotStore[FProgSlot[p]].Groups.push_back(static_cast<int>(g));
            }
            FGroupSum[g] += c->Time;
        }
        TDateTime periodTotal = 0;
        out.reserve(FSlots.size());
        for (std::size_t s : FSlots) {
            const TSlot& slot = FSlotStore[s];
            TTreeNode program;
            program.Level = 1;
            program.Children.reserve(slot.Groups.size());
            TDateTime total = 0;
            for (int g : slot.Groups) {
                const auto gi = static_cast<std::size_t>(g);
                TTreeNode line;
                line.Level = 2;
                line.Text = ReportLine(FGroupSum[gi], FList[FGroupFirst[gi]].Caption);
                program.Children.push_back(std::move(line));
                total += FGroupSum[gi];
            }
            program.Text = ProgramLine(FList[slot.First].Process, total);
            periodTotal += total;
            out.push_back(std::move(program));
        }
        return periodTotal;
    }

private:
    struct TSlot {
        int First = 0;
        std::vector<int> Groups;
    };
    const TActivityList& FList;
    const TGroups& FGroups;
    std::vector<std::int64_t> FProgStamp;
    std::vector<std::size_t> FProgSlot;
    std::vector<std::int64_t> FGroupStamp;
    std::vector<int> FGroupFirst;
    std::vector<TDateTime> FGroupSum;
    std::vector<std::size_t> FSlots;
    std::vector<TSlot> FSlotStore;
};

// The calendar range in which periods can be named.
const TDateTime MinDate = EncodeDate(1, 1, 1);
const TDateTime MaxDate = EndOfDay(EncodeDate(9999, 12, 31));

// Entries that would reach into more periods than this make the record unshowable by period.
constexpr std::int64_t MaxContributions = 64'000'000;

// The periods of one view mode: period 0 starts at the first entry's Start, period k > 0 at the
// start of its day, week or month; the walk ends with the period holding the last Start.
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
        case TViewMode::vmDaily: return static_cast<TDateTime>(FBaseDay + k);
        case TViewMode::vmWeekly: return static_cast<TDateTime>(FBaseDay + 7 * k);
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
        case TViewMode::vmDaily: FCachedToValue = EndOfDay(from); break;
        case TViewMode::vmWeekly: FCachedToValue = EndOfIsoWeek(from); break;
        default: FCachedToValue = EndOfMonth(from); break;
        }
        FCachedTo = k;
        return FCachedToValue;
    }
    // The period by the calendar day of v, for v within the walk's range (From(k) <= v holds,
    // v may still lie after To(k) in the last millisecond of the day).
    std::int64_t IndexOfDay(TDateTime v) const {
        const std::int64_t day = DayNumber(v);
        switch (FMode) {
        case TViewMode::vmDaily: return day - FBaseDay;
        case TViewMode::vmWeekly: return (day - FBaseDay) / 7;
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
    case TViewMode::vmDaily: return DateText(from);
    case TViewMode::vmWeekly: return WeekLabel(from);
    default: return MonthLabel(from, lastStart);
    }
}

TTree FillPeriodic(const TActivityList& list, TViewMode mode) {
    TTree tree;
    if (list.Count() == 0) return tree;
    const auto& entries = list.Entries();
    const TPeriodScheme scheme(mode, entries.front().Start, entries.back().Start);
    const std::int64_t periods = scheme.LastIndex() + 1;
    if (periods <= 0) return tree;

    // Which periods each entry reaches, and what it counts there.
    std::vector<std::int64_t> perPeriod(static_cast<std::size_t>(periods) + 1, 0);
    struct TReach {
        std::int64_t Start = -1, End = -1, CoverLo = 0, CoverHi = -1;
    };
    std::vector<TReach> reach(entries.size());
    std::int64_t total = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TEntry& e = entries[i];
        if (std::isnan(e.Start)) continue;
        const TDateTime end = e.Start + e.Duration;
        TReach& r = reach[i];
        r.Start = scheme.Containing(e.Start);
        r.End = scheme.Containing(end);
        if (r.End == r.Start) r.End = -1;
        if (e.Start < end) {
            r.CoverLo = scheme.FirstAfter(e.Start);
            r.CoverHi = scheme.LastUpTo(end);
        }
        if (r.Start >= 0) ++perPeriod[static_cast<std::size_t>(r.Start)], ++total;
        if (r.End >= 0) ++perPeriod[static_cast<std::size_t>(r.End)], ++total;
        if (r.CoverHi >= r.CoverLo) {
            total += r.CoverHi - r.CoverLo + 1;
            if (total > MaxContributions)
                throw std::runtime_error(
                    "The record holds entries that reach over too many periods to show them "
                    "period by period.");
            for (std::int64_t k = r.CoverLo; k <= r.CoverHi; ++k)
                if (k != r.End) ++perPeriod[static_cast<std::size_t>(k)];
        }
    }
    // Bucket the contributions by period, keeping entry order within each period.
    std::vector<std::int64_t> offset(static_cast<std::size_t>(periods) + 1, 0);
    for (std::int64_t k = 0; k < periods; ++k)
        offset[static_cast<std::size_t>(k) + 1] =
            offset[static_cast<std::size_t>(k)] + perPeriod[static_cast<std::size_t>(k)];
    std::vector<TContribution> contributions(
        static_cast<std::size_t>(offset[static_cast<std::size_t>(periods)]));
    std::vector<std::int64_t> fill(offset.begin(), offset.end() - 1);
    auto put = [&](std::int64_t k, std::size_t i, TDateTime t) {
        contributions[static_cast<std::size_t>(fill[static_cast<std::size_t>(k)]++)] = {
            static_cast<int>(i), t};
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TEntry& e = entries[i];
        const TReach& r = reach[i];
        const TDateTime end = e.Start + e.Duration;
        if (r.Start >= 0) put(r.Start, i, e.Duration);
        if (r.End >= 0) put(r.End, i, end - scheme.From(r.End));
        for (std::int64_t c = r.CoverLo; c <= r.CoverHi; ++c)
            if (c != r.End) put(c, i, scheme.To(c) - scheme.From(c));
    }
    reach.clear();
    reach.shrink_to_fit();

    const TGroups groups = GroupEntries(list);
    TPeriodBuilder builder(list, groups);
    const TDateTime lastStart = entries.back().Start;
    for (std::int64_t k = 0; k < periods; ++k) {
        const auto b = static_cast<std::size_t>(offset[static_cast<std::size_t>(k)]);
        const auto e = static_cast<std::size_t>(offset[static_cast<std::size_t>(k) + 1]);
        if (b == e) continue;
        TTreeNode node;
        node.Level = 0;
        const TDateTime from = scheme.From(k);
        node.Data = DayNumber(from);
        const TDateTime sum =
            builder.Build(k, contributions.data() + b, contributions.data() + e, node.Children);
        node.Text = PeriodLabel(mode, from, lastStart) + "  :  " + DurationText(sum);
        tree.push_back(std::move(node));
    }
    return tree;
}

} // namespace

std::string FoldCase(const std::string& text) {
    bool ascii = true;
    for (unsigned char c : text)
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii || !ValidUtf8(text)) {
        std::string out = text;
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
        .toCaseFolded()
        .toStdString();
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
        const auto k = static_cast<std::size_t>(folder.Key(e.Process));
        if (k >= seen.size()) seen.resize(k + 1, 0);
        if (seen[k] || !Overlaps(e, from, to)) continue;
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

TTree FillTreeDaily(const TActivityList& list) {
    return FillPeriodic(list, TViewMode::vmDaily);
}
TTree FillTreeWeekly(const TActivityList& list) {
    return FillPeriodic(list, TViewMode::vmWeekly);
}
TTree FillTreeMonthly(const TActivityList& list) {
    return FillPeriodic(list, TViewMode::vmMonthly);
}

TTree FillTreeAll(const TActivityList& list, TDateTime now) {
    TTree tree;
    if (list.Count() == 0) return tree;
    const auto& entries = list.Entries();
    const TDateTime from = entries.front().Start, to = entries.back().Start;
    std::vector<TContribution> contributions;
    contributions.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (Overlaps(entries[i], from, to))
            contributions.push_back({static_cast<int>(i), CountedTime(entries[i], from, to)});
    const TGroups groups = GroupEntries(list);
    TPeriodBuilder builder(list, groups);
    TTreeNode node;
    node.Level = 0;
    const TDateTime total = builder.Build(0, contributions.data(),
                                          contributions.data() + contributions.size(),
                                          node.Children);
    node.Text = SafeFormat("%-10s - %-10s Total : %-10s",
                           {DateText(from), DateText(now), DurationText(total)});
    tree.push_back(std::move(node));
    return tree;
}

std::optional<TTree> FillTree(const TActivityList& list, TViewMode viewMode, TDateTime now) {
    switch (viewMode) {
    case TViewMode::vmDaily: return FillTreeDaily(list);
    case TViewMode::vmWeekly: return FillTreeWeekly(list);
    case TViewMode::vmMonthly: return FillTreeMonthly(list);
    case TViewMode::vmAll: return FillTreeAll(list, now);
    default: return std::nullopt;
    }
}

} // namespace orvane
