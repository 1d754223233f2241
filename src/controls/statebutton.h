// The filter button over a header cell and its drop-down list of values.
#pragma once

#include "controls/gridtable.h"

#include <QAbstractButton>
#include <QFrame>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QToolButton;

namespace orvane {

class TStateButton;

// The list of a button's items; one checkable entry per item, pressed while the item is selected.
class TStateDropDown : public QFrame {
    Q_OBJECT
public:
    explicit TStateDropDown(TStateButton* button);
    // Brings the entries in line with the button's items.
    void Sync();
    QToolButton* Entry(int item) const;
    int EntryCount() const { return static_cast<int>(FEntries.size()); }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void Rebuild();

    TStateButton* FButton;
    std::vector<QToolButton*> FEntries;
    std::vector<std::string> FTexts;
};

class TStateButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TStateButton(QWidget* parent = nullptr);
    ~TStateButton() override;

    void SetState(std::shared_ptr<TFilterButtonState> state);
    TFilterButtonState* State() const { return FState.get(); }
    // The caption as the state builds it.
    QString CaptionText() const;
    // Redraws the button and, while it is open, the drop-down.
    void Refresh();

    void DropDown();
    void CloseUp();
    bool IsDroppedDown() const;
    TStateDropDown* DropDownList() const { return FDropDown; }
    // A click on drop-down entry `item`.
    void ClickItem(int item);

    // Fired after an entry was clicked.
    std::function<void(TStateButton* Sender)> OnClick;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ButtonClicked();

    std::shared_ptr<TFilterButtonState> FState;
    QPointer<TStateDropDown> FDropDown;
};

} // namespace orvane
