// TFStringGrid: a string grid with fixed rows and columns, column filters, CSV storage and row
// commands. The table logic lives in TGridTable; this is the widget over it.
#pragma once

#include "controls/gridtable.h"
#include "controls/statebutton.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvane {

class TFStringGrid;

// The visible table as an item model for the view. Counts are cached so that the view only
// learns of a change through the model's signals.
class TGridItemModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TGridItemModel(TFStringGrid& grid);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void Sync(int what);

private:
    TFStringGrid& FGrid;
    int FRows = 0;
    int FCols = 0;
};

struct TGridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

enum TGridDrawStateFlag { gdSelected = 1, gdFocused = 2, gdFixed = 4 };

class TFStringGrid : public QTableView {
    Q_OBJECT
public:
    explicit TFStringGrid(QWidget* parent = nullptr);
    ~TFStringGrid() override;

    TGridTable& Table() { return FTable; }
    const TGridTable& Table() const { return FTable; }

    int RowCount() const { return FTable.RowCount(); }
    int ColCount() const { return FTable.ColCount(); }
    int FixedRows() const { return FTable.FixedRows(); }
    int FixedCols() const { return FTable.FixedCols(); }
    void SetRowCount(int value) { FTable.SetRowCount(value); }
    void SetColCount(int value) { FTable.SetColCount(value); }
    void SetFixedRows(int value) { FTable.SetFixedRows(value); }
    void SetFixedCols(int value) { FTable.SetFixedCols(value); }
    std::string Cells(int ACol, int ARow) const { return FTable.Cell(ACol, ARow); }
    void SetCell(int ACol, int ARow, const std::string& Value) {
        FTable.SetCell(ACol, ARow, Value);
    }

    // Widths and heights without the grid line.
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int RowHeights(int row) const;
    void SetRowHeights(int row, int height);
    int DefaultRowHeight() const { return FDefaultRowHeight; }

    // The current cell and the selection.
    int Row() const;
    int Col() const;
    void SetRow(int row);
    void SetCol(int col);
    TGridRect Selection() const;
    void SetSelection(const TGridRect& rect);

    // goEditing and goRangeSelect.
    void SetEditing(bool value);
    bool Editing() const { return FEditing; }
    void SetRangeSelect(bool value);
    // goColSizing and goRowSizing: grid lines in the fixed cells can be dragged.
    void SetColSizing(bool value) { FColSizing = value; }
    void SetRowSizing(bool value) { FRowSizing = value; }

    // Ends in-place editing, keeping the text typed so far.
    void HideEditor();
    // For the item delegate: the editor it just created.
    void EditorOpened(QWidget* editor);

    std::string FileName() const { return FTable.FileName; }
    void SetFileName(const std::string& value) { FTable.FileName = value; }
    bool Modified() const { return FTable.Modified; }
    void SetModified(bool value) { FTable.Modified = value; }

    void SetCenterColor(bool value) { FTable.SetCenterColor(value); }
    void SetColorScale(double value) { FTable.SetColorScale(value); }
    void SetGradient(unsigned start, unsigned mid, unsigned end) {
        FTable.SetGradient(start, mid, end);
    }

    void InsertRowAt(int ARow) { FTable.InsertRowAt(ARow); }
    void DeleteSelectedRows();
    void CopyViewToData() { FTable.CopyViewToData(); }
    void CopyDataToView() { FTable.CopyDataToView(); }
    void AdjustColWidths(bool AllRows);
    // Takes over another string grid's table; anything else raises EConvertError.
    void Assign(const QObject* Source);

    // Filters: the events are those of Table().
    void UpdateFilterButtons() { FTable.UpdateFilterButtons(); }
    void ApplyFilter(TStateButton* Sender);
    TStateButton* FilterButtonWidget(int col) const;

    bool LoadCSVFile(const std::string& FileName, char Separator) {
        return FTable.LoadCSVFile(FileName, Separator);
    }
    bool SaveCSVFile(const std::string& FileName) { return FTable.SaveCSVFile(FileName); }

    // The row commands.
    virtual void PriorRow();
    virtual void NextRow();
    virtual void FirstRow();
    virtual void LastRow();
    virtual void InsertRow();
    virtual void LoadCSV();
    virtual void SaveCSV();
    virtual void CopyRow();
    virtual void PasteRow();
    virtual void DeleteRow();

    // Dialogs and message boxes go through this; nullptr restores the built-in ones.
    void SetDialogs(IGridDialogs* dialogs);

    // Paints one cell; the base painting unless OnDrawCell is assigned.
    virtual void DrawCell(QPainter& painter, int ACol, int ARow, const QRect& rect, int state);
    void DefaultDrawCell(QPainter& painter, int ACol, int ARow, const QRect& rect, int state);
    // Where DrawCell puts a text of this extent into the cell.
    QPoint CellTextOrigin(int ACol, int ARow, const QRect& rect, const QSize& extent) const;

    // Events. OnChanged's Sender is the grid, or the filter button that filtered.
    std::function<void(QObject* Sender)> OnChanged;
    std::function<void(QObject* Sender)> OnTopLeftChanged;
    std::function<void(TFStringGrid* Sender, int ACol, int ARow, const std::string& Value)>
        OnSetEditText;
    std::function<TAlignment(int ACol, int ARow)> OnGetAlignment;
    std::function<void(QPainter& painter, int ACol, int ARow, const QRect& rect, int state)>
        OnDrawCell;

protected:
    virtual void ColWidthsChanged();
    virtual void TopLeftChanged();
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int SizingLineAt(const QPoint& pos, Qt::Orientation& orientation) const;
    friend class TGridItemModel;
    void TableNotify(int what);
    void SyncFilterButtons();
    void PlaceFilterButtons();

    TGridTable FTable;
    TGridItemModel* FModel = nullptr;
    std::unique_ptr<IGridDialogs> FOwnDialogs;
    std::vector<TStateButton*> FButtons;
    bool FEditing = false;
    bool FColSizing = false;
    bool FRowSizing = false;
    struct TSizing {
        int Line = -1;
        Qt::Orientation Orientation = Qt::Horizontal;
        QPoint Start;
        int Size = 0;
    } FSizing;
    QPointer<QWidget> FEditor;
    int FDefaultRowHeight = 24;
};

// The user's list separator: ";" where the decimal separator is a comma, else ",".
char SystemListSeparator();

} // namespace orvane
