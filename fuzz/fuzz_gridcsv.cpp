// The string grid's CSV loader on arbitrary bytes; the first byte is the separator. The loaded
// table must be consistent, every row's comma text must parse back to its cells, and a saved
// table must load again.
#include "fuzzcommon.h"

#include "controls/gridtable.h"

#include <algorithm>
#include <string_view>

namespace {

using orvane::fuzz::Check;

class TSilentDialogs : public orvane::IGridDialogs {
public:
    void MessageBox(const std::string&, const std::string&) override { ++Messages; }
    void ShowMessage(const std::string&) override { ++Messages; }
    bool OpenFileDialog(std::string&, const std::string&, const std::string&,
                        const std::string&) override {
        return false;
    }
    bool SaveFileDialog(std::string&, const std::string&, const std::string&,
                        const std::string&) override {
        return false;
    }
    int Messages = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvane;
    static const std::string input = fuzz::TempPath("input.csv");
    static const std::string saved = fuzz::TempPath("saved.csv");
    const char separator = size > 0 ? static_cast<char>(data[0]) : ',';
    const std::uint8_t* content = size > 0 ? data + 1 : data;
    const std::size_t length = size > 0 ? size - 1 : 0;
    fuzz::WriteFile(input, content, length);

    // The line helpers on the whole text.
    const std::string_view whole(reinterpret_cast<const char*>(content), length);
    const std::string unescaped = UnescapeCSVLine(whole);
    Check(unescaped.size() <= whole.size(), "unescaping made a line longer");
    bool truncated = false;
    const auto fields = SplitCSVLine(unescaped, separator, 8, &truncated);
    Check(!fields.empty() && fields.size() <= 8, "a split gave no field or too many");
    (void)ParseCommaText(whole);

    TSilentDialogs dialogs;
    TGridTable table;
    table.Dialogs = &dialogs;
    Check(table.LoadCSVFile(input, separator), "an existing file did not load");
    Check(table.RowCount() >= 1, "a load left no row");
    Check(table.ColCount() >= 5 && table.ColCount() <= std::max(5, MaxCSVColCount),
          "a load left a column count out of range");
    Check(!table.Modified, "a load set Modified");

    const TBaseTable& view = table.View();
    const TBaseTable& full = table.Data();
    Check(full.RowCount() == view.RowCount() && full.ColCount() == view.ColCount(),
          "the full table differs from the visible one");
    TGridTable parsed;
    parsed.SetColCount(view.ColCount());
    parsed.SetRowCount(2);
    for (int r = 0; r < view.RowCount(); ++r) {
        for (int c = 0; c < view.ColCount(); ++c)
            Check(full.Cell(c, r) == view.Cell(c, r), "a cell of the full table differs");
        // Comma text reads back to the same cells; an empty cell comes back as one blank.
        parsed.ReadCommaTextIntoRow(1, table.RowCommaText(r));
        for (int c = 0; c < view.ColCount(); ++c) {
            const std::string& cell = view.Cell(c, r);
            Check(parsed.Cell(c, 1) == (cell.empty() ? std::string(" ") : cell),
                  "a row's comma text does not read back");
        }
    }

    std::remove(saved.c_str());
    Check(table.SaveCSVFile(saved), "a loaded table could not be saved");
    TGridTable reloaded;
    reloaded.Dialogs = &dialogs;
    // Saving and loading are not inverse (cells with line breaks or quotes come back otherwise),
    // but a saved table must load.
    Check(reloaded.LoadCSVFile(saved, ','), "a saved table did not load");
    return 0;
}
