#include "views/summary.h"

#include "views/periods.h"
#include "views/recordedtext.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace orvane {

namespace {

// An entry's time as instants; nullopt for one without a calendar start or a positive length.
struct TSpan {
    TInstant From, To; // clipped to the period
    TInstant Start;    // the entry's own start
};

class TSpans {
public:
    TSpans(const TActivityList& list, TInstant since, TInstant until,
           std::optional<TInstant> runningUntil, std::optional<int> runningIndex = std::nullopt)
        : FSince(since), FUntil(until), FRunningUntil(runningUntil),
          FLast(runningIndex.value_or(list.Count() - 1)) {
        // Stored times are local and the offset from UTC stays within a day: entries that are
        // clearly outside the period are passed over without asking the time zone.
        FSinceLocal = LocalDateTime(since) - 1.5;
        FUntilLocal = LocalDateTime(until) + 1.5;
    }

    std::optional<TSpan> operator()(const TEntry& e, int index) {
        const bool running = FRunningUntil && index == FLast;
        if (!(e.Start < FUntilLocal)) return std::nullopt;
        if (!running && !(e.Start + e.Duration > FSinceLocal)) return std::nullopt;
        const auto start = FInstant(e.Start);
        if (!start) return std::nullopt;
        const double ms = std::round(e.Duration * MSecsPerDay);
        TInstant end = *start + (ms > 0 && ms < 1e15 ? static_cast<TInstant>(ms) : 0);
        if (running) end = std::max(end, *FRunningUntil);
        const TSpan s{std::max(*start, FSince), std::min(end, FUntil), *start};
        if (s.From >= s.To) return std::nullopt;
        return s;
    }

private:
    TInstant FSince, FUntil;
    std::optional<TInstant> FRunningUntil;
    int FLast;
    TDateTime FSinceLocal, FUntilLocal;
    TInstantOf FInstant;
};

// Group numbers of texts compared ignoring case, each text folded once.
class TGroupOf {
public:
    std::uint32_t operator()(const TText& text) {
        const std::size_t n = text.Index();
        if (n < FByIndex.size() && FByIndex[n] != Unknown) return FByIndex[n];
        const auto g =
            FByText.emplace(FoldCase(text.str()), static_cast<std::uint32_t>(FByText.size()))
                .first->second;
        if (n >= FByIndex.size()) FByIndex.resize(n + 1, Unknown);
        FByIndex[n] = g;
        return g;
    }

private:
    static constexpr std::uint32_t Unknown = UINT32_MAX;
    std::vector<std::uint32_t> FByIndex;
    std::unordered_map<std::string, std::uint32_t> FByText;
};

bool Longer(const TSummaryRow& a, const TSummaryRow& b) {
    if (a.Ms != b.Ms) return a.Ms > b.Ms;
    if (a.Key != b.Key) return a.Key < b.Key;
    return a.Program < b.Program;
}

} // namespace

TSummary Summarise(const TActivityList& list, const TSummaryQuery& q) {
    TSummary s;
    s.Since = q.Since;
    s.Until = q.Until;
    if (q.Until <= q.Since) return s;
    TSpans span(list, q.Since, q.Until, q.RunningUntil, q.RunningIndex);
    const auto& entries = list.Entries();
    // Whether an entry's program and title are kept, asked once per pair of texts.
    std::unordered_map<std::uint64_t, bool> keptPairs;
    const auto kept = [&](const TEntry& e) {
        if (!q.Keep) return true;
        const std::uint64_t ids = (std::uint64_t{e.Process.Index()} << 32) | e.Caption.Index();
        auto it = keptPairs.find(ids);
        if (it == keptPairs.end()) it = keptPairs.emplace(ids, q.Keep(e.Process, e.Caption)).first;
        return it->second;
    };

    if (q.By == TSummaryBy::Day) {
        std::vector<TInstant> starts; // of each day, then the period's end
        for (QDate d = QDateTime::fromMSecsSinceEpoch(q.Since).date();; d = d.addDays(1)) {
            const TInstant from = std::max<TInstant>(DayStart(d).toMSecsSinceEpoch(), q.Since);
            if (from >= q.Until) break;
            starts.push_back(from);
            s.Rows.push_back({ToSystemText(d.toString(Qt::ISODate)), {}, d, 0, 0, false});
        }
        starts.push_back(q.Until);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const auto t = span(entries[i], static_cast<int>(i));
            if (!t || !kept(entries[i])) continue;
            ++s.TotalEntries;
            s.TotalMs += t->To - t->From;
            auto k = static_cast<std::size_t>(
                std::upper_bound(starts.begin(), starts.end(), t->From) - starts.begin() - 1);
            for (; k + 1 < starts.size() && starts[k] < t->To; ++k) {
                const TInstant part = std::min(t->To, starts[k + 1]) - std::max(t->From, starts[k]);
                if (part <= 0) continue;
                s.Rows[k].Ms += part;
                ++s.Rows[k].Entries;
            }
        }
        return s;
    }

    TGroupOf programs, captions;
    std::unordered_map<std::uint64_t, std::uint32_t> rowOf; // by group key
    std::unordered_map<std::uint64_t, int> categoryOf;      // by the pair of text numbers
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TEntry& e = entries[i];
        const auto t = span(e, static_cast<int>(i));
        if (!t || !kept(e)) continue;
        std::uint64_t key;
        switch (q.By) {
        case TSummaryBy::Program:
            key = programs(e.Process);
            break;
        case TSummaryBy::Caption:
            key = (std::uint64_t{programs(e.Process)} << 32) | captions(e.Caption);
            break;
        default: {
            const std::uint64_t ids = (std::uint64_t{e.Process.Index()} << 32) | e.Caption.Index();
            auto c = categoryOf.find(ids);
            if (c == categoryOf.end()) {
                int category = q.Category ? q.Category(e.Process, e.Caption) : -1;
                if (category >= static_cast<int>(q.CategoryNames.size())) category = -1;
                c = categoryOf.emplace(ids, category).first;
            }
            key = static_cast<std::uint32_t>(c->second);
            break;
        }
        }
        auto [row, added] = rowOf.emplace(key, static_cast<std::uint32_t>(s.Rows.size()));
        if (added) {
            TSummaryRow r;
            if (q.By == TSummaryBy::Program) {
                r.Key = e.Process.str();
            } else if (q.By == TSummaryBy::Caption) {
                r.Key = e.Caption.str();
                r.Program = e.Process.str();
            } else {
                const int c = static_cast<int>(static_cast<std::uint32_t>(key));
                r.Key = c < 0 ? q.Uncategorised : q.CategoryNames[static_cast<std::size_t>(c)];
            }
            s.Rows.push_back(std::move(r));
        }
        TSummaryRow& r = s.Rows[row->second];
        r.Ms += t->To - t->From;
        ++r.Entries;
        s.TotalMs += t->To - t->From;
        ++s.TotalEntries;
    }
    std::sort(s.Rows.begin(), s.Rows.end(), Longer);
    return s;
}

std::vector<std::vector<std::int64_t>>
StackedTotals(const TActivityList& list, const std::vector<TInstant>& bounds,
              std::optional<TInstant> runningUntil,
              const std::function<int(const std::string&, const std::string&)>& groupOf, int groups,
              std::optional<int> runningIndex) {
    if (bounds.size() < 2 || groups <= 0) return {};
    std::vector<std::vector<std::int64_t>> totals(
        bounds.size() - 1, std::vector<std::int64_t>(static_cast<std::size_t>(groups)));
    TSpans span(list, bounds.front(), bounds.back(), runningUntil, runningIndex);
    std::unordered_map<std::uint64_t, int> groupOfPair;
    const auto& entries = list.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TEntry& e = entries[i];
        const auto t = span(e, static_cast<int>(i));
        if (!t) continue;
        const std::uint64_t ids = (std::uint64_t{e.Process.Index()} << 32) | e.Caption.Index();
        auto g = groupOfPair.find(ids);
        if (g == groupOfPair.end())
            g = groupOfPair.emplace(ids, groupOf(e.Process, e.Caption)).first;
        if (g->second < 0 || g->second >= groups) continue;
        auto k = static_cast<std::size_t>(std::upper_bound(bounds.begin(), bounds.end(), t->From) -
                                          bounds.begin() - 1);
        for (; k + 1 < bounds.size() && bounds[k] < t->To; ++k) {
            const TInstant part = std::min(t->To, bounds[k + 1]) - std::max(t->From, bounds[k]);
            if (part > 0) totals[k][static_cast<std::size_t>(g->second)] += part;
        }
    }
    return totals;
}

void KeepTop(TSummary& s, std::size_t n, const std::string& other) {
    if (s.Rows.size() <= n) return;
    TSummaryRow rest;
    rest.Key = other;
    rest.Other = true;
    for (std::size_t i = n; i < s.Rows.size(); ++i) {
        rest.Ms += s.Rows[i].Ms;
        rest.Entries += s.Rows[i].Entries;
    }
    s.Rows.resize(n);
    s.Rows.push_back(std::move(rest));
}

std::string ProgramFileName(const std::string& program) {
    const std::size_t slash = program.find_last_of("/\\");
    return slash == std::string::npos || slash + 1 == program.size() ? program
                                                                     : program.substr(slash + 1);
}

std::vector<std::string> ShortProgramNames(const std::vector<std::string>& programs) {
    // The folded full paths of each folded file name: one means the file name is unambiguous.
    std::unordered_map<std::string, std::vector<std::string>> paths;
    for (const std::string& p : programs) {
        auto& seen = paths[FoldCase(ProgramFileName(p))];
        const std::string folded = FoldCase(p);
        if (std::find(seen.begin(), seen.end(), folded) == seen.end()) seen.push_back(folded);
    }
    std::vector<std::string> names;
    names.reserve(programs.size());
    for (const std::string& p : programs) {
        const std::string file = ProgramFileName(p);
        names.push_back(paths[FoldCase(file)].size() == 1 ? file : p);
    }
    return names;
}

TActivityList ClipToPeriod(const TActivityList& list, TInstant since, TInstant until,
                           std::optional<TInstant> runningUntil) {
    TActivityList out;
    if (until <= since) return out;
    TSpans span(list, since, until, runningUntil);
    const auto& entries = list.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TEntry& e = entries[i];
        const auto t = span(e, static_cast<int>(i));
        if (!t) continue;
        TEntry c = e;
        // Only a clipped start is moved: an entry wholly inside keeps its stored values.
        if (t->Start < t->From) c.Start = LocalDateTime(t->From);
        c.Duration = static_cast<double>(t->To - t->From) / MSecsPerDay;
        out.AppendLoaded(std::move(c));
    }
    return out;
}

} // namespace orvane
