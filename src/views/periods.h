// Period queries and the period tree, without widgets: the tree window, the text export and
// orvane-report all read the same nodes.
//
// A period is From..To, both included. An entry overlaps it when it starts inside, ends inside
// or covers it whole; it counts its whole Duration for the period it starts in, end - From for a
// later period it ends in and To - From for each period it covers. Program and caption names are
// compared ignoring letter case.
#pragma once

#include "recorder/activitylist.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// The periods of the tree: one node per day, week or month, or one for the whole record. The
// values are those of the settings file; there is no 3, yet a hand-edited file may hold any byte
// (a mode without a tree).
enum class TViewMode : std::uint8_t { vmDaily = 0, vmWeekly = 1, vmMonthly = 2, vmAll = 4 };
// Whether a mode has a tree; a stored mode may name none.
bool ValidViewMode(TViewMode mode);

// ---- Queries -------------------------------------------------------------------------------

// Programs that overlap the period, once each (ignoring case), in the order and spelling of
// their first overlapping entry.
std::vector<std::string> ProcessesInPeriod(const TActivityList& list, TDateTime from, TDateTime to);
// Time the program spent with the caption in the period, a fraction of a day.
TDateTime CaptionTimeInPeriod(const TActivityList& list, const std::string& process,
                              const std::string& caption, TDateTime from, TDateTime to);
// One report line ("%-10s: %s" over the duration text and the caption) per caption of the
// program in the period, in the order of their first overlapping entry; total receives the
// program's time in the period.
std::vector<std::string> CaptionsInPeriod(const TActivityList& list, const std::string& process,
                                          TDateTime from, TDateTime to, TDateTime& total);

// The report line of a caption with its time.
std::string ReportLine(TDateTime time, const std::string& caption);
// The text of a program node.
std::string ProgramLine(const std::string& process, TDateTime time);

// The key under which names are compared ignoring letter case (FoldCaseKey of
// views/recordedtext.h).
std::string FoldCase(const std::string& text);

// ---- Tree ----------------------------------------------------------------------------------

struct TTreeNode {
    int Level = 0;
    std::string Text;
    std::optional<int> Data; // the day number of a period node's start; none for the others
    std::vector<TTreeNode> Children;
};

// Top-level nodes, oldest period first.
using TTree = std::vector<TTreeNode>;

// The tree as the window and the text export keep it. Period nodes carry their texts; program
// and caption nodes carry what their texts show (a name and a time) and make the texts when
// asked. A record of years has about a million caption nodes: as texts, each in a node of its
// own, they took ten times the memory. Nodes are numbered depth first within each level, so the
// children of a node are one run of the next level.
class TPeriodTree {
public:
    struct TPeriod {
        std::string Text;
        std::optional<int> Data; // the day number of the period's start; none for the whole record
        std::uint32_t First = 0; // its programs: Programs()[First, First + Count)
        std::uint32_t Count = 0;
    };
    struct TProgram {
        TText Process; // spelled as in its first entry of the period
        TDateTime Time = 0;
        std::uint32_t First = 0; // its caption lines: Lines()[First, First + Count)
        std::uint32_t Count = 0;
    };
    struct TLine {
        TText Caption; // spelled as in its first entry of the period
        TDateTime Time = 0;
    };

    const std::vector<TPeriod>& Periods() const { return FPeriods; }
    const std::vector<TProgram>& Programs() const { return FPrograms; }
    const std::vector<TLine>& Lines() const { return FLines; }
    bool Empty() const { return FPeriods.empty(); }

    // The texts of the nodes: "%-20s: %s" for a program, the report line for a caption.
    std::string ProgramText(std::size_t program) const;
    std::string LineText(std::size_t line) const;
    // The period of a program and the program of a caption line.
    std::size_t PeriodOf(std::size_t program) const;
    std::size_t ProgramOf(std::size_t line) const;

    // Every node with its text.
    TTree Expand() const;

private:
    friend class TTreeBuilder;
    std::vector<TPeriod> FPeriods;
    std::vector<TProgram> FPrograms;
    std::vector<TLine> FLines;
};

// Period nodes read "<label>  :  <total>", program nodes "%-20s: %s", caption nodes the report
// lines. Periods without activity get no node; the first period starts at the earliest entry's
// Start (entries need not be in date order), every later one at the start of its day, ISO week
// or month. The view mode vmAll gives one node "%-10s - %-10s Total : %-10s" (earliest entry's
// date, today's date, total) over the programs from the earliest entry's Start to the latest. No
// time counted is negative: an entry closed before its start holds none. Throws
// std::runtime_error for a record whose entries span more periods than can be shown; nullopt for
// a mode that has no tree (the tree is left as it is).
std::optional<TPeriodTree> BuildPeriodTree(const TActivityList& list, TViewMode viewMode,
                                           TDateTime now = Now());

// Period labels.
std::string WeekLabel(TDateTime periodStart);
std::string MonthLabel(TDateTime periodStart, TDateTime lastStart);

} // namespace orvane
