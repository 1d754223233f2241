// Options > Categories...: the category rules of the settings file, to add, edit, reorder and
// remove, each with the time of this week it takes, so that what a rule catches shows at once.
#pragma once

#include "recorder/activitylist.h"
#include "views/messagetexts.h"
#include "views/rules.h"

#include <QDateTime>
#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace orvane {

class TCategoriesForm : public QDialog {
    Q_OBJECT
public:
    TCategoriesForm(QWidget* parent, const TActivityList& list, std::string configFile,
                    std::function<const TMessageTexts&()> texts,
                    std::function<QDateTime()> now = &QDateTime::currentDateTime);

    // The rules as the table holds them now.
    std::vector<TRule> Rules() const;
    void AddRow(const QString& name = {}, const QString& patterns = {});
    void RemoveRow(int row);
    void MoveRow(int row, int by);
    // Writes the section [Categories]; false, with the reason shown, when it cannot be written.
    bool Save();
    // This week's time of each category, computed again from the table.
    void Recount();

    QTableWidget* Table() const { return FTable; }
    QLabel* Problems() const { return FProblems; }

private:
    const TActivityList& FList;
    std::string FConfigFile;
    std::function<const TMessageTexts&()> FTexts;
    std::function<QDateTime()> FNow;
    bool FFilling = false;

    QTableWidget* FTable;
    QLabel *FHelp, *FProblems;
    QPushButton *FAdd, *FRemove, *FUp, *FDown, *FOk, *FCancel;
};

} // namespace orvane
