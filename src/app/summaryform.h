// The summary window: the time of a period by category, program or window, sorted, with a bar
// chart of the period by day (or by hour for one day) stacked by category. The totals come from
// views/summary.h, as those of orvane-report summary do.
#pragma once

#include "recorder/activitylist.h"
#include "views/messagetexts.h"
#include "views/rules.h"
#include "views/summary.h"
#include "views/when.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QDateEdit;
class QLabel;
class QMenu;
class QPushButton;
class QTableWidget;

namespace orvane {

// Bars of time per bucket, each stacked by group, with the groups' colours in a legend.
class TSummaryChart : public QWidget {
    Q_OBJECT
public:
    explicit TSummaryChart(QWidget* parent = nullptr);
    void SetData(std::vector<QString> labels, std::vector<std::vector<std::int64_t>> totals,
                 std::vector<QString> groups);
    QSize sizeHint() const override { return {640, 200}; }
    // A colour that shows on white: no white and no pale ones.
    static QColor GroupColour(int group);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QString> FLabels, FGroups;
    std::vector<std::vector<std::int64_t>> FTotals;
};

class TSummaryForm : public QDialog {
    Q_OBJECT
public:
    enum class EPeriod { Today, Yesterday, ThisWeek, LastWeek, ThisMonth, Custom };
    enum class EGroup { Category, Program, Caption };

    // now gives the current time (injected for the tests); the rules are read from the settings
    // file each time the window is filled.
    TSummaryForm(QWidget* parent, const TActivityList& list, std::string configFile,
                 std::function<const TMessageTexts&()> texts,
                 std::function<QDateTime()> now = &QDateTime::currentDateTime);

    void SetPeriod(EPeriod period);
    void SetCustomRange(QDate from, QDate to); // both days included
    void SetGroup(EGroup group);
    // Double-click on a row: a category shows its programs, a program its captions.
    void Narrow(int row);
    void Widen();
    // Reads the rules and the record again and fills the window.
    void Refresh();
    // What the window sums up when it is not the own record alone (the records of several
    // computers); the own record tells which entry runs.
    void SetViewList(std::function<const TActivityList&()> viewList) {
        FViewList = std::move(viewList);
    }
    // The texts of the current language.
    void Translate();

    QTableWidget* Table() const { return FTable; }
    TSummaryChart* Chart() const { return FChart; }
    const TSummary& Summary() const { return FSummary; }

private:
    std::pair<TInstant, TInstant> Bounds() const;

    const TActivityList& FList;
    std::function<const TActivityList&()> FViewList;
    std::string FConfigFile;
    std::function<const TMessageTexts&()> FTexts;
    std::function<QDateTime()> FNow;
    EPeriod FPeriod = EPeriod::Today;
    EGroup FGroup = EGroup::Category;
    // Narrowed to a category (its number, -1 uncategorised) or to a program (its folded name).
    std::optional<int> FCategory;
    std::optional<std::string> FProgram;
    std::string FProgramName; // as the row showed it
    TRuleSet FRules;
    TSummary FSummary;

    QButtonGroup* FPeriods;
    std::vector<QPushButton*> FPeriodButtons;
    QDateEdit *FFrom, *FTo;
    QComboBox* FGroupBox;
    QPushButton* FBack;
    QLabel* FPath;
    TSummaryChart* FChart;
    QTableWidget* FTable;
};

// The menu items of the summary: View > Summary... and the same in the tray menu, and Options >
// Categories...
// The window is made at the first use and kept.
class TSummaryMenu : public QObject {
    Q_OBJECT
public:
    TSummaryMenu(QWidget* window, QMenu* view, QMenu* options, QMenu* tray,
                 const TActivityList& list, std::string configFile,
                 std::function<const TMessageTexts&()> texts);
    void Show();
    // Options > Categories...: the rules' dialog; a saved change shows in the summary window.
    void ShowCategories();
    void Translate();
    TSummaryForm* Form() const { return FForm; }
    // See TSummaryForm::SetViewList.
    void SetViewList(std::function<const TActivityList&()> viewList) {
        FViewList = std::move(viewList);
        if (FForm) FForm->SetViewList(FViewList);
    }

private:
    QWidget* FWindow;
    const TActivityList& FList;
    std::function<const TActivityList&()> FViewList;
    std::string FConfigFile;
    std::function<const TMessageTexts&()> FTexts;
    TSummaryForm* FForm = nullptr;
};

} // namespace orvane
