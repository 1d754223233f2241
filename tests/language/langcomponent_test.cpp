#include "language/langcomponent.h"
#include "language/langmanager.h"
#include "language/languagemenu.h"

#include "qtfiles.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>

#include <memory>

using namespace orvane;

namespace {

class LangComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = Dir.path() + "/LAN";
        QDir().mkpath(Folder);
        Manager->SetDialogs(&Dialogs);
        Write("English.lan",
              "[Orvane]\nLanguage=\"English\"\nCommonLanguageFile=en.lng\n"
              "[fmMain]\nfmMain.Caption=\"Main\"\n"
              "SRemoveAll=\"Really?/r/nSure?\"\nSActivitiesFound=\"%d %n %99s %s\"\n");
        Write("en.lng", "[FrmAbout]\nFrmAbout.Caption=\"About (common)\"\n"
                        "SVersion=\"Version %s\"\n[fmMain]\nfmMain.Caption=\"Main (common)\"\n");
        Write("German.lan", "[Orvane]\nLanguage=\"Deutsch\"\nCommonLanguageFile=de.lng\n"
                            "[fmMain]\nfmMain.Caption=\"Haupt\"\n");
        Write("de.lng", "[FrmAbout]\nSCaptionAbout=\"\u00dcber Orvane\"\n");
        Write("Rnd.lan", "[Orvane]\nLanguage=\"R&D\"\nCommonLanguageFile=en.lng\n");
        Write("Spanish.lan", "[Orvane]\nLanguage=\"Espa\u00f1ol\"\nCommonLanguageFile=en.lng\n");
        Manager->SetLanguageFolder(Folder);
        Form.setObjectName("fmMain");
        Form.setProperty(FormProperty, true);
    }
    void Write(const QString& name, const QString& text) {
        ASSERT_TRUE(test::WriteText(Folder + "/" + name, text));
    }

    QTemporaryDir Dir;
    QString Folder;
    TScriptedLangDialogs Dialogs;
    std::unique_ptr<TLangManager> Manager = std::make_unique<TLangManager>();
    QWidget Form;
};

TEST_F(LangComponentTest, RegistrationPostsATranslation) {
    Manager->SetLanguage("English");
    auto* component = new TLangComponent(&Form);
    int fired = 0;
    component->OnLanguageChanged = [&fired](TLangComponent*) { ++fired; };
    component->SetLanManager(Manager.get());
    EXPECT_EQ(Manager->Components(), std::vector<TLangComponent*>{component});
    EXPECT_EQ(Form.windowTitle(), ""); // not before the event loop runs
    QCoreApplication::processEvents();
    EXPECT_EQ(Form.windowTitle(), "Main");
    EXPECT_EQ(fired, 1);

    Manager->SetLanguage("Deutsch"); // synchronous
    EXPECT_EQ(Form.windowTitle(), "Haupt");
    EXPECT_EQ(fired, 2);
}

TEST_F(LangComponentTest, CommonFlagTakesEffectAtTheNextTranslation) {
    Manager->SetLanguage("English");
    auto* component = new TLangComponent(&Form);
    component->SetLanManager(Manager.get());
    QCoreApplication::processEvents();
    component->SetUseCommonLanguageFile(true);
    EXPECT_EQ(Form.windowTitle(), "Main");
    QEvent event(TranslateFormEventType());
    QCoreApplication::sendEvent(component, &event);
    EXPECT_EQ(Form.windowTitle(), "Main (common)");
}

TEST_F(LangComponentTest, OwnerThatIsNoFormNeverTranslates) {
    Manager->SetLanguage("English");
    QWidget plain;
    plain.setObjectName("fmMain");
    auto* component = new TLangComponent(&plain);
    int fired = 0;
    component->OnLanguageChanged = [&fired](TLangComponent*) { ++fired; };
    component->SetLanManager(Manager.get());
    QCoreApplication::processEvents();
    EXPECT_EQ(component->Form(), nullptr);
    EXPECT_EQ(plain.windowTitle(), "");
    EXPECT_EQ(fired, 0);
}

TEST_F(LangComponentTest, EmptyManagerKeepsTheRegistration) {
    auto* component = new TLangComponent(&Form);
    component->SetLanManager(Manager.get());
    component->SetLanManager(nullptr);
    EXPECT_EQ(component->LanManager(), Manager.get());
    EXPECT_EQ(Manager->Components().size(), 1u);
    component->SetLanManager(Manager.get()); // again: still one entry
    EXPECT_EQ(Manager->Components().size(), 1u);

    TLangManager other;
    component->SetLanManager(&other); // moves: never in two lists
    EXPECT_TRUE(Manager->Components().empty());
    EXPECT_EQ(other.Components().size(), 1u);
    QCoreApplication::processEvents();
}

TEST_F(LangComponentTest, ManagerDestroyedFirstIsForgotten) {
    auto* component = new TLangComponent(&Form);
    component->SetLanManager(Manager.get());
    Manager.reset();
    EXPECT_EQ(component->LanManager(), nullptr);
    QEvent event(TranslateFormEventType());
    QCoreApplication::sendEvent(component, &event); // ignored, no crash
    QCoreApplication::processEvents();              // the posted one too
    EXPECT_EQ(Form.windowTitle(), "");
}

TEST_F(LangComponentTest, DestroyedComponentLeavesTheList) {
    {
        QWidget form;
        form.setObjectName("fmOther");
        form.setProperty(FormProperty, true);
        (new TLangComponent(&form))->SetLanManager(Manager.get());
        EXPECT_EQ(Manager->Components().size(), 1u);
    }
    EXPECT_TRUE(Manager->Components().empty());
    Manager->SetLanguage("English"); // sends to nobody
    QCoreApplication::processEvents();
}

TEST_F(LangComponentTest, FormDeletedDuringItsOwnWalkIsSafe) {
    Manager->SetLanguage("English");
    auto* form = new QWidget;
    form->setObjectName("fmMain");
    form->setProperty(FormProperty, true);
    for (int i = 0; i < 5; ++i)
        (new QPushButton(form))->setObjectName(QString("b%1").arg(i));
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [form] { delete form; }, Qt::QueuedConnection);
    // The walk processes pending events first; the form goes away in the middle of it.
    Manager->TranslateForm(form, true, false);
    SUCCEED();
}

// ---- language menu and message texts ------------------------------------------------------

TEST_F(LangComponentTest, MenuHasOneRadioEntryPerLanguage) {
    Manager->SetLanguage("Deutsch");
    QMenu menu;
    std::vector<QAction*> clicked;
    QActionGroup* group =
        BuildLanguageMenu(&menu, *Manager, [&clicked](QAction* a) { clicked.push_back(a); });
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_TRUE(group->isExclusive());
    int checked = 0;
    for (int i = 0; i < actions.size(); ++i) {
        EXPECT_EQ(actions[i]->text(), Manager->LanguageName(i));
        EXPECT_EQ(actions[i]->data().toInt(), i);
        EXPECT_EQ(actions[i]->property(TagProperty).toInt(), i);
        EXPECT_TRUE(actions[i]->objectName().isEmpty());
        EXPECT_TRUE(actions[i]->isCheckable());
        if (actions[i]->isChecked()) {
            ++checked;
            EXPECT_EQ(actions[i]->text(), "Deutsch");
        }
    }
    EXPECT_EQ(checked, 1);
    actions[0]->trigger();
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0], actions[0]);
}

TEST_F(LangComponentTest, MenuClickSelectsTheLanguageByItsText) {
    QMenu menu;
    BuildLanguageMenu(&menu, *Manager, nullptr);
    auto entry = [&menu](const QString& text) {
        for (QAction* a : menu.actions())
            if (a->text() == text) return a;
        return static_cast<QAction*>(nullptr);
    };
    QAction* german = entry("Deutsch");
    ASSERT_NE(german, nullptr);
    german->setText("Deu&tsch"); // an accelerator added by the toolkit
    EXPECT_TRUE(LanguageMenuClick(german, *Manager));
    EXPECT_TRUE(german->isChecked());
    EXPECT_EQ(Manager->Language(), "Deutsch");

    // A name holding "&" cannot be chosen: the name looked up has lost it.
    EXPECT_TRUE(LanguageMenuClick(entry("R&D"), *Manager));
    EXPECT_EQ(Manager->Language(), "Deutsch");

    // The current language again: its file is read again.
    Write("German.lan", "[Orvane]\nLanguage=\"Deutsch\"\nCommonLanguageFile=de.lng\n"
                        "[fmMain]\nSRemoveAll=\"neu\"\n");
    EXPECT_TRUE(LanguageMenuClick(german, *Manager));
    QString text;
    Manager->ReadText("fmMain", "SRemoveAll", false, text);
    EXPECT_EQ(text, "neu");

    QObject notAnEntry;
    EXPECT_FALSE(LanguageMenuClick(&notAnEntry, *Manager));
}

TEST(LanMan, CreatedWithItsStoredValues) {
    QObject dataModule;
    TLangManager* lanMan = CreateLanMan(&dataModule);
    EXPECT_EQ(lanMan->parent(), &dataModule);
    EXPECT_EQ(lanMan->objectName(), "LanMan");
    EXPECT_EQ(lanMan->Language(), "English");
    EXPECT_EQ(lanMan->LangExtension(), ".lan");
    EXPECT_EQ(lanMan->Options(), TLMSetOptions(lmNumUnits));
    EXPECT_FALSE(lanMan->BuildLanguage());
    EXPECT_EQ(lanMan->AppFile(), nullptr);
}

// ---- the translators' build ---------------------------------------------------------------

TEST_F(LangComponentTest, BuildOriginalFilesRecordsFormsAndTexts) {
    Form.setWindowTitle("Orvane Activity Recorder");
    auto* main = new TLangComponent(&Form);
    main->SetLanManager(Manager.get());
    QWidget about;
    about.setObjectName("FrmAbout");
    about.setProperty(FormProperty, true);
    about.setWindowTitle("About Orvane");
    auto* rich = new QTextEdit(&about);
    rich->setObjectName("RichEdit1");
    rich->setPlainText("line");
    auto* aboutComponent = new TLangComponent(&about);
    aboutComponent->SetUseCommonLanguageFile(true);
    aboutComponent->SetLanManager(Manager.get());
    QCoreApplication::processEvents();

    const QString out = Dir.path() + "/build/Orvane.ori";
    QDir().mkpath(Dir.path() + "/build");
    QString error;
    // The texts are recorded by the lookups that readTexts runs, with their line breaks escaped.
    const auto readTexts = [this] {
        QString removeAll = "Really?\r\nSure?";
        Manager->ReadText("fmActivity", "SRemoveAll", false, removeAll);
        QString version = "Version %s";
        Manager->ReadText("FrmAbout", "SVersion", true, version);
    };
    ASSERT_TRUE(BuildOriginalFiles(*Manager, {&Form, &about}, readTexts, out, &error))
        << error.toStdString();
    TLangFile ori(out);
    EXPECT_EQ(ori.ReadString("fmMain", "fmMain.Caption", {}), "\"Orvane Activity Recorder\"");
    EXPECT_EQ(ori.ReadString("fmActivity", "SRemoveAll", {}), "\"Really?/r/nSure?\"");
    EXPECT_EQ(ori.SectionKeys("fmActivity").size(), 1);
    EXPECT_FALSE(ori.SectionExists("FrmAbout"));
    TLangFile common(Dir.path() + "/build/Common.ori");
    EXPECT_EQ(common.ReadString("FrmAbout", "FrmAbout.Caption", {}), "\"About Orvane\"");
    EXPECT_EQ(common.ReadString("FrmAbout", "RichEdit1.List[0]", {}), "\"line\"");
    EXPECT_EQ(common.ReadString("FrmAbout", "SVersion", {}), "\"Version %s\"");

    EXPECT_FALSE(BuildOriginalFiles(*Manager, {&Form}, {}, out, &error)); // once per manager
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
