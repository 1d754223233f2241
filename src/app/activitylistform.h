// The modal window that lists the entries behind a tree node: caption, start and duration.
#pragma once

#include "controls/fstringgrid.h"
#include "recorder/activitylist.h"

#include <QDialog>
#include <QPushButton>

#include <vector>

namespace orvane {

class TLangManager;

class TActivityListForm : public QDialog {
    Q_OBJECT
public:
    // With a language manager the window's texts come from the chosen language file.
    explicit TActivityListForm(QWidget* parent = nullptr, TLangManager* languages = nullptr);

    TFStringGrid* sg;
    QPushButton* BitBtn1;
    QObject* LangComponent1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormResize();
};

// Fills the grid with the given entries of the list, in the given order; an empty list leaves
// the grid as it is.
void FillActivityGrid(TFStringGrid& grid, const TActivityList& list,
                      const std::vector<int>& entryIndexes);

} // namespace orvane
