#include "app/privacymenu.h"

#include "app/changelog.h"
#include "app/dialogs.h"
#include "app/mainwindow.h"
#include "app/named.h"
#include "app/privacyform.h"
#include "recorder/textformat.h"
#include "views/chartdata.h"
#include "views/forget.h"
#include "views/periods.h"
#include "views/privacy.h"
#include "views/recordedtext.h"
#include "views/treemodel.h"
#include "views/when.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>

#include <algorithm>
#include <optional>
#include <set>

namespace orvane {

void TPrivacyMenu::SetPopupIndex(const QModelIndex& index) {
    FPopupIndex = index;
    pmForget->setEnabled(FPopupIndex.isValid());
}

TPrivacyMenu::TPrivacyMenu(TfmActivity& window) : QObject(&window), FWindow(window) {
    QMenu *Options1 = window.Options1, *pmIcon = window.pmIcon;
    const auto after = [](QMenu* menu, QAction* action) {
        const QList<QAction*> all = menu->actions();
        const qsizetype i = all.indexOf(action);
        return i >= 0 && i + 1 < all.size() ? all[i + 1] : nullptr;
    };
    mnPause15 = NamedAction(&window, "mnPause15", "Pause for 15 minutes");
    mnPause60 = NamedAction(&window, "mnPause60", "Pause for 1 hour");
    Options1->insertActions(after(Options1, window.mnPause), {mnPause15, mnPause60});
    mnPrivacy = NamedAction(&window, "mnPrivacy", "Privacy\u2026");
    Options1->insertAction(after(Options1, window.mnAwayAfter), mnPrivacy);
    pmPause15 = NamedAction(&window, "pmPause15", "Pause for 15 minutes");
    pmPause60 = NamedAction(&window, "pmPause60", "Pause for 1 hour");
    pmIcon->insertActions(after(pmIcon, window.pmPause), {pmPause15, pmPause60});

    mnForget15 = NamedAction(&window, "mnForget15", "Forget the last 15 minutes");
    mnForget60 = NamedAction(&window, "mnForget60", "Forget the last hour");
    mnForgetToday = NamedAction(&window, "mnForgetToday", "Forget today");
    window.Bearbeiten1->addSeparator();
    window.Bearbeiten1->addActions({mnForget15, mnForget60, mnForgetToday});
    pmForget = NamedAction(&window, "pmForget", "Forget\u2026");
    window.PopupMenu1->addSeparator();
    window.PopupMenu1->addAction(pmForget);

    for (QAction* a : {mnPause15, pmPause15})
        connect(a, &QAction::triggered, this, [this] { PauseFor(15); });
    for (QAction* a : {mnPause60, pmPause60})
        connect(a, &QAction::triggered, this, [this] { PauseFor(60); });
    connect(mnPrivacy, &QAction::triggered, this, &TPrivacyMenu::mnPrivacyClick);
    connect(mnForget15, &QAction::triggered, this, [this] { ForgetLast(15); });
    connect(mnForget60, &QAction::triggered, this, [this] { ForgetLast(60); });
    connect(mnForgetToday, &QAction::triggered, this, [this] { ForgetLast(0); });
    connect(pmForget, &QAction::triggered, this, &TPrivacyMenu::pmForgetClick);
}

void TPrivacyMenu::PauseFor(int minutes) {
    FWindow.Session().PauseFor(minutes);
}

void TPrivacyMenu::mnPrivacyClick() {
    const TPrivacySettings settings = FWindow.Session().ReadPrivacy();
    const QDateTime now = QDateTime::currentDateTime();
    const std::optional<QDateTime> week = ParseWhen("week", now);
    const TDateTime weekStart = week ? LocalDateTime(week->toMSecsSinceEpoch()) : 0;
    TfrmPrivacy form(&FWindow, settings, FWindow.FMessageTexts, FWindow.Session().Activities(),
                     weekStart, FWindow.Session().Clock().Now() + 1);
    if (form.exec() != QDialog::Accepted || form.Settings() == settings) return;
    // In force from the next sample: the timer reads the file again.
    FWindow.Guard([&] { FWindow.Session().WritePrivacy(form.Settings()); });
}

void TPrivacyMenu::ForgetLast(int minutes) {
    const TInstant now = TInstantOf()(FWindow.Session().Clock().Now()).value_or(0);
    const TInstant since =
        minutes > 0 ? now - static_cast<TInstant>(minutes) * 60000
                    : DayStart(QDateTime::fromMSecsSinceEpoch(now).date()).toMSecsSinceEpoch();
    ForgetEntries(since, now + 1, nullptr);
}

void TPrivacyMenu::pmForgetClick() {
    const QModelIndex index = FPopupIndex;
    if (!index.isValid()) return;
    // The period node on top, then the program, then the caption line.
    QModelIndex top = index;
    int depth = 0;
    while (top.parent().isValid()) {
        top = top.parent();
        ++depth;
    }
    const std::optional<TTreeNode> periodNode = FWindow.TreeModel().Node(top);
    const std::optional<TPeriodSelection> sel =
        periodNode ? orvane::SelectedPeriod(&*periodNode, nullptr, FWindow.FViewMode)
                   : std::nullopt;
    if (!sel) return;
    TInstant since = INT64_MIN / 2, until = INT64_MAX / 2;
    if (periodNode->Data) {
        TInstantOf instantOf;
        since = instantOf(sel->From).value_or(since);
        until = instantOf(sel->To).value_or(until - 1) + 1;
    }
    const TPeriodTree& tree = FWindow.TreeModel().Tree();
    std::optional<std::string> program, caption;
    if (depth >= 1) {
        const QModelIndex p = depth == 1 ? index : index.parent();
        const std::size_t number = tree.Periods()[static_cast<std::size_t>(top.row())].First +
                                   static_cast<std::size_t>(p.row());
        program = FoldCase(tree.Programs()[number].Process.str());
        if (depth == 2)
            caption = FoldCase(
                tree.Lines()[tree.Programs()[number].First + static_cast<std::size_t>(index.row())]
                    .Caption.str());
    }
    ForgetEntries(since, until, [&](const TEntry& e) {
        return (!program || FoldCase(e.Process.str()) == *program) &&
               (!caption || FoldCase(e.Caption.str()) == *caption);
    });
}

void TPrivacyMenu::ForgetEntries(TInstant since, TInstant until,
                                 const std::function<bool(const TEntry&)>& pick) {
    const TForgetPlan plan = FWindow.Session().PlanForget(since, until, pick);
    const QString caption = FromUtf8Text(FWindow.FMessageTexts[EMessageText::SForgetCaption]);
    if (plan.Indices.empty()) {
        Dialogs().Inform(&FWindow, caption,
                         FromUtf8Text(FWindow.FMessageTexts[EMessageText::SForgetNothing]));
        return;
    }
    const std::string question =
        SafeFormat(FWindow.FMessageTexts[EMessageText::SForgetConfirm],
                   {std::to_string(plan.Indices.size()), DurationText(plan.Time)});
    if (Dialogs().Ask(&FWindow, caption, FromUtf8Text(question), QMessageBox::Yes | QMessageBox::No,
                      QMessageBox::Warning) != QMessageBox::Yes)
        return;
    // The change log forgets them too: every line of a window that goes.
    ForgetLines(*FWindow.Memo1, FWindow.Session().Activities(), plan.Indices);
    FWindow.Session().Forget(plan);
    FWindow.RefreshTree();
    FWindow.ShowChart({}, 0, 0);
}

} // namespace orvane
