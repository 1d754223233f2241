#include "views/treemodel.h"

#include <QFont>
#include <QTreeView>

namespace orvane {

TTreeModel::TTreeModel(QObject* parent) : QAbstractItemModel(parent), FRoot(new TItem) {
    FRoot->Fetched = true;
}

TTreeModel::~TTreeModel() = default;

void TTreeModel::SetTree(TTree tree) {
    beginResetModel();
    FTree = std::move(tree);
    FRoot = std::make_unique<TItem>();
    FItemCount = 0;
    // The top level is small (one node per period): made at once.
    FRoot->Children.reserve(FTree.size());
    for (std::size_t i = 0; i < FTree.size(); ++i) {
        auto item = std::make_unique<TItem>();
        item->Node = &FTree[i];
        item->Parent = FRoot.get();
        item->Row = static_cast<int>(i);
        FRoot->Children.push_back(std::move(item));
    }
    FItemCount = FTree.size();
    FRoot->Fetched = true;
    endResetModel();
}

TTreeModel::TItem* TTreeModel::ItemOf(const QModelIndex& index) const {
    if (!index.isValid()) return FRoot.get();
    return static_cast<TItem*>(index.internalPointer());
}

const TTreeNode* TTreeModel::Node(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return nullptr;
    return ItemOf(index)->Node;
}

const TTreeNode* TTreeModel::ParentNode(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return nullptr;
    const TItem* parent = ItemOf(index)->Parent;
    return parent ? parent->Node : nullptr;
}

QModelIndex TTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    const TItem* item = ItemOf(parent);
    if (static_cast<std::size_t>(row) >= item->Children.size()) return {};
    return createIndex(row, 0, item->Children[static_cast<std::size_t>(row)].get());
}

QModelIndex TTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    const TItem* parent = ItemOf(child)->Parent;
    if (!parent || parent == FRoot.get()) return {};
    return createIndex(parent->Row, 0, const_cast<TItem*>(parent));
}

int TTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    return static_cast<int>(ItemOf(parent)->Children.size());
}

int TTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant TTreeModel::data(const QModelIndex& index, int role) const {
    const TTreeNode* node = Node(index);
    if (!node) return {};
    if (role == Qt::DisplayRole) return QString::fromUtf8(node->Text.data(),
                                                          static_cast<qsizetype>(node->Text.size()));
    return {};
}

bool TTreeModel::hasChildren(const QModelIndex& parent) const {
    if (parent.column() > 0) return false;
    const TItem* item = ItemOf(parent);
    if (!item->Node) return !FTree.empty();
    return !item->Node->Children.empty();
}

bool TTreeModel::canFetchMore(const QModelIndex& parent) const {
    const TItem* item = ItemOf(parent);
    return !item->Fetched && item->Node && !item->Node->Children.empty();
}

void TTreeModel::fetchMore(const QModelIndex& parent) {
    TItem* item = ItemOf(parent);
    if (item->Fetched || !item->Node) return;
    const int n = static_cast<int>(item->Node->Children.size());
    if (n == 0) {
        item->Fetched = true;
        return;
    }
    beginInsertRows(parent, 0, n - 1);
    MakeChildren(item);
    endInsertRows();
}

void TTreeModel::MakeChildren(TItem* item) {
    item->Fetched = true;
    const auto& nodes = item->Node->Children;
    item->Children.reserve(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        auto child = std::make_unique<TItem>();
        child->Node = &nodes[i];
        child->Parent = item;
        child->Row = static_cast<int>(i);
        item->Children.push_back(std::move(child));
    }
    FItemCount += nodes.size();
}

QFont FixedPitchFont() {
    // Where the family is missing the hint picks the system's monospace font.
    QFont font("Courier New", 8);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}

void SetUpTreeView(QTreeView& view) {
    view.setHeaderHidden(true);
    view.setIndentation(19);
    view.setUniformRowHeights(true);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setFont(FixedPitchFont());
}

void ShowTreeIn(QTreeView& view, TTreeModel& model) {
    if (view.model() != &model) view.setModel(&model);
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row, 0);
        if (!model.Node(index)->Data) view.expand(index); // the whole-record node
    }
}

} // namespace orvane
