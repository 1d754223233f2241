// The main window's period tree and chart: the tree of a record in a view mode, rebuilt only when
// the record or the mode changed, shown again with the user's place kept, and the chart of the
// period chosen in it.
#pragma once

#include "recorder/activitylist.h"
#include "views/periods.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>

class QTreeView;

namespace orvane {

class TActivityChart;
class TPeriodTree;
class TRuleSet;
class TTreeModel;

class TPeriodView : public QObject {
    Q_OBJECT
public:
    // Shows model in tree and follows the user's clicks, keys and mouse over it.
    TPeriodView(QTreeView& tree, TTreeModel& model, TActivityChart& chart, QObject* parent);

    // The tree of list in mode, built anew only when one of them (or, for the whole record,
    // the day) changed since; shown afresh all the same, keeping the user's place.
    void RefreshTree(const TActivityList& list, TViewMode mode, TDateTime now);
    // The bars of text in [from, to) (all of list when to is 0), coloured by category.
    void ShowChart(const TActivityList& list, TRuleSet& rules, const std::string& text,
                   TDateTime from, TDateTime to);
    // The period of the tree's current node.
    bool SelectedPeriod(TViewMode mode, TDateTime& from, TDateTime& to, std::string& text) const;
    // Selects the period of that day, as the program does, not the user.
    void SelectDay(int day);
    // Forgets the tree built; the next refresh builds it anew.
    void Clear();
    // The tree's current node is being set by the program, not by the user.
    bool Selecting() const { return FSelecting; }

signals:
    // A node was clicked, or chosen with the keyboard.
    void chosen();
    void mouseMoved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeView& FTree;
    TTreeModel& FModel;
    TActivityChart& FChart;
    const QObject* FViewport; // the tree's viewport, whose mouse events are watched
    // The tree built last and what it was built from.
    struct TTreeKey {
        std::uint64_t Version = 0;
        int Count = 0;
        TViewMode Mode = TViewMode::vmDaily;
        int Day = 0;
        bool operator==(const TTreeKey&) const = default;
    };
    std::shared_ptr<const TPeriodTree> FTreeBuilt;
    TTreeKey FTreeKey;
    bool FSelecting = false;
    bool FMouseDown = false;
    TViewMode FTreePlaceMode = TViewMode::vmDaily;
};

} // namespace orvane
