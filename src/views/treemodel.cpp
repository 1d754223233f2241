#include "views/treemodel.h"

#include "views/recordedtext.h"

#include <QFont>
#include <QScrollBar>
#include <QTreeView>

namespace orvane {

namespace {

// An index's internal id: the level in the top two bits, the node's number within its level in
// the rest.
constexpr int LevelShift = 62;
constexpr quintptr NumberMask = (quintptr(1) << LevelShift) - 1;

quintptr IdOf(int level, std::size_t number) {
    return (static_cast<quintptr>(level) << LevelShift) | static_cast<quintptr>(number);
}
int LevelOf(const QModelIndex& index) {
    return static_cast<int>(index.internalId() >> LevelShift);
}
std::size_t NumberOf(const QModelIndex& index) {
    return static_cast<std::size_t>(index.internalId() & NumberMask);
}

// Recorded texts are 8-bit text in the system code page.
QString Q(const std::string& s) {
    return FromSystemText(s);
}

const std::shared_ptr<const TPeriodTree>& EmptyTree() {
    static const auto empty = std::make_shared<const TPeriodTree>();
    return empty;
}

} // namespace

TTreeModel::TTreeModel(QObject* parent) : QAbstractItemModel(parent), FTree(EmptyTree()) {}

TTreeModel::~TTreeModel() = default;

void TTreeModel::SetTree(std::shared_ptr<const TPeriodTree> tree) {
    beginResetModel();
    // The former nodes go first, so that a rebuild does not hold two trees.
    FTree.reset();
    FTree = tree ? std::move(tree) : EmptyTree();
    endResetModel();
}

std::optional<TTreeNode> TTreeModel::NodeAt(int level, std::size_t number) const {
    switch (level) {
    case 0: {
        const TPeriodTree::TPeriod& p = FTree->Periods()[number];
        return TTreeNode{0, p.Text, p.Data, {}};
    }
    case 1:
        return TTreeNode{1, FTree->ProgramText(number), std::nullopt, {}};
    case 2:
        return TTreeNode{2, FTree->LineText(number), std::nullopt, {}};
    default:
        return std::nullopt;
    }
}

std::optional<TTreeNode> TTreeModel::Node(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return std::nullopt;
    return NodeAt(LevelOf(index), NumberOf(index));
}

std::optional<TTreeNode> TTreeModel::ParentNode(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return std::nullopt;
    const QModelIndex up = parent(index);
    if (!up.isValid()) return std::nullopt;
    return Node(up);
}

TTreePath TTreeModel::PathOf(const QModelIndex& index) const {
    TTreePath path;
    if (!index.isValid() || index.model() != this) return path;
    std::size_t n = NumberOf(index);
    path.Depth = LevelOf(index);
    if (path.Depth == 2) {
        path.Caption = FTree->Lines()[n].Caption;
        n = FTree->ProgramOf(n);
    }
    if (path.Depth >= 1) {
        path.Program = FTree->Programs()[n].Process;
        n = FTree->PeriodOf(n);
    }
    path.Period = FTree->Periods()[n].Data;
    return path;
}

QModelIndex TTreeModel::IndexOf(const TTreePath& path) const {
    const auto& periods = FTree->Periods();
    std::size_t period = periods.size();
    for (std::size_t i = periods.size(); i-- > 0;)
        if (periods[i].Data == path.Period) {
            period = i;
            break;
        }
    if (period == periods.size()) return {};
    QModelIndex at = createIndex(static_cast<int>(period), 0, IdOf(0, period));
    if (path.Depth == 0) return at;
    const TPeriodTree::TPeriod& p = periods[period];
    std::size_t program = p.First + p.Count;
    for (std::size_t i = p.First; i < p.First + p.Count; ++i)
        if (FTree->Programs()[i].Process == path.Program) {
            program = i;
            break;
        }
    if (program == p.First + p.Count) return {};
    at = createIndex(static_cast<int>(program - p.First), 0, IdOf(1, program));
    if (path.Depth == 1) return at;
    const TPeriodTree::TProgram& g = FTree->Programs()[program];
    for (std::size_t i = g.First; i < g.First + g.Count; ++i)
        if (FTree->Lines()[i].Caption == path.Caption)
            return createIndex(static_cast<int>(i - g.First), 0, IdOf(2, i));
    return {};
}

QModelIndex TTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || row >= rowCount(parent)) return {};
    const auto r = static_cast<std::size_t>(row);
    if (!parent.isValid()) return createIndex(row, 0, IdOf(0, r));
    const std::size_t n = NumberOf(parent);
    switch (LevelOf(parent)) {
    case 0:
        return createIndex(row, 0, IdOf(1, FTree->Periods()[n].First + r));
    case 1:
        return createIndex(row, 0, IdOf(2, FTree->Programs()[n].First + r));
    default:
        return {};
    }
}

QModelIndex TTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    const std::size_t n = NumberOf(child);
    switch (LevelOf(child)) {
    case 1: {
        const std::size_t period = FTree->PeriodOf(n);
        return createIndex(static_cast<int>(period), 0, IdOf(0, period));
    }
    case 2: {
        const std::size_t program = FTree->ProgramOf(n);
        const std::size_t period = FTree->PeriodOf(program);
        return createIndex(static_cast<int>(program - FTree->Periods()[period].First), 0,
                           IdOf(1, program));
    }
    default:
        return {};
    }
}

int TTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return static_cast<int>(FTree->Periods().size());
    if (parent.column() > 0) return 0;
    const std::size_t n = NumberOf(parent);
    switch (LevelOf(parent)) {
    case 0:
        return static_cast<int>(FTree->Periods()[n].Count);
    case 1:
        return static_cast<int>(FTree->Programs()[n].Count);
    default:
        return 0;
    }
}

int TTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.model() != this) return {};
    if (role == Qt::DisplayRole) {
        const std::size_t n = NumberOf(index);
        switch (LevelOf(index)) {
        case 0:
            return Q(FTree->Periods()[n].Text);
        case 1:
            return Q(FTree->ProgramText(n));
        case 2:
            return Q(FTree->LineText(n));
        default:
            return {};
        }
    }
    return {};
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
    const auto& periods = model.Tree().Periods();
    for (std::size_t row = 0; row < periods.size(); ++row)
        if (!periods[row].Data) view.expand(model.index(static_cast<int>(row), 0)); // whole record
}

TTreePlace TreePlaceOf(const QTreeView& view, const TTreeModel& model) {
    TTreePlace place;
    if (view.model() != &model) return place;
    // Periods and programs; caption lines have no children.
    for (int p = 0; p < model.rowCount(); ++p) {
        const QModelIndex period = model.index(p, 0);
        if (!view.isExpanded(period)) continue;
        place.Expanded.push_back(model.PathOf(period));
        for (int g = 0; g < model.rowCount(period); ++g) {
            const QModelIndex program = model.index(g, 0, period);
            if (view.isExpanded(program)) place.Expanded.push_back(model.PathOf(program));
        }
    }
    if (const QModelIndex current = view.currentIndex(); current.isValid())
        place.Current = model.PathOf(current);
    place.Scroll = view.verticalScrollBar()->value();
    return place;
}

void RestoreTreePlace(QTreeView& view, const TTreeModel& model, const TTreePlace& place) {
    if (view.model() != &model) return;
    view.collapseAll();
    for (const TTreePath& path : place.Expanded)
        if (const QModelIndex index = model.IndexOf(path); index.isValid()) view.expand(index);
    view.verticalScrollBar()->setValue(place.Scroll);
    if (!place.Current) return;
    if (const QModelIndex current = model.IndexOf(*place.Current); current.isValid()) {
        view.selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
        view.scrollTo(current);
    }
}

void SelectPeriodOf(QTreeView& view, const TTreeModel& model, int day) {
    const int periods = model.rowCount();
    if (periods == 0 || view.model() != &model) return;
    int row = periods - 1;
    for (int p = periods - 1; p >= 0; --p) {
        const std::optional<int> start = model.Tree().Periods()[static_cast<std::size_t>(p)].Data;
        if (start && *start <= day) {
            row = p;
            break;
        }
    }
    const QModelIndex index = model.index(row, 0);
    view.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    view.scrollTo(index);
}

} // namespace orvane
