// The language files shipped in lan/: every text of the main window, the message texts of every
// window with their placeholders, and the about window's texts in each language's common file.
#include "language/langmanager.h"
#include "views/messagetexts.h"

#include "alltexts.h"
#include "qtfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

using namespace orvane;

namespace {

const char* const MainWindowKeys[] = {"fmActivity.Caption",
                                      "D1.Caption",
                                      "Neu1.Caption",
                                      "N1.Caption",
                                      "N2.Caption",
                                      "CSVCommaSeparatedValues1.Caption",
                                      "txtText1.Caption",
                                      "N3.Caption",
                                      "Miminieren1.Caption",
                                      "mnClose.Caption",
                                      "Bearbeiten1.Caption",
                                      "mnRemoveLongs.Caption",
                                      "Ansicht1.Caption",
                                      "mnDaily.Caption",
                                      "mnWeekly.Caption",
                                      "mnMonthly.Caption",
                                      "mnAll.Caption",
                                      "Options1.Caption",
                                      "mnLanguage.Caption",
                                      "mnDesktop.Caption",
                                      "mnDesktop.Hint",
                                      "mnStartup.Caption",
                                      "mnStartup.Hint",
                                      "mnPause.Caption",
                                      "mnAwayAfter.Caption",
                                      "mnSummary.Caption",
                                      "pmSummary.Caption",
                                      "mnCategories.Caption",
                                      "mnGnomeExtension.Caption",
                                      "mnGnomeExtension.Hint",
                                      "mnAbout.Caption",
                                      "mnUpdate.Caption",
                                      "mnShow.Caption",
                                      "ShowAllNews1.Caption",
                                      "pmPause.Caption",
                                      "N4.Caption",
                                      "About1.Caption",
                                      "Exit1.Caption",
                                      "MainMenu1.Menu[0]",
                                      "MainMenu1.Menu[1]",
                                      "MainMenu1.Menu[2]",
                                      "MainMenu1.Menu[3]",
                                      "MainMenu1.Menu[4]",
                                      "SRemoveActivitiesCaption",
                                      "SRemoveActivitiesText",
                                      "SActivitiesFound",
                                      "SRemoveAll",
                                      "SNegativeHours",
                                      "SProbeProblem",
                                      "SGnomeOfferCaption",
                                      "SGnomeOfferText",
                                      "SGnomeSetupDone",
                                      "SGnomeSetupFailed",
                                      "SFolderRecreated"};

int CountOf(const QString& text, const QString& what) {
    return int(text.count(what));
}

QStringList ShippedLanguageFiles() {
    return QDir(ORVANE_LAN_DIR).entryList({"*.lan"}, QDir::Files, QDir::Name);
}

TEST(ShippedLanguages, EveryFileIsComplete) {
    const QStringList files = ShippedLanguageFiles();
    ASSERT_TRUE(files.contains("English.lan"));
    ASSERT_TRUE(files.contains("German.lan"));
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        TLangFile file(QString(ORVANE_LAN_DIR) + "/" + name);
        EXPECT_FALSE(Unquote(file.ReadString("Orvane", "Language", {})).isEmpty());
        for (const char* key : MainWindowKeys) {
            const QString value = file.ReadString("fmActivity", key, {});
            EXPECT_FALSE(Unquote(value).isEmpty()) << key;
            EXPECT_TRUE(value.startsWith('"') && value.endsWith('"')) << key;
        }
        for (const char* separator : {"N1.Caption", "N3.Caption", "N4.Caption"})
            EXPECT_EQ(file.ReadString("fmActivity", separator, {}), "\"-\"");
        EXPECT_EQ(CountOf(file.ReadString("fmActivity", "SActivitiesFound", {}), "%s"), 4);
        EXPECT_EQ(CountOf(file.ReadString("fmActivity", "SActivitiesFound", {}), "%"), 4);
        EXPECT_EQ(CountOf(file.ReadString("fmActivity", "SRemoveAll", {}), "/r/n"), 1);
        // Every message text keeps the placeholders of the built-in one.
        for (const TAnyText& e : AllMessageTexts()) {
            if (e.Common) continue;
            const QString builtIn = QString::fromUtf8(e.Text.data(), qsizetype(e.Text.size()));
            const QString id = QString::fromUtf8(e.Id.data(), qsizetype(e.Id.size()));
            const QString value = file.ReadString("fmActivity", id, {});
            EXPECT_FALSE(Unquote(value).isEmpty()) << id.toStdString();
            EXPECT_EQ(CountOf(value, "%s"), CountOf(builtIn, "%s")) << id.toStdString();
            EXPECT_EQ(CountOf(value, "%"), CountOf(builtIn, "%")) << id.toStdString();
        }

        const QString commonName = Unquote(file.ReadString("Orvane", "CommonLanguageFile", {}));
        ASSERT_FALSE(commonName.isEmpty());
        EXPECT_FALSE(commonName.endsWith(".lan", Qt::CaseInsensitive));
        const QString commonPath = QString(ORVANE_LAN_DIR) + "/" + commonName;
        ASSERT_TRUE(QFileInfo(commonPath).isFile()) << commonName.toStdString();
        TLangFile common(commonPath);
        EXPECT_FALSE(Unquote(common.ReadString("FrmAbout", "SCaptionAbout", {})).isEmpty());
        const QString version = common.ReadString("FrmAbout", "SVersion", {});
        EXPECT_EQ(CountOf(version, "%s"), 1);
        EXPECT_EQ(CountOf(version, "%"), 1);
        const QString about = common.ReadString("FrmAbout", "SAboutText", {});
        EXPECT_TRUE(about.contains("http://www.orvane.org"));
        EXPECT_TRUE(about.contains("info@orvane.org"));
    }
}

TEST(ShippedLanguages, EnglishRestatesTheBuiltInTexts) {
    TLangFile file(QString(ORVANE_LAN_DIR) + "/English.lan");
    const struct {
        const char* Key;
        const char* Value;
    } cases[] = {
        {"fmActivity.Caption", "Orvane Activity Recorder"},
        {"mnDesktop.Hint", "Show Orvane on Desktop"},
        {"mnStartup.Hint", "Use Orvane on Autostart"},
        {"MainMenu1.Menu[4]", "About"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Unquote(file.ReadString("fmActivity", c.Key, {})), c.Value) << c.Key;

    // Every message text, with its line breaks written as /r/n.
    TLangFile common(QString(ORVANE_LAN_DIR) + "/" +
                     Unquote(file.ReadString("Orvane", "CommonLanguageFile", {})));
    for (const TAnyText& e : AllMessageTexts()) {
        const QString id = QString::fromUtf8(e.Id.data(), qsizetype(e.Id.size()));
        const QString section = QString::fromUtf8(e.Section.data(), qsizetype(e.Section.size()));
        const QString stored = Unquote((e.Common ? common : file).ReadString(section, id, {}));
        EXPECT_EQ(
            stored,
            QString::fromUtf8(e.Text.data(), qsizetype(e.Text.size())).replace("\r\n", "/r/n"))
            << id.toStdString();
    }
}

TEST(ShippedLanguages, ManagerFindsThemWithoutComplaint) {
    TScriptedLangDialogs dialogs;
    TLangManager manager;
    manager.SetDialogs(&dialogs);
    manager.SetLanguageFolder(ORVANE_LAN_DIR);
    EXPECT_EQ(manager.LanguageCount(), ShippedLanguageFiles().size());
    for (int i = 0; i < manager.LanguageCount(); ++i) {
        manager.SetLanguage(manager.LanguageName(i));
        QString text;
        manager.ReadText("FrmAbout", "SCaptionAbout", true, text);
        EXPECT_FALSE(text.isEmpty()) << manager.LanguageName(i).toStdString();
    }
    EXPECT_TRUE(dialogs.Errors.isEmpty()) << dialogs.Errors.join('\n').toStdString();
}

} // namespace
