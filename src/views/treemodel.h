// The period tree as an item model. The nodes are built whole (periods.h); the model creates its
// items for a node's children only when the view expands that node, so a record of years does
// not put millions of items into the view up front.
#pragma once

#include "views/periods.h"

#include <QAbstractItemModel>

#include <memory>
#include <vector>

class QFont;
class QTreeView;

namespace orvane {

class TTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit TTreeModel(QObject* parent = nullptr);
    ~TTreeModel() override;

    // Replaces all nodes (selection and expanded state go with them).
    void SetTree(TTree tree);
    void Clear() { SetTree({}); }
    const TTree& Tree() const { return FTree; }

    // The node behind an index, and its parent node (nullptr for a top-level node).
    const TTreeNode* Node(const QModelIndex& index) const;
    const TTreeNode* ParentNode(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // Number of items made so far (for tests and figures).
    std::size_t ItemCount() const { return FItemCount; }

private:
    struct TItem {
        const TTreeNode* Node = nullptr; // nullptr for the invisible root
        TItem* Parent = nullptr;
        int Row = 0;
        bool Fetched = false;
        std::vector<std::unique_ptr<TItem>> Children;
    };
    TItem* ItemOf(const QModelIndex& index) const;
    void MakeChildren(TItem* item);

    TTree FTree;
    std::unique_ptr<TItem> FRoot;
    std::size_t FItemCount = 0;
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

} // namespace orvane
