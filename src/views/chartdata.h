// What the timeline chart and the list window show for a tree node: the node's period, the
// program it names, and the entries drawn as bars. No widgets here.
#pragma once

#include "recorder/activitylist.h"
#include "views/periods.h"
#include "views/rules.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// The period and text that a click on a tree node asks for. From = 0 means the whole record.
struct TPeriodSelection {
    TDateTime From = 0;
    TDateTime To = 0;
    std::string Text;
};

// For the selected node (nullptr: none) and its parent (nullptr for a top-level node): a node
// with a day number, or a top-level one, asks for its period's overview; any other node for its
// parent's period with its own text. In the whole-record mode every node asks for the whole
// record (a program node for that program's detail, as in the other modes); in an unknown mode
// every node asks for the overview of the whole record.
std::optional<TPeriodSelection> SelectedPeriod(const TTreeNode* node, const TTreeNode* parent,
                                               TViewMode viewMode);

// The program a node text names: for a text with ".exe" followed by blanks and a colon, the text
// up to that ".exe"; otherwise the text before its last ": ", trimmed. Empty when it names none.
std::string ProgramOfNodeText(const std::string& text);

// The label of a program's bar: its file-name part, after the last '/', '\\' or ':'.
std::string ProgramLabel(const std::string& process);
// The label of a caption's bar: its last 51 characters (UTF-8 characters, not bytes).
std::string CaptionLabel(const std::string& caption);

constexpr int ChartRowCount = 18;
// Bar colours by row, as 0xRRGGBB.
extern const std::array<std::uint32_t, ChartRowCount> ChartColors;

// A whole record makes a million bars: a bar holds what it shows and no more (24 bytes). Its
// caption is a copy of the entry's (a shared text), so that the tooltip does not depend on the
// list changing later.
constexpr int MaxChartLabels = 1 << 25;
struct TChartBar {
    TDateTime Start = 0;
    TDateTime End = 0;
    TText Caption;
    int Label : 26; // index into TChartData::Labels and LabelTexts
    int Row : 6;    // 0..17
};

struct TChartData {
    bool Detail = false;         // the program detail (rows are captions) or the overview
    std::string Program;         // the program of the detail
    std::vector<TChartBar> Bars; // in list order
    std::vector<std::string> Labels;
    // What each label was made from (the program in the overview, the caption in the detail),
    // and its row.
    std::vector<TText> LabelTexts;
    std::vector<int> LabelRows;
    // The name of each row in use (the first program or caption put there; row 17 may be shared).
    std::vector<std::string> RowNames;
    // A colour (0xRRGGBB) per row where it differs from ChartColors: empty for none.
    std::vector<std::uint32_t> RowColours;
    TDateTime MinTime = 0, MaxTime = 0; // span of all bars (both 0 when there are none)

    // The program of a bar as its entry spells it.
    const std::string& ProcessOf(const TChartBar& bar) const {
        return Detail ? Program : LabelTexts[static_cast<std::size_t>(bar.Label)].str();
    }
};

// The entries drawn for a node text and a period, in list order: those longer than 10 whole
// seconds that start within From..To (any start when From is 0); in the overview those with a
// program name, in the program detail those of exactly the named program's spelling.
std::vector<int> ChartEntryIndexes(const TActivityList& list, const std::string& text,
                                   TDateTime from, TDateTime to);
// The same entries as bars with rows, colours and labels.
TChartData ChartBars(const TActivityList& list, const std::string& text, TDateTime from,
                     TDateTime to);
// The same into data (all of it replaced), whose vectors keep their room: the window makes the
// bars of a whole record again at every activation, and fresh memory for a million bars costs
// more than making them.
void ChartBars(const TActivityList& list, const std::string& text, TDateTime from, TDateTime to,
               TChartData& data);
// With categories defined, each program row of the overview takes the colour of the category
// that holds most of its time there (CategoryColour); the program detail keeps its colours.
void ColourRowsByCategory(TChartData& data, TRuleSet& rules);

} // namespace orvane
