#include "app/cleanupdialogs.h"

#include "app/dialogs.h"
#include "views/recordedtext.h"

#include <optional>

namespace orvane {

TRemoveLongsDialogs RemoveLongsDialogs(QWidget* window, const bool& ended,
                                       std::function<void(const QString&)> report,
                                       std::function<void()> refreshTree) {
    TRemoveLongsDialogs d;
    d.AskHours = [window, &ended](const std::string& title, const std::string& prompt,
                                  const std::string& initial) -> std::optional<std::string> {
        QString value = FromUtf8Text(initial);
        if (ended ||
            !Dialogs().InputQuery(window, FromUtf8Text(title), FromUtf8Text(prompt), value) ||
            ended)
            return std::nullopt;
        return ToUtf8Text(value);
    };
    d.AskRemove = [window, &ended](const std::string& question) {
        if (ended) return TRemoveAnswer::Cancel;
        const QMessageBox::StandardButton a = Dialogs().Ask(
            window, "Orvane", FromUtf8Text(question),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
        if (ended) return TRemoveAnswer::Cancel;
        return a == QMessageBox::Yes  ? TRemoveAnswer::Yes
               : a == QMessageBox::No ? TRemoveAnswer::No
                                      : TRemoveAnswer::Cancel; // Esc, or the box closed
    };
    d.ShowMessage = [report, &ended](const std::string& message) {
        if (!ended) report(FromUtf8Text(message));
    };
    d.RefreshTree = [refreshTree, &ended] {
        if (!ended) refreshTree();
    };
    return d;
}

bool ConfirmNewRecord(QWidget* window, const std::string& question) {
    return Dialogs().Ask(window, "Confirm", FromUtf8Text(question),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                         QMessageBox::Question) == QMessageBox::Yes;
}

} // namespace orvane
