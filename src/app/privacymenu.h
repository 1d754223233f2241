// The privacy items of the main window: timed pauses in the Options and the tray menus,
// Options > Privacy..., and forgetting (Edit > Forget..., and the tree's popup menu).
#pragma once

#include "recorder/activitylist.h"

#include <QObject>
#include <QPersistentModelIndex>

#include <cstdint>
#include <functional>

class QAction;

namespace orvane {

class TfmActivity;

class TPrivacyMenu : public QObject {
    Q_OBJECT
public:
    // The items are children of the window, so that its language walk finds them by name.
    explicit TPrivacyMenu(TfmActivity& window);

    QAction *mnPause15 = nullptr, *mnPause60 = nullptr, *pmPause15 = nullptr, *pmPause60 = nullptr,
            *mnPrivacy = nullptr;
    QAction *mnForget15 = nullptr, *mnForget60 = nullptr, *mnForgetToday = nullptr,
            *pmForget = nullptr;

    // The tree node under the popup menu, for "Forget...".
    void SetPopupIndex(const QModelIndex& index);
    // Pause on for that long; it ends by itself (a pause switched off by hand ends it sooner).
    void PauseFor(int minutes);
    void mnPrivacyClick();
    // The last minutes up to now, or today (0), after asking.
    void ForgetLast(int minutes);
    // "Forget..." on the tree node under the popup menu, after asking.
    void pmForgetClick();
    // Takes out the entries that share [since, until) and that pick takes (all when empty), after
    // asking. The running entry among them ends now, and recording goes on with the next sample.
    void ForgetEntries(std::int64_t since, std::int64_t until,
                       const std::function<bool(const TEntry&)>& pick);

private:
    TfmActivity& FWindow;
    QPersistentModelIndex FPopupIndex;
};

} // namespace orvane
