// The string grid's table logic, without widgets: the visible table, the full data table behind
// column filters, the row map between them, the count rules, filters and CSV storage.
// TFStringGrid (fstringgrid.h) is the widget over it.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Texts of a block of rows that a table shows without holding a copy of them: a list of a
// million entries would otherwise be copied cell by cell. The texts must not change while a table
// shows them; a table copies the block into its own rows only before an edit reaches it.
class TCellSource {
public:
    virtual ~TCellSource() = default;
    virtual int RowCount() const = 0;
    // The text of a cell, row counted within the block.
    virtual std::string Cell(int col, int row) const = 0;
    // Calls `each` with texts of which the widest is as wide as the column's widest cell: the
    // distinct texts, or one text of each shape for texts that differ only in their digits.
    // The default offers every cell.
    virtual void WidthTexts(int col, const std::function<void(const std::string&)>& each) const;
};

// A table of text cells with fixed rows and columns. It keeps at least one row and one column,
// and each fixed count below its count. Rows are stored only as far as they hold text, so a wide
// table of short rows costs what its text costs; one block of rows may come from a TCellSource.
class TBaseTable {
public:
    using TRow = std::vector<std::string>;

    int RowCount() const { return static_cast<int>(FRows.size()) + FSourceRows; }
    int ColCount() const { return FColCount; }
    int FixedRows() const { return FFixedRows; }
    int FixedCols() const { return FFixedCols; }
    void SetRowCount(int value);
    void SetColCount(int value);
    void SetFixedRows(int value);
    void SetFixedCols(int value);

    // Empty text outside the table.
    std::string Cell(int col, int row) const;
    // Ignored outside the table.
    void SetCell(int col, int row, std::string value);
    void ClearRow(int row);
    TRow Row(int row) const;
    void SetRow(int row, TRow cells);
    void InsertEmptyRow(int row); // the row count grows by one
    void EraseRow(int row);       // the row count drops by one

    // Inserts the source's rows before row `row` (the table has one block at most: a former one
    // becomes rows of its own first).
    void InsertSourceRows(int row, std::shared_ptr<const TCellSource> source);
    const TCellSource* Source() const { return FSource.get(); }
    int SourceAt() const { return FSourceAt; }
    // The rows of the block become rows of the table's own.
    void Materialize();

private:
    // Where a row is stored: its index in FRows, or -1 within the source's block.
    int Stored(int row) const;
    // The source's block, if any, is made the table's own when it holds `row`.
    void OwnRow(int row);

    std::vector<TRow> FRows = std::vector<TRow>(5);
    int FColCount = 5;
    int FFixedRows = 1;
    int FFixedCols = 1;
    std::shared_ptr<const TCellSource> FSource;
    int FSourceAt = 0;
    int FSourceRows = 0;
};

enum class TSelection { fsNone, fsMulti, fsSingle };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the filter button of one column holds: its caption items, one selection flag per item,
// its selection kind and appearance. The button widget draws and drives this state.
class TFilterButtonState {
public:
    TSelection Selection = TSelection::fsNone;
    bool Popup = false;
    bool WordWrap = false;
    int State = 0;
    int StateMax = 0;
    unsigned GradientStart = 0xFFFFFF, GradientMid = 0xF0F0F0, GradientEnd = 0x808080;
    double ColorScale = 0;
    bool CenterColor = false;
    bool DropDownOpen = false;

    const std::vector<std::string>& CaptionItems() const { return FItems; }
    void ClearItems() { SetCaptionItems({}); }
    // New items; the flags are recreated, all unselected, when the count changes while the
    // drop-down is closed.
    void SetCaptionItems(std::vector<std::string> items);
    int ItemCount() const { return static_cast<int>(FItems.size()); }
    bool Selected(int item) const;
    void SetSelected(int item, bool value);
    // The text between the first two double quotes (after leading blanks).
    static std::string ItemCaption(const std::string& item);
    std::string ItemCaption(int item) const {
        return ItemCaption(FItems[static_cast<std::size_t>(item)]);
    }
    // Item 0's caption while it is selected, else the selected items' captions joined by ", ",
    // "[..]" when nothing is selected.
    std::string Caption() const;
    // A click on drop-down entry `item`: toggles it under the fsMulti / fsSingle rules.
    void ClickItem(int item);

private:
    std::vector<std::string> FItems;
    std::vector<bool> FSelected;
};

// Answers the grid's questions to the user; the widget installs one over Qt's dialogs, tests
// install their own.
class IGridDialogs {
public:
    virtual ~IGridDialogs() = default;
    // A message box with OK and Cancel; the answer is not used by the grid.
    virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
    // A message with an OK button and the application title as caption.
    virtual void ShowMessage(const std::string& text) = 0;
    // File dialogs with one filter entry; fileName is the proposal in and the choice out.
    // The save dialog asks before it overwrites a file.
    virtual bool OpenFileDialog(std::string& fileName, const std::string& filterName,
                                const std::string& filterPattern,
                                const std::string& defaultExt) = 0;
    virtual bool SaveFileDialog(std::string& fileName, const std::string& filterName,
                                const std::string& filterPattern,
                                const std::string& defaultExt) = 0;
};

// Loads keep at most this many columns; a line of a million separators would otherwise make a
// million columns.
constexpr int MaxCSVColCount = 1024;
constexpr int MinColWidth = 10;
constexpr int MaxColWidth = 150;

// The comma text of one row of a table: fields joined by ",", quoted where needed.
std::string CommaText(const TBaseTable& table, int row);
// Parses comma text into fields (empty fields become " ").
std::vector<std::string> ParseCommaText(std::string_view text);
// The caption item for a cell text ("" when the trimmed text is empty).
std::string FormatFilterItem(const std::string& text, bool withPrefix);
// One CSV line with its escapes undone.
std::string UnescapeCSVLine(std::string_view line);
// Cuts a line at the separator; a separator that ends the line makes no extra field.
// At most maxFields fields; *truncated tells whether more were there.
std::vector<std::string> SplitCSVLine(std::string_view line, char separator,
                                      int maxFields = MaxCSVColCount, bool* truncated = nullptr);
// The column widths fitted to the texts and stretched to the control's width.
std::vector<int> AdjustedColWidths(const TBaseTable& table, std::vector<int> widths, bool allRows,
                                   int controlWidth,
                                   const std::function<int(const std::string&)>& textWidth);

class TGridTable {
public:
    TGridTable();
    TGridTable(const TGridTable&) = delete;
    TGridTable& operator=(const TGridTable&) = delete;

    // Count properties: read from the visible table, written with the grid's rules.
    int RowCount() const { return FView.RowCount(); }
    int ColCount() const { return FView.ColCount(); }
    int FixedRows() const { return FView.FixedRows(); }
    int FixedCols() const { return FView.FixedCols(); }
    void SetRowCount(int value);
    void SetColCount(int value);
    void SetFixedRows(int value);
    void SetFixedCols(int value);

    const TBaseTable& View() const { return FView; }
    const TBaseTable& Data() const {
        EnsureData();
        return FDataGrid;
    }
    const std::vector<int>& RowMap() const { return FRowMap; }
    std::string Cell(int col, int row) const { return FView.Cell(col, row); }
    // The data row that visible row `row` shows.
    int DataRowOf(int row) const;

    // Writes the visible cell and the data cell behind it.
    void SetCell(int col, int row, const std::string& value);
    // An edit by the user: the visible cell first, then `before` (the host's notification),
    // then the data cell behind it.
    void EditCell(int col, int row, const std::string& value,
                  const std::function<void()>& before = {});
    void CopyViewToData();
    void CopyDataToView();
    // Inserts the source's rows before visible row `row`, as a row count change does: the
    // visible table becomes the full table.
    void InsertSourceRows(int row, std::shared_ptr<const TCellSource> source);
    void InsertRowAt(int row);
    void DeleteSelectedRows(int top, int bottom);
    int FindDataRow(int row) const;
    void DeleteDataRow(int dataRow);
    std::string RowCommaText(int row) const { return CommaText(FView, row); }
    void ReadCommaTextIntoRow(int row, std::string_view text);
    void Assign(const TGridTable& source);

    // Filters.
    std::function<void(int ACol, TSelection& HasFilter, bool& Sorted)> OnHasFilter;
    std::function<void(int ACol, std::vector<std::string>& AList)> OnGetFilterEntries;
    std::function<bool(const std::vector<std::string>& AList, int ACol, int ARow)> OnIsInList;
    void UpdateFilterButtons();
    void ApplyFilter(int col);
    bool HasFilterEntries(int col) const;
    // One slot per column (at least two); empty where the column has no button.
    const std::vector<std::shared_ptr<TFilterButtonState>>& FilterButtons() const {
        return FFilterButtons;
    }
    TFilterButtonState* FilterButton(int col) const;

    bool CenterColor() const { return FCenterColor; }
    void SetCenterColor(bool value);
    double ColorScale() const { return FColorScale; }
    void SetColorScale(double value);
    unsigned GradientStart() const { return FGradientStart; }
    unsigned GradientMid() const { return FGradientMid; }
    unsigned GradientEnd() const { return FGradientEnd; }
    void SetGradient(unsigned start, unsigned mid, unsigned end);

    // CSV storage. Both show their message through Dialogs and tell whether they succeeded.
    bool LoadCSVFile(const std::string& fileName, char separator);
    bool SaveCSVFile(const std::string& fileName);

    std::string FileName = ".CSV";
    bool Modified = false;
    IGridDialogs* Dialogs = nullptr;

    // Events. senderColumn is -1 for the grid itself, else the column whose filter button was used.
    std::function<void(int senderColumn)> OnChanged;
    std::function<void(int NewRow, int NewCol)> OnRowColChange;

    // For the widget: called once after each outermost operation with what changed.
    enum TNotify { ntShape = 1, ntCells = 2, ntButtons = 4 };
    std::function<void(int what)> OnNotify;
    // Holds notifications back until the outermost scope ends.
    class TUpdateScope {
    public:
        explicit TUpdateScope(TGridTable& table);
        ~TUpdateScope();
        TUpdateScope(const TUpdateScope&) = delete;
        TUpdateScope& operator=(const TUpdateScope&) = delete;

    private:
        TGridTable& FTable;
    };

private:
    void Changed(int senderColumn = -1);
    void Mark(int what) { FPending |= what; }
    void DestroyFilterButtons(int slotCount);
    void EnsureData() const;

    TBaseTable FView;
    // The full table. After CopyViewToData it equals the visible table; it is copied only when
    // someone needs it, so that filling a table row by row stays linear.
    mutable TBaseTable FDataGrid;
    mutable bool FDataStale = false;
    std::vector<int> FRowMap;
    std::vector<std::shared_ptr<TFilterButtonState>> FFilterButtons;
    bool FCenterColor = false;
    double FColorScale = 0;
    unsigned FGradientStart = 0xFFFFFF, FGradientMid = 0xF0F0F0, FGradientEnd = 0x808080;
    int FUpdateDepth = 0;
    int FPending = 0;
    // While a file loads, the buttons are brought up to date once at its end.
    bool FLoading = false;
};

} // namespace orvane
