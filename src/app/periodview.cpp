#include "app/periodview.h"

#include "views/activitychart.h"
#include "views/chartdata.h"
#include "views/rules.h"
#include "views/treemodel.h"

#include <QEvent>
#include <QScopedValueRollback>
#include <QTreeView>

#include <optional>

namespace orvane {

TPeriodView::TPeriodView(QTreeView& tree, TTreeModel& model, TActivityChart& chart, QObject* parent)
    : QObject(parent), FTree(tree), FModel(model), FChart(chart), FViewport(tree.viewport()) {
    SetUpTreeView(FTree);
    FTree.setContextMenuPolicy(Qt::CustomContextMenu);
    FTree.setMouseTracking(true);
    FTree.viewport()->setMouseTracking(true);
    FTree.viewport()->installEventFilter(this);
    ShowTreeIn(FTree, FModel);
    connect(&FTree, &QTreeView::clicked, this, [this] { emit chosen(); });
    // A node chosen with the keyboard is shown as a clicked one; a mouse press leaves it to the
    // click, and restoring the user's place leaves the chart as it is.
    connect(FTree.selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!FSelecting && !FMouseDown) emit chosen();
    });
}

bool TPeriodView::eventFilter(QObject* watched, QEvent* event) {
    // Compared as it was when watched: while the tree is being destroyed, asking it for its
    // viewport would call into an object that is no longer a tree.
    if (watched == FViewport) {
        if (event->type() == QEvent::MouseMove) emit mouseMoved();
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick)
            FMouseDown = true;
        else if (event->type() == QEvent::MouseButtonRelease)
            FMouseDown = false;
    }
    return QObject::eventFilter(watched, event);
}

void TPeriodView::RefreshTree(const TActivityList& list, TViewMode mode, TDateTime now) {
    // The user's place survives the rebuild: on a record of years, finding one's day again
    // after every switch of windows would make the tree unusable.
    const bool keepPlace = !FModel.Tree().Empty() && FTreePlaceMode == mode;
    const TTreePlace place = keepPlace ? TreePlaceOf(FTree, FModel) : TTreePlace{};
    // The whole-record node names today's date.
    const TTreeKey key{list.Version(), list.Count(), mode,
                       mode == TViewMode::vmAll ? DayNumber(now) : 0};
    if (!FTreeBuilt || !(key == FTreeKey)) {
        if (!ValidViewMode(mode)) return; // a mode without a tree leaves it as it is
        // The former nodes go before the new ones are built: a record of years must not hold
        // two trees at once.
        FTreeBuilt.reset();
        FModel.Clear();
        std::optional<TPeriodTree> tree = BuildPeriodTree(list, mode, now);
        if (!tree) return;
        FTreeBuilt = std::make_shared<const TPeriodTree>(std::move(*tree));
        FTreeKey = key;
    }
    // An unchanged record gives the same nodes (activating the window asks for them each time);
    // they are shown afresh all the same, with selection and expanded state gone.
    FModel.SetTree(FTreeBuilt);
    ShowTreeIn(FTree, FModel);
    FTreePlaceMode = mode;
    if (keepPlace) {
        const QScopedValueRollback<bool> quiet(FSelecting, true);
        RestoreTreePlace(FTree, FModel, place);
    }
}

void TPeriodView::ShowChart(const TActivityList& list, TRuleSet& rules, const std::string& text,
                            TDateTime from, TDateTime to) {
    if (list.Count() == 0) {
        FChart.Clear();
        return;
    }
    // The new bars take the place of the former ones: a whole record has a million of them.
    TChartData data = FChart.TakeData();
    ChartBars(list, text, from, to, data);
    ColourRowsByCategory(data, rules);
    FChart.SetData(std::move(data));
}

bool TPeriodView::SelectedPeriod(TViewMode mode, TDateTime& from, TDateTime& to,
                                 std::string& text) const {
    const QModelIndex index = FTree.currentIndex();
    if (!index.isValid()) return false;
    const std::optional<TTreeNode> node = FModel.Node(index);
    const std::optional<TTreeNode> parent = FModel.ParentNode(index);
    const std::optional<TPeriodSelection> sel =
        orvane::SelectedPeriod(node ? &*node : nullptr, parent ? &*parent : nullptr, mode);
    if (!sel) return false;
    from = sel->From;
    to = sel->To;
    text = sel->Text;
    return true;
}

void TPeriodView::SelectDay(int day) {
    const QScopedValueRollback<bool> quiet(FSelecting, true);
    SelectPeriodOf(FTree, FModel, day);
}

void TPeriodView::Clear() {
    FTreeBuilt.reset();
    FModel.Clear();
}

} // namespace orvane
