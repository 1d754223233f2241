// The period queries and tree fills done the plain way: every period rescans the whole record
// for every program and caption. Slow, obviously right; the fast build must agree with it.
#pragma once

#include "views/periods.h"

#include "recorder/textformat.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace reference {

using namespace orvane;

inline bool Same(const std::string& a, const std::string& b) {
    return FoldCase(a) == FoldCase(b);
}

inline bool Overlaps(const TEntry& e, TDateTime from, TDateTime to) {
    const TDateTime end = e.Start + e.Duration;
    return (from <= e.Start && e.Start <= to) || (from <= end && end <= to) ||
           (e.Start < from && end >= to);
}

inline std::vector<std::string> Processes(const TActivityList& list, TDateTime from, TDateTime to) {
    std::vector<std::string> result;
    for (const TEntry& e : list.Entries()) {
        bool known = false;
        for (const std::string& p : result)
            known = known || Same(p, e.Process);
        if (!known && Overlaps(e, from, to)) result.push_back(e.Process);
    }
    return result;
}

inline TDateTime CaptionTime(const TActivityList& list, const std::string& process,
                             const std::string& caption, TDateTime from, TDateTime to) {
    TDateTime sum = 0;
    for (const TEntry& e : list.Entries()) {
        if (!Same(e.Process, process) || !Same(e.Caption, caption) || !Overlaps(e, from, to))
            continue;
        const TDateTime end = e.Start + e.Duration;
        TDateTime t = to - from;
        if (from <= e.Start && e.Start <= to)
            t = e.Duration;
        else if (from <= end && end <= to)
            t = end - from;
        sum += std::max(t, 0.0); // an entry closed before its start holds no time
    }
    return sum;
}

inline std::vector<std::string> Captions(const TActivityList& list, const std::string& process,
                                         TDateTime from, TDateTime to, TDateTime& total) {
    total = 0;
    std::vector<std::string> lines, captions;
    for (const TEntry& e : list.Entries()) {
        if (!Same(e.Process, process)) continue;
        bool known = false;
        for (const std::string& c : captions)
            known = known || Same(c, e.Caption);
        if (known || !Overlaps(e, from, to)) continue;
        const TDateTime t = CaptionTime(list, process, e.Caption, from, to);
        captions.push_back(e.Caption);
        lines.push_back(ReportLine(t, e.Caption));
        total += t;
    }
    return lines;
}

inline TDateTime FillPrograms(const TActivityList& list, TDateTime from, TDateTime to,
                              TTreeNode& node) {
    TDateTime total = 0;
    for (const std::string& p : Processes(list, from, to)) {
        TTreeNode program;
        program.Level = 1;
        TDateTime t = 0;
        for (const std::string& line : Captions(list, p, from, to, t))
            program.Children.push_back(TTreeNode{2, line, std::nullopt, {}});
        program.Text = ProgramLine(p, t);
        total += t;
        node.Children.push_back(std::move(program));
    }
    return total;
}

// The earliest and latest Start: entries need not be in date order.
inline std::pair<TDateTime, TDateTime> StartRange(const TActivityList& list) {
    TDateTime first = list[0].Start, last = first;
    for (const TEntry& e : list.Entries())
        first = std::min(first, e.Start), last = std::max(last, e.Start);
    return {first, last};
}

inline TTree Fill(const TActivityList& list, TViewMode mode) {
    TTree tree;
    if (list.Count() == 0) return tree;
    const auto [first, last] = StartRange(list);
    for (TDateTime d = first; d <= last;) {
        TDateTime to, next;
        std::string label;
        if (mode == TViewMode::vmDaily) {
            to = EndOfDay(d), next = StartOfDay(d) + 1, label = DateText(d);
        } else if (mode == TViewMode::vmWeekly) {
            to = EndOfIsoWeek(d), next = StartOfNextIsoWeek(d), label = WeekLabel(d);
        } else {
            to = EndOfMonth(d), next = StartOfNextMonth(d), label = MonthLabel(d, last);
        }
        if (!Processes(list, d, to).empty()) {
            TTreeNode node;
            node.Data = DayNumber(d);
            const TDateTime total = FillPrograms(list, d, to, node);
            node.Text = label + "  :  " + DurationText(total);
            tree.push_back(std::move(node));
        }
        d = next;
    }
    return tree;
}

inline TTree FillAll(const TActivityList& list, TDateTime now) {
    TTree tree;
    if (list.Count() == 0) return tree;
    TTreeNode node;
    const auto [from, to] = StartRange(list);
    const TDateTime total = FillPrograms(list, from, to, node);
    node.Text = SafeFormat("%-10s - %-10s Total : %-10s",
                           {DateText(from), DateText(now), DurationText(total)});
    tree.push_back(std::move(node));
    return tree;
}

} // namespace reference
