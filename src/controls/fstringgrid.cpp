#include "controls/fstringgrid.h"

#include "recorder/datetime.h"
#include "views/recordedtext.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace orvane {

namespace {

// One pixel of grid line belongs to every section of the view.
constexpr int GridLine = 1;
// A cell can show no more than this; longer texts are cut before they are measured or drawn.
constexpr int MaxDrawnChars = 1000;

// Cells hold recorded text and what is formatted beside it: the system's 8-bit text.
QString DrawnText(const std::string& text) {
    QString s =
        FromSystemText(text.size() > 4 * MaxDrawnChars ? text.substr(0, 4 * MaxDrawnChars) : text);
    if (s.size() > MaxDrawnChars) s.truncate(MaxDrawnChars);
    return s;
}

class TQtGridDialogs : public IGridDialogs {
public:
    explicit TQtGridDialogs(QWidget* parent) : FParent(parent) {}

    void MessageBox(const std::string& text, const std::string& caption) override {
        QMessageBox::warning(FParent, FromUtf8Text(caption), FromUtf8Text(text),
                             QMessageBox::Ok | QMessageBox::Cancel);
    }
    void ShowMessage(const std::string& text) override {
        QMessageBox::information(FParent, QApplication::applicationName(), FromUtf8Text(text));
    }
    bool OpenFileDialog(std::string& fileName, const std::string& filterName,
                        const std::string& filterPattern, const std::string& defaultExt) override {
        return Run(QFileDialog::AcceptOpen, fileName, filterName, filterPattern, defaultExt);
    }
    bool SaveFileDialog(std::string& fileName, const std::string& filterName,
                        const std::string& filterPattern, const std::string& defaultExt) override {
        return Run(QFileDialog::AcceptSave, fileName, filterName, filterPattern, defaultExt);
    }

private:
    bool Run(QFileDialog::AcceptMode mode, std::string& fileName, const std::string& filterName,
             const std::string& filterPattern, const std::string& defaultExt) {
        QFileDialog dialog(FParent);
        dialog.setAcceptMode(mode);
        dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
        dialog.setNameFilter(FromUtf8Text(filterName + " (" + filterPattern + ")"));
        dialog.setDefaultSuffix(
            FromFileName(defaultExt).remove(0, defaultExt.starts_with('.') ? 1 : 0));
        dialog.selectFile(FromFileName(fileName));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
        fileName = ToFileName(dialog.selectedFiles().first());
        return true;
    }

    QWidget* FParent;
};

class TGridDelegate : public QStyledItemDelegate {
public:
    explicit TGridDelegate(TFStringGrid& grid) : QStyledItemDelegate(&grid), FGrid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        int state = 0;
        if (option.state & QStyle::State_Selected) state |= gdSelected;
        if (FGrid.currentIndex() == index) state |= gdFocused;
        if (index.row() < FGrid.FixedRows() || index.column() < FGrid.FixedCols()) state |= gdFixed;
        painter->save();
        FGrid.DrawCell(*painter, index.column(), index.row(), option.rect, state);
        painter->restore();
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        FGrid.EditorOpened(editor);
        return editor;
    }

private:
    TFStringGrid& FGrid;
};

const char* const FilterName = "Comma Separated Values";
const char* const FilterPattern = "*.csv";
const char* const DefaultExt = ".csv";

} // namespace

char SystemListSeparator() {
    return QLocale().decimalPoint() == QStringLiteral(",") ? ';' : ',';
}

// ---------------------------------------------------------------------------------------------
// TGridItemModel

TGridItemModel::TGridItemModel(TFStringGrid& grid)
    : QAbstractTableModel(&grid), FGrid(grid), FRows(grid.FTable.RowCount()),
      FCols(grid.FTable.ColCount()) {}

int TGridItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FRows;
}
int TGridItemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FCols;
}

QVariant TGridItemModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return FromSystemText(FGrid.FTable.Cell(index.column(), index.row()));
}

bool TGridItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    int col = index.column(), row = index.row();
    std::string text = ToSystemText(value.toString());
    FGrid.FTable.EditCell(col, row, text, [&] {
        if (FGrid.OnSetEditText) FGrid.OnSetEditText(&FGrid, col, row, text);
    });
    return true;
}

Qt::ItemFlags TGridItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    if (index.row() < FGrid.FixedRows() || index.column() < FGrid.FixedCols())
        return Qt::ItemIsEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (FGrid.Editing()) flags |= Qt::ItemIsEditable;
    return flags;
}

void TGridItemModel::Sync(int what) {
    int rows = FGrid.FTable.RowCount(), cols = FGrid.FTable.ColCount();
    if (rows < FRows) {
        beginRemoveRows({}, rows, FRows - 1);
        FRows = rows;
        endRemoveRows();
    } else if (rows > FRows) {
        beginInsertRows({}, FRows, rows - 1);
        FRows = rows;
        endInsertRows();
    }
    if (cols < FCols) {
        beginRemoveColumns({}, cols, FCols - 1);
        FCols = cols;
        endRemoveColumns();
    } else if (cols > FCols) {
        beginInsertColumns({}, FCols, cols - 1);
        FCols = cols;
        endInsertColumns();
    }
    if ((what & (TGridTable::ntShape | TGridTable::ntCells)) && FRows > 0 && FCols > 0)
        emit dataChanged(index(0, 0), index(FRows - 1, FCols - 1), {Qt::DisplayRole, Qt::EditRole});
}

// ---------------------------------------------------------------------------------------------
// TFStringGrid

TFStringGrid::TFStringGrid(QWidget* parent) : QTableView(parent) {
    FOwnDialogs = std::make_unique<TQtGridDialogs>(this);
    FTable.Dialogs = FOwnDialogs.get();
    FModel = new TGridItemModel(*this);
    setModel(FModel);
    setItemDelegate(new TGridDelegate(*this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->setDefaultSectionSize(64 + GridLine);
    verticalHeader()->setDefaultSectionSize(FDefaultRowHeight + GridLine);
    verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    viewport()->setMouseTracking(true);
    setWordWrap(false);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    FTable.OnNotify = [this](int what) { TableNotify(what); };
    FTable.OnChanged = [this](int senderColumn) {
        if (!OnChanged) return;
        QObject* sender = this;
        if (senderColumn >= 0)
            if (TStateButton* button = FilterButtonWidget(senderColumn)) sender = button;
        OnChanged(sender);
    };
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] { ColWidthsChanged(); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { TopLeftChanged(); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { TopLeftChanged(); });
    FButtons.resize(FTable.FilterButtons().size(), nullptr);
}

TFStringGrid::~TFStringGrid() {
    // The headers and scroll bars go after our members; they must not call back into them.
    disconnect(horizontalHeader(), nullptr, this, nullptr);
    disconnect(horizontalScrollBar(), nullptr, this, nullptr);
    disconnect(verticalScrollBar(), nullptr, this, nullptr);
    for (TStateButton* button : FButtons)
        if (button) button->OnClick = nullptr;
    FTable.OnNotify = nullptr;
    FTable.OnChanged = nullptr;
    FTable.Dialogs = nullptr;
}

void TFStringGrid::SetDialogs(IGridDialogs* dialogs) {
    FTable.Dialogs = dialogs ? dialogs : FOwnDialogs.get();
}

void TFStringGrid::TableNotify(int what) {
    FModel->Sync(what);
    if (what & TGridTable::ntButtons) SyncFilterButtons();
    PlaceFilterButtons();
}

int TFStringGrid::ColWidths(int col) const {
    int size = horizontalHeader()->sectionSize(col);
    return size > 0 ? size - GridLine : 0;
}

void TFStringGrid::SetColWidths(int col, int width) {
    horizontalHeader()->resizeSection(col, width > 0 ? width + GridLine : 0);
}

int TFStringGrid::RowHeights(int row) const {
    int size = verticalHeader()->sectionSize(row);
    return size > 0 ? size - GridLine : 0;
}

void TFStringGrid::SetRowHeights(int row, int height) {
    verticalHeader()->resizeSection(row, height > 0 ? height + GridLine : 0);
}

int TFStringGrid::Row() const {
    QModelIndex current = currentIndex();
    if (current.isValid()) return current.row();
    return std::min(std::max(FixedRows(), 0), RowCount() - 1);
}

int TFStringGrid::Col() const {
    QModelIndex current = currentIndex();
    if (current.isValid()) return current.column();
    return std::min(std::max(FixedCols(), 0), ColCount() - 1);
}

void TFStringGrid::SetRow(int row) {
    row = std::clamp(row, 0, RowCount() - 1);
    setCurrentIndex(FModel->index(row, Col()));
}

void TFStringGrid::SetCol(int col) {
    col = std::clamp(col, 0, ColCount() - 1);
    setCurrentIndex(FModel->index(Row(), col));
}

TGridRect TFStringGrid::Selection() const {
    const QItemSelection selection = selectionModel()->selection();
    if (selection.isEmpty()) return {Col(), Row(), Col(), Row()};
    TGridRect rect{ColCount(), RowCount(), -1, -1};
    for (const QItemSelectionRange& range : selection) {
        rect.Left = std::min(rect.Left, range.left());
        rect.Top = std::min(rect.Top, range.top());
        rect.Right = std::max(rect.Right, range.right());
        rect.Bottom = std::max(rect.Bottom, range.bottom());
    }
    return rect;
}

void TFStringGrid::SetSelection(const TGridRect& rect) {
    int left = std::clamp(rect.Left, 0, ColCount() - 1),
        right = std::clamp(rect.Right, 0, ColCount() - 1);
    int top = std::clamp(rect.Top, 0, RowCount() - 1),
        bottom = std::clamp(rect.Bottom, 0, RowCount() - 1);
    selectionModel()->setCurrentIndex(FModel->index(top, left), QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(FModel->index(top, left), FModel->index(bottom, right)),
                             QItemSelectionModel::ClearAndSelect);
}

void TFStringGrid::SetEditing(bool value) {
    FEditing = value;
    setEditTriggers(value ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed
                          : QAbstractItemView::NoEditTriggers);
}

void TFStringGrid::SetRangeSelect(bool value) {
    setSelectionMode(value ? QAbstractItemView::ContiguousSelection
                           : QAbstractItemView::SingleSelection);
}

void TFStringGrid::DeleteSelectedRows() {
    TGridRect sel = Selection();
    FTable.DeleteSelectedRows(sel.Top, sel.Bottom);
}

void TFStringGrid::AdjustColWidths(bool AllRows) {
    QFontMetrics metrics(font());
    std::vector<int> widths;
    for (int c = 0; c < ColCount(); ++c)
        widths.push_back(ColWidths(c));
    widths = AdjustedColWidths(
        FTable.View(), std::move(widths), AllRows, width(),
        [&](const std::string& text) { return metrics.horizontalAdvance(DrawnText(text)); });
    for (int c = 0; c < ColCount(); ++c)
        SetColWidths(c, widths[static_cast<std::size_t>(c)]);
    UpdateFilterButtons();
}

void TFStringGrid::Assign(const QObject* Source) {
    const auto* grid = qobject_cast<const TFStringGrid*>(Source);
    if (!grid) throw EConvertError("TFStringGrid Assign not possible");
    FTable.Assign(grid->FTable);
}

// ---------------------------------------------------------------------------------------------
// Painting

QPoint TFStringGrid::CellTextOrigin(int ACol, int ARow, const QRect& rect,
                                    const QSize& extent) const {
    int indent = 5;
    if (OnGetAlignment) {
        switch (OnGetAlignment(ACol, ARow)) {
        case TAlignment::taRightJustify:
            indent = ColWidths(ACol) - extent.width() - 5;
            break;
        case TAlignment::taCenter:
            indent = (ColWidths(ACol) - extent.width()) / 2;
            break;
        case TAlignment::taLeftJustify:
            break;
        }
    }
    return {rect.left() + indent, rect.top() + (RowHeights(ARow) - extent.height()) / 2};
}

void TFStringGrid::DrawCell(QPainter& painter, int ACol, int ARow, const QRect& rect, int state) {
    if (OnDrawCell) {
        OnDrawCell(painter, ACol, ARow, rect, state);
        return;
    }
    DefaultDrawCell(painter, ACol, ARow, rect, state);
}

void TFStringGrid::DefaultDrawCell(QPainter& painter, int ACol, int ARow, const QRect& rect,
                                   int state) {
    painter.setFont(font());
    QColor brush, text;
    if ((state & gdSelected) && hasFocus()) {
        brush = palette().color(QPalette::Highlight);
        text = palette().color(QPalette::HighlightedText);
    } else if (state & gdFixed) {
        brush = palette().color(QPalette::Button);
        text = palette().color(QPalette::ButtonText);
    } else {
        brush = palette().color(QPalette::Base);
        text = palette().color(QPalette::Text);
    }
    painter.fillRect(rect, brush);
    QString t = DrawnText(Trim(Cells(ACol, ARow)));
    if (t.isEmpty()) return;
    QFontMetrics metrics(painter.font());
    QSize extent(metrics.horizontalAdvance(t), metrics.height());
    QPoint origin = CellTextOrigin(ACol, ARow, rect, extent);
    painter.setClipRect(rect);
    painter.setPen(text);
    painter.drawText(QRect(origin, extent), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, t);
}

// ---------------------------------------------------------------------------------------------
// Filter buttons

TStateButton* TFStringGrid::FilterButtonWidget(int col) const {
    return col >= 0 && col < static_cast<int>(FButtons.size())
               ? FButtons[static_cast<std::size_t>(col)]
               : nullptr;
}

void TFStringGrid::SyncFilterButtons() {
    const auto& buttonSlots = FTable.FilterButtons();
    // A button may go away from inside its own drop-down's click handler.
    auto drop = [](TStateButton* button) {
        button->CloseUp();
        button->hide();
        button->OnClick = nullptr;
        button->deleteLater();
    };
    for (std::size_t c = buttonSlots.size(); c < FButtons.size(); ++c)
        if (FButtons[c]) drop(FButtons[c]);
    FButtons.resize(buttonSlots.size(), nullptr);
    for (std::size_t c = 0; c < buttonSlots.size(); ++c) {
        TStateButton*& button = FButtons[c];
        if (button && button->State() != buttonSlots[c].get()) {
            drop(button);
            button = nullptr;
        }
        if (!buttonSlots[c]) continue;
        if (!button) {
            button = new TStateButton(viewport());
            button->SetState(buttonSlots[c]);
            button->OnClick = [this](TStateButton* sender) { ApplyFilter(sender); };
            button->show();
        }
        button->Refresh();
    }
}

void TFStringGrid::PlaceFilterButtons() {
    for (int c = 0; c < static_cast<int>(FButtons.size()); ++c) {
        TStateButton* button = FButtons[static_cast<std::size_t>(c)];
        if (!button) continue;
        if (c >= ColCount()) {
            button->hide();
            continue;
        }
        int x = columnViewportPosition(c), y = rowViewportPosition(0);
        int w = columnWidth(c), h = rowHeight(0);
        // Over the header cell without its left grid line and one pixel into the line below.
        button->setGeometry(x + 1, y, std::max(w - 2, 0), h);
        button->setVisible(w > 2);
    }
}

void TFStringGrid::EditorOpened(QWidget* editor) {
    FEditor = editor;
}

void TFStringGrid::HideEditor() {
    if (!FEditor) return;
    QWidget* editor = FEditor;
    FEditor = nullptr;
    // The text typed so far is kept, as leaving the cell would keep it.
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TFStringGrid::ApplyFilter(TStateButton* Sender) {
    HideEditor();
    int col = -1;
    for (int c = 0; c < static_cast<int>(FButtons.size()); ++c)
        if (FButtons[static_cast<std::size_t>(c)] == Sender) col = c;
    if (col < 0) return;
    FTable.ApplyFilter(col);
}

void TFStringGrid::ColWidthsChanged() {
    PlaceFilterButtons();
}

void TFStringGrid::TopLeftChanged() {
    PlaceFilterButtons();
    if (OnTopLeftChanged) OnTopLeftChanged(this);
}

// Dragging a grid line within the fixed cells resizes that column or row.
int TFStringGrid::SizingLineAt(const QPoint& pos, Qt::Orientation& orientation) const {
    const int grip = 3;
    int row = rowAt(pos.y()), col = columnAt(pos.x());
    if (FColSizing && row >= 0 && row < FixedRows()) {
        for (int c = 0; c < ColCount(); ++c) {
            int edge = columnViewportPosition(c) + columnWidth(c);
            if (columnWidth(c) > 0 && std::abs(pos.x() - edge) <= grip) {
                orientation = Qt::Horizontal;
                return c;
            }
        }
    }
    if (FRowSizing && col >= 0 && col < FixedCols()) {
        int r = row;
        for (int candidate : {r - 1, r}) {
            if (candidate < 0 || candidate >= RowCount()) continue;
            int edge = rowViewportPosition(candidate) + rowHeight(candidate);
            if (std::abs(pos.y() - edge) <= grip) {
                orientation = Qt::Vertical;
                return candidate;
            }
        }
    }
    return -1;
}

void TFStringGrid::mousePressEvent(QMouseEvent* event) {
    Qt::Orientation orientation = Qt::Horizontal;
    int line = event->button() == Qt::LeftButton
                   ? SizingLineAt(event->position().toPoint(), orientation)
                   : -1;
    if (line < 0) {
        QTableView::mousePressEvent(event);
        return;
    }
    FSizing = {line, orientation, event->position().toPoint(),
               orientation == Qt::Horizontal ? columnWidth(line) : rowHeight(line)};
    event->accept();
}

void TFStringGrid::mouseMoveEvent(QMouseEvent* event) {
    QPoint pos = event->position().toPoint();
    if (FSizing.Line >= 0) {
        if (FSizing.Orientation == Qt::Horizontal)
            horizontalHeader()->resizeSection(
                FSizing.Line, std::max(GridLine, FSizing.Size + pos.x() - FSizing.Start.x()));
        else
            verticalHeader()->resizeSection(
                FSizing.Line, std::max(GridLine, FSizing.Size + pos.y() - FSizing.Start.y()));
        event->accept();
        return;
    }
    Qt::Orientation orientation = Qt::Horizontal;
    if (SizingLineAt(pos, orientation) >= 0)
        viewport()->setCursor(orientation == Qt::Horizontal ? Qt::SplitHCursor : Qt::SplitVCursor);
    else
        viewport()->unsetCursor();
    QTableView::mouseMoveEvent(event);
}

void TFStringGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (FSizing.Line >= 0) {
        FSizing = {};
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
}

void TFStringGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    PlaceFilterButtons();
}

// ---------------------------------------------------------------------------------------------
// Row commands

void TFStringGrid::PriorRow() {
    if (Row() > 1) SetRow(Row() - 1);
}

void TFStringGrid::NextRow() {
    if (Row() < RowCount() - 1) SetRow(Row() + 1);
}

void TFStringGrid::FirstRow() {
    SetRow(1);
}

void TFStringGrid::LastRow() {
    SetRow(RowCount() - 1);
}

void TFStringGrid::InsertRow() {
    int row = Row();
    InsertRowAt(row + 1);
    SetRow(row + 1);
    FTable.Modified = true;
}

namespace {

std::string ChosenFileName(const std::string& chosen, const QObject& grid) {
    if (FromFileName(chosen).compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0)
        return ToFileName(grid.objectName()) + ".csv";
    return chosen;
}

} // namespace

void TFStringGrid::LoadCSV() {
    std::string name = FTable.FileName;
    if (!FTable.Dialogs ||
        !FTable.Dialogs->OpenFileDialog(name, FilterName, FilterPattern, DefaultExt))
        return;
    FTable.FileName = ChosenFileName(name, *this);
    // Only a table that really came from the file counts as unmodified.
    if (LoadCSVFile(FTable.FileName, SystemListSeparator())) FTable.Modified = false;
}

void TFStringGrid::SaveCSV() {
    std::string name = FTable.FileName;
    if (!FTable.Dialogs ||
        !FTable.Dialogs->SaveFileDialog(name, FilterName, FilterPattern, DefaultExt))
        return;
    FTable.FileName = ChosenFileName(name, *this);
    SaveCSVFile(FTable.FileName);
}

void TFStringGrid::CopyRow() {
    TGridRect sel = Selection();
    std::string text;
    for (int r = std::max(sel.Top, 0); r <= sel.Bottom && r < RowCount(); ++r)
        text += FTable.RowCommaText(r) + "\n";
    QApplication::clipboard()->setText(FromSystemText(text));
}

void TFStringGrid::PasteRow() {
    const std::string text = ToSystemText(QApplication::clipboard()->text());
    if (!text.empty()) {
        int row = Row();
        {
            TGridTable::TUpdateScope scope(FTable);
            // The paste ends where only blanks remain.
            std::size_t last = text.size();
            while (last > 0 && static_cast<unsigned char>(text[last - 1]) <= 32)
                --last;
            std::size_t pos = 0;
            while (pos < last) {
                std::size_t lf = text.find('\n', pos);
                // A last line without its line feed still counts.
                std::size_t end = lf == std::string::npos ? text.size() : lf;
                std::string line = text.substr(pos, end - pos);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (!line.empty()) {
                    InsertRowAt(row);
                    FTable.ReadCommaTextIntoRow(row, line);
                    ++row;
                }
                pos = end + 1;
            }
        }
        SetRow(row);
    }
    FTable.Modified = true;
    if (FTable.OnChanged) FTable.OnChanged(-1);
}

void TFStringGrid::DeleteRow() {
    int row = Row();
    if (row < 1) return; // row 0 is the header
    TGridRect remembered = Selection();
    FTable.DeleteSelectedRows(row, row);
    SetSelection(remembered);
    FTable.Modified = true;
}

} // namespace orvane
