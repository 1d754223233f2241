#include "testutil.h"

#include "views/chartdata.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace testutil;
using enum TViewMode;

TEST(Selection, SelectedPeriodByNodeParentAndMode) {
    const int day = DayNumber(At(2024, 1, 17));
    const TTreeNode period{0, "17.01.2024  :  01:00:00", day, {}};
    const TTreeNode program{1, "/bin/a              : 01:00:00", std::nullopt, {}};
    const TTreeNode line{2, "01:00:00  : Doc", std::nullopt, {}};
    const TTreeNode whole{0, "whole", std::nullopt, {}};
    struct Case {
        const TTreeNode* node;
        const TTreeNode* parent;
        TViewMode mode;
        TDateTime from, to;
        std::string text;
    } cases[] = {
        {&period, nullptr, vmDaily, TDateTime(day), EndOfDay(day), ""},
        {&program, &period, vmDaily, TDateTime(day), EndOfDay(day), program.Text},
        {&program, &period, vmWeekly, TDateTime(day), EndOfIsoWeek(day), program.Text},
        {&program, &period, vmMonthly, TDateTime(day), EndOfMonth(day), program.Text},
        {&line, &program, vmDaily, 0, EndOfDay(0), line.Text},
        {&whole, nullptr, vmAll, 0, 0, ""},
        {&program, &whole, vmAll, 0, 0, program.Text},
        {&program, &period, static_cast<TViewMode>(3), 0, 0, ""},
    };
    for (const Case& c : cases) {
        const auto s = SelectedPeriod(c.node, c.parent, c.mode);
        ASSERT_TRUE(s.has_value());
        EXPECT_EQ(s->From, c.from) << c.node->Text << " mode " << int(c.mode);
        EXPECT_EQ(s->To, c.to) << c.node->Text << " mode " << int(c.mode);
        EXPECT_EQ(s->Text, c.text) << c.node->Text << " mode " << int(c.mode);
    }
    EXPECT_FALSE(SelectedPeriod(nullptr, nullptr, vmDaily).has_value());
}

TEST(Selection, ProgramNamedByNodeText) {
    const std::pair<std::string, std::string> cases[] = {
        {"/usr/bin/vim        : 01:02:03", "/usr/bin/vim"},
        {"/bin/a: b           : 100:00:00", "/bin/a: b"},
        {"C:\\Windows\\notepad.exe   : 00:01:00", "C:\\Windows\\notepad.exe"},
        {"C:\\very\\long\\path\\to\\prog.exe: 00:01:00", "C:\\very\\long\\path\\to\\prog.exe"},
        {"17.01.2024  :  01:00:00", "17.01.2024"},
        {"", ""},
        {"no column", ""},
    };
    for (const auto& [text, name] : cases)
        EXPECT_EQ(ProgramOfNodeText(text), name) << text;
}

TEST(Selection, Labels) {
    EXPECT_EQ(ProgramLabel("/usr/bin/vim"), "vim");
    EXPECT_EQ(ProgramLabel("C:\\Apps\\mail.exe"), "mail.exe");
    EXPECT_EQ(ProgramLabel("D:app.exe"), "app.exe");
    EXPECT_EQ(ProgramLabel("bare"), "bare");
    const std::string caption80 = std::string(29, 'a') + std::string(51, 'b');
    EXPECT_EQ(CaptionLabel(caption80), std::string(51, 'b'));
    EXPECT_EQ(CaptionLabel("short"), "short");
    std::string umlauts;
    for (int i = 0; i < 60; ++i)
        umlauts += "ä";
    std::string last51;
    for (int i = 0; i < 51; ++i)
        last51 += "ä";
    EXPECT_EQ(CaptionLabel(umlauts), last51) << "never cut inside a character";
}

TEST(Chart, EntriesDrawnByDurationPeriodAndForm) {
    const TDateTime d = At(2024, 1, 17);
    TActivityList list;
    Add(list, "/bin/a", "Late", d - 1 * Hour, 3 * Hour); // 0: starts the evening before
    Add(list, "/bin/a", "Doc", d, 20 * Sec);             // 1: starts exactly at midnight
    Add(list, "/bin/a", "Doc", d + Hour, 10.9 * Sec);    // 2: 10 whole seconds: no bar
    Add(list, "/bin/A", "doc", d + 2 * Hour, Hour);      // 3: other spelling
    Add(list, "/bin/b", "Mail", d + 3 * Hour, Hour);     // 4
    Add(list, "/bin/b", "Mail", d + 4 * Hour, 0);        // 5: running
    const TDateTime to = EndOfDay(d);
    EXPECT_EQ(ChartEntryIndexes(list, "", d, to), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(ChartEntryIndexes(list, "", 0, 0), (std::vector<int>{0, 1, 3, 4}));
    // Program detail: padded node text, only the spelling it names.
    const std::string node = ProgramLine("/bin/a", Hour);
    EXPECT_EQ(ChartEntryIndexes(list, node, d, to), (std::vector<int>{1}));
    const TChartData detail = ChartBars(list, node, d, to);
    EXPECT_TRUE(detail.Detail);
    EXPECT_EQ(detail.Program, "/bin/a");
    // A program that was not active in the period gives the overview.
    EXPECT_FALSE(ChartBars(list, ProgramLine("/bin/zzz", Hour), d, to).Detail);
    EXPECT_FALSE(ChartBars(list, node, d + 10, d + 11).Detail);
    // The whole record (the all view): the program's detail over all of it.
    EXPECT_EQ(ChartEntryIndexes(list, node, 0, 0), (std::vector<int>{0, 1}));
    EXPECT_EQ(ChartBars(list, node, 0, 0).Program, "/bin/a");
    EXPECT_FALSE(ChartBars(list, ProgramLine("/bin/zzz", Hour), 0, 0).Detail);
    // Empty record: no bars.
    TActivityList empty;
    EXPECT_TRUE(ChartBars(empty, "", 0, 0).Bars.empty());
}

TEST(Chart, RowsColoursAndLabels) {
    TActivityList list;
    const TDateTime d = At(2024, 1, 17);
    for (int p = 0; p < 20; ++p)
        Add(list, "/opt/prog" + std::to_string(p) + "/bin/tool" + std::to_string(p), "c",
            d + p * Hour, 30 * Min);
    Add(list, "/OPT/PROG1/BIN/TOOL1", "c", d + 21 * Hour, 30 * Min);
    const TChartData data = ChartBars(list, "", 0, 0);
    ASSERT_EQ(data.Bars.size(), 21u);
    EXPECT_FALSE(data.Detail);
    for (int p = 0; p < 20; ++p) {
        const TChartBar& bar = data.Bars[static_cast<std::size_t>(p)];
        EXPECT_EQ(bar.Row, std::min(p, 17));
        EXPECT_EQ(data.Labels[static_cast<std::size_t>(bar.Label)], "tool" + std::to_string(p));
    }
    EXPECT_EQ(data.Bars[20].Row, 1) << "letter case does not make a new row";
    EXPECT_EQ(data.Labels[static_cast<std::size_t>(data.Bars[20].Label)], "TOOL1");
    EXPECT_EQ(ChartColors[17], 0x008080u);
    EXPECT_EQ(ChartColors[0], 0x00FFFFu);
    EXPECT_EQ(data.RowNames.size(), 18u);
    EXPECT_DOUBLE_EQ(data.MinTime, d);
    EXPECT_DOUBLE_EQ(data.MaxTime, d + 21 * Hour + 30 * Min);

    // Detail rows are captions, labelled by their last 51 characters.
    TActivityList one;
    const std::string longCaption = std::string(30, 'x') + std::string(50, 'y');
    Add(one, "/bin/a", longCaption, d, Hour);
    Add(one, "/bin/a", "Other", d + Hour, Hour);
    Add(one, "/bin/a", "OTHER", d + 2 * Hour, Hour);
    const TChartData detail = ChartBars(one, ProgramLine("/bin/a", Hour), d, EndOfDay(d));
    ASSERT_EQ(detail.Bars.size(), 3u);
    EXPECT_EQ(detail.Labels[static_cast<std::size_t>(detail.Bars[0].Label)],
              "x" + std::string(50, 'y'));
    EXPECT_EQ(detail.Bars[1].Row, 1);
    EXPECT_EQ(detail.Bars[2].Row, 1);

    // Made again into the data of another chart: nothing of that one is left.
    TChartData reused = ChartBars(list, "", 0, 0);
    ChartBars(one, ProgramLine("/bin/a", Hour), d, EndOfDay(d), reused);
    EXPECT_TRUE(reused.Detail);
    EXPECT_EQ(reused.Program, detail.Program);
    EXPECT_EQ(reused.Labels, detail.Labels);
    EXPECT_EQ(reused.RowNames, detail.RowNames);
    EXPECT_EQ(reused.LabelRows, detail.LabelRows);
    ASSERT_EQ(reused.Bars.size(), detail.Bars.size());
    for (std::size_t i = 0; i < reused.Bars.size(); ++i) {
        EXPECT_EQ(reused.Bars[i].Label, detail.Bars[i].Label);
        EXPECT_EQ(reused.Bars[i].Row, detail.Bars[i].Row);
        EXPECT_EQ(reused.Bars[i].Caption, detail.Bars[i].Caption);
        EXPECT_EQ(reused.ProcessOf(reused.Bars[i]), "/bin/a");
    }
    EXPECT_DOUBLE_EQ(reused.MinTime, detail.MinTime);
    ChartBars(TActivityList(), "", 0, 0, reused);
    EXPECT_TRUE(reused.Bars.empty() && reused.Labels.empty() && reused.RowNames.empty());
    EXPECT_FALSE(reused.Detail);
}

TEST(Chart, ProgramRowsTakeTheColourOfTheirCategory) {
    TActivityList list;
    const TDateTime d = At(2024, 1, 17);
    Add(list, "/usr/bin/editor", "main.cpp", d, Hour);
    Add(list, "/usr/bin/browser", "Wiki", d + Hour, 10 * Min);
    Add(list, "/usr/bin/browser", "Mail - Browser", d + 2 * Hour, 40 * Min); // most: Mail
    Add(list, "/usr/bin/game", "Cards", d + 3 * Hour, Hour);
    TRuleSet rules({{"Code", {"*editor"}, 1}, {"Mail", {"title:mail*"}, 2}});
    TChartData data = ChartBars(list, "", 0, 0);
    ColourRowsByCategory(data, rules);
    ASSERT_EQ(data.RowColours.size(), 3u);
    EXPECT_EQ(data.RowColours[0], CategoryColour(0));
    EXPECT_EQ(data.RowColours[1], CategoryColour(1)) << "the category with most of the row's time";
    EXPECT_EQ(data.RowColours[2], CategoryColour(2)) << "no category: the colour after the last";

    // Without categories, and in a program's detail, the rows keep their own colours.
    TRuleSet none;
    ColourRowsByCategory(data, none);
    EXPECT_TRUE(data.RowColours.empty());
    TChartData detail = ChartBars(list, ProgramLine("/usr/bin/browser", Hour), d, EndOfDay(d));
    ColourRowsByCategory(detail, rules);
    EXPECT_TRUE(detail.RowColours.empty());
}

TEST(Chart, EveryCategoryColourShowsOnWhite) {
    for (int i = 0; i < 40; ++i) {
        const std::uint32_t c = CategoryColour(i);
        const double luma = 0.299 * (c >> 16) + 0.587 * ((c >> 8) & 0xFF) + 0.114 * (c & 0xFF);
        EXPECT_LT(luma, 190) << "category " << i << std::hex << " colour " << c;
        if (i > 0) {
            EXPECT_NE(c, CategoryColour(i - 1)) << i;
        }
    }
}
