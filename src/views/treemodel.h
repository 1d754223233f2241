// The period tree as an item model over the compact nodes of periods.h. Items are not objects of
// their own: an index names its level and its number within that level, and texts are made when
// the view asks for them, so a record of years costs the view nothing up front.
#pragma once

#include "views/periods.h"

#include <QAbstractItemModel>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QFont;
class QTreeView;

namespace orvane {

// A node as a rebuilt tree can find it again: its period by its day number (none for the
// whole-record node), then its program and its caption by their names; not by position or text,
// which change as the record grows.
struct TTreePath {
    int Depth = 0; // 0 period, 1 program, 2 caption line
    std::optional<int> Period;
    TText Program;
    TText Caption;
    friend bool operator==(const TTreePath&, const TTreePath&) = default;
};

class TTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit TTreeModel(QObject* parent = nullptr);
    ~TTreeModel() override;

    // Replaces all nodes (selection and expanded state go with them). The same tree may be set
    // again: it is shown afresh.
    void SetTree(std::shared_ptr<const TPeriodTree> tree);
    void SetTree(TPeriodTree tree) {
        SetTree(std::make_shared<const TPeriodTree>(std::move(tree)));
    }
    void Clear() { SetTree(nullptr); }
    const TPeriodTree& Tree() const { return *FTree; }

    // The node behind an index (its text and data, without its children), and its parent node
    // (none for a top-level node).
    std::optional<TTreeNode> Node(const QModelIndex& index) const;
    std::optional<TTreeNode> ParentNode(const QModelIndex& index) const;

    TTreePath PathOf(const QModelIndex& index) const;
    // The node of that path in this tree; invalid where it has none.
    QModelIndex IndexOf(const TTreePath& path) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::optional<TTreeNode> NodeAt(int level, std::size_t number) const;

    std::shared_ptr<const TPeriodTree> FTree;
};

// The fixed-pitch font of the main window: the padded columns of the tree and of the change log
// line up only in it.
QFont FixedPitchFont();
// Sets the view up once the way the period tree is shown: no header, 19 pixels per level, rows
// of one height, read-only, the fixed-pitch font.
void SetUpTreeView(QTreeView& view);
// Puts the model into the view after each new tree: periods collapsed, the whole-record node
// expanded one level.
void ShowTreeIn(QTreeView& view, TTreeModel& model);

// Where the user is in the tree: the expanded nodes, the current one and the scroll position.
struct TTreePlace {
    std::vector<TTreePath> Expanded;
    std::optional<TTreePath> Current;
    int Scroll = 0;
};
TTreePlace TreePlaceOf(const QTreeView& view, const TTreeModel& model);
// Brings the place back in a rebuilt tree, as far as its nodes are still there: nodes found
// are expanded, the others collapsed; the current node is selected and kept in sight.
void RestoreTreePlace(QTreeView& view, const TTreeModel& model, const TTreePlace& place);
// The node of the period that holds `day` (the last one starting on or before it), else the
// last period; selected and scrolled to.
void SelectPeriodOf(QTreeView& view, const TTreeModel& model, int day);

} // namespace orvane
