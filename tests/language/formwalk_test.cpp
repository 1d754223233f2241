#include "language/langmanager.h"

#include "qtfiles.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace orvane;

namespace orvane::test {

// A form shaped like the program's windows: a menu bar with submenus and separators, controls
// of every kind inside a plain container and a layout, composites that own their children, a
// control kept out of builds, unnamed objects and a form of its own inside.
class TfmActivity : public QWidget {
    Q_OBJECT
public:
    TfmActivity() {
        setObjectName("fmActivity");
        setProperty(FormProperty, true);
        setWindowTitle("Orvane Activity Recorder");

        auto* bar = new QMenuBar(this);
        bar->setObjectName("MainMenu1");
        D1 = bar->addMenu("File");
        D1->setObjectName("D1");
        Neu1 = D1->addAction("New");
        Neu1->setObjectName("Neu1");
        N1 = D1->addSeparator();
        N1->setObjectName("N1");
        N2 = D1->addMenu("Export");
        N2->setObjectName("N2");
        N2->addAction("CSV")->setObjectName("CSV1");
        mnRemoveLongs = D1->addAction("Remove long activities");
        mnRemoveLongs->setObjectName("mnRemoveLongs");
        Options1 = bar->addMenu("Options");
        Options1->setObjectName("Options1");
        mnDesktop = new QAction("Desktop", this); // parent is the form, shown in a menu
        mnDesktop->setObjectName("mnDesktop");
        mnDesktop->setStatusTip("Show Orvane on Desktop");
        Options1->addAction(mnDesktop);
        Unnamed = Options1->addAction("English"); // like the language entries

        auto* container = new QWidget(this); // transparent: no name, no owner flag
        auto* layout = new QVBoxLayout(container);
        Button = new QPushButton("OK", container);
        Button->setObjectName("bnOk");
        Label = new QLabel("Label", container);
        Label->setObjectName("Label1");
        QuotedLabel = new QLabel("\"quoted\" text", container);
        QuotedLabel->setObjectName("Label2");
        Check = new QCheckBox("Check", container);
        Check->setObjectName("cb1");
        Edit = new QLineEdit("typed", container);
        Edit->setObjectName("Edit1");
        Edit->setToolTip("edit hint");
        Memo = new QPlainTextEdit("log", container);
        Memo->setObjectName("Memo1");
        Memo->setToolTip("memo hint");
        Rich = new QTextEdit(container);
        Rich->setObjectName("RichEdit1");
        Rich->setPlainText("first\n\nthird\n");
        List = new QListWidget(container);
        List->setObjectName("List1");
        List->addItems({"a", "b", "c"});
        List->setCurrentRow(1);
        Combo = new QComboBox(container);
        Combo->setObjectName("Combo1");
        Combo->addItems({"x", "y"});
        Combo->setCurrentIndex(1);
        Tabs = new QTabWidget(container);
        Tabs->setObjectName("Pages1");
        Tabs->setToolTip("pages hint");
        Page = new QWidget;
        Page->setObjectName("Tab1");
        Tabs->addTab(Page, "First");
        Grid = new QTableView(container);
        Grid->setObjectName("Grid1");
        Grid->setToolTip("grid hint");
        Skipped = new QPushButton("Skipped", container);
        Skipped->setObjectName("Skipped");
        Skipped->setProperty(TagProperty, NoBuildTag);
        for (QWidget* w :
             std::initializer_list<QWidget*>{Button, Label, QuotedLabel, Check, Edit, Memo, Rich,
                                             List, Combo, Tabs, Grid, Skipped})
            layout->addWidget(w);

        Panel = new QGroupBox("Panel", this);
        Panel->setObjectName("Panel1");
        Panel->setProperty(OwnerProperty, true);
        Inner = new QWidget(new QWidget(Panel)); // via a plain container
        Inner->setObjectName("Inner");
        Inner->setProperty(OwnerProperty, true);
        Owned = new QPushButton("Owned", Panel);
        Owned->setObjectName("Button1");
        Deep = new QLabel("Deep", Inner);
        Deep->setObjectName("Deep");

        auto* anonymousOwner = new QWidget(this);
        anonymousOwner->setProperty(OwnerProperty, true);
        Orphan = new QPushButton("Orphan", anonymousOwner);
        Orphan->setObjectName("Orphan");

        Child = new QWidget(this);
        Child->setObjectName("fmChild");
        Child->setProperty(FormProperty, true);
        Child->setWindowTitle("Child");
        ChildButton = new QPushButton("Child button", Child);
        ChildButton->setObjectName("ChildButton");
    }

    QMenu *D1, *N2, *Options1;
    QAction *Neu1, *N1, *mnRemoveLongs, *mnDesktop, *Unnamed;
    QPushButton *Button, *Skipped, *Owned, *Orphan, *ChildButton;
    QLabel *Label, *QuotedLabel, *Deep;
    QCheckBox* Check;
    QLineEdit* Edit;
    QPlainTextEdit* Memo;
    QTextEdit* Rich;
    QListWidget* List;
    QComboBox* Combo;
    QTabWidget* Tabs;
    QWidget* Page;
    QTableView* Grid;
    QGroupBox* Panel;
    QWidget *Inner, *Child;
};

} // namespace orvane::test

namespace {

using orvane::test::TfmActivity;

TEST(FormWalk, ComponentPaths) {
    TLangManager manager;
    TfmActivity form;
    const struct {
        const QObject* Object;
        const char* Path;
    } cases[] = {
        {&form, "fmActivity"},
        {form.Neu1, "Neu1"},
        {form.D1, "D1"},
        {form.mnDesktop, "mnDesktop"},
        {form.Button, "bnOk"},
        {form.Panel, "Panel1"},
        {form.Owned, "Panel1.Button1"},
        {form.Inner, "Panel1.Inner"},
        {form.Deep, "Panel1.Inner.Deep"},
        {form.Orphan, ""}, // owner without a name
    };
    for (const auto& c : cases)
        EXPECT_EQ(manager.ComponentPath("fmActivity", c.Object), c.Path) << c.Path;

    EXPECT_EQ(OwnerOf(form.Neu1), &form);
    EXPECT_EQ(OwnerOf(form.Deep), form.Inner);
    EXPECT_EQ(OwnerOf(form.ChildButton), form.Child);

    manager.SetOptions(lmNumUnits | lmClassNames);
    EXPECT_EQ(manager.FormSection(&form), "TfmActivity");
    EXPECT_EQ(manager.ComponentPath("TfmActivity", &form), "fmActivity");
    EXPECT_EQ(manager.ComponentPath("TfmActivity", form.Neu1), "Neu1");
    EXPECT_EQ(manager.ComponentPath("TfmActivity", form.Deep), "Panel1.Inner.Deep");
}

class FormWalkFiles : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = Dir.path() + "/LAN";
        QDir().mkpath(Folder);
        Manager.SetDialogs(&Dialogs);
    }
    void Load(const QString& body) {
        ASSERT_TRUE(test::WriteText(Folder + "/T.lan",
                                    "[Orvane]\nLanguage=T\nCommonLanguageFile=C.lng\n" + body));
        ASSERT_TRUE(test::WriteText(Folder + "/C.lng", "[Common]\n"));
        Manager.SetLanguageFolder(Folder);
        Manager.SetLanguage("T");
        ASSERT_NE(Manager.AppFile(), nullptr);
    }
    QTemporaryDir Dir;
    QString Folder;
    TScriptedLangDialogs Dialogs;
    TLangManager Manager;
};

TEST_F(FormWalkFiles, BuildRecordsEveryKindWithItsKeys) {
    TfmActivity form;
    Dialogs.SaveAnswer = Folder + "/Out.ori";
    Manager.SetBuildLanguage(true);
    Manager.TranslateForm(&form, true, false);
    TLangFile out(Folder + "/Out.ori");
    const QString s = "fmActivity";

    const struct {
        const char* Key;
        const char* Value;
    } present[] = {
        {"fmActivity.Caption", "\"Orvane Activity Recorder\""},
        {"MainMenu1.Menu[0]", "\"File\""},
        {"MainMenu1.Menu[1]", "\"Options\""},
        {"D1.Caption", "\"File\""},
        {"Neu1.Caption", "\"New\""},
        {"N1.Caption", "\"-\""},
        {"N2.Caption", "\"Export\""},
        {"CSV1.Caption", "\"CSV\""},
        {"mnDesktop.Caption", "\"Desktop\""},
        {"mnDesktop.Hint", "\"Show Orvane on Desktop\""},
        {"bnOk.Caption", "\"OK\""},
        {"cb1.Caption", "\"Check\""},
        {"Edit1.Hint", "\"edit hint\""},
        {"Memo1.Hint", "\"memo hint\""},
        {"RichEdit1.List[0]", "\"first\""},
        {"RichEdit1.List[1]", "\"\""}, // an empty line
        {"RichEdit1.List[2]", "\"third\""},
        {"List1.List[2]", "\"c\""},
        {"Combo1.List[1]", "\"y\""},
        {"Pages1.Hint", "\"pages hint\""},
        {"Tab1.Caption", "\"First\""},
        {"Grid1.Hint", "\"grid hint\""},
        {"Panel1.Caption", "\"Panel\""},
        {"Panel1.Button1.Caption", "\"Owned\""},
        {"Panel1.Inner.Deep.Caption", "\"Deep\""},
        {".Caption", "\"Orphan\""},
    };
    for (const auto& p : present)
        EXPECT_EQ(out.ReadString(s, p.Key, "<missing>"), p.Value) << p.Key;
    for (const char* key : {"Edit1.Caption", "Memo1.Caption", "Grid1.Caption", "Skipped.Caption",
                            "ChildButton.Caption", "fmChild.Caption", "Label1.Hint",
                            "RichEdit1.List[3]", "LangComponent1.Caption"})
        EXPECT_FALSE(out.ValueExists(s, key)) << key;
    for (const QString& key : out.SectionKeys(s))
        EXPECT_FALSE(key.contains("English")) << key.toStdString();
    EXPECT_FALSE(out.SectionExists("fmChild"));
}

TEST_F(FormWalkFiles, TranslateAppliesEachKind) {
    Load("[fmActivity]\n"
         "fmActivity.Caption=\"Aktivit\u00e4ten\"\n"
         "fmActivity.Hint=\"Zeile/r/nzwei\"\n"
         "MainMenu1.Menu[0]=\"Datei-Men\u00fc\"\n"
         "MainMenu1.Menu[1]=\"Optionen \"\"neu\"\"\"\n"
         "MainMenu1.Menu[2]=\"beyond the last item\"\n"
         "D1.Caption=\"Datei\"\n"
         "Neu1.Caption=\"Neu\"\n"
         "N1.Caption=\"Trenner\"\n"
         "mnDesktop.Hint=\n"
         "bnOk.Caption=\n"
         "bnOk.Hint=\"  Knopf  \"\n"
         "Label1.Caption=\"eins/r/nzwei\"\n"
         "Edit1.Caption=\"getippt\"\n"
         "Memo1.Hint=\"nicht gelesen\"\n"
         "RichEdit1.List[0]=\"erste\"\n"
         "List1.List[0]=\"A\"\nList1.List[1]=\"B\"\n"
         "Combo1.List[1]=\"no index 0\"\n"
         "Tab1.Caption=\"Erste\"\nTab1.Hint=\"Seite\"\n"
         "Grid1.Caption=\"ignored\"\nGrid1.Hint=\"Tabelle\"\n"
         "Skipped.Caption=\"by hand\"\n"
         "Panel1.Button1.Caption=\"Besessen\"\n"
         "Panel1.Inner.Deep.Caption=\"Tief\"\n"
         "ChildButton.Caption=\"not this form\"\n");
    TfmActivity form;
    Manager.TranslateForm(&form, true, false);

    EXPECT_EQ(form.windowTitle(), "Aktivit\u00e4ten");
    EXPECT_EQ(form.toolTip(), "Zeile\r\nzwei");
    EXPECT_EQ(form.D1->title(), "Datei"); // the item's own key comes after the menu's
    EXPECT_EQ(form.Options1->title(), "Optionen \"neu\"");
    EXPECT_EQ(form.Neu1->text(), "Neu");
    EXPECT_TRUE(form.N1->isSeparator());
    EXPECT_EQ(form.mnDesktop->text(), "Desktop");
    EXPECT_EQ(form.mnDesktop->statusTip(), ""); // an empty hint clears it
    EXPECT_EQ(form.Button->text(), "OK");       // an empty caption keeps it
    EXPECT_EQ(form.Button->toolTip(), "  Knopf  ");
    EXPECT_EQ(form.Label->text(), "eins\r\nzwei");
    EXPECT_EQ(form.QuotedLabel->text(), "quoted"); // no key, but the current text is unquoted
    EXPECT_EQ(form.Edit->text(), "getippt");
    EXPECT_EQ(form.Edit->toolTip(), "edit hint");
    EXPECT_EQ(form.Memo->toolTip(), "memo hint");
    EXPECT_EQ(form.Rich->toPlainText(), "erste");
    ASSERT_EQ(form.List->count(), 2); // replaced as a whole
    EXPECT_EQ(form.List->item(1)->text(), "B");
    EXPECT_EQ(form.List->currentRow(), 1);
    EXPECT_EQ(form.Combo->itemText(1), "y"); // index 0 missing: untouched
    EXPECT_EQ(form.Combo->currentIndex(), 1);
    EXPECT_EQ(form.Tabs->tabText(0), "Erste");
    EXPECT_EQ(form.Tabs->tabToolTip(0), "Seite");
    EXPECT_EQ(form.Grid->toolTip(), "Tabelle");
    EXPECT_EQ(form.Skipped->text(), "by hand"); // tag 98 is still translated
    EXPECT_EQ(form.Owned->text(), "Besessen");
    EXPECT_EQ(form.Deep->text(), "Tief");
    EXPECT_EQ(form.ChildButton->text(), "Child button");
    EXPECT_EQ(form.Unnamed->text(), "English");
}

// The example file of the format's documentation, used as it stands (its common file is missing).
TEST_F(FormWalkFiles, DocumentedExampleFileTranslatesExactly) {
    ASSERT_TRUE(test::WriteText(Folder + "/English.lan", R"([Orvane]
Language="English"
Created=01.03.2007
Modified=05.03.2007
Version=1.0.1
CommonLanguageFile="Common.ori"

[fmActivity]
; main window
fmActivity.Caption="Orvane Activity Recorder"
D1.Caption="File"
Neu1.Caption="New"
mnRemoveLongs.Caption="Remove long activities"
mnDesktop.Hint="Show Orvane on Desktop"
MainMenu1.Menu[0]="File"
SRemoveActivitiesCaption="Remove Activities"
SRemoveAll="Attention all activities will be removed/r/nDo you want to proceed?"
)"));
    TfmActivity form;
    form.setWindowTitle("x");
    form.D1->setTitle("x");
    form.Neu1->setText("x");
    form.mnRemoveLongs->setText("x");
    form.mnDesktop->setStatusTip("x");
    Manager.SetLanguageFolder(Folder);
    Manager.SetLanguage("English");
    ASSERT_EQ(Dialogs.Errors.size(), 1); // "Common.ori" is not there
    EXPECT_TRUE(Dialogs.Errors[0].endsWith("Common.ori"));
    Manager.TranslateForm(&form, true, false);
    EXPECT_EQ(form.windowTitle(), "Orvane Activity Recorder");
    EXPECT_EQ(form.D1->title(), "File");
    EXPECT_EQ(form.Neu1->text(), "New");
    EXPECT_EQ(form.mnRemoveLongs->text(), "Remove long activities");
    EXPECT_EQ(form.mnDesktop->statusTip(), "Show Orvane on Desktop");
    QString caption, removeAll;
    Manager.ReadText("fmActivity", "SRemoveActivitiesCaption", false, caption);
    Manager.ReadText("fmActivity", "SRemoveAll", false, removeAll);
    EXPECT_EQ(caption, "Remove Activities");
    EXPECT_EQ(removeAll, "Attention all activities will be removed\r\nDo you want to proceed?");
}

TEST_F(FormWalkFiles, SelectedIndexSurvivesAShorterList) {
    Load("[fmActivity]\nList1.List[0]=\"only\"\n");
    TfmActivity form;
    form.List->setCurrentRow(2);
    Manager.TranslateForm(&form, true, false);
    EXPECT_EQ(form.List->count(), 1);
    EXPECT_EQ(form.List->currentRow(), -1);
}

TEST_F(FormWalkFiles, ClassNameSections) {
    Load("[TfmActivity]\nfmActivity.Caption=\"By class\"\nNeu1.Caption=\"Neu\"\n"
         "[fmActivity]\nfmActivity.Caption=\"By name\"\n");
    Manager.SetOptions(lmClassNames);
    TfmActivity form;
    Manager.TranslateForm(&form, true, false);
    EXPECT_EQ(form.windowTitle(), "By class");
    EXPECT_EQ(form.Neu1->text(), "Neu");
}

TEST_F(FormWalkFiles, UnnamedFormIsNotTranslated) {
    Load("[]\n.Caption=\"x\"\n");
    QWidget form;
    form.setProperty(FormProperty, true);
    form.setWindowTitle("kept");
    Manager.TranslateForm(&form, true, false);
    EXPECT_EQ(form.windowTitle(), "kept");
}

} // namespace

#include "formwalk_test.moc"
