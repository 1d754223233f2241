#include "controls/gridtable.h"

#include "platform/atomicfile.h"
#include "platform/filepath.h"
#include "recorder/datetime.h"
#include "recorder/textformat.h"
#include "views/recordedtext.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <unordered_set>

namespace orvane {

namespace {

bool IsCtl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TBaseTable

void TCellSource::WidthTexts(int col, const std::function<void(const std::string&)>& each) const {
    for (int r = 0; r < RowCount(); ++r)
        each(Cell(col, r));
}

int TBaseTable::Stored(int row) const {
    if (!FSource || row < FSourceAt) return row;
    if (row < FSourceAt + FSourceRows) return -1;
    return row - FSourceRows;
}

void TBaseTable::Materialize() {
    if (!FSource) return;
    const std::shared_ptr<const TCellSource> source = std::move(FSource);
    const int rows = FSourceRows;
    FSource.reset();
    FSourceRows = 0;
    std::vector<TRow> block(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        TRow& cells = block[static_cast<std::size_t>(r)];
        for (int c = 0; c < FColCount; ++c)
            cells.push_back(source->Cell(c, r));
        while (!cells.empty() && cells.back().empty())
            cells.pop_back();
    }
    FRows.insert(FRows.begin() + FSourceAt, std::make_move_iterator(block.begin()),
                 std::make_move_iterator(block.end()));
}

void TBaseTable::OwnRow(int row) {
    if (FSource && row >= FSourceAt && row < FSourceAt + FSourceRows) Materialize();
}

void TBaseTable::InsertSourceRows(int row, std::shared_ptr<const TCellSource> source) {
    Materialize();
    if (!source || source->RowCount() <= 0) return;
    FSourceAt = std::clamp(row, 0, RowCount());
    FSourceRows = source->RowCount();
    FSource = std::move(source);
}

void TBaseTable::SetRowCount(int value) {
    value = std::max(value, 1);
    if (FSource) {
        if (value <= FSourceAt) {
            FSource.reset(); // cut off whole
            FSourceRows = 0;
        } else if (value < FSourceAt + FSourceRows) {
            Materialize();
        }
    }
    FRows.resize(static_cast<std::size_t>(value - FSourceRows));
    if (FFixedRows >= value) FFixedRows = value - 1;
}

void TBaseTable::SetColCount(int value) {
    value = std::max(value, 1);
    if (value < FColCount) {
        // A dropped column comes back empty: the source's would not.
        Materialize();
        for (auto& row : FRows)
            if (static_cast<int>(row.size()) > value) row.resize(static_cast<std::size_t>(value));
    }
    FColCount = value;
    if (FFixedCols >= value) FFixedCols = value - 1;
}

void TBaseTable::SetFixedRows(int value) {
    FFixedRows = std::clamp(value, 0, RowCount() - 1);
}
void TBaseTable::SetFixedCols(int value) {
    FFixedCols = std::clamp(value, 0, FColCount - 1);
}

std::string TBaseTable::Cell(int col, int row) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= FColCount) return {};
    const int stored = Stored(row);
    if (stored < 0) return FSource->Cell(col, row - FSourceAt);
    const TRow& cells = FRows[static_cast<std::size_t>(stored)];
    return static_cast<std::size_t>(col) < cells.size() ? cells[static_cast<std::size_t>(col)]
                                                        : std::string();
}

void TBaseTable::SetCell(int col, int row, std::string value) {
    if (row < 0 || row >= RowCount() || col < 0 || col >= FColCount) return;
    OwnRow(row);
    TRow& cells = FRows[static_cast<std::size_t>(Stored(row))];
    if (static_cast<std::size_t>(col) >= cells.size()) {
        if (value.empty()) return;
        cells.resize(static_cast<std::size_t>(col) + 1);
    }
    cells[static_cast<std::size_t>(col)] = std::move(value);
}

void TBaseTable::ClearRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    OwnRow(row);
    TRow().swap(FRows[static_cast<std::size_t>(Stored(row))]);
}

TBaseTable::TRow TBaseTable::Row(int row) const {
    if (row < 0 || row >= RowCount()) return {};
    const int stored = Stored(row);
    if (stored >= 0) return FRows[static_cast<std::size_t>(stored)];
    TRow cells;
    for (int c = 0; c < FColCount; ++c)
        cells.push_back(FSource->Cell(c, row - FSourceAt));
    return cells;
}

void TBaseTable::SetRow(int row, TRow cells) {
    if (row < 0 || row >= RowCount()) return;
    OwnRow(row);
    if (static_cast<int>(cells.size()) > FColCount)
        cells.resize(static_cast<std::size_t>(FColCount));
    FRows[static_cast<std::size_t>(Stored(row))] = std::move(cells);
}

void TBaseTable::InsertEmptyRow(int row) {
    row = std::clamp(row, 0, RowCount());
    if (FSource && row > FSourceAt && row < FSourceAt + FSourceRows) Materialize();
    if (FSource && row <= FSourceAt) {
        FRows.insert(FRows.begin() + row, TRow());
        ++FSourceAt;
        return;
    }
    FRows.insert(FRows.begin() + Stored(row), TRow());
}

void TBaseTable::EraseRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    OwnRow(row);
    FRows.erase(FRows.begin() + Stored(row));
    if (FSource && row < FSourceAt) --FSourceAt;
    if (RowCount() == 0) FRows.emplace_back();
    if (FFixedRows >= RowCount()) FFixedRows = RowCount() - 1;
}

// ---------------------------------------------------------------------------------------------
// TFilterButtonState

void TFilterButtonState::SetCaptionItems(std::vector<std::string> items) {
    if (items.size() != FItems.size()) {
        if (DropDownOpen)
            FSelected.resize(items.size(), false);
        else
            FSelected.assign(items.size(), false);
    }
    FItems = std::move(items);
}

bool TFilterButtonState::Selected(int item) const {
    return item >= 0 && item < static_cast<int>(FSelected.size()) &&
           FSelected[static_cast<std::size_t>(item)];
}

void TFilterButtonState::SetSelected(int item, bool value) {
    if (item >= 0 && item < static_cast<int>(FSelected.size()))
        FSelected[static_cast<std::size_t>(item)] = value;
}

std::string TFilterButtonState::ItemCaption(const std::string& item) {
    std::size_t p = 0;
    while (p < item.size() && item[p] == ' ')
        ++p;
    if (p >= item.size() || item[p] != '"') return {};
    std::size_t end = item.find('"', p + 1);
    if (end == std::string::npos) return item.substr(p + 1);
    return item.substr(p + 1, end - p - 1);
}

std::string TFilterButtonState::Caption() const {
    if (Selected(0)) return ItemCaption(0);
    std::string result;
    bool any = false;
    for (int i = 1; i < ItemCount(); ++i) {
        if (!Selected(i)) continue;
        if (any) result += ", ";
        result += ItemCaption(i);
        any = true;
    }
    return any ? result : "[..]";
}

void TFilterButtonState::ClickItem(int item) {
    if (item < 0 || item >= ItemCount()) return;
    bool pressed = !Selected(item);
    if (Selection == TSelection::fsMulti) {
        if (pressed && item > 0 && Selected(0)) SetSelected(0, false);
    } else if (Selection == TSelection::fsSingle) {
        for (int i = 0; i < ItemCount(); ++i)
            SetSelected(i, false);
    }
    SetSelected(item, pressed);
}

// ---------------------------------------------------------------------------------------------
// Texts

std::string CommaText(const TBaseTable& table, int row) {
    if (table.ColCount() == 1 && table.Cell(0, row).empty()) return "\"\"";
    std::string result;
    for (int c = 0; c < table.ColCount(); ++c) {
        if (c > 0) result += ',';
        const std::string& text = table.Cell(c, row);
        bool quote = std::any_of(text.begin(), text.end(),
                                 [](char ch) { return IsCtl(ch) || ch == '"' || ch == ','; });
        if (!quote) {
            result += text;
            continue;
        }
        result += '"';
        for (char ch : text) {
            if (ch == '"') result += '"';
            result += ch;
        }
        result += '"';
    }
    return result;
}

std::vector<std::string> ParseCommaText(std::string_view text) {
    // A NUL ends the text, as it did for the system's string routines.
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> fields;
    std::size_t p = 0, n = text.size();
    auto skipBlanks = [&] {
        while (p < n && IsCtl(text[p]))
            ++p;
    };
    skipBlanks();
    while (p < n) {
        std::string field;
        if (text[p] == '"') {
            ++p;
            while (p < n) {
                if (text[p] == '"') {
                    if (p + 1 < n && text[p + 1] == '"') {
                        field += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                field += text[p++];
            }
        } else {
            std::size_t start = p;
            while (p < n && text[p] != ',' && !IsCtl(text[p]))
                ++p;
            field.assign(text.substr(start, p - start));
        }
        fields.push_back(field.empty() ? std::string(" ") : std::move(field));
        skipBlanks();
        if (p < n && text[p] == ',') {
            ++p;
            if (p >= n) {
                fields.emplace_back(" ");
                break;
            }
            skipBlanks();
        }
    }
    return fields;
}

std::string FormatFilterItem(const std::string& text, bool withPrefix) {
    std::string t = Trim(text);
    std::size_t amp = t.find('&');
    if (amp != std::string::npos) t.insert(amp, 1, '&');
    if (t.empty()) return {};
    if (withPrefix) t = "->" + t;
    return "\"" + t + "\",-1";
}

std::string UnescapeCSVLine(std::string_view line) {
    std::string result;
    result.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c != '\\') {
            result += c;
            continue;
        }
        if (i + 1 >= line.size()) break; // a trailing backslash is dropped
        char next = line[++i];
        switch (next) {
        case '\\':
            result += '\\';
            break;
        case 'n':
            result += '\n';
            break;
        case 'r':
            result += '\r';
            break;
        case 't':
            result += '\t';
            break;
        default:
            result += '\\';
            result += next;
        }
    }
    return result;
}

std::vector<std::string> SplitCSVLine(std::string_view line, char separator, int maxFields,
                                      bool* truncated) {
    std::vector<std::string> fields;
    if (truncated) *truncated = false;
    std::size_t start = 0;
    for (;;) {
        std::size_t sep = line.find(separator, start);
        if (static_cast<int>(fields.size()) >= maxFields) {
            if (truncated) *truncated = start < line.size();
            break;
        }
        if (sep == std::string_view::npos) {
            // The text after the last separator; nothing after a final separator.
            if (start < line.size() || fields.empty()) fields.emplace_back(line.substr(start));
            break;
        }
        fields.emplace_back(line.substr(start, sep - start));
        start = sep + 1;
    }
    return fields;
}

std::vector<int> AdjustedColWidths(const TBaseTable& table, std::vector<int> widths, bool allRows,
                                   int controlWidth,
                                   const std::function<int(const std::string&)>& textWidth) {
    widths.resize(static_cast<std::size_t>(table.ColCount()), 0);
    long long total = table.ColCount(); // one pixel of grid line per column
    for (int c = 0; c < table.ColCount(); ++c) {
        int& width = widths[static_cast<std::size_t>(c)];
        if (width > 0) {
            int w = MinColWidth;
            if (allRows) {
                const auto fit = [&](const std::string& text) {
                    w = std::min(MaxColWidth, std::max(textWidth("  " + text + " "), w));
                };
                const TCellSource* source = table.Source();
                const int blockFrom = source ? table.SourceAt() : table.RowCount();
                const int blockTo = source ? blockFrom + source->RowCount() : blockFrom;
                for (int r = 0; r < blockFrom; ++r)
                    fit(table.Cell(c, r));
                if (source) source->WidthTexts(c, fit);
                for (int r = blockTo; r < table.RowCount(); ++r)
                    fit(table.Cell(c, r));
            } else {
                w = std::min(MaxColWidth,
                             std::max(textWidth(" " + Trim(table.Cell(c, 0)) + " "), w));
            }
            width = w;
        }
        total += width;
    }
    if (total > 0 && total < controlWidth) {
        double factor = static_cast<double>(controlWidth) / static_cast<double>(total);
        for (int& width : widths)
            width = static_cast<int>(std::nearbyint(width * factor));
    }
    return widths;
}

// ---------------------------------------------------------------------------------------------
// TGridTable

TGridTable::TUpdateScope::TUpdateScope(TGridTable& table) : FTable(table) {
    ++FTable.FUpdateDepth;
}

TGridTable::TUpdateScope::~TUpdateScope() {
    if (--FTable.FUpdateDepth > 0) return;
    int what = FTable.FPending;
    FTable.FPending = 0;
    if (what && FTable.OnNotify) FTable.OnNotify(what);
}

TGridTable::TGridTable() {
    FFilterButtons.resize(static_cast<std::size_t>(std::max(FView.ColCount(), 2)));
    CopyViewToData();
}

void TGridTable::EnsureData() const {
    if (!FDataStale) return;
    FDataGrid = FView;
    FDataStale = false;
}

void TGridTable::Changed(int senderColumn) {
    if (OnChanged) OnChanged(senderColumn);
}

void TGridTable::DestroyFilterButtons(int slotCount) {
    FFilterButtons.clear();
    FFilterButtons.resize(static_cast<std::size_t>(std::max(slotCount, 0)));
    Mark(ntButtons);
}

void TGridTable::SetRowCount(int value) {
    TUpdateScope scope(*this);
    int old = RowCount();
    if (value > old)
        for (int r = old; r < value; ++r)
            FView.ClearRow(r);
    if (OnRowColChange) OnRowColChange(value, ColCount());
    FView.SetRowCount(value);
    Mark(ntShape);
    if (value != old) {
        Changed();
        CopyViewToData();
        UpdateFilterButtons();
    }
}

void TGridTable::SetColCount(int value) {
    TUpdateScope scope(*this);
    int old = ColCount();
    if (OnRowColChange) OnRowColChange(RowCount(), value);
    if (value != old) DestroyFilterButtons(std::max(value, 2));
    if (value > 0 && value < old)
        for (int c = value; c < old; ++c)
            for (int r = 0; r < RowCount(); ++r)
                SetCell(c, r, std::string());
    FView.SetColCount(value);
    Mark(ntShape);
    if (value != old) {
        Changed();
        CopyViewToData();
        UpdateFilterButtons();
    }
}

void TGridTable::SetFixedRows(int value) {
    TUpdateScope scope(*this);
    FView.SetFixedRows(value);
    if (!FDataStale) FDataGrid.SetFixedRows(value);
    Mark(ntCells);
}

void TGridTable::SetFixedCols(int value) {
    TUpdateScope scope(*this);
    FView.SetFixedCols(value);
    if (!FDataStale) FDataGrid.SetFixedCols(value);
    Mark(ntCells);
}

int TGridTable::DataRowOf(int row) const {
    if (row >= 1 && row <= static_cast<int>(FRowMap.size()))
        return FRowMap[static_cast<std::size_t>(row - 1)];
    return row;
}

void TGridTable::SetCell(int col, int row, const std::string& value) {
    TUpdateScope scope(*this);
    if (!FDataStale) FDataGrid.SetCell(col, DataRowOf(row), value);
    FView.SetCell(col, row, value);
    Mark(ntCells);
}

void TGridTable::EditCell(int col, int row, const std::string& value,
                          const std::function<void()>& before) {
    TUpdateScope scope(*this);
    FView.SetCell(col, row, value);
    Mark(ntCells);
    if (before) before();
    if (!FDataStale) FDataGrid.SetCell(col, DataRowOf(row), FView.Cell(col, row));
}

void TGridTable::CopyViewToData() {
    FDataStale = true;
    FDataGrid = TBaseTable();
    FRowMap.clear();
}

void TGridTable::CopyDataToView() {
    TUpdateScope scope(*this);
    EnsureData();
    FView = FDataGrid;
    FRowMap.clear();
    Mark(ntShape);
}

void TGridTable::InsertSourceRows(int row, std::shared_ptr<const TCellSource> source) {
    TUpdateScope scope(*this);
    const int old = RowCount();
    if (OnRowColChange && source) OnRowColChange(old + source->RowCount(), ColCount());
    FView.InsertSourceRows(row, std::move(source));
    Mark(ntShape);
    if (RowCount() != old) {
        Changed();
        CopyViewToData();
        UpdateFilterButtons();
    }
}

void TGridTable::InsertRowAt(int row) {
    TUpdateScope scope(*this);
    SetRowCount(RowCount() + 1);
    // The row that fell off the end is the empty one just added.
    FView.EraseRow(RowCount() - 1);
    FView.InsertEmptyRow(std::clamp(row, 0, RowCount()));
    Mark(ntShape);
    CopyViewToData();
    Changed();
}

int TGridTable::FindDataRow(int row) const {
    EnsureData();
    std::string text = CommaText(FView, row);
    for (int d = 0; d < FDataGrid.RowCount(); ++d)
        if (CommaText(FDataGrid, d) == text) return d;
    return -1;
}

void TGridTable::DeleteDataRow(int dataRow) {
    EnsureData();
    if (dataRow < 0 || dataRow >= FDataGrid.RowCount()) return;
    FDataGrid.EraseRow(dataRow);
}

void TGridTable::DeleteSelectedRows(int top, int bottom) {
    TUpdateScope scope(*this);
    int fixed = FixedRows();
    EnsureData();
    if (RowCount() >= 2) {
        for (int r = std::max(top, 0); r <= bottom && r < RowCount(); ++r) {
            int d = FView.RowCount() == FDataGrid.RowCount() ? r : FindDataRow(r);
            if (d >= 0) DeleteDataRow(d);
        }
        if (FDataGrid.RowCount() == 1) {
            FDataGrid.SetRowCount(2);
            FDataGrid.ClearRow(1);
        }
    }
    if (RowCount() < 2) FDataGrid.ClearRow(1);
    CopyDataToView();
    SetFixedRows(std::min(RowCount() - 1, fixed));
    UpdateFilterButtons();
    Changed();
}

void TGridTable::ReadCommaTextIntoRow(int row, std::string_view text) {
    TUpdateScope scope(*this);
    for (int c = 0; c < ColCount(); ++c)
        SetCell(c, row, std::string());
    std::vector<std::string> fields = ParseCommaText(text);
    for (int c = 0; c < static_cast<int>(fields.size()) && c < ColCount(); ++c)
        SetCell(c, row, fields[static_cast<std::size_t>(c)]);
}

void TGridTable::Assign(const TGridTable& source) {
    if (&source == this) return;
    TUpdateScope scope(*this);
    SetColCount(source.ColCount());
    SetRowCount(source.RowCount());
    SetFixedRows(source.FixedRows());
    SetFixedCols(source.FixedCols());
    for (int r = 0; r < source.RowCount() && r < RowCount(); ++r)
        FView.SetRow(r, source.FView.Row(r));
    Mark(ntShape);
    CopyViewToData();
    UpdateFilterButtons();
    Changed();
}

// ---------------------------------------------------------------------------------------------
// Filters

TFilterButtonState* TGridTable::FilterButton(int col) const {
    if (col < 0 || col >= static_cast<int>(FFilterButtons.size())) return nullptr;
    return FFilterButtons[static_cast<std::size_t>(col)].get();
}

void TGridTable::SetCenterColor(bool value) {
    FCenterColor = value;
    UpdateFilterButtons();
}

void TGridTable::SetColorScale(double value) {
    FColorScale = value;
    UpdateFilterButtons();
}

void TGridTable::SetGradient(unsigned start, unsigned mid, unsigned end) {
    FGradientStart = start;
    FGradientMid = mid;
    FGradientEnd = end;
    UpdateFilterButtons();
}

bool TGridTable::HasFilterEntries(int col) const {
    if (!OnGetFilterEntries) return false;
    std::vector<std::string> list;
    OnGetFilterEntries(col, list);
    return !list.empty();
}

void TGridTable::UpdateFilterButtons() {
    if (FLoading) return; // done once when the load ends
    TUpdateScope scope(*this);
    Mark(ntButtons);
    if (!OnHasFilter) {
        for (auto& slot : FFilterButtons)
            slot.reset();
        return;
    }
    if (RowCount() > 1) SetFixedRows(1);
    EnsureData();
    if (static_cast<int>(FFilterButtons.size()) < ColCount())
        FFilterButtons.resize(static_cast<std::size_t>(ColCount()));
    for (int c = 0; c < ColCount(); ++c) {
        TSelection kind = TSelection::fsNone;
        bool sorted = false;
        OnHasFilter(c, kind, sorted);
        auto& slot = FFilterButtons[static_cast<std::size_t>(c)];
        if (kind == TSelection::fsNone) {
            slot.reset();
            continue;
        }
        if (!slot) slot = std::make_shared<TFilterButtonState>();
        TFilterButtonState& button = *slot;
        button.Selection = kind;
        button.Popup = true;
        button.WordWrap = false;
        // A closed button starts over; an open one keeps what the user is picking.
        if (!button.DropDownOpen) button.ClearItems();

        std::vector<std::string> entries;
        if (OnGetFilterEntries) OnGetFilterEntries(c, entries);
        if (entries.empty())
            for (int d = 1; d < FDataGrid.RowCount(); ++d)
                entries.push_back(FDataGrid.Cell(c, d));

        std::vector<std::string> items;
        std::unordered_set<std::string> seen;
        for (const std::string& entry : entries) {
            std::string item = FormatFilterItem(entry, true);
            if (!item.empty() && seen.insert(FoldCaseKey(item)).second)
                items.push_back(std::move(item));
        }
        if (sorted)
            std::stable_sort(items.begin(), items.end(),
                             [](const std::string& a, const std::string& b) {
                                 return QString::compare(FromSystemText(a), FromSystemText(b),
                                                         Qt::CaseInsensitive) < 0;
                             });
        items.insert(items.begin(), FormatFilterItem(FDataGrid.Cell(c, 0), false));
        button.SetCaptionItems(std::move(items));
        if (button.ItemCount() > 0 && !button.DropDownOpen) button.SetSelected(0, true);
        button.StateMax = button.ItemCount() - 1;
        button.GradientStart = FGradientStart;
        button.GradientMid = FGradientMid;
        button.GradientEnd = FGradientEnd;
        button.ColorScale = FColorScale;
        button.CenterColor = FCenterColor;
    }
}

void TGridTable::ApplyFilter(int senderColumn) {
    TUpdateScope scope(*this);
    EnsureData();
    FView.SetRowCount(1);
    Mark(ntShape);
    int dataRows = FDataGrid.RowCount();
    std::vector<char> passes(static_cast<std::size_t>(std::max(dataRows, 0)), 1);

    for (int c = 0; c < static_cast<int>(FFilterButtons.size()); ++c) {
        TFilterButtonState* button = FilterButton(c);
        if (!button) continue;
        TSelection kind = TSelection::fsNone;
        bool sorted = false;
        if (OnHasFilter) OnHasFilter(c, kind, sorted);
        if (kind == TSelection::fsNone) continue;
        if (button->ItemCount() == 0 || button->Selected(0)) continue;

        std::vector<std::string> values;
        for (int i = 1; i < button->ItemCount(); ++i) {
            if (!button->Selected(i)) continue;
            std::string value = Trim(button->ItemCaption(i));
            value = value.size() >= 2 ? value.substr(2) : std::string();
            std::size_t amp = value.find("&&");
            if (amp != std::string::npos) value.erase(value.find('&'), 1);
            values.push_back(std::move(value));
        }
        if (sorted) {
            std::stable_sort(values.begin(), values.end(),
                             [](const std::string& a, const std::string& b) {
                                 return QString::compare(FromSystemText(a), FromSystemText(b),
                                                         Qt::CaseInsensitive) < 0;
                             });
        }

        if (OnIsInList && HasFilterEntries(c)) {
            for (int d = 1; d < dataRows; ++d)
                if (passes[static_cast<std::size_t>(d)] && !OnIsInList(values, c, d))
                    passes[static_cast<std::size_t>(d)] = 0;
        } else {
            std::unordered_set<std::string> wanted;
            for (const std::string& v : values)
                wanted.insert(FoldCaseKey(v));
            for (int d = 1; d < dataRows; ++d)
                if (passes[static_cast<std::size_t>(d)] &&
                    !wanted.count(FoldCaseKey(Trim(FDataGrid.Cell(c, d)))))
                    passes[static_cast<std::size_t>(d)] = 0;
        }
    }

    FRowMap.clear();
    for (int d = 1; d < dataRows; ++d) {
        if (!passes[static_cast<std::size_t>(d)]) continue;
        FRowMap.push_back(d);
        FView.SetRowCount(FView.RowCount() + 1);
        FView.SetRow(FView.RowCount() - 1, FDataGrid.Row(d));
    }
    SetFixedRows(RowCount() < 2 ? 0 : 1);
    Changed(senderColumn);
    Mark(ntButtons);
}

// ---------------------------------------------------------------------------------------------
// CSV storage

bool TGridTable::LoadCSVFile(const std::string& fileName, char separator) {
    std::string content;
    {
        std::error_code ec;
        const std::filesystem::path path = PathOf(fileName);
        bool ok = std::filesystem::is_regular_file(path, ec);
        std::ifstream in;
        if (ok) {
            in.open(path, std::ios::binary);
            ok = in.is_open();
        }
        if (ok) {
            content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            ok = !in.bad();
        }
        if (!ok) {
            if (Dialogs) Dialogs->MessageBox("Cannot open input file." + fileName, "System");
            return false;
        }
    }
    // A NUL byte ends the text.
    std::size_t nul = content.find('\0');
    if (nul != std::string::npos) content.resize(nul);

    bool truncated = false;
    {
        TUpdateScope scope(*this);
        SetRowCount(1);
        FView.ClearRow(0);
        FLoading = true;
        std::size_t pos = 0, n = content.size();
        int i = 0;
        while (pos < n) {
            std::size_t end = content.find_first_of("\r\n", pos);
            if (end == std::string::npos) end = n;
            std::string line = UnescapeCSVLine(std::string_view(content).substr(pos, end - pos));
            if (end >= n)
                pos = n;
            else if (content[end] == '\r' && end + 1 < n && content[end + 1] == '\n')
                pos = end + 2;
            else
                pos = end + 1;

            FView.SetRowCount(std::max(i + 1, RowCount()));
            bool lineTruncated = false;
            std::vector<std::string> fields =
                SplitCSVLine(line, separator, MaxCSVColCount, &lineTruncated);
            truncated = truncated || lineTruncated;
            for (int k = 0; k < static_cast<int>(fields.size()); ++k) {
                if (k + 1 > ColCount()) SetColCount(k + 1);
                FView.SetCell(k, i, std::move(fields[static_cast<std::size_t>(k)]));
            }
            ++i;
        }
        FLoading = false;
        Mark(ntShape);
        CopyViewToData();
        UpdateFilterButtons();
        Changed();
    }
    if (truncated && Dialogs)
        Dialogs->ShowMessage(SafeFormat("Only the first %s columns of \"%s\" were loaded.",
                                        {std::to_string(MaxCSVColCount), fileName}));
    return true;
}

bool TGridTable::SaveCSVFile(const std::string& fileName) {
    EnsureData();
    platform::TAtomicFile file(fileName);
    // A file we may write but whose folder we may not still gets saved, in place.
    file.AllowWriteInPlace();
    bool ok = file.Open();
    for (int d = 0; ok && d < FDataGrid.RowCount(); ++d)
        ok = file.Write(CommaText(FDataGrid, d) + "\r\n");
    ok = ok && file.Commit();
    if (!ok) {
        if (Dialogs) Dialogs->ShowMessage("Error writing File :" + fileName);
        return false;
    }
    Modified = false;
    return true;
}

} // namespace orvane
