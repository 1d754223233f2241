#include "app/activitylistform.h"

#include "language/langcomponent.h"
#include "language/langmanager.h"
#include "recorder/datetime.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace orvane {

namespace {
constexpr int GridWidth = 401;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int ButtonMargin = 16;
constexpr int ButtonTop = 8;
} // namespace

TActivityListForm::TActivityListForm(QWidget* parent, TLangManager* languages) : QDialog(parent) {
    setObjectName(QStringLiteral("ActivityListForm"));
    setProperty("orvaneForm", true);
    // The built-in caption is the form's name; the language files give it a real one.
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

    if (languages) {
        auto* lang = new TLangComponent(this);
        lang->SetLanManager(languages);
        LangComponent1 = lang;
    }
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

namespace {

// The listed entries as the grid's rows, kept apart from the list: the list may lose entries
// (clean-up, a new record, time taken out after an absence) while the grid still shows them.
// 16 bytes a row, where the texts took about a hundred.
class TActivityRows final : public TCellSource {
public:
    TActivityRows(const TActivityList& list, const std::vector<int>& entryIndexes) {
        FRows.reserve(entryIndexes.size());
        for (int index : entryIndexes) {
            if (index < 0 || index >= list.Count()) continue;
            const TEntry& entry = list[index];
            TRow row{entry.Start, entry.Caption, 0};
            const std::int64_t seconds = DurationSeconds(entry.Duration);
            if (seconds > INT32_MIN && seconds <= INT32_MAX) {
                row.Seconds = static_cast<std::int32_t>(seconds);
            } else {
                row.Seconds = INT32_MIN;
                FLongDurations.emplace(static_cast<int>(FRows.size()), entry.Duration);
            }
            FRows.push_back(row);
        }
        FRows.shrink_to_fit();
    }

    int RowCount() const override { return static_cast<int>(FRows.size()); }

    std::string Cell(int col, int row) const override {
        if (row < 0 || row >= RowCount()) return {};
        const TRow& r = FRows[static_cast<std::size_t>(row)];
        switch (col) {
        case 0:
            return r.Caption;
        case 1:
            return DateTimeText(r.Start);
        case 2:
            // Whole days stay in the text: an activity of 25 hours reads 25:00:00.
            return DurationText(Duration(row));
        default:
            return {};
        }
    }

    void WidthTexts(int col, const std::function<void(const std::string&)>& each) const override {
        if (FRows.empty()) return;
        switch (col) {
        case 0: {
            // A record of years repeats a few thousand captions.
            std::vector<bool> seen;
            for (const TRow& r : FRows) {
                const std::size_t k = r.Caption.Index();
                if (k >= seen.size()) seen.resize(std::max<std::size_t>(k + 1, seen.size() * 2));
                if (seen[k]) continue;
                seen[k] = true;
                each(r.Caption);
            }
            break;
        }
        case 1: {
            // The time of day is of one width (its digits are); the date may differ, by day.
            std::unordered_set<double> days;
            for (const TRow& r : FRows)
                if (days.insert(std::floor(r.Start)).second) each(DateTimeText(r.Start));
            break;
        }
        case 2: {
            // The texts differ in their digits and in the number of hours' digits: the longest
            // and the shortest length, the sign included.
            std::int32_t longest = INT32_MIN, shortest = INT32_MAX;
            for (const TRow& r : FRows) {
                if (r.Seconds == INT32_MIN) continue;
                longest = std::max(longest, r.Seconds);
                shortest = std::min(shortest, r.Seconds);
            }
            if (longest != INT32_MIN) {
                each(DurationText(longest / SecsPerDay));
                each(DurationText(shortest / SecsPerDay));
            }
            for (const auto& [row, duration] : FLongDurations)
                each(DurationText(duration));
            break;
        }
        default:
            break;
        }
    }

private:
    struct TRow {
        TDateTime Start;
        TText Caption;
        // What the duration text shows: whole seconds, signed; INT32_MIN for one kept aside.
        std::int32_t Seconds;
    };
    static_assert(sizeof(TRow) == 16);

    // The whole seconds DurationText shows for a duration; INT64_MAX where they do not tell it.
    static std::int64_t DurationSeconds(TDateTime duration) {
        if (!std::isfinite(duration)) return 0;
        const double ms = std::round(duration * MSecsPerDay);
        if (std::fabs(ms) > 9.0e15) return INT64_MAX;
        const auto total = static_cast<std::int64_t>(std::fabs(ms)) / 1000;
        if (ms < 0 && total == 0) return INT64_MAX; // "-00:00:00": kept aside
        return ms < 0 ? -total : total;
    }

    TDateTime Duration(int row) const {
        const TRow& r = FRows[static_cast<std::size_t>(row)];
        if (r.Seconds != INT32_MIN) return r.Seconds / SecsPerDay;
        const auto it = FLongDurations.find(row);
        return it == FLongDurations.end() ? 0 : it->second;
    }

    std::vector<TRow> FRows;
    std::unordered_map<int, TDateTime> FLongDurations;
};

} // namespace

void FillActivityGrid(TFStringGrid& grid, const TActivityList& list,
                      const std::vector<int>& entryIndexes) {
    if (list.Count() == 0) return;
    {
        // One view update for the whole fill.
        TGridTable::TUpdateScope scope(grid.Table());
        grid.SetRowCount(2);
        for (int c = 0; c < grid.ColCount(); ++c)
            grid.SetCell(c, 1, std::string());
        // The header row, the entries, the empty last row.
        grid.Table().InsertSourceRows(1, std::make_shared<TActivityRows>(list, entryIndexes));
    }
    grid.AdjustColWidths(true);
}

} // namespace orvane
