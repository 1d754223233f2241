// What the application needs around the language manager: the language menu and the
// translators' build.
#pragma once

#include "language/langmanager.h"

#include <QEvent>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace orvane {

// The program's one language manager "LanMan", owned by the data module, with its stored values
// applied (no folder is scanned yet, so the stored language changes nothing).
TLangManager* CreateLanMan(QObject* dataModule);

// Posted to the main window after a language was chosen from the menu; its handler reloads the
// message texts and saves the settings.
constexpr int WM_LANGUAGECHANGED = 1026;
inline QEvent::Type LanguageChangedEventType() {
    return QEvent::Type(QEvent::User + WM_LANGUAGECHANGED);
}

// One checkable, exclusive, unnamed entry per language under parent, in the manager's order;
// data and the "tag" property hold the index; the current language is checked. handler runs on
// a click (normally: LanguageMenuClick, then post WM_LANGUAGECHANGED). Returns the group.
QActionGroup* BuildLanguageMenu(QMenu* parent, TLangManager& manager,
                                std::function<void(QAction*)> handler);

// Checks the entry and selects the language named by its text with every "&" removed. False
// when the sender is not a menu entry (nothing happens then).
bool LanguageMenuClick(QObject* sender, TLangManager& manager);

// For the translators' tool: switches the manager into build mode with the save dialog
// answered by outFile (an existing common file beside it is replaced), records the forms (from
// the common file for a form whose language component says so), then runs readTexts, whose
// lookups of the message texts record them, and writes outFile and its common file. False when
// the build cannot run (already prepared) or a file could not be written; error gives the
// reason.
bool BuildOriginalFiles(TLangManager& manager, const std::vector<QWidget*>& forms,
                        const std::function<void()>& readTexts, const QString& outFile,
                        QString* error = nullptr);

} // namespace orvane
