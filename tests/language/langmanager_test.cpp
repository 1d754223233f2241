#include "language/langcomponent.h"
#include "language/langmanager.h"

#include "qtfiles.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

using namespace orvane;
using orvane::test::ReadBytes;
using orvane::test::WriteText;

namespace {

// A language folder in a temporary directory, a manager with scripted dialogs, and forms with
// language components that count their translations.
class LangManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        Folder = FDir.path() + "/LAN";
        ASSERT_TRUE(QDir().mkpath(Folder));
        Manager.SetDialogs(&Dialogs);
    }

    void Write(const QString& name, const QString& text) {
        ASSERT_TRUE(WriteText(Folder + "/" + name, text));
    }

    // A form with a component registered with the manager; the posted translation is handled.
    QWidget* AddForm(const QString& name, std::vector<QString>* log = nullptr) {
        auto form = std::make_unique<QWidget>();
        form->setObjectName(name);
        form->setProperty(FormProperty, true);
        auto* component = new TLangComponent(form.get());
        component->OnLanguageChanged = [log, name](TLangComponent*) {
            if (log) log->push_back(name);
        };
        component->SetLanManager(&Manager);
        QCoreApplication::processEvents();
        Forms.push_back(std::move(form));
        return Forms.back().get();
    }

    QTemporaryDir FDir;
    QString Folder;
    TScriptedLangDialogs Dialogs;
    TLangManager Manager;
    std::vector<std::unique_ptr<QWidget>> Forms;
};

TEST_F(LangManagerTest, FolderScanKeepsOnlyQualifyingFilesInNameOrder) {
    Write("English.lan", "[Orvane]\nLanguage=\"English\"\n");
    Write("deutsch.LAN", "[orvane]\nLanguage='Deutsch'\n");
    Write("Common.lng", "[Orvane]\nLanguage=Common\n"); // wrong extension
    Write("Common.lan", "[Common]\nLanguage=\"x\"\n");  // no header section
    Write("Empty.lan", "[Orvane]\n; only a comment\n"); // header without keys
    Write("Anonymous.lan", "[Orvane]\nVersion=1\n");    // listed with an empty name
    ASSERT_TRUE(QDir().mkpath(Folder + "/Folder.lan"));

    Manager.SetLanguageFolder(Folder);
    EXPECT_EQ(Manager.LanguageFolder(), Folder + "/");
    ASSERT_EQ(Manager.LanguageCount(), 3);
    EXPECT_EQ(Manager.LanguageName(0), "");
    EXPECT_EQ(Manager.LanguageFile(0), "Anonymous.lan");
    EXPECT_EQ(Manager.LanguageName(1), "Deutsch");
    EXPECT_EQ(Manager.LanguageName(2), "English");
    EXPECT_EQ(Manager.LanguageName(3), "");
}

TEST_F(LangManagerTest, FolderWithoutLanguagesKeepsTheFormerFolder) {
    Write("English.lan", "[Orvane]\nLanguage=English\n");
    Manager.SetLanguageFolder(Folder);
    const QString empty = FDir.path() + "/empty";
    QDir().mkpath(empty);
    Manager.SetLanguageFolder(empty);
    EXPECT_EQ(Manager.LanguageCount(), 0);
    EXPECT_EQ(Manager.LanguageFolder(), Folder + "/");
    Manager.SetLanguageFolder(FDir.path() + "/does-not-exist");
    EXPECT_EQ(Manager.LanguageCount(), 0);
    EXPECT_EQ(Manager.LanguageFolder(), Folder + "/");
}

TEST_F(LangManagerTest, UnknownLanguageChangesNothing) {
    Write("English.lan", "[Orvane]\nLanguage=English\n");
    Manager.SetLanguageFolder(Folder);
    Manager.SetLanguage("Klingon");
    EXPECT_EQ(Manager.Language(), "English");
    EXPECT_EQ(Manager.StoredLanguage(), "\"English\"");
    EXPECT_EQ(Manager.AppFile(), nullptr);
    QString text = "built-in";
    Manager.ReadText("fmActivity", "SRemoveAll", false, text);
    EXPECT_EQ(text, "built-in");
}

TEST_F(LangManagerTest, LoadingReadsHeaderTextsAndQuotedCommonFile) {
    Write("German.lan", "[Orvane]\nLanguage=\"Deutsch\"\nCreated=01.03.2007\nModified=05.03.2007\n"
                        "Version=1.0.1\nCommonLanguageFile=\"Common_de.lng\"\n"
                        "[fmActivity]\nSRemoveAll=\"Achtung/r/nWeiter?\"\nEmpty=\n");
    Write("Common_de.lng", "[FrmAbout]\nSCaptionAbout=\"\u00dcber Orvane\"\n");
    Manager.SetLanguageFolder(Folder);
    Manager.SetLanguage("deutsch");

    EXPECT_EQ(Manager.AppFileName(), Folder + "/German.lan");
    EXPECT_EQ(Manager.Language(), "deutsch"); // differs from the quoted value: stored as given
    EXPECT_EQ(Manager.Created(), "01.03.2007");
    EXPECT_EQ(Manager.Modified(), "05.03.2007");
    EXPECT_EQ(Manager.Version(), "1.0.1");
    EXPECT_EQ(Manager.CommonFileName(), Folder + "/Common_de.lng");
    EXPECT_TRUE(Dialogs.Errors.isEmpty());

    QString text = "built-in";
    Manager.ReadText("FMACTIVITY", "sremoveall", false, text);
    EXPECT_EQ(text, "Achtung\r\nWeiter?");
    Manager.ReadText("fmActivity", "Empty", false, text);
    EXPECT_EQ(text, "");
    QString caption = "About Orvane";
    Manager.ReadText("FrmAbout", "SCaptionAbout", true, caption);
    EXPECT_EQ(caption, "\u00dcber Orvane");

    std::string bytes = "8-bit";
    Manager.ReadText("FrmAbout", "SCaptionAbout", true, bytes);
    EXPECT_EQ(bytes, QStringLiteral("\u00dcber Orvane").toLocal8Bit().toStdString());
}

TEST_F(LangManagerTest, MissingCommonFileIsReportedOncePerLoad) {
    Write("English.lan", "[Orvane]\nLanguage=\"English\"\nCommonLanguageFile=Gone.lng\n");
    Manager.SetLanguageFolder(Folder);
    Manager.SetLanguage("English");
    ASSERT_EQ(Dialogs.Errors.size(), 1);
    EXPECT_EQ(Dialogs.Errors[0], "Error reading common language file :\r\n" +
                                     QDir::toNativeSeparators(Folder + "/Gone.lng"));
    // The empty common file is in use: texts keep their current value.
    QString text = "kept";
    Manager.ReadText("FrmAbout", "SVersion", true, text);
    EXPECT_EQ(text, "kept");
}

TEST_F(LangManagerTest, CommonFileNameCannotLeaveTheLanguageFolder) {
    Write("Evil.lan", "[Orvane]\nLanguage=Evil\nCommonLanguageFile=\"../../etc/passwd\"\n");
    Write("Win.lan", "[Orvane]\nLanguage=Win\nCommonLanguageFile=sub\\Common.lng\n");
    Manager.SetLanguageFolder(Folder);
    Manager.SetLanguage("Evil");
    EXPECT_EQ(Manager.CommonFileName(), Folder + "/passwd");
    Manager.SetLanguage("Win");
    EXPECT_EQ(Manager.CommonFileName(), Folder + "/sub/Common.lng");
}

TEST_F(LangManagerTest, LanguageWithoutCommonKeyKeepsTheFormerCommonFileName) {
    Write("A.lan", "[Orvane]\nLanguage=A\nCommonLanguageFile=Shared.lng\n");
    Write("B.lan", "[Orvane]\nLanguage=B\n");
    Write("Shared.lng", "[FrmAbout]\nSVersion=\"v %s\"\n");
    Manager.SetLanguageFolder(Folder);
    Manager.SetLanguage("A");
    Manager.SetLanguage("B");
    EXPECT_EQ(Manager.CommonFileName(), Folder + "/Shared.lng");
    QString text;
    Manager.ReadText("FrmAbout", "SVersion", true, text);
    EXPECT_EQ(text, "v %s");
}

TEST_F(LangManagerTest, QuotedLanguageValueAlwaysRetranslates) {
    Write("English.lan", "[Orvane]\nLanguage=\"English\"\nCommonLanguageFile=C.lng\n");
    Write("C.lng", "[Common]\n");
    Manager.SetLanguageFolder(Folder);
    std::vector<QString> log;
    AddForm("fmMain", &log);
    AddForm("FrmAbout", &log);
    log.clear(); // the posted translations at registration
    int before = 0;
    Manager.OnBeforeLanguageChanged = [&before](TLangManager*) { ++before; };

    Manager.SetLanguage("English");
    EXPECT_EQ(before, 1);
    EXPECT_EQ(log, (std::vector<QString>{"fmMain", "FrmAbout"})); // registration order, at once
    Manager.SetLanguage("English"); // the file's value is quoted, so it never equals the name
    EXPECT_EQ(before, 2);
    EXPECT_EQ(log.size(), 4u);
}

TEST_F(LangManagerTest, UnquotedEqualLanguageValueLoadsWithoutRetranslation) {
    Write("German.lan", "[Orvane]\nLanguage=Deutsch\nCommonLanguageFile=C.lng\n"
                        "[fmActivity]\nSRemoveAll=Achtung\n");
    Write("C.lng", "[Common]\n");
    Manager.SetLanguageFolder(Folder);
    std::vector<QString> log;
    AddForm("fmMain", &log);
    log.clear();
    int before = 0;
    Manager.OnBeforeLanguageChanged = [&before](TLangManager*) { ++before; };

    Manager.SetLanguage("DEUTSCH");
    ASSERT_NE(Manager.AppFile(), nullptr);
    EXPECT_EQ(Manager.StoredLanguage(), "Deutsch");
    EXPECT_EQ(before, 0);
    EXPECT_TRUE(log.empty());
    QString text;
    Manager.ReadText("fmActivity", "SRemoveAll", false, text);
    EXPECT_EQ(text, "Achtung");
}

TEST_F(LangManagerTest, DuplicateDisplayNameSelectsTheFirstFile) {
    Write("A.lan", "[Orvane]\nLanguage=Same\nCommonLanguageFile=C.lng\n");
    Write("B.lan", "[Orvane]\nLanguage=\"same\"\nCommonLanguageFile=C.lng\n");
    Write("C.lng", "[Common]\n");
    Manager.SetLanguageFolder(Folder);
    ASSERT_EQ(Manager.LanguageCount(), 2);
    Manager.SetLanguage("same");
    EXPECT_EQ(Manager.AppFileName(), Folder + "/A.lan");
}

TEST_F(LangManagerTest, MissingIdentifierKeepsThePreviousLanguagesText) {
    Write("A.lan",
          "[Orvane]\nLanguage=A\nCommonLanguageFile=C.lng\n[fmActivity]\nSRemoveAll=from A\n");
    Write("B.lan", "[Orvane]\nLanguage=B\nCommonLanguageFile=C.lng\n");
    Write("C.lng", "[Common]\n");
    Manager.SetLanguageFolder(Folder);
    QString text = "built-in";
    Manager.SetLanguage("A");
    Manager.ReadText("fmActivity", "SRemoveAll", false, text);
    Manager.SetLanguage("B");
    Manager.ReadText("fmActivity", "SRemoveAll", false, text);
    EXPECT_EQ(text, "from A");
}

TEST_F(LangManagerTest, TranslatedFormsSkipUnforcedRepeats) {
    Write("A.lan",
          "[Orvane]\nLanguage=A\nCommonLanguageFile=C.lng\n[fmMain]\nfmMain.Caption=One\n");
    Write("C.lng", "[Common]\n");
    Manager.SetLanguageFolder(Folder);
    QWidget form;
    form.setObjectName("fmMain");
    form.setProperty(FormProperty, true);
    Manager.TranslateForm(&form, false, false); // nothing loaded yet
    EXPECT_EQ(form.windowTitle(), "");
    Manager.SetLanguage("A");
    Manager.TranslateForm(&form, false, false);
    EXPECT_EQ(form.windowTitle(), "One");
    form.setWindowTitle("changed");
    Manager.TranslateForm(&form, false, false);
    EXPECT_EQ(form.windowTitle(), "changed");
    Manager.TranslateForm(&form, true, false);
    EXPECT_EQ(form.windowTitle(), "One");
    EXPECT_EQ(Manager.TranslatedForms(), QStringList({"fmMain", "fmMain"}));
}

// ---- build mode -----------------------------------------------------------------------------

TEST_F(LangManagerTest, BuildCancelledRecordsAndTranslatesNothing) {
    Write("A.lan",
          "[Orvane]\nLanguage=A\nCommonLanguageFile=C.lng\n[fmMain]\nfmMain.Caption=One\n");
    Write("C.lng", "[Common]\n");
    Manager.SetLanguageFolder(Folder);
    Manager.SetLanguage("A");
    std::vector<QString> log;
    AddForm("fmMain", &log);
    AddForm("FrmAbout", &log);
    log.clear();
    Dialogs.SaveAnswer.clear();

    Manager.SetBuildLanguage(true);
    EXPECT_EQ(Dialogs.SaveCalls, 1);
    EXPECT_TRUE(Manager.BuildCancelled());
    EXPECT_EQ(log, std::vector<QString>{"FrmAbout"}); // from the second component on
    QWidget* form = Forms[0].get();
    form->setWindowTitle("built-in");
    Manager.TranslateForm(form, true, false);
    EXPECT_EQ(form->windowTitle(), "built-in");
    QString text = "built-in";
    Manager.ReadText("fmMain", "SRemoveAll", false, text);
    EXPECT_EQ(text, "built-in");
    Manager.SetBuildLanguage(true); // prepared once per manager
    EXPECT_EQ(Dialogs.SaveCalls, 1);
    EXPECT_EQ(QDir(Folder).entryList(QDir::Files).size(), 2);
}

TEST_F(LangManagerTest, BuildWritesOriginalAndCommonFiles) {
    Write("Old.ori", "stale");
    Write("Common.ori", "[FrmAbout]\nstale=1\n");
    Manager.SetLanguageFolder(Folder); // no languages: the folder is not taken
    Dialogs.SaveAnswer = Folder + "/Old.ori";
    Dialogs.ConfirmAnswer = true;
    Manager.SetBuildLanguage(true);

    EXPECT_EQ(Dialogs.SaveTitle, "Build Language File");
    EXPECT_EQ(Dialogs.SaveFilter, "Original Language Files (*.ori)|*.ORI");
    EXPECT_EQ(Dialogs.SaveDefaultExt, ".ori");
    EXPECT_TRUE(Dialogs.SaveProposed.endsWith(".ori"));
    ASSERT_EQ(Dialogs.Confirmations.size(), 1);
    EXPECT_EQ(Dialogs.Confirmations[0],
              "Do you want to delete the common language file : \r\n\r\n" +
                  QDir::toNativeSeparators(Folder + "/Common.ori"));
    EXPECT_FALSE(QFile::exists(Folder + "/Old.ori")); // deleted; written with the first record

    QWidget form;
    form.setObjectName("fmMain");
    form.setProperty(FormProperty, true);
    form.setWindowTitle("Main \"window\"");
    Manager.TranslateForm(&form, true, false);
    QString text = "line one\r\nline two";
    Manager.ReadText("fmMain", "SRemoveAll", false, text);
    EXPECT_EQ(text, "line one\r\nline two"); // the caller keeps real line breaks
    QString about = "About";
    Manager.ReadText("FrmAbout", "SCaptionAbout", true, about);

    const QByteArray raw = ReadBytes(Folder + "/Old.ori");
    EXPECT_EQ(raw.left(2), QByteArray("\xFF\xFE", 2));
    TLangFile ori(Folder + "/Old.ori");
    EXPECT_EQ(ori.ReadString("Orvane", "Language", {}), "\"ORIGINAL\"");
    EXPECT_EQ(ori.ReadString("Orvane", "Version", {}), "0.0.0");
    EXPECT_FALSE(ori.ReadString("Orvane", "Created", {}).isEmpty());
    EXPECT_EQ(ori.ReadString("Orvane", "CommonLanguageFile", {}), "\"Common.ori\"");
    EXPECT_EQ(ori.ReadString("fmMain", "fmMain.Caption", {}), "\"Main \"window\"\"");
    EXPECT_EQ(ori.ReadString("fmMain", "SRemoveAll", {}), "\"line one/r/nline two\"");

    TLangFile common(Folder + "/Common.ori");
    EXPECT_EQ(common.ReadString("Common", "Language", {}), "\"ORIGINAL\"");
    EXPECT_EQ(common.ReadString("FrmAbout", "SCaptionAbout", {}), "\"About\"");
    EXPECT_FALSE(common.ValueExists("FrmAbout", "stale")); // deleted on Yes
    EXPECT_TRUE(Dialogs.Errors.isEmpty());
}

TEST_F(LangManagerTest, BuildKeepsCommonFileOnNo) {
    Write("Common.ori", "[FrmAbout]\nkept=1\n");
    Dialogs.SaveAnswer = Folder + "/Out.ori";
    Dialogs.ConfirmAnswer = false;
    Manager.SetBuildLanguage(true);
    QString about = "About";
    Manager.ReadText("FrmAbout", "SCaptionAbout", true, about);
    TLangFile common(Folder + "/Common.ori");
    EXPECT_EQ(common.ReadString("FrmAbout", "kept", {}), "1");
    EXPECT_EQ(common.ReadString("FrmAbout", "SCaptionAbout", {}), "\"About\"");
}

TEST_F(LangManagerTest, BuildIntoUnwritablePlaceReportsOnce) {
    Dialogs.SaveAnswer = "/nonexistent-orvane-folder/Out.ori";
    Manager.SetBuildLanguage(true);
    QWidget form;
    form.setObjectName("fmMain");
    form.setProperty(FormProperty, true);
    form.setWindowTitle("Main");
    Manager.TranslateForm(&form, true, false);
    QString text = "x";
    Manager.ReadText("fmMain", "SRemoveAll", false, text);
    EXPECT_TRUE(Manager.BuildWriteFailed());
    ASSERT_EQ(Dialogs.Errors.size(), 1);
    EXPECT_TRUE(Dialogs.Errors[0].startsWith("Cannot create file \""));
    EXPECT_EQ(text, "x");
}

} // namespace
