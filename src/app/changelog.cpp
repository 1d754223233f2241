#include "app/changelog.h"
#include "views/recordedtext.h"

#include <QPlainTextEdit>

#include <algorithm>
#include <set>
#include <string>
#include <utility>

namespace orvane {

// The change log keeps this many lines; a program that runs for months must not grow without end.
constexpr int ChangeLogLines = 5000;

QPlainTextEdit* NewChangeLog(QWidget* parent) {
    auto* Memo1 = new QPlainTextEdit(parent);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setMaximumBlockCount(ChangeLogLines);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return Memo1;
}

void ForgetLines(QPlainTextEdit& log, const TActivityList& list, const std::vector<int>& indices) {
    std::set<std::pair<std::string, std::string>> windows;
    for (const int i : indices)
        windows.emplace(list[i].Process.str(), list[i].Caption.str());
    QStringList kept;
    for (const QString& line : log.toPlainText().split('\n')) {
        const std::string text = ToSystemText(line);
        const bool gone = std::any_of(windows.begin(), windows.end(), [&](const auto& w) {
            return text.find(w.first) != std::string::npos && text.ends_with(w.second);
        });
        if (!gone) kept << line;
    }
    log.setPlainText(kept.join('\n'));
}

} // namespace orvane
