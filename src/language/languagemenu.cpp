#include "language/languagemenu.h"

#include "language/langcomponent.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QWidget>

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

bool BuildOriginalFiles(TLangManager& manager, const std::vector<QWidget*>& forms,
                        const std::function<void()>& readTexts, const QString& outFile,
                        QString* error) {
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
    if (readTexts) readTexts();
    manager.SetDialogs(former);
    if (manager.BuildWriteFailed() || !dialogs.Errors.isEmpty())
        return fail(dialogs.Errors.isEmpty() ? QStringLiteral("Cannot write the language files.")
                                             : dialogs.Errors.join(u'\n'));
    return true;
}

} // namespace orvane
