#include "app/categoriesform.h"

#include "recorder/datafile.h"
#include "session/inifile.h"
#include "session/settings.h"
#include "views/recordedtext.h"
#include "views/summary.h"
#include "views/when.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <fstream>
#include <utility>

namespace orvane {

namespace {

std::vector<std::string> SplitPatterns(const QString& text) {
    std::vector<std::string> patterns;
    for (const QString& p : text.split(';', Qt::SkipEmptyParts))
        if (!p.trimmed().isEmpty()) patterns.push_back(ToSystemText(p.trimmed()));
    return patterns;
}

} // namespace

TCategoriesForm::TCategoriesForm(QWidget* parent, const TActivityList& list, std::string configFile,
                                 std::function<const TMessageTexts&()> texts,
                                 std::function<QDateTime()> now)
    : QDialog(parent), FList(list), FConfigFile(std::move(configFile)), FTexts(std::move(texts)),
      FNow(std::move(now)) {
    setObjectName("fmCategories");
    resize(680, 420);
    const TMessageTexts& t = FTexts();
    const auto text = [&](EMessageText key) { return FromUtf8Text(t[key]); };
    setWindowTitle(text(EMessageText::SCategoriesCaption));

    auto* layout = new QVBoxLayout(this);
    FHelp = new QLabel(text(EMessageText::SCategoriesHelp), this);
    FHelp->setWordWrap(true);
    layout->addWidget(FHelp);
    auto* middle = new QHBoxLayout;
    FTable = new QTableWidget(0, 3, this);
    FTable->setObjectName("CategoriesTable");
    FTable->setHorizontalHeaderLabels({text(EMessageText::SSummaryName),
                                       text(EMessageText::SCategoryPatterns),
                                       text(EMessageText::SPeriodThisWeek)});
    FTable->verticalHeader()->hide();
    FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    FTable->setSelectionMode(QAbstractItemView::SingleSelection);
    FTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    middle->addWidget(FTable, 1);
    auto* side = new QVBoxLayout;
    FAdd = new QPushButton(text(EMessageText::SCategoryAdd), this);
    FRemove = new QPushButton(text(EMessageText::SCategoryRemove), this);
    FUp = new QPushButton(text(EMessageText::SCategoryUp), this);
    FDown = new QPushButton(text(EMessageText::SCategoryDown), this);
    for (QPushButton* b : {FAdd, FRemove, FUp, FDown}) {
        b->setAutoDefault(false);
        side->addWidget(b);
    }
    side->addStretch();
    middle->addLayout(side);
    layout->addLayout(middle, 1);
    FProblems = new QLabel(this);
    FProblems->setWordWrap(true);
    FProblems->setStyleSheet("color: #b00000");
    layout->addWidget(FProblems);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    FOk = new QPushButton("OK", this);
    FCancel = new QPushButton(text(EMessageText::SCategoryCancel), this);
    FOk->setDefault(true);
    bottom->addWidget(FOk);
    bottom->addWidget(FCancel);
    layout->addLayout(bottom);

    connect(FAdd, &QPushButton::clicked, this, [this] {
        AddRow();
        FTable->editItem(FTable->item(FTable->rowCount() - 1, 0));
    });
    connect(FRemove, &QPushButton::clicked, this, [this] { RemoveRow(FTable->currentRow()); });
    connect(FUp, &QPushButton::clicked, this, [this] { MoveRow(FTable->currentRow(), -1); });
    connect(FDown, &QPushButton::clicked, this, [this] { MoveRow(FTable->currentRow(), 1); });
    connect(FOk, &QPushButton::clicked, this, [this] {
        if (Save()) accept();
    });
    connect(FCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(FTable, &QTableWidget::itemChanged, this, [this] {
        if (!FFilling) Recount();
    });

    FFilling = true;
    for (const TRule& r : ReadCategories(ReadSettingsText(FConfigFile))) {
        QString patterns;
        for (const std::string& p : r.Patterns)
            patterns += (patterns.isEmpty() ? "" : ";") + FromSystemText(p);
        AddRow(FromSystemText(r.Name), patterns);
    }
    FFilling = false;
    Recount();
}

void TCategoriesForm::AddRow(const QString& name, const QString& patterns) {
    const bool filling = std::exchange(FFilling, true);
    const int row = FTable->rowCount();
    FTable->insertRow(row);
    FTable->setItem(row, 0, new QTableWidgetItem(name));
    FTable->setItem(row, 1, new QTableWidgetItem(patterns));
    auto* time = new QTableWidgetItem;
    time->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    time->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FTable->setItem(row, 2, time);
    FTable->setCurrentCell(row, 0);
    FFilling = filling;
    if (!FFilling) Recount();
}

void TCategoriesForm::RemoveRow(int row) {
    if (row < 0 || row >= FTable->rowCount()) return;
    FTable->removeRow(row);
    Recount();
}

void TCategoriesForm::MoveRow(int row, int by) {
    const int to = row + by;
    if (row < 0 || row >= FTable->rowCount() || to < 0 || to >= FTable->rowCount()) return;
    FFilling = true;
    for (int c = 0; c < 2; ++c) {
        QTableWidgetItem* a = FTable->takeItem(row, c);
        QTableWidgetItem* b = FTable->takeItem(to, c);
        FTable->setItem(row, c, b);
        FTable->setItem(to, c, a);
    }
    FFilling = false;
    FTable->setCurrentCell(to, FTable->currentColumn() < 0 ? 0 : FTable->currentColumn());
    Recount(); // the first match wins: the order changes what each one takes
}

std::vector<TRule> TCategoriesForm::Rules() const {
    std::vector<TRule> rules;
    for (int r = 0; r < FTable->rowCount(); ++r) {
        const QString name = FTable->item(r, 0) ? FTable->item(r, 0)->text().trimmed() : QString();
        const QString patterns = FTable->item(r, 1) ? FTable->item(r, 1)->text() : QString();
        rules.push_back({ToSystemText(name), SplitPatterns(patterns), r + 1});
    }
    return rules;
}

void TCategoriesForm::Recount() {
    const std::vector<TRule> rules = Rules();
    TRuleSet set(rules);
    const QDateTime now = FNow();
    TSummaryQuery q;
    q.Since = ParseWhen("week", now)->toMSecsSinceEpoch();
    q.Until = now.toMSecsSinceEpoch();
    q.By = TSummaryBy::Category;
    if (FList.LastEntryOpen()) q.RunningUntil = q.Until;
    // Rows by number, so that two rows of one name keep their own times.
    for (std::size_t i = 0; i < rules.size(); ++i)
        q.CategoryNames.push_back(std::to_string(i));
    q.Category = [&set](const std::string& p, const std::string& c) { return set.Find(p, c); };
    const TSummary s = Summarise(FList, q);
    FFilling = true;
    for (int r = 0; r < FTable->rowCount(); ++r) {
        std::int64_t ms = 0;
        for (const TSummaryRow& row : s.Rows)
            if (row.Key == std::to_string(r)) ms = row.Ms;
        if (QTableWidgetItem* item = FTable->item(r, 2))
            item->setText(FromSystemText(DurationText(static_cast<double>(ms) / MSecsPerDay)));
    }
    FFilling = false;
    QStringList problems;
    for (const TRuleProblem& p : set.TakeProblems())
        problems << QString::number(p.Line) + ": " + FromSystemText(p.Text);
    for (int r = 0; r < FTable->rowCount(); ++r)
        if (FTable->item(r, 0) && FTable->item(r, 0)->text().trimmed().isEmpty() &&
            FTable->item(r, 1) && !FTable->item(r, 1)->text().trimmed().isEmpty())
            problems << QString::number(r + 1) + ": " +
                            FromUtf8Text(FTexts()[EMessageText::SCategoryNoName]);
    FProblems->setText(problems.join('\n'));
}

bool TCategoriesForm::Save() {
    std::vector<std::string> lines;
    for (const TRule& r : Rules()) {
        if (r.Name.empty()) continue;
        // One line each: the name ends at the first '=', and a line starting with ';' or '[' would
        // read as a comment or a section.
        const auto oneLine = [](std::string text) {
            std::replace(text.begin(), text.end(), '\n', ' ');
            std::replace(text.begin(), text.end(), '\r', ' ');
            return text;
        };
        std::string name = oneLine(r.Name);
        std::replace(name.begin(), name.end(), '=', '-');
        while (!name.empty() && (name.front() == ';' || name.front() == '[' || name.front() == ' '))
            name.erase(0, 1);
        if (name.empty()) continue;
        std::string line = name + "=";
        for (std::size_t i = 0; i < r.Patterns.size(); ++i)
            line += (i ? ";" : "") + oneLine(r.Patterns[i]);
        lines.push_back(line);
    }
    try {
        TIniFile(FConfigFile).WriteSection(settings::CategoriesSection, lines);
    } catch (const std::exception& e) {
        QMessageBox::critical(this, windowTitle(), FromUtf8Text(e.what()));
        return false;
    }
    return true;
}

} // namespace orvane
