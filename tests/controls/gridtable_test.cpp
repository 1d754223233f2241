#include "controls/gridtable.h"
#include "files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace orvane;

namespace {

// Fills a table from rows of texts: the counts follow the rows.
void Fill(TGridTable& t, const std::vector<std::vector<std::string>>& rows, int fixedRows = 1) {
    t.SetColCount(static_cast<int>(rows.at(0).size()));
    t.SetRowCount(static_cast<int>(rows.size()));
    t.SetFixedRows(fixedRows);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < static_cast<int>(rows[r].size()); ++c)
            t.SetCell(c, r, rows[r][c]);
}

std::vector<std::string> Column(const TBaseTable& t, int col) {
    std::vector<std::string> out;
    for (int r = 0; r < t.RowCount(); ++r)
        out.push_back(t.Cell(col, r));
    return out;
}

struct TFakeDialogs : IGridDialogs {
    std::vector<std::string> Messages;
    std::string Chosen;
    bool Confirm = true;
    void MessageBox(const std::string& text, const std::string& caption) override {
        Messages.push_back(caption + "|" + text);
    }
    void ShowMessage(const std::string& text) override { Messages.push_back(text); }
    bool OpenFileDialog(std::string& fileName, const std::string&, const std::string&,
                        const std::string&) override {
        if (Confirm) fileName = Chosen;
        return Confirm;
    }
    bool SaveFileDialog(std::string& fileName, const std::string&, const std::string&,
                        const std::string&) override {
        if (Confirm) fileName = Chosen;
        return Confirm;
    }
};

// The file name in the folder, with these bytes written to it.
std::string FileWith(const TTempFolder& dir, const std::string& name, const std::string& content) {
    const std::string path = dir.Path() + "/" + name;
    WriteFile(path, content);
    return path;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Counts

TEST(GridTableCounts, NewTableHasTheBaseGridDefaults) {
    TGridTable t;
    EXPECT_EQ(t.RowCount(), 5);
    EXPECT_EQ(t.ColCount(), 5);
    EXPECT_EQ(t.FixedRows(), 1);
    EXPECT_EQ(t.FixedCols(), 1);
    EXPECT_EQ(t.FileName, ".CSV");
    EXPECT_FALSE(t.Modified);
    EXPECT_EQ(t.Data().RowCount(), 5);
}

TEST(GridTableCounts, ShrinkAndGrowBringEmptyCellsBackInBothTables) {
    TGridTable t;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c)
            t.SetCell(c, r, std::to_string(c) + ":" + std::to_string(r));
    t.SetRowCount(2);
    t.SetRowCount(5);
    t.SetColCount(3);
    t.SetColCount(5);
    for (const TBaseTable* table : {&t.View(), &t.Data()}) {
        EXPECT_EQ(table->Cell(0, 1), "0:1");
        EXPECT_EQ(table->Cell(2, 1), "2:1");
        for (int r = 2; r < 5; ++r)
            EXPECT_EQ(table->Cell(0, r), "") << r;
        for (int r = 0; r < 5; ++r) {
            EXPECT_EQ(table->Cell(3, r), "");
            EXPECT_EQ(table->Cell(4, r), "");
        }
    }
}

TEST(GridTableCounts, EventsFireInOrderAndOnlyOnRealChanges) {
    TGridTable t;
    std::vector<std::string> log;
    t.OnRowColChange = [&](int r, int c) {
        log.push_back("rc " + std::to_string(r) + "," + std::to_string(c));
    };
    t.OnChanged = [&](int sender) { log.push_back("changed " + std::to_string(sender)); };
    t.SetRowCount(5);
    t.SetColCount(5);
    EXPECT_EQ(log, (std::vector<std::string>{"rc 5,5", "rc 5,5"}));
    log.clear();
    t.SetRowCount(7);
    t.SetColCount(2);
    EXPECT_EQ(log, (std::vector<std::string>{"rc 7,5", "changed -1", "rc 7,2", "changed -1"}));
    log.clear();
    t.SetFixedRows(2);
    t.SetCell(1, 1, "x");
    EXPECT_TRUE(log.empty());
}

TEST(GridTableCounts, BaseGridKeepsOneRowAndFixedCountsBelowTheCounts) {
    struct Case {
        const char* what;
        std::function<void(TGridTable&)> act;
        int rows, cols, fixedRows, fixedCols;
    };
    const Case cases[] = {
        {"rows to 0", [](TGridTable& t) { t.SetRowCount(0); }, 1, 5, 0, 1},
        {"rows to fixed",
         [](TGridTable& t) {
             t.SetFixedRows(3);
             t.SetRowCount(3);
         },
         3, 5, 2, 1},
        {"cols to -4", [](TGridTable& t) { t.SetColCount(-4); }, 5, 1, 1, 0},
        {"fixed beyond count",
         [](TGridTable& t) {
             t.SetFixedRows(9);
             t.SetFixedCols(-2);
         },
         5, 5, 4, 0},
    };
    for (const Case& c : cases) {
        TGridTable t;
        c.act(t);
        EXPECT_EQ(t.RowCount(), c.rows) << c.what;
        EXPECT_EQ(t.ColCount(), c.cols) << c.what;
        EXPECT_EQ(t.FixedRows(), c.fixedRows) << c.what;
        EXPECT_EQ(t.FixedCols(), c.fixedCols) << c.what;
        EXPECT_EQ(t.Data().FixedRows(), c.fixedRows) << c.what;
    }
}

// ---------------------------------------------------------------------------------------------
// Rows

TEST(GridTableRows, InsertRowAtShiftsRowsDown) {
    TGridTable t;
    Fill(t, {{"h"}, {"a"}, {"b"}});
    int changed = 0;
    t.OnChanged = [&](int) { ++changed; };
    t.InsertRowAt(1);
    EXPECT_EQ(Column(t.View(), 0), (std::vector<std::string>{"h", "", "a", "b"}));
    EXPECT_EQ(Column(t.Data(), 0), Column(t.View(), 0));
    EXPECT_EQ(changed, 2); // the row count, then the insertion
    t.InsertRowAt(4);
    EXPECT_EQ(Column(t.View(), 0), (std::vector<std::string>{"h", "", "a", "b", ""}));
}

TEST(GridTableRows, DeleteSelectedRowsRemovesTheFirstIdenticalRow) {
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        int top, bottom;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {"plain range", {"h", "a", "b", "c", "d", "e"}, 2, 4, {"h", "a", "e"}},
        // x goes by position; then b and a are found by content, higher up, and those go.
        {"later identical rows", {"h", "a", "b", "x", "b", "a"}, 3, 5, {"h", "b", "a"}},
        {"only data row", {"h", "a"}, 1, 1, {"h", ""}},
        {"all data rows", {"h", "a", "b"}, 1, 2, {"h", ""}},
    };
    for (const Case& c : cases) {
        TGridTable t;
        std::vector<std::vector<std::string>> rows;
        for (const auto& s : c.rows)
            rows.push_back({s, s + "!"});
        Fill(t, rows);
        t.DeleteSelectedRows(c.top, c.bottom);
        EXPECT_EQ(Column(t.View(), 0), c.left) << c.what;
        EXPECT_EQ(Column(t.Data(), 0), c.left) << c.what;
        EXPECT_EQ(t.FixedRows(), 1) << c.what;
    }
}

TEST(GridTableRows, DeleteInAFilteredViewFindsTheDataRowByContent) {
    TGridTable t;
    Fill(t, {{"k", "v"}, {"a", "1"}, {"b", "2"}, {"a", "3"}});
    t.OnHasFilter = [](int c, TSelection& s, bool& sorted) {
        s = c == 0 ? TSelection::fsMulti : TSelection::fsNone;
        sorted = false;
    };
    t.UpdateFilterButtons();
    t.FilterButton(0)->ClickItem(1); // "->a"
    t.ApplyFilter(0);
    ASSERT_EQ(Column(t.View(), 1), (std::vector<std::string>{"v", "1", "3"}));
    t.DeleteSelectedRows(2, 2);
    // The full table comes back, without the row that was deleted.
    EXPECT_EQ(Column(t.View(), 1), (std::vector<std::string>{"v", "1", "2"}));
    EXPECT_TRUE(t.RowMap().empty());
}

TEST(GridTableRows, AssignCopiesCountsAndRows) {
    TGridTable source, target;
    Fill(source, {{"h1", "h2", "h3"}, {"a", "b", "c"}});
    source.SetFixedCols(0);
    int changed = 0;
    target.OnChanged = [&](int) { ++changed; };
    target.Assign(source);
    EXPECT_EQ(target.RowCount(), 2);
    EXPECT_EQ(target.ColCount(), 3);
    EXPECT_EQ(target.FixedCols(), 0);
    EXPECT_EQ(target.Data().Cell(2, 1), "c");
    EXPECT_GE(changed, 1);
}

// ---------------------------------------------------------------------------------------------
// Texts

TEST(GridTableText, CommaTextQuotesWhereNeeded) {
    struct Case {
        std::vector<std::string> cells;
        std::string text;
    };
    const Case cases[] = {
        {{"a b", "x\"y", ""}, "\"a b\",\"x\"\"y\","},
        {{""}, "\"\""},
        {{"a"}, "a"},
        {{"", ""}, ","},
        {{"1,5", "tab\there", "plain"}, "\"1,5\",\"tab\there\",plain"},
        {{"\xc3\xa4\xc3\xb6", "x"}, "\xc3\xa4\xc3\xb6,x"},
    };
    for (const Case& c : cases) {
        TBaseTable t;
        t.SetColCount(static_cast<int>(c.cells.size()));
        for (int i = 0; i < static_cast<int>(c.cells.size()); ++i)
            t.SetCell(i, 0, c.cells[i]);
        EXPECT_EQ(CommaText(t, 0), c.text);
    }
}

TEST(GridTableText, ParseCommaText) {
    struct Case {
        std::string text;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"a,,b", {"a", " ", "b"}},
        {"  a , b  ", {"a", "b"}},
        {"a b", {"a", "b"}},
        {"\"a b\",\"x\"\"y\",", {"a b", "x\"y", " "}},
        {"\"unclosed, to the end", {"unclosed, to the end"}},
        {"a,", {"a", " "}},
        {"a, ", {"a"}},
        {"", {}},
        {std::string("a,b\0c,d", 7), {"a", "b"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseCommaText(c.text), c.fields) << c.text;
}

TEST(GridTableText, CommaTextSurvivesARoundTripThroughParse) {
    TBaseTable t;
    t.SetColCount(4);
    const std::vector<std::string> cells = {"plain", "with space", "q\"uote", "a,b"};
    for (int i = 0; i < 4; ++i)
        t.SetCell(i, 0, cells[i]);
    EXPECT_EQ(ParseCommaText(CommaText(t, 0)), cells);
}

TEST(GridTableText, FormatFilterItem) {
    struct Case {
        std::string text;
        bool prefix;
        std::string item;
    };
    const Case cases[] = {
        {"  Mail  ", true, "\"->Mail\",-1"},
        {"A&B&C", false, "\"A&&B&C\",-1"},
        {" \t ", true, ""},
        {"", false, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFilterItem(c.text, c.prefix), c.item) << c.text;
    EXPECT_EQ(TFilterButtonState::ItemCaption("\"->ab\"c\",-1"), "->ab");
    EXPECT_EQ(TFilterButtonState::ItemCaption("  \"x\",-1"), "x");
    EXPECT_EQ(TFilterButtonState::ItemCaption("x,-1"), "");
}

TEST(GridTableWidths, FitsTextsAndStretchesToTheControl) {
    TBaseTable t;
    t.SetColCount(3);
    auto narrow = [](const std::string&) { return 4; };
    // Texts fitting in 10 pixels: 10 each, 33 with the grid lines, then 10 * 401 / 33 = 121.5 ->
    // 122.
    EXPECT_EQ(AdjustedColWidths(t, {266, 64, 64}, true, 401, narrow),
              (std::vector<int>{122, 122, 122}));
    // A hidden column stays hidden; a wide text is held at the maximum; no stretch past the width.
    auto byLength = [](const std::string& s) { return static_cast<int>(s.size()) * 10; };
    t.SetCell(1, 2, std::string(40, 'x'));
    t.SetCell(2, 0, "  head  ");
    EXPECT_EQ(AdjustedColWidths(t, {0, 64, 64}, true, 100, byLength),
              (std::vector<int>{0, 150, 110}));
    // Header texts only, trimmed: 20 and 60, 83 in all, stretched by 100 / 83.
    EXPECT_EQ(AdjustedColWidths(t, {0, 64, 64}, false, 100, byLength),
              (std::vector<int>{0, 24, 72}));
}

// ---------------------------------------------------------------------------------------------
// Filters

namespace {

// Columns 0 (multi) and 1 (single) filter; column 2 does not.
void SetupFilters(TGridTable& t) {
    Fill(t, {{"Program", "Day", "Note"},
             {"mail", "Mon", "1"},
             {"Edit", "Tue", "2"},
             {" MAIL ", "Tue", "3"},
             {"web", "Mon", "4"},
             {"edit", "Wed", "5"}});
    t.OnHasFilter = [](int c, TSelection& s, bool& sorted) {
        s = c == 0 ? TSelection::fsMulti : c == 1 ? TSelection::fsSingle : TSelection::fsNone;
        sorted = c == 0;
    };
    t.UpdateFilterButtons();
}

std::vector<std::string> Notes(const TGridTable& t) {
    std::vector<std::string> out;
    for (int r = 1; r < t.RowCount(); ++r)
        out.push_back(t.Cell(2, r));
    return out;
}

} // namespace

TEST(GridTableFilters, ButtonsListDistinctValuesUnderTheHeaderEntry) {
    TGridTable t;
    SetupFilters(t);
    ASSERT_NE(t.FilterButton(0), nullptr);
    ASSERT_NE(t.FilterButton(1), nullptr);
    EXPECT_EQ(t.FilterButton(2), nullptr);
    // Sorted without regard to case; the first spelling of a value stays.
    EXPECT_EQ(t.FilterButton(0)->CaptionItems(),
              (std::vector<std::string>{"\"Program\",-1", "\"->Edit\",-1", "\"->mail\",-1",
                                        "\"->web\",-1"}));
    EXPECT_EQ(
        t.FilterButton(1)->CaptionItems(),
        (std::vector<std::string>{"\"Day\",-1", "\"->Mon\",-1", "\"->Tue\",-1", "\"->Wed\",-1"}));
    EXPECT_TRUE(t.FilterButton(0)->Selected(0));
    EXPECT_EQ(t.FilterButton(0)->Caption(), "Program");
    EXPECT_EQ(t.FilterButton(0)->StateMax, 3);
}

TEST(GridTableFilters, SeveralColumnsFilterTogether) {
    TGridTable t;
    SetupFilters(t);
    std::vector<int> senders;
    t.OnChanged = [&](int sender) { senders.push_back(sender); };

    TFilterButtonState& program = *t.FilterButton(0);
    program.ClickItem(2); // mail: the header entry goes off
    EXPECT_FALSE(program.Selected(0));
    EXPECT_EQ(program.Caption(), "->mail");
    t.ApplyFilter(0);
    EXPECT_EQ(Notes(t), (std::vector<std::string>{"1", "3"})); // trimmed, any case
    EXPECT_EQ(t.RowMap(), (std::vector<int>{1, 3}));

    program.ClickItem(1); // and Edit
    t.ApplyFilter(0);
    EXPECT_EQ(Notes(t), (std::vector<std::string>{"1", "2", "3", "5"}));

    TFilterButtonState& day = *t.FilterButton(1);
    day.ClickItem(2); // Tue only
    t.ApplyFilter(1);
    EXPECT_EQ(Notes(t), (std::vector<std::string>{"2", "3"}));
    EXPECT_EQ(senders, (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(t.FixedRows(), 1);

    // The header entry again: the values stay picked, but the column lets everything pass.
    program.ClickItem(0);
    EXPECT_TRUE(program.Selected(1));
    t.ApplyFilter(0);
    EXPECT_EQ(Notes(t), (std::vector<std::string>{"2", "3"}));
    EXPECT_EQ(t.Data().RowCount(), 6);
}

TEST(GridTableFilters, ARebuildResetsClosedButtonsAndSparesAnOpenOne) {
    TGridTable t;
    SetupFilters(t);
    TFilterButtonState& program = *t.FilterButton(0);
    TFilterButtonState& day = *t.FilterButton(1);
    program.ClickItem(2);
    day.ClickItem(1);
    day.DropDownOpen = true;
    t.SetCell(1, 1, "Sat"); // one more value for the open button
    t.UpdateFilterButtons();
    EXPECT_TRUE(program.Selected(0));
    EXPECT_FALSE(program.Selected(2));
    EXPECT_EQ(day.ItemCount(), 5);
    EXPECT_TRUE(day.Selected(1));
    EXPECT_FALSE(day.Selected(0));
}

TEST(GridTableFilters, NothingPickedHidesEveryRow) {
    struct Case {
        const char* what;
        std::vector<int> clicks; // on the Day button (fsSingle)
        std::string caption;
    };
    const Case cases[] = {
        {"header entry unselected", {0}, "[..]"},
        {"single value picked twice", {1, 1}, "[..]"},
    };
    for (const Case& c : cases) {
        TGridTable t;
        SetupFilters(t);
        for (int i : c.clicks)
            t.FilterButton(1)->ClickItem(i);
        EXPECT_EQ(t.FilterButton(1)->Caption(), c.caption) << c.what;
        t.ApplyFilter(1);
        EXPECT_EQ(t.RowCount(), 1) << c.what;
        EXPECT_EQ(t.FixedRows(), 0) << c.what;
        EXPECT_EQ(t.Cell(0, 0), "Program") << c.what;
    }
}

TEST(GridTableFilters, EditsReachTheDataRowThatAVisibleRowShows) {
    TGridTable t;
    SetupFilters(t);
    t.FilterButton(1)->ClickItem(3); // Wed
    t.ApplyFilter(1);
    ASSERT_EQ(t.RowCount(), 2);
    bool before = false;
    t.EditCell(2, 1, "five", [&] { before = t.Data().Cell(2, 5) == "5"; });
    EXPECT_TRUE(before); // the host sees the edit before the data grid takes it
    EXPECT_EQ(t.Data().Cell(2, 5), "five");
    t.SetCell(0, 1, "EDIT");
    EXPECT_EQ(t.Data().Cell(0, 5), "EDIT");
    EXPECT_EQ(t.Data().Cell(0, 1), "mail");
}

TEST(GridTableFilters, QuotesAmpersandsAndEmptyHeaders) {
    TGridTable t;
    Fill(t, {{"", "x"}, {"ab\"c", "1"}, {"ab", "2"}, {"R&D", "3"}, {"", "4"}});
    t.OnHasFilter = [](int c, TSelection& s, bool&) {
        s = c == 0 ? TSelection::fsMulti : TSelection::fsNone;
    };
    t.UpdateFilterButtons();
    TFilterButtonState& b = *t.FilterButton(0);
    // The empty header still gives item 0; empty cells give none; the quote ends a caption.
    ASSERT_EQ(b.ItemCount(), 4);
    EXPECT_EQ(b.Caption(), "");
    EXPECT_EQ(b.ItemCaption(1), "->ab");
    EXPECT_EQ(b.ItemCaption(3), "->R&&D");
    b.ClickItem(1);
    t.ApplyFilter(0);
    EXPECT_EQ(Column(t.View(), 1), (std::vector<std::string>{"x", "2"}));
    b.ClickItem(1);
    b.ClickItem(3);
    t.ApplyFilter(0);
    EXPECT_EQ(Column(t.View(), 1), (std::vector<std::string>{"x", "3"}));
}

TEST(GridTableFilters, HostSuppliedEntriesDecideThroughOnIsInList) {
    TGridTable t;
    Fill(t, {{"n"}, {"1"}, {"15"}, {"30"}});
    t.OnHasFilter = [](int, TSelection& s, bool&) { s = TSelection::fsSingle; };
    t.OnGetFilterEntries = [](int, std::vector<std::string>& list) { list = {"small", "large"}; };
    t.OnIsInList = [&](const std::vector<std::string>& values, int c, int r) {
        int n = std::stoi(t.Data().Cell(c, r));
        return values.size() == 1 && (values[0] == "small" ? n < 10 : n >= 10);
    };
    t.UpdateFilterButtons();
    EXPECT_EQ(t.FilterButton(0)->ItemCount(), 3);
    t.FilterButton(0)->ClickItem(2);
    t.ApplyFilter(0);
    EXPECT_EQ(Column(t.View(), 0), (std::vector<std::string>{"n", "15", "30"}));
}

TEST(GridTableFilters, WithoutOnHasFilterNoButtonsExistAndColCountResetsSlots) {
    TGridTable t;
    SetupFilters(t);
    t.SetColCount(4);
    EXPECT_NE(t.FilterButton(0), nullptr); // recreated by the rebuild
    EXPECT_EQ(t.FilterButtons().size(), 4u);
    t.OnHasFilter = nullptr;
    t.UpdateFilterButtons();
    for (const auto& slot : t.FilterButtons())
        EXPECT_EQ(slot, nullptr);
}

// ---------------------------------------------------------------------------------------------
// CSV

TEST(GridTableCSV, SaveWritesTheFullTableAsCommaText) {
    TTempFolder dir;
    TGridTable t;
    Fill(t, {{"h", "i", "j"}, {"a b", "x\"y", ""}, {"keep", "2", "3"}});
    t.OnHasFilter = [](int c, TSelection& s, bool&) {
        s = c == 0 ? TSelection::fsMulti : TSelection::fsNone;
    };
    t.UpdateFilterButtons();
    t.FilterButton(0)->ClickItem(2); // only "keep"
    t.ApplyFilter(0);
    t.Modified = true;
    std::string path = dir.Path() + "/out.csv";
    ASSERT_TRUE(t.SaveCSVFile(path));
    EXPECT_EQ(ReadFile(path), "h,i,j\r\n\"a b\",\"x\"\"y\",\r\nkeep,2,3\r\n");
    EXPECT_FALSE(t.Modified);

    TGridTable one;
    one.SetColCount(1);
    one.SetRowCount(1);
    ASSERT_TRUE(one.SaveCSVFile(path));
    EXPECT_EQ(ReadFile(path), "\"\"\r\n");
}

TEST(GridTableCSV, FailedSaveKeepsModifiedAndTheOldFile) {
    TTempFolder dir;
    TFakeDialogs dialogs;
    TGridTable t;
    t.Dialogs = &dialogs;
    t.Modified = true;
    std::string path = dir.Path() + "/missing-folder/out.csv";
    EXPECT_FALSE(t.SaveCSVFile(path));
    EXPECT_TRUE(t.Modified);
    EXPECT_EQ(dialogs.Messages, (std::vector<std::string>{"Error writing File :" + path}));
}

TEST(GridTableCSV, LoadCases) {
    struct Case {
        const char* what;
        std::string content;
        char separator;
        std::vector<std::vector<std::string>> rows; // expected cells, row by row
        int cols;
    };
    const Case cases[] = {
        {"escapes", "a\\tb,c\n", ',', {{"a\tb", "c"}}, 5},
        {"all escapes", "\\\\\\n\\r\\x\\", ',', {{"\\\n\r\\x"}}, 5},
        {"quotes stay text", "\"a b\",c\r\n", ',', {{"\"a b\"", "c"}}, 5},
        {"fields and final separator",
         "a,b,\na,,b\n\n",
         ',',
         {{"a", "b", ""}, {"a", "", "b"}, {"", "", ""}},
         5},
        {"line ends", "a\rb\r\nc\nd", ',', {{"a"}, {"b"}, {"c"}, {"d"}}, 5},
        {"other separator", "1;2;3;4;5;6;7\n", ';', {{"1", "2", "3", "4", "5", "6", "7"}}, 7},
        {"NUL ends the text", std::string("a,b\nc\0d\ne", 9), ',', {{"a", "b"}, {"c", ""}}, 5},
    };
    TTempFolder dir;
    for (const Case& c : cases) {
        TGridTable t;
        t.SetCell(3, 0, "old"); // a cell that no field fills is empty after the load
        std::string path = FileWith(dir, "in.csv", c.content);
        ASSERT_TRUE(t.LoadCSVFile(path, c.separator)) << c.what;
        EXPECT_EQ(t.RowCount(), static_cast<int>(c.rows.size())) << c.what;
        EXPECT_EQ(t.ColCount(), c.cols) << c.what;
        EXPECT_EQ(t.FixedRows(), 0) << c.what;
        for (int r = 0; r < static_cast<int>(c.rows.size()); ++r) {
            for (int k = 0; k < static_cast<int>(c.rows[r].size()); ++k)
                EXPECT_EQ(t.Cell(k, r), c.rows[r][k]) << c.what << " " << k << "," << r;
            EXPECT_EQ(t.Cell(3, r), c.cols > 5 ? "4" : "") << c.what;
            EXPECT_EQ(t.Data().Cell(0, r), t.Cell(0, r)) << c.what;
        }
    }
}

TEST(GridTableCSV, LoadWithFiltersKeepsTheHeaderRowFixed) {
    TTempFolder dir;
    TGridTable t;
    t.OnHasFilter = [](int c, TSelection& s, bool&) {
        s = c == 0 ? TSelection::fsMulti : TSelection::fsNone;
    };
    int changed = 0;
    t.OnChanged = [&](int) { ++changed; };
    ASSERT_TRUE(t.LoadCSVFile(FileWith(dir, "in.csv", "Name,Size\nx,1\ny,2\n"), ','));
    EXPECT_EQ(t.FixedRows(), 1);
    EXPECT_EQ(t.FilterButton(0)->ItemCount(), 3);
    EXPECT_GE(changed, 1);
    EXPECT_FALSE(t.Modified); // a load alone leaves it as it was
}

TEST(GridTableCSV, MissingFileShowsTheMessageAndChangesNothing) {
    TFakeDialogs dialogs;
    TGridTable t;
    t.Dialogs = &dialogs;
    t.SetCell(1, 1, "kept");
    for (const std::string& path :
         {std::string("/nonexistent/x.csv"), std::filesystem::temp_directory_path().string()}) {
        EXPECT_FALSE(t.LoadCSVFile(path, ','));
        EXPECT_EQ(dialogs.Messages.back(), "System|Cannot open input file." + path);
    }
    EXPECT_EQ(t.Cell(1, 1), "kept");
    EXPECT_EQ(t.RowCount(), 5);
}

TEST(GridTableCSV, HostileFilesLoadWithoutHarm) {
    TTempFolder dir;
    std::mt19937 random(7);
    std::string noise(200000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random() % 256 == 0 ? 1 : random() % 256);
    const std::pair<const char*, std::string> files[] = {
        {"megabyte line", std::string(3 << 20, 'x')},
        {"megabyte of separators", std::string(1 << 20, ',') + "z"},
        {"unbalanced quotes", "\"a,\"b\n\"\"\",c\n\"\n"},
        {"noise", noise},
        {"empty", ""},
    };
    for (const auto& [what, content] : files) {
        TFakeDialogs dialogs;
        TGridTable t;
        t.Dialogs = &dialogs;
        ASSERT_TRUE(t.LoadCSVFile(FileWith(dir, "in.csv", content), ',')) << what;
        EXPECT_LE(t.ColCount(), MaxCSVColCount) << what;
        EXPECT_GE(t.RowCount(), 1) << what;
    }
    TFakeDialogs dialogs;
    TGridTable t;
    t.Dialogs = &dialogs;
    ASSERT_TRUE(t.LoadCSVFile(FileWith(dir, "wide.csv", std::string(1 << 20, ',') + "z"), ','));
    EXPECT_EQ(t.ColCount(), MaxCSVColCount);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_NE(dialogs.Messages[0].find("1024"), std::string::npos);
    EXPECT_EQ(t.Cell(0, 0), "");
}

TEST(GridTableCSV, SplitCSVLine) {
    EXPECT_EQ(SplitCSVLine("a,b,", ','), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitCSVLine("a,,b", ','), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitCSVLine("", ','), (std::vector<std::string>{""}));
    EXPECT_EQ(SplitCSVLine(",", ','), (std::vector<std::string>{""}));
    bool truncated = false;
    EXPECT_EQ(SplitCSVLine("a,b,c", ',', 2, &truncated), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(truncated);
    SplitCSVLine("a,b,", ',', 2, &truncated);
    EXPECT_FALSE(truncated);
}

// ---------------------------------------------------------------------------------------------
// Rows from a cell source

namespace {

// Rows of texts handed out as a source; counts what it is asked.
class TTextRows : public TCellSource {
public:
    explicit TTextRows(std::vector<std::vector<std::string>> rows) : FRows(std::move(rows)) {}
    int RowCount() const override { return static_cast<int>(FRows.size()); }
    std::string Cell(int col, int row) const override {
        const auto& cells = FRows.at(static_cast<std::size_t>(row));
        return static_cast<std::size_t>(col) < cells.size() ? cells[static_cast<std::size_t>(col)]
                                                            : std::string();
    }
    std::vector<std::vector<std::string>> FRows;
};

std::vector<std::vector<std::string>> Cells(const TBaseTable& t) {
    std::vector<std::vector<std::string>> out;
    for (int r = 0; r < t.RowCount(); ++r)
        out.push_back(t.Row(r)), out.back().resize(static_cast<std::size_t>(t.ColCount()));
    return out;
}

} // namespace

// A table whose middle rows come from a source behaves as one that holds copies of them, through
// every operation that reaches those rows or their neighbours.
TEST(GridTableSource, BehavesAsTheCopiedRows) {
    const std::vector<std::vector<std::string>> block = {
        {"a b", "1", "x\"y"}, {"c", "", "3"}, {"", "2", ""}, {"c", "", "3"}};
    const std::vector<std::vector<std::string>> head = {{"h", "i", "j"}, {"", "", ""}};
    using TOp = std::function<void(TGridTable&)>;
    const std::vector<std::pair<const char*, TOp>> ops = {
        {"nothing", [](TGridTable&) {}},
        {"edit in the block", [](TGridTable& t) { t.SetCell(1, 2, "new"); }},
        {"edit after the block", [](TGridTable& t) { t.SetCell(0, 5, "tail"); }},
        {"cut into the block", [](TGridTable& t) { t.SetRowCount(3); }},
        {"cut before the block", [](TGridTable& t) { t.SetRowCount(1); }},
        {"cut and grow", [](TGridTable& t) { t.SetRowCount(1), t.SetRowCount(7); }},
        {"grow", [](TGridTable& t) { t.SetRowCount(9); }},
        {"drop a column and bring it back",
         [](TGridTable& t) { t.SetColCount(2), t.SetColCount(3); }},
        {"insert before", [](TGridTable& t) { t.InsertRowAt(0); }},
        {"insert inside", [](TGridTable& t) { t.InsertRowAt(3); }},
        {"insert after", [](TGridTable& t) { t.InsertRowAt(5); }},
        {"delete inside", [](TGridTable& t) { t.DeleteSelectedRows(2, 3); }},
        {"delete before", [](TGridTable& t) { t.DeleteSelectedRows(0, 0); }},
        {"read comma text", [](TGridTable& t) { t.ReadCommaTextIntoRow(4, "p,q,r"); }},
        {"filter",
         [](TGridTable& t) {
             t.OnHasFilter = [](int c, TSelection& s, bool&) {
                 s = c == 0 ? TSelection::fsMulti : TSelection::fsNone;
             };
             t.UpdateFilterButtons();
             t.FilterButton(0)->ClickItem(2);
             t.ApplyFilter(0);
         }},
    };
    for (const auto& [name, op] : ops) {
        SCOPED_TRACE(name);
        TGridTable copied;
        std::vector<std::vector<std::string>> all = head;
        all.insert(all.begin() + 1, block.begin(), block.end());
        Fill(copied, all);
        TGridTable shown;
        Fill(shown, head);
        shown.InsertSourceRows(1, std::make_shared<TTextRows>(block));
        ASSERT_EQ(Cells(shown.View()), Cells(copied.View()));

        op(copied);
        op(shown);
        EXPECT_EQ(Cells(shown.View()), Cells(copied.View()));
        EXPECT_EQ(Cells(shown.Data()), Cells(copied.Data()));
        for (int r = 0; r < copied.RowCount(); ++r)
            EXPECT_EQ(shown.RowCommaText(r), copied.RowCommaText(r));
        TTempFolder dir;
        ASSERT_TRUE(copied.SaveCSVFile(dir.Path() + "/copied.csv"));
        ASSERT_TRUE(shown.SaveCSVFile(dir.Path() + "/shown.csv"));
        EXPECT_EQ(ReadFile(dir.Path() + "/shown.csv"), ReadFile(dir.Path() + "/copied.csv"));
    }
}

TEST(GridTableSource, WidthsComeFromTheSourcesWidthTexts) {
    auto byLength = [](const std::string& s) { return static_cast<int>(s.size()) * 3; };
    TBaseTable copied;
    copied.SetColCount(2);
    copied.SetRowCount(4);
    copied.SetCell(0, 1, "ab");
    copied.SetCell(0, 2, "abcdefgh");
    copied.SetCell(1, 3, "xyz");
    TBaseTable shown;
    shown.SetColCount(2);
    shown.SetRowCount(2);
    shown.SetCell(1, 1, "xyz");
    shown.InsertSourceRows(1, std::make_shared<TTextRows>(
                                  std::vector<std::vector<std::string>>{{"ab"}, {"abcdefgh"}}));
    ASSERT_EQ(Cells(shown), Cells(copied));
    EXPECT_EQ(AdjustedColWidths(shown, {64, 64}, true, 50, byLength),
              AdjustedColWidths(copied, {64, 64}, true, 50, byLength));

    // A source that names one text per shape is measured by those alone.
    struct TShapes : TTextRows {
        using TTextRows::TTextRows;
        void WidthTexts(int, const std::function<void(const std::string&)>& each) const override {
            each("12345678901234567890");
        }
    };
    TBaseTable t;
    t.SetColCount(1);
    t.SetRowCount(1);
    t.InsertSourceRows(1, std::make_shared<TShapes>(std::vector<std::vector<std::string>>(3)));
    EXPECT_EQ(AdjustedColWidths(t, {64}, true, 0, byLength), std::vector<int>{69});
}
