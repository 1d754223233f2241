#include "views/chartdata.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <unordered_map>

namespace orvane {

static_assert(sizeof(TChartBar) <= 24, "a whole record makes a million bars");

const std::array<std::uint32_t, ChartRowCount> ChartColors = {
    0x00FFFF, 0xFF0000, 0xFFFF00, 0x800080, 0xFF00FF, 0x008000, 0x00FF00, 0x0000FF, 0x808080,
    0x808080, 0x000000, 0xFFFFFF, 0xC0C0C0, 0x800000, 0x000080, 0x808000, 0xC0C0C0, 0x008080};

std::optional<TPeriodSelection> SelectedPeriod(const TTreeNode* node, const TTreeNode* parent,
                                               TViewMode viewMode) {
    if (!node) return std::nullopt;
    TPeriodSelection s;
    if (node->Data || !parent) {
        s.From = node->Data ? static_cast<TDateTime>(*node->Data) : 0.0;
    } else {
        s.From = parent->Data ? static_cast<TDateTime>(*parent->Data) : 0.0;
        s.Text = node->Text;
    }
    switch (viewMode) {
    case TViewMode::vmDaily:
        s.To = EndOfDay(s.From);
        break;
    case TViewMode::vmWeekly:
        s.To = EndOfIsoWeek(s.From);
        break;
    case TViewMode::vmMonthly:
        s.To = EndOfMonth(s.From);
        break;
    case TViewMode::vmAll: // the whole record; a program node still shows that program
        s.From = s.To = 0;
        break;
    default:
        s = TPeriodSelection{};
        break;
    }
    return s;
}

std::string ProgramOfNodeText(const std::string& text) {
    // ".exe", any blanks, then a colon: the last such place.
    for (std::size_t pos = text.rfind(".exe"); pos != std::string::npos;
         pos = pos == 0 ? std::string::npos : text.rfind(".exe", pos - 1)) {
        std::size_t k = pos + 4;
        while (k < text.size() && text[k] == ' ')
            ++k;
        if (k < text.size() && text[k] == ':') return Trim(text.substr(0, pos) + ".exe");
    }
    const std::size_t column = text.rfind(": ");
    if (column == std::string::npos) return {};
    return Trim(text.substr(0, column));
}

std::string ProgramLabel(const std::string& process) {
    const std::size_t cut = process.find_last_of("/\\:");
    return cut == std::string::npos ? process : process.substr(cut + 1);
}

std::string CaptionLabel(const std::string& caption) {
    constexpr std::size_t keep = 51;
    if (caption.size() <= keep) return caption;
    // Walk back over 51 characters, counting UTF-8 continuation bytes with their lead byte.
    std::size_t pos = caption.size();
    std::size_t chars = 0;
    while (pos > 0 && chars < keep) {
        --pos;
        const auto c = static_cast<unsigned char>(caption[pos]);
        if ((c & 0xC0) != 0x80) ++chars;
    }
    return caption.substr(pos);
}

namespace {

bool Qualifies(const TEntry& e, TDateTime from, TDateTime to) {
    if (!(e.Duration * SecsPerDay >= 11.0)) return false; // more than 10 whole seconds
    if (!std::isfinite(e.Start) || !std::isfinite(e.Start + e.Duration)) return false;
    return from == 0 || (from <= e.Start && e.Start <= to);
}

// The program the text names when it was active in the period; empty for the overview.
std::string DetailProgram(const TActivityList& list, const std::string& text, TDateTime from,
                          TDateTime to) {
    const std::string name = ProgramOfNodeText(text);
    if (name.empty()) return {};
    if (from == 0 && to == 0) from = -HUGE_VAL, to = HUGE_VAL; // the whole record
    const std::string key = FoldCase(name);
    for (const std::string& p : ProcessesInPeriod(list, from, to))
        if (FoldCase(p) == key) return name;
    return {};
}

template <class F>
void ForEachDrawn(const TActivityList& list, const std::string& program, TDateTime from,
                  TDateTime to, F&& f) {
    const auto& entries = list.Entries();
    if (program.empty()) {
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (!entries[i].Process.empty() && Qualifies(entries[i], from, to))
                f(static_cast<int>(i));
    } else {
        const TText name(program);
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i].Process == name && Qualifies(entries[i], from, to))
                f(static_cast<int>(i));
    }
}

} // namespace

std::vector<int> ChartEntryIndexes(const TActivityList& list, const std::string& text,
                                   TDateTime from, TDateTime to) {
    std::vector<int> out;
    if (list.Count() == 0) return out;
    ForEachDrawn(list, DetailProgram(list, text, from, to), from, to,
                 [&](int i) { out.push_back(i); });
    return out;
}

TChartData ChartBars(const TActivityList& list, const std::string& text, TDateTime from,
                     TDateTime to) {
    TChartData data;
    ChartBars(list, text, from, to, data);
    return data;
}

void ChartBars(const TActivityList& list, const std::string& text, TDateTime from, TDateTime to,
               TChartData& data) {
    data.Detail = false;
    data.Program.clear();
    data.Bars.clear();
    data.Labels.clear();
    data.LabelTexts.clear();
    data.LabelRows.clear();
    data.RowNames.clear();
    data.MinTime = data.MaxTime = 0;
    if (list.Count() == 0) return;
    data.Program = DetailProgram(list, text, from, to);
    data.Detail = !data.Program.empty();

    std::vector<int> labelOf;                      // by the text's number; -1 where not met
    std::unordered_map<std::string, int> rowOfKey; // by the folded text
    int rowsMet = 0;
    data.MinTime = HUGE_VAL;
    data.MaxTime = -HUGE_VAL;
    // The entries first (4 bytes each), then the bars at their final size: growing the bars
    // would hold them twice for a moment.
    std::vector<int> drawn;
    ForEachDrawn(list, data.Program, from, to, [&](int i) { drawn.push_back(i); });
    data.Bars.reserve(drawn.size());
    for (const int i : drawn) {
        const TEntry& e = list[i];
        const TText& name = data.Detail ? e.Caption : e.Process;
        const std::size_t n = name.Index();
        if (n >= labelOf.size()) labelOf.resize(n + 1, -1);
        int& label = labelOf[n];
        if (label < 0) {
            auto [r, added] = rowOfKey.emplace(FoldCase(name), rowsMet);
            if (added) {
                ++rowsMet;
                if (data.RowNames.size() < ChartRowCount) data.RowNames.push_back(name);
            }
            if (data.Labels.size() >= MaxChartLabels)
                throw std::length_error("Too many different names to draw.");
            label = static_cast<int>(data.Labels.size());
            data.Labels.push_back(data.Detail ? CaptionLabel(name) : ProgramLabel(name));
            data.LabelTexts.push_back(name);
            data.LabelRows.push_back(std::min(r->second, ChartRowCount - 1));
        }
        const TDateTime end = e.Start + e.Duration;
        TChartBar bar{e.Start, end, e.Caption, 0, 0};
        bar.Label = label;
        bar.Row = data.LabelRows[static_cast<std::size_t>(label)];
        data.Bars.push_back(bar);
        data.MinTime = std::min(data.MinTime, e.Start);
        data.MaxTime = std::max(data.MaxTime, end);
    }
    if (data.Bars.empty()) data.MinTime = data.MaxTime = 0;
}

void ColourRowsByCategory(TChartData& data, TRuleSet& rules) {
    data.RowColours.clear();
    if (data.Detail || rules.Empty() || data.Bars.empty()) return;
    const int none = static_cast<int>(rules.Rules().size());
    // The rules run once per program and title, not once per bar: a whole record has a million
    // bars and a few thousand titles.
    std::unordered_map<std::uint64_t, int> known;
    std::vector<std::vector<double>> time(data.RowNames.size(),
                                          std::vector<double>(static_cast<std::size_t>(none) + 1));
    for (const TChartBar& bar : data.Bars) {
        if (bar.Row < 0 || bar.Row >= static_cast<int>(time.size())) continue;
        const std::uint64_t key = static_cast<std::uint64_t>(bar.Label) << 32 | bar.Caption.Index();
        auto [it, fresh] = known.try_emplace(key, none);
        if (fresh) {
            const int c = rules.Find(data.ProcessOf(bar), bar.Caption.str());
            it->second = c < 0 ? none : c;
        }
        time[static_cast<std::size_t>(bar.Row)][static_cast<std::size_t>(it->second)] +=
            bar.End - bar.Start;
    }
    data.RowColours.resize(time.size());
    for (std::size_t r = 0; r < time.size(); ++r) {
        const auto most = std::max_element(time[r].begin(), time[r].end());
        data.RowColours[r] = CategoryColour(static_cast<int>(most - time[r].begin()));
    }
}

} // namespace orvane
