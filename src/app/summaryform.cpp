#include "app/summaryform.h"

#include "app/categoriesform.h"

#include "views/periods.h"
#include "views/recordedtext.h"
#include "views/summary.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <fstream>

namespace orvane {

namespace {

// The rows' keys: recorded text, the settings file's category names and the uncategorised
// text made into the same system's 8-bit text.
QString Q(const std::string& text) {
    return FromSystemText(text);
}

// A row's share of the total as a bar.
class TBarDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const double share = std::clamp(index.data(Qt::UserRole).toDouble(), 0.0, 1.0);
        const QColor colour = index.data(Qt::UserRole + 1).value<QColor>();
        QRect bar = option.rect.adjusted(2, 4, -2, -4);
        bar.setWidth(static_cast<int>(bar.width() * share));
        painter->fillRect(bar, colour.isValid() ? colour : QColor(40, 110, 190));
    }
};

} // namespace

// ---- Chart -----------------------------------------------------------------------------------

TSummaryChart::TSummaryChart(QWidget* parent) : QWidget(parent) {
    setObjectName("SummaryChart");
    setMinimumHeight(160);
}

QColor TSummaryChart::GroupColour(int group) {
    return QColor::fromRgb(CategoryColour(group));
}

void TSummaryChart::SetData(std::vector<QString> labels,
                            std::vector<std::vector<std::int64_t>> totals,
                            std::vector<QString> groups) {
    FLabels = std::move(labels);
    FTotals = std::move(totals);
    FGroups = std::move(groups);
    update();
}

void TSummaryChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QFontMetrics fm = p.fontMetrics();
    const int legend = fm.height() + 6;
    const QRect plot = rect().adjusted(8, 8 + legend, -8, -(fm.height() + 6));
    std::int64_t highest = 0;
    for (const auto& bucket : FTotals) {
        std::int64_t sum = 0;
        for (const std::int64_t ms : bucket)
            sum += ms;
        highest = std::max(highest, sum);
    }
    // Legend.
    int x = 8;
    for (std::size_t g = 0; g < FGroups.size(); ++g) {
        p.fillRect(x, 8, fm.height() - 4, fm.height() - 4, GroupColour(static_cast<int>(g)));
        x += fm.height();
        p.setPen(Qt::black);
        p.drawText(x, 8 + fm.ascent() - 2, FGroups[g]);
        x += fm.horizontalAdvance(FGroups[g]) + 12;
    }
    p.setPen(QColor(160, 160, 160));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    if (FTotals.empty() || highest <= 0 || plot.height() <= 0) return;
    const double slot = static_cast<double>(plot.width()) / static_cast<double>(FTotals.size());
    const int width = std::max(1, static_cast<int>(slot * 0.7));
    const int every = std::max(1, static_cast<int>(fm.horizontalAdvance("00.00.") / slot) + 1);
    for (std::size_t k = 0; k < FTotals.size(); ++k) {
        const int left =
            plot.left() + static_cast<int>(slot * static_cast<double>(k) + (slot - width) / 2);
        double bottom = plot.bottom();
        for (std::size_t g = 0; g < FTotals[k].size(); ++g) {
            const double h =
                static_cast<double>(FTotals[k][g]) / static_cast<double>(highest) * plot.height();
            if (h <= 0) continue;
            p.fillRect(QRectF(left, bottom - h, width, h), GroupColour(static_cast<int>(g)));
            bottom -= h;
        }
        if (k % static_cast<std::size_t>(every) == 0 && k < FLabels.size()) {
            p.setPen(Qt::black);
            p.drawText(QRect(left - 30, plot.bottom() + 2, width + 60, fm.height()),
                       Qt::AlignHCenter | Qt::AlignTop, FLabels[k]);
        }
    }
}

// ---- Window ----------------------------------------------------------------------------------

TSummaryForm::TSummaryForm(QWidget* parent, const TActivityList& list, std::string configFile,
                           std::function<const TMessageTexts&()> texts,
                           std::function<QDateTime()> now)
    : QDialog(parent), FList(list), FConfigFile(std::move(configFile)), FTexts(std::move(texts)),
      FNow(std::move(now)) {
    setObjectName("fmSummary");
    resize(720, 560);
    auto* layout = new QVBoxLayout(this);

    auto* periods = new QHBoxLayout;
    FPeriods = new QButtonGroup(this);
    FPeriods->setExclusive(true);
    for (int i = 0; i <= static_cast<int>(EPeriod::Custom); ++i) {
        auto* b = new QPushButton(this);
        b->setCheckable(true);
        b->setAutoDefault(false);
        FPeriods->addButton(b, i);
        FPeriodButtons.push_back(b);
        periods->addWidget(b);
    }
    FFrom = new QDateEdit(this);
    FTo = new QDateEdit(this);
    for (QDateEdit* d : {FFrom, FTo}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat("yyyy-MM-dd");
        periods->addWidget(d);
        connect(d, &QDateEdit::dateChanged, this, [this] {
            if (FPeriod == EPeriod::Custom) Refresh();
        });
    }
    periods->addStretch();
    layout->addLayout(periods);

    auto* grouping = new QHBoxLayout;
    FGroupBox = new QComboBox(this);
    FGroupBox->addItems({QString(), QString(), QString()});
    FBack = new QPushButton(this);
    FBack->setAutoDefault(false);
    FPath = new QLabel(this);
    grouping->addWidget(FGroupBox);
    grouping->addWidget(FBack);
    grouping->addWidget(FPath, 1);
    layout->addLayout(grouping);

    FChart = new TSummaryChart(this);
    layout->addWidget(FChart);

    FTable = new QTableWidget(0, 5, this);
    FTable->setObjectName("SummaryTable");
    FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    FTable->verticalHeader()->hide();
    FTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    FTable->setColumnWidth(3, 160);
    FTable->setItemDelegateForColumn(3, new TBarDelegate(FTable));
    layout->addWidget(FTable, 1);

    connect(FPeriods, &QButtonGroup::idClicked, this,
            [this](int id) { SetPeriod(static_cast<EPeriod>(id)); });
    connect(FGroupBox, &QComboBox::activated, this,
            [this](int index) { SetGroup(static_cast<EGroup>(index)); });
    connect(FBack, &QPushButton::clicked, this, &TSummaryForm::Widen);
    connect(FTable, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { Narrow(row); });

    const QDate today = FNow().date();
    FFrom->setDate(today.addDays(1 - today.dayOfWeek()));
    FTo->setDate(today);
    Translate();
    FPeriodButtons[0]->setChecked(true);
    Refresh();
}

void TSummaryForm::Translate() {
    const TMessageTexts& t = FTexts();
    const auto text = [&](EMessageText key) { return FromUtf8Text(t[key]); };
    setWindowTitle(text(EMessageText::SSummaryCaption));
    const EMessageText periods[] = {EMessageText::SPeriodToday,     EMessageText::SPeriodYesterday,
                                    EMessageText::SPeriodThisWeek,  EMessageText::SPeriodLastWeek,
                                    EMessageText::SPeriodThisMonth, EMessageText::SPeriodRange};
    for (std::size_t i = 0; i < FPeriodButtons.size(); ++i)
        FPeriodButtons[i]->setText(text(periods[i]));
    FGroupBox->setItemText(0, text(EMessageText::SGroupCategory));
    FGroupBox->setItemText(1, text(EMessageText::SGroupProgram));
    FGroupBox->setItemText(2, text(EMessageText::SGroupCaption));
    FBack->setText(text(EMessageText::SSummaryBack));
    FTable->setHorizontalHeaderLabels(
        {text(EMessageText::SSummaryName), text(EMessageText::SSummaryTime),
         text(EMessageText::SSummaryShare), QString(), text(EMessageText::SSummaryEntries)});
}

void TSummaryForm::SetPeriod(EPeriod period) {
    FPeriod = period;
    FPeriodButtons[static_cast<std::size_t>(period)]->setChecked(true);
    Refresh();
}

void TSummaryForm::SetCustomRange(QDate from, QDate to) {
    FPeriod = EPeriod::Custom;
    FPeriodButtons.back()->setChecked(true);
    const QSignalBlocker a(FFrom), b(FTo);
    FFrom->setDate(from);
    FTo->setDate(to);
    Refresh();
}

void TSummaryForm::SetGroup(EGroup group) {
    FGroup = group;
    FCategory.reset();
    FProgram.reset();
    FGroupBox->setCurrentIndex(static_cast<int>(group));
    Refresh();
}

void TSummaryForm::Narrow(int row) {
    if (row < 0 || row >= static_cast<int>(FSummary.Rows.size())) return;
    const TSummaryRow& r = FSummary.Rows[static_cast<std::size_t>(row)];
    if (r.Other) return;
    if (FGroup == EGroup::Category) {
        const auto& rules = FRules.Rules();
        int category = -1;
        for (std::size_t i = 0; i < rules.size(); ++i)
            if (rules[i].Name == r.Key) category = static_cast<int>(i);
        FCategory = category;
        FGroup = EGroup::Program;
    } else if (FGroup == EGroup::Program) {
        FProgram = FoldCase(r.Key);
        FProgramName = r.Key;
        FGroup = EGroup::Caption;
    } else {
        return;
    }
    FGroupBox->setCurrentIndex(static_cast<int>(FGroup));
    Refresh();
}

void TSummaryForm::Widen() {
    if (FProgram) {
        FProgram.reset();
        FGroup = EGroup::Program;
    } else if (FCategory) {
        FCategory.reset();
        FGroup = EGroup::Category;
    }
    FGroupBox->setCurrentIndex(static_cast<int>(FGroup));
    Refresh();
}

std::pair<TInstant, TInstant> TSummaryForm::Bounds() const {
    const QDateTime now = FNow();
    const auto at = [&](const char* when) { return ParseWhen(when, now)->toMSecsSinceEpoch(); };
    const TInstant nowMs = now.toMSecsSinceEpoch();
    switch (FPeriod) {
    case EPeriod::Today:
        return {at("today"), nowMs};
    case EPeriod::Yesterday:
        return {at("yesterday"), at("today")};
    case EPeriod::ThisWeek:
        return {at("week"), nowMs};
    case EPeriod::LastWeek:
        return {at("last-week"), at("week")};
    case EPeriod::ThisMonth:
        return {at("month"), nowMs};
    case EPeriod::Custom:
        break;
    }
    const QDate from = std::min(FFrom->date(), FTo->date());
    const QDate to = std::max(FFrom->date(), FTo->date());
    return {DayStart(from).toMSecsSinceEpoch(), DayStart(to.addDays(1)).toMSecsSinceEpoch()};
}

void TSummaryForm::Refresh() {
    FFrom->setEnabled(FPeriod == EPeriod::Custom);
    FTo->setEnabled(FPeriod == EPeriod::Custom);
    FRules = TRuleSet(ReadCategories(ReadSettingsText(FConfigFile)));
    const TMessageTexts& texts = FTexts();
    const auto [since, until] = Bounds();
    const TActivityList& list = FViewList ? FViewList() : FList;
    std::optional<TInstant> running =
        FList.LastEntryOpen() ? std::optional<TInstant>(FNow().toMSecsSinceEpoch()) : std::nullopt;
    // In the records of several computers the own running entry need not be the last one, and it
    // is not there at all when another computer's record alone is shown.
    std::optional<int> runningIndex;
    if (running && &list != &FList) {
        const TEntry& own = FList[FList.Count() - 1];
        for (int i = list.Count() - 1; i >= 0 && !runningIndex; --i) {
            const TEntry& e = list[i];
            if (e.Start == own.Start && e.Process == own.Process && e.Caption == own.Caption)
                runningIndex = i;
            if (e.Start < own.Start) break; // start order: it is not further back
        }
        if (!runningIndex) running.reset();
    }

    const int categories = static_cast<int>(FRules.Rules().size());
    // Categories are numbered from 0; the uncategorised come last.
    const auto categoryOf = [this, categories](const std::string& p, const std::string& c) {
        const int found = FRules.Find(p, c);
        return found < 0 ? categories : found;
    };

    TSummaryQuery q;
    q.Since = since;
    q.Until = until;
    q.RunningUntil = running;
    q.RunningIndex = runningIndex;
    q.By = FGroup == EGroup::Category  ? TSummaryBy::Category
           : FGroup == EGroup::Program ? TSummaryBy::Program
                                       : TSummaryBy::Caption;
    for (const TRule& r : FRules.Rules())
        q.CategoryNames.push_back(r.Name);
    q.Uncategorised = ToSystemText(FromUtf8Text(texts[EMessageText::SUncategorised]));
    q.Category = [this](const std::string& p, const std::string& c) { return FRules.Find(p, c); };
    if (FCategory || FProgram) {
        const std::optional<int> category = FCategory;
        const std::optional<std::string> program = FProgram;
        q.Keep = [this, category, program](const std::string& p, const std::string& c) {
            if (category && FRules.Find(p, c) != *category) return false;
            return !program || FoldCase(p) == *program;
        };
    }
    FSummary = Summarise(list, q);

    // The path of the narrowing.
    QString path;
    if (FCategory)
        path = *FCategory < 0 ? Q(q.Uncategorised)
                              : Q(FRules.Rules()[static_cast<std::size_t>(*FCategory)].Name);
    if (FProgram) path += (path.isEmpty() ? "" : " \u203A ") + Q(FProgramName);
    FPath->setText(path);
    FBack->setEnabled(FCategory || FProgram);

    std::vector<std::string> programs;
    if (FGroup != EGroup::Category) {
        for (const TSummaryRow& r : FSummary.Rows)
            programs.push_back(FGroup == EGroup::Program ? r.Key : r.Program);
    }
    const std::vector<std::string> shortNames = ShortProgramNames(programs);
    FTable->setRowCount(static_cast<int>(FSummary.Rows.size()));
    for (std::size_t i = 0; i < FSummary.Rows.size(); ++i) {
        const TSummaryRow& r = FSummary.Rows[i];
        const double share = FSummary.TotalMs > 0
                                 ? static_cast<double>(r.Ms) / static_cast<double>(FSummary.TotalMs)
                                 : 0.0;
        QString name = FGroup == EGroup::Program ? Q(shortNames[i]) : Q(r.Key);
        auto* key = new QTableWidgetItem(name);
        key->setToolTip(FGroup == EGroup::Caption ? Q(r.Program) : Q(r.Key));
        auto* time = new QTableWidgetItem(Q(DurationText(static_cast<double>(r.Ms) / MSecsPerDay)));
        time->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* percent = new QTableWidgetItem(QString::number(share * 100, 'f', 1) + " %");
        percent->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* bar = new QTableWidgetItem;
        bar->setData(Qt::UserRole, share);
        if (FGroup == EGroup::Category) {
            int c = categories;
            for (int k = 0; k < categories; ++k)
                if (FRules.Rules()[static_cast<std::size_t>(k)].Name == r.Key) c = k;
            bar->setData(Qt::UserRole + 1, TSummaryChart::GroupColour(c));
        }
        auto* entries = new QTableWidgetItem(QString::number(r.Entries));
        entries->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        FTable->setItem(static_cast<int>(i), 0, key);
        FTable->setItem(static_cast<int>(i), 1, time);
        FTable->setItem(static_cast<int>(i), 2, percent);
        FTable->setItem(static_cast<int>(i), 3, bar);
        FTable->setItem(static_cast<int>(i), 4, entries);
    }

    // The chart: by hour for one day, else by day, stacked by category.
    std::vector<TInstant> bounds;
    std::vector<QString> labels;
    const QDate first = QDateTime::fromMSecsSinceEpoch(since).date();
    const QDate last = QDateTime::fromMSecsSinceEpoch(std::max(since, until - 1)).date();
    if (first == last) {
        const TInstant dayStart = DayStart(first).toMSecsSinceEpoch();
        const TInstant dayEnd = DayStart(first.addDays(1)).toMSecsSinceEpoch();
        for (TInstant t = dayStart; t < dayEnd; t += 3600000) {
            bounds.push_back(t);
            labels.push_back(QString::number(QDateTime::fromMSecsSinceEpoch(t).time().hour()));
        }
        bounds.push_back(dayEnd);
    } else {
        for (QDate d = first; d <= last && bounds.size() < 4000; d = d.addDays(1)) {
            bounds.push_back(DayStart(d).toMSecsSinceEpoch());
            labels.push_back(d.toString("dd.MM."));
        }
        bounds.push_back(DayStart(last.addDays(1)).toMSecsSinceEpoch());
    }
    std::vector<QString> groups;
    for (const TRule& r : FRules.Rules())
        groups.push_back(Q(r.Name));
    groups.push_back(Q(q.Uncategorised));
    FChart->SetData(std::move(labels),
                    StackedTotals(list, bounds, running, categoryOf, categories + 1, runningIndex),
                    std::move(groups));
}

// ---- Menu ------------------------------------------------------------------------------------

TSummaryMenu::TSummaryMenu(QWidget* window, QMenu* view, QMenu* options, QMenu* tray,
                           const TActivityList& list, std::string configFile,
                           std::function<const TMessageTexts&()> texts)
    : QObject(window), FWindow(window), FList(list), FConfigFile(std::move(configFile)),
      FTexts(std::move(texts)) {
    // Children of the main window, so that its language walk finds them by name.
    auto* item = new QAction("Summary\u2026", window);
    item->setObjectName("mnSummary");
    view->addSeparator();
    view->addAction(item);
    auto* trayItem = new QAction("Summary\u2026", window);
    trayItem->setObjectName("pmSummary");
    QAction* before = nullptr;
    for (QAction* a : tray->actions())
        if (a->isSeparator()) {
            before = a;
            break;
        }
    tray->insertAction(before, trayItem);
    for (QAction* a : {item, trayItem})
        connect(a, &QAction::triggered, this, &TSummaryMenu::Show);
    auto* categories = new QAction("Categories\u2026", window);
    categories->setObjectName("mnCategories");
    options->addAction(categories);
    connect(categories, &QAction::triggered, this, &TSummaryMenu::ShowCategories);
}

void TSummaryMenu::ShowCategories() {
    auto* dialog = new TCategoriesForm(FWindow, FList, FConfigFile, FTexts);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this] {
        if (FForm) FForm->Refresh();
    });
    dialog->open();
}

void TSummaryMenu::Show() {
    if (!FForm) {
        FForm = new TSummaryForm(FWindow, FList, FConfigFile, FTexts);
        FForm->SetViewList(FViewList);
    } else {
        FForm->Translate();
        FForm->Refresh();
    }
    FForm->show();
    FForm->raise();
    FForm->activateWindow();
}

void TSummaryMenu::Translate() {
    if (!FForm) return;
    FForm->Translate();
    FForm->Refresh();
}

} // namespace orvane
