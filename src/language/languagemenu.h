// What the application needs around the language manager: the language menu, the message
// texts of the main window and of the about window, and the translators' build.
#pragma once

#include "language/langmanager.h"

#include <QEvent>
#include <QString>

#include <functional>
#include <initializer_list>
#include <utility>
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

// A text used as a format, filled safely: only %s and %% are substituted.
QString FormatText(const QString& format, std::initializer_list<QString> args);

// The main window's message texts, built-in English until a language file replaces them.
struct TActivityMessages {
    QString SRemoveActivitiesCaption = QStringLiteral("Remove Activities");
    QString SRemoveActivitiesText =
        QStringLiteral("Looking for Activities, which takes longer than ?? hours.");
    QString SActivitiesFound = QStringLiteral(
        "Following Activity found: \r\n%s, Duration %s, %s, %s\r\nRemove Activity?");
    QString SRemoveAll =
        QStringLiteral("Attention all activities will be removed\r\nDo you want to proceed?");
};

// Looks the identifiers up in section (the main window's name), in this order, from the
// language file; a missing identifier keeps the current text.
void LoadMessageTexts(TLangManager& manager, const QString& section,
                      const std::vector<std::pair<QString, QString*>>& texts);
void LoadMessageTexts(TLangManager& manager, TActivityMessages& messages,
                      const QString& section = QStringLiteral("fmActivity"));

// The about window's texts, from the section "FrmAbout" of the common language file.
struct TAboutTexts {
    QString SCaptionAbout = QStringLiteral("About Orvane");
    QString SVersion = QStringLiteral("Orvane logs your activities Version ");
    // Follows the product line directly.
    QString SAboutText = QStringLiteral(
        "\r\n\r\nCopyright (c) 2026 Orvane developers\r\nhttp://www.orvane.org\r\n"
        "All rights reserved.\r\n\r\ne-mail: info@orvane.org\r\n");
};
void LoadAboutTexts(TLangManager& manager, TAboutTexts& texts,
                    const QString& section = QStringLiteral("FrmAbout"));
// SVersion filled with the version (a text without %s stays as it is).
QString ProductLine(const TAboutTexts& texts, const QString& version);

// For the translators' tool: switches the manager into build mode with the save dialog
// answered by outFile (an existing common file beside it is replaced), records the forms (from
// the common file for a form whose language component says so) and the message texts of the
// main window and the about window, and writes outFile and its common file. False when the
// build cannot run (already prepared) or a file could not be written; error gives the reason.
bool BuildOriginalFiles(TLangManager& manager, const std::vector<QWidget*>& forms,
                        const QString& outFile, QString* error = nullptr);

} // namespace orvane
