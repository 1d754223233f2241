#include "app/activitylistform.h"

#include "recorder/datetime.h"

namespace orvane {

namespace {
constexpr int GridWidth = 401;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int ButtonMargin = 16;
constexpr int ButtonTop = 8;
} // namespace

TActivityListForm::TActivityListForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ActivityListForm"));
    setWindowTitle(QStringLiteral("ActivityListForm"));
    resize(508, 323);

    sg = new TFStringGrid(this);
    sg->setObjectName(QStringLiteral("sg"));
    sg->SetColCount(3);
    sg->SetFixedCols(0);
    sg->SetFixedRows(1);
    sg->SetColWidths(0, 266);
    sg->SetColWidths(1, 64);
    sg->SetColWidths(2, 64);
    sg->SetRangeSelect(true);
    sg->SetRowSizing(true);
    sg->SetEditing(false);

    BitBtn1 = new QPushButton(QStringLiteral("Close"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    sg->setGeometry(0, 0, GridWidth, height());
    BitBtn1->setGeometry(width() - ButtonWidth - ButtonMargin, ButtonTop, ButtonWidth,
                         ButtonHeight);
}

void TActivityListForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}

void TActivityListForm::FormResize() {
    sg->setGeometry(0, 0, GridWidth, height());
    BitBtn1->move(width() - ButtonWidth - ButtonMargin, ButtonTop);
    sg->AdjustColWidths(true);
}

void FillActivityGrid(TFStringGrid& grid, const TActivityList& list,
                      const std::vector<int>& entryIndexes) {
    if (list.Count() == 0) return;
    {
        // One view update for the whole fill.
        TGridTable::TUpdateScope scope(grid.Table());
        grid.SetRowCount(2);
        for (int c = 0; c < grid.ColCount(); ++c)
            grid.SetCell(c, 1, std::string());
        for (int index : entryIndexes) {
            if (index < 0 || index >= list.Count()) continue;
            const TEntry& entry = list[index];
            int r = grid.RowCount() - 1;
            grid.SetCell(0, r, entry.Caption);
            grid.SetCell(1, r, DateTimeText(entry.Start));
            // Whole days stay in the text: an activity of 25 hours reads 25:00:00.
            grid.SetCell(2, r, DurationText(entry.Duration));
            grid.SetRowCount(grid.RowCount() + 1);
        }
    }
    grid.AdjustColWidths(true);
}

} // namespace orvane
