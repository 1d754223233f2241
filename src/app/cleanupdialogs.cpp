#include "app/cleanupdialogs.h"

#include "app/dialogs.h"

#include <optional>

namespace orvane {

TRemoveLongsDialogs RemoveLongsDialogs(QWidget* window, const bool& ended,
                                       std::function<void(const QString&)> report,
                                       std::function<void()> refreshTree) {
    TRemoveLongsDialogs d;
    d.AskHours = [window, &ended](const std::string& title, const std::string& prompt,
                                  const std::string& initial) -> std::optional<std::string> {
        QString value = QString::fromStdString(initial);
        if (ended ||
            !Dialogs().InputQuery(window, QString::fromStdString(title),
                                  QString::fromStdString(prompt), value) ||
            ended)
            return std::nullopt;
        return value.toStdString();
    };
    d.AskRemove = [window, &ended](const std::string& question) {
        if (ended) return TRemoveAnswer::Cancel;
        const QMessageBox::StandardButton a = Dialogs().Ask(
            window, "Orvane", QString::fromStdString(question),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
        if (ended) return TRemoveAnswer::Cancel;
        return a == QMessageBox::Yes  ? TRemoveAnswer::Yes
               : a == QMessageBox::No ? TRemoveAnswer::No
                                      : TRemoveAnswer::Cancel; // Esc, or the box closed
    };
    d.ShowMessage = [report, &ended](const std::string& message) {
        if (!ended) report(QString::fromStdString(message));
    };
    d.RefreshTree = [refreshTree, &ended] {
        if (!ended) refreshTree();
    };
    return d;
}

bool ConfirmNewRecord(QWidget* window, const std::string& question) {
    return Dialogs().Ask(window, "Confirm", QString::fromStdString(question),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                         QMessageBox::Question) == QMessageBox::Yes;
}

} // namespace orvane
