#include "language/languagemenu.h"

#include "language/langcomponent.h"
#include "recorder/textformat.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QWidget>

#include <string>

namespace orvane {

TLangManager* CreateLanMan(QObject* dataModule) {
    auto* manager = new TLangManager(dataModule);
    manager->setObjectName(QStringLiteral("LanMan"));
    manager->SetLanguage(QStringLiteral("English"));
    manager->SetCreated(QStringLiteral("\"01.03.2026 Orvane developers\""));
    manager->SetBuildLanguage(false);
    manager->SetLangExtension(QStringLiteral(".lan"));
    manager->SetOptions(lmNumUnits);
    return manager;
}

QActionGroup* BuildLanguageMenu(QMenu* parent, TLangManager& manager,
                                std::function<void(QAction*)> handler) {
    auto* group = new QActionGroup(parent);
    group->setExclusive(true);
    const QString current = manager.Language();
    for (int i = 0; i < manager.LanguageCount(); ++i) {
        // No objectName: the entries are neither translated nor recorded.
        auto* action = new QAction(manager.LanguageName(i), group);
        action->setCheckable(true);
        action->setData(i);
        action->setProperty(TagProperty, i);
        action->setChecked(SameTextAscii(manager.LanguageName(i), current));
        parent->addAction(action);
        if (handler)
            QObject::connect(action, &QAction::triggered, parent,
                             [handler, action](bool) { handler(action); });
    }
    return group;
}

bool LanguageMenuClick(QObject* sender, TLangManager& manager) {
    auto* action = qobject_cast<QAction*>(sender);
    if (!action) return false;
    action->setChecked(true);
    QString name = action->text();
    name.remove(u'&');
    manager.SetLanguage(name);
    return true;
}

QString FormatText(const QString& format, std::initializer_list<QString> args) {
    std::vector<std::string> utf8;
    utf8.reserve(args.size());
    for (const QString& a : args) utf8.push_back(a.toStdString());
    // SafeFormat takes a fixed list; four arguments cover every text of ours.
    auto arg = [&utf8](size_t i) { return i < utf8.size() ? std::string_view(utf8[i]) : ""; };
    std::string out;
    if (utf8.size() <= 4)
        out = SafeFormat(format.toStdString(), {arg(0), arg(1), arg(2), arg(3)});
    else
        out = SafeFormat(format.toStdString(),
                         {arg(0), arg(1), arg(2), arg(3), arg(4), arg(5), arg(6), arg(7)});
    return QString::fromStdString(out);
}

void LoadMessageTexts(TLangManager& manager, const QString& section,
                      const std::vector<std::pair<QString, QString*>>& texts) {
    for (const auto& [id, text] : texts)
        if (text) manager.ReadText(section, id, false, *text);
}

void LoadMessageTexts(TLangManager& manager, TActivityMessages& m, const QString& section) {
    LoadMessageTexts(manager, section,
                     {{QStringLiteral("SRemoveActivitiesCaption"), &m.SRemoveActivitiesCaption},
                      {QStringLiteral("SRemoveActivitiesText"), &m.SRemoveActivitiesText},
                      {QStringLiteral("SActivitiesFound"), &m.SActivitiesFound},
                      {QStringLiteral("SRemoveAll"), &m.SRemoveAll}});
}

void LoadAboutTexts(TLangManager& manager, TAboutTexts& texts, const QString& section) {
    manager.ReadText(section, QStringLiteral("SCaptionAbout"), true, texts.SCaptionAbout);
    manager.ReadText(section, QStringLiteral("SVersion"), true, texts.SVersion);
    manager.ReadText(section, QStringLiteral("SAboutText"), true, texts.SAboutText);
}

QString ProductLine(const TAboutTexts& texts, const QString& version) {
    return FormatText(texts.SVersion, {version});
}

bool BuildOriginalFiles(TLangManager& manager, const std::vector<QWidget*>& forms,
                        const QString& outFile, QString* error) {
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (manager.BuildLanguage() || !manager.BuildPending())
        return fail(QStringLiteral("The language build has already run."));
    TScriptedLangDialogs dialogs;
    dialogs.SaveAnswer = outFile;
    dialogs.ConfirmAnswer = true;
    ILangDialogs* former = manager.Dialogs();
    manager.SetDialogs(&dialogs);
    manager.SetBuildLanguage(true);
    for (QWidget* form : forms) {
        if (!form) continue;
        const TLangComponent* component = LangComponentOf(form);
        manager.TranslateForm(form, true, component && component->UseCommonLanguageFile());
    }
    TActivityMessages messages;
    LoadMessageTexts(manager, messages);
    TAboutTexts about;
    LoadAboutTexts(manager, about);
    manager.SetDialogs(former);
    if (manager.BuildWriteFailed() || !dialogs.Errors.isEmpty())
        return fail(dialogs.Errors.isEmpty() ? QStringLiteral("Cannot write the language files.")
                                             : dialogs.Errors.join(u'\n'));
    return true;
}

} // namespace orvane
