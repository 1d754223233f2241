// Widget tests of the grid, on the offscreen platform.
#include "controls/fstringgrid.h"
#include "files.h"
#include "views/recordedtext.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace orvane;

namespace {

struct TFakeDialogs : IGridDialogs {
    std::vector<std::string> Messages;
    std::string Chosen;
    bool Confirm = true;
    std::string Proposed;
    void MessageBox(const std::string& text, const std::string& caption) override {
        Messages.push_back(caption + "|" + text);
    }
    void ShowMessage(const std::string& text) override { Messages.push_back(text); }
    bool OpenFileDialog(std::string& fileName, const std::string& name, const std::string& pattern,
                        const std::string& ext) override {
        return Answer(fileName, name, pattern, ext);
    }
    bool SaveFileDialog(std::string& fileName, const std::string& name, const std::string& pattern,
                        const std::string& ext) override {
        return Answer(fileName, name, pattern, ext);
    }
    bool Answer(std::string& fileName, const std::string& name, const std::string& pattern,
                const std::string& ext) {
        Proposed = fileName + "|" + name + "|" + pattern + "|" + ext;
        if (Confirm) fileName = Chosen;
        return Confirm;
    }
};

std::vector<std::string> Column(const TFStringGrid& g, int col) {
    std::vector<std::string> out;
    for (int r = 0; r < g.RowCount(); ++r)
        out.push_back(g.Cells(col, r));
    return out;
}

void Fill(TFStringGrid& g, const std::vector<std::vector<std::string>>& rows) {
    g.SetColCount(static_cast<int>(rows.at(0).size()));
    g.SetRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < static_cast<int>(rows[r].size()); ++c)
            g.SetCell(c, r, rows[r][c]);
}

// The bounding box of the dark pixels inside a rectangle of an image.
QRect InkBox(const QImage& image, const QRect& area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100) box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

std::vector<std::string> ModelTestComplaints;

void CollectModelTestComplaints(QtMsgType type, const QMessageLogContext& context,
                                const QString& message) {
    if (type != QtDebugMsg && context.category && std::string(context.category) == "qt.modeltest")
        ModelTestComplaints.push_back(message.toStdString());
}

TEST(FStringGridWidget, ModelStaysConsistentThroughEveryOperation) {
    ModelTestComplaints.clear();
    QtMessageHandler previous = qInstallMessageHandler(CollectModelTestComplaints);
    struct Restore {
        QtMessageHandler handler;
        ~Restore() { qInstallMessageHandler(handler); }
    } restore{previous};
    TFStringGrid g;
    QAbstractItemModelTester tester(g.model(),
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    Fill(g, {{"h", "i"}, {"a", "1"}, {"b", "2"}, {"c", "3"}});
    g.InsertRowAt(2);
    g.SetColCount(4);
    g.SetColCount(1);
    g.Table().DeleteSelectedRows(1, 2);
    g.Table().OnHasFilter = [](int, TSelection& s, bool&) { s = TSelection::fsMulti; };
    g.UpdateFilterButtons();
    g.Table().FilterButton(0)->ClickItem(1);
    g.ApplyFilter(g.FilterButtonWidget(0));
    EXPECT_EQ(g.model()->rowCount(), g.RowCount());
    EXPECT_EQ(g.model()->columnCount(), g.ColCount());
    EXPECT_EQ(g.model()->data(g.model()->index(1, 0)).toString().toStdString(), g.Cells(0, 1));
    EXPECT_EQ(ModelTestComplaints, std::vector<std::string>{});
}

TEST(FStringGridWidget, ColumnWidthsFollowTheRulesAndSurviveRowChanges) {
    TFStringGrid g;
    g.resize(401, 200);
    g.SetColCount(3);
    g.SetFixedCols(0);
    g.SetColWidths(0, 266);
    EXPECT_EQ(g.ColWidths(0), 266);
    EXPECT_EQ(g.ColWidths(1), 64);
    g.SetRowCount(20);
    EXPECT_EQ(g.ColWidths(0), 266);
    // Short texts: every column 10, then stretched by 401 / 33 to 122.
    g.setFont(QFont(g.font().family(), 1));
    g.AdjustColWidths(true);
    EXPECT_EQ(g.ColWidths(0), 122);
    EXPECT_EQ(g.ColWidths(2), 122);
    g.SetColWidths(1, 0);
    g.AdjustColWidths(true);
    EXPECT_EQ(g.ColWidths(1), 0);
}

TEST(FStringGridWidget, CellTextIsAlignedAndVerticallyCentred) {
    TFStringGrid g;
    g.resize(400, 200);
    Fill(g, {{"", "", ""}, {"", "MMM", "MMM"}, {"", "", ""}});
    g.SetFixedCols(0);
    g.SetColWidths(1, 120);
    g.SetColWidths(2, 120);
    g.SetRowHeights(1, 40);
    g.OnGetAlignment = [](int col, int) {
        return col == 1 ? TAlignment::taRightJustify : TAlignment::taCenter;
    };
    g.show();
    QImage image = g.viewport()->grab().toImage();

    QFontMetrics metrics(g.font());
    QSize extent(metrics.horizontalAdvance("MMM"), metrics.height());
    for (int col : {1, 2}) {
        QRect cell(g.columnViewportPosition(col), g.rowViewportPosition(1), g.ColWidths(col),
                   g.RowHeights(1));
        QPoint origin = g.CellTextOrigin(col, 1, cell, extent);
        int indent = col == 1 ? 120 - extent.width() - 5 : (120 - extent.width()) / 2;
        EXPECT_EQ(origin, QPoint(cell.left() + indent, cell.top() + (40 - extent.height()) / 2));
        QRect ink = InkBox(image, cell);
        ASSERT_FALSE(ink.isEmpty()) << col;
        // The ink lies inside the text box, and the text box is centred in the row.
        EXPECT_GE(ink.left(), origin.x() - 1) << col;
        EXPECT_LE(ink.right(), origin.x() + extent.width() + 1) << col;
        EXPECT_NEAR(ink.center().y(), cell.center().y(), extent.height() / 2 + 1) << col;
        if (col == 1) {
            EXPECT_GT(ink.left(), cell.left() + 60);
        }
    }
    // Fixed cells are painted in the button colour, others in the base colour.
    QRect header(g.columnViewportPosition(1), g.rowViewportPosition(0), g.ColWidths(1),
                 g.RowHeights(0));
    EXPECT_EQ(QColor(image.pixel(header.center())), g.palette().color(QPalette::Button));
    EXPECT_EQ(QColor(image.pixel(g.columnViewportPosition(1) + 3, g.rowViewportPosition(2) + 3)),
              g.palette().color(QPalette::Base));
}

TEST(FStringGridWidget, FilterButtonsSitOverHeaderCellsAndFilterOnClick) {
    TFStringGrid g;
    g.resize(300, 150);
    Fill(g, {{"Program", "Day"},
             {"mail", "Mon"},
             {"edit", "Tue"},
             {"mail", "Tue"},
             {"web", "Wed"},
             {"x", "Thu"},
             {"y", "Fri"},
             {"z", "Sat"},
             {"w", "Sun"}});
    g.Table().OnHasFilter = [](int c, TSelection& s, bool&) {
        s = c == 1 ? TSelection::fsMulti : TSelection::fsNone;
    };
    std::vector<QObject*> senders;
    g.OnChanged = [&](QObject* sender) { senders.push_back(sender); };
    int topLeft = 0;
    g.OnTopLeftChanged = [&](QObject*) { ++topLeft; };
    g.show();
    g.UpdateFilterButtons();

    EXPECT_EQ(g.FilterButtonWidget(0), nullptr);
    TStateButton* button = g.FilterButtonWidget(1);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->parentWidget(), g.viewport());
    EXPECT_EQ(button->geometry(), QRect(g.columnViewportPosition(1) + 1, g.rowViewportPosition(0),
                                        g.ColWidths(1) - 1, g.RowHeights(0) + 1));
    EXPECT_EQ(button->CaptionText(), "Day");

    g.SetColWidths(0, 100); // moves the button with its column
    EXPECT_EQ(button->x(), g.columnViewportPosition(1) + 1);
    g.verticalScrollBar()->setValue(g.verticalScrollBar()->maximum());
    EXPECT_GE(topLeft, 1);
    EXPECT_EQ(button->y(), g.rowViewportPosition(0));
    g.verticalScrollBar()->setValue(0);

    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(button->IsDroppedDown());
    TStateDropDown* list = button->DropDownList();
    ASSERT_EQ(list->EntryCount(), 8);
    EXPECT_TRUE(list->Entry(0)->isChecked());
    QTest::mouseClick(list->Entry(2), Qt::LeftButton); // Tue
    EXPECT_TRUE(button->IsDroppedDown());
    EXPECT_FALSE(list->Entry(0)->isChecked());
    EXPECT_EQ(Column(g, 0), (std::vector<std::string>{"Program", "edit", "mail"}));
    ASSERT_FALSE(senders.empty());
    EXPECT_EQ(senders.back(), button);
    EXPECT_EQ(button->CaptionText(), "->Tue");

    // Edits in the filtered view reach the row they show.
    g.Table().EditCell(0, 2, "MAIL");
    EXPECT_EQ(g.Table().Data().Cell(0, 3), "MAIL");

    // A new column count takes the buttons away and brings them back.
    button->CloseUp();
    g.SetColCount(3);
    EXPECT_NE(g.FilterButtonWidget(1), nullptr);
    EXPECT_NE(g.FilterButtonWidget(1), button);
}

TEST(FStringGridWidget, EditingGoesThroughOnSetEditTextToTheDataRow) {
    TFStringGrid g;
    Fill(g, {{"h", "i"}, {"a", "1"}, {"b", "2"}});
    g.SetEditing(true);
    std::vector<std::string> seen;
    g.OnSetEditText = [&](TFStringGrid* sender, int c, int r, const std::string& v) {
        EXPECT_EQ(sender, &g);
        seen.push_back(std::to_string(c) + "," + std::to_string(r) + "=" + v);
    };
    EXPECT_TRUE(g.model()->flags(g.model()->index(1, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(g.model()->flags(g.model()->index(0, 1)) & Qt::ItemIsEditable);
    g.model()->setData(g.model()->index(2, 1), "22");
    EXPECT_EQ(seen, (std::vector<std::string>{"1,2=22"}));
    EXPECT_EQ(g.Table().Data().Cell(1, 2), "22");
    g.SetEditing(false);
    EXPECT_FALSE(g.model()->flags(g.model()->index(1, 1)) & Qt::ItemIsEditable);
}

TEST(FStringGridWidget, FilteringKeepsTheTextOfAnOpenEditor) {
    TFStringGrid g;
    Fill(g, {{"k", "v"}, {"a", "1"}, {"b", "2"}});
    g.Table().OnHasFilter = [](int c, TSelection& s, bool&) {
        s = c == 0 ? TSelection::fsMulti : TSelection::fsNone;
    };
    g.UpdateFilterButtons();
    g.SetEditing(true);
    g.show();
    QModelIndex cell = g.model()->index(2, 1);
    g.setCurrentIndex(cell);
    g.edit(cell);
    QPointer<QLineEdit> editor = g.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("typed");
    g.Table().FilterButton(0)->ClickItem(2); // b
    g.ApplyFilter(g.FilterButtonWidget(0));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(g.Table().Data().Cell(1, 2), "typed");
    EXPECT_EQ(Column(g, 1), (std::vector<std::string>{"v", "typed"}));
}

TEST(FStringGridWidget, GridLinesInFixedCellsCanBeDragged) {
    TFStringGrid g;
    g.resize(400, 200);
    Fill(g, {{"a", "b", "c"}, {"1", "2", "3"}});
    g.Table().OnHasFilter = [](int c, TSelection& s, bool&) {
        s = c == 1 ? TSelection::fsMulti : TSelection::fsNone;
    };
    g.UpdateFilterButtons();
    g.show();
    const int edge = g.columnViewportPosition(0) + g.columnWidth(0) - 1;
    const int y = g.rowViewportPosition(0) + 3; // inside the fixed row, beside the filter button
    auto drag = [&](QPoint from, QPoint to) {
        QTest::mousePress(g.viewport(), Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, to, g.viewport()->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(g.viewport(), &move);
        QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, to);
    };
    drag({edge, y}, {edge + 30, y}); // sizing is off by default
    EXPECT_EQ(g.ColWidths(0), 64);
    g.SetColSizing(true);
    drag({edge, y}, {edge + 30, y});
    EXPECT_EQ(g.ColWidths(0), 94);
    EXPECT_EQ(g.FilterButtonWidget(1)->x(), g.columnViewportPosition(1) + 1);
    // A drag over a data row selects cells instead.
    drag({edge, g.rowViewportPosition(1) + 3}, {edge + 30, g.rowViewportPosition(1) + 3});
    EXPECT_EQ(g.ColWidths(0), 94);
}

TEST(FStringGridWidget, AssignTakesOnlyStringGrids) {
    TFStringGrid source, target;
    Fill(source, {{"h", "i", "j"}, {"a", "b", "c"}});
    target.Assign(&source);
    EXPECT_EQ(target.ColCount(), 3);
    EXPECT_EQ(target.Cells(2, 1), "c");
    QObject other;
    try {
        target.Assign(&other);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "TFStringGrid Assign not possible");
    }
    EXPECT_EQ(target.Cells(2, 1), "c");
}

// ---------------------------------------------------------------------------------------------
// Row commands

TEST(FStringGridCommands, MovingBetweenRows) {
    TFStringGrid g;
    Fill(g, {{"h"}, {"a"}, {"b"}, {"c"}});
    g.SetRow(2);
    const std::pair<void (TFStringGrid::*)(), int> steps[] = {
        {&TFStringGrid::PriorRow, 1}, {&TFStringGrid::PriorRow, 1}, {&TFStringGrid::NextRow, 2},
        {&TFStringGrid::LastRow, 3},  {&TFStringGrid::NextRow, 3},  {&TFStringGrid::FirstRow, 1},
    };
    for (const auto& [command, row] : steps) {
        (g.*command)();
        EXPECT_EQ(g.Row(), row);
    }
}

TEST(FStringGridCommands, InsertAndDeleteRows) {
    TFStringGrid g;
    Fill(g, {{"h", "i"}, {"a", "1"}, {"b", "2"}});
    g.SetRow(1);
    g.InsertRow();
    EXPECT_EQ(Column(g, 0), (std::vector<std::string>{"h", "a", "", "b"}));
    EXPECT_EQ(g.Row(), 2);
    EXPECT_TRUE(g.Modified());

    g.SetModified(false);
    g.SetRow(1);
    g.DeleteRow();
    g.DeleteRow();
    g.DeleteRow(); // the only data row: one empty data row is left
    EXPECT_EQ(Column(g, 0), (std::vector<std::string>{"h", ""}));
    EXPECT_EQ(g.FixedRows(), 1);
    EXPECT_TRUE(g.Modified());
}

TEST(FStringGridCommands, CopyAndPasteThroughTheClipboard) {
    struct Case {
        const char* what;
        std::string clip;
        std::vector<std::string> col0, col1, col2;
        int row;
    };
    const Case cases[] = {
        {"two lines",
         "a,b\nc,d\n",
         {"h", "1", "2", "a", "c", "3"},
         {"", "", "", "b", "d", ""},
         {"", "", "", "", "", ""},
         5},
        {"no final line feed",
         "a,,b\r\nc d",
         {"h", "1", "2", "a", "c", "3"},
         {"", "", "", " ", "d", ""},
         {"", "", "", "b", "", ""},
         5},
        {"blank lines only", " \n\n ", {"h", "1", "2", "3"}, {"", "", "", ""}, {"", "", "", ""}, 3},
    };
    for (const Case& c : cases) {
        TFStringGrid g;
        Fill(g, {{"h", "", ""}, {"1", "", ""}, {"2", "", ""}, {"3", "", ""}});
        g.SetRow(3);
        int changed = 0;
        g.OnChanged = [&](QObject*) { ++changed; };
        QApplication::clipboard()->setText(QString::fromStdString(c.clip));
        g.PasteRow();
        EXPECT_EQ(Column(g, 0), c.col0) << c.what;
        EXPECT_EQ(Column(g, 1), c.col1) << c.what;
        EXPECT_EQ(Column(g, 2), c.col2) << c.what;
        EXPECT_EQ(g.Row(), c.row) << c.what;
        EXPECT_TRUE(g.Modified()) << c.what;
        EXPECT_GE(changed, 1) << c.what;
    }

    TFStringGrid g;
    g.SetRangeSelect(true);
    Fill(g, {{"h", "i"}, {"a b", "1"}, {"c", "x\"y"}});
    g.SetSelection({0, 1, 1, 2});
    g.CopyRow();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "\"a b\",1\nc,\"x\"\"y\"\n");
}

// Cells hold recorded text: the system's 8-bit text, on Windows the ANSI code page.
TEST(FStringGridCommands, CellsAreTheSystemsTextInTheViewTheClipboardAndTheEditor) {
    const QString caption = QString::fromUtf16(u"\u00DCbersicht f\u00FCr J\u00FCrgen.txt - Editor");
    const std::string bytes = ToSystemText(caption);
    if (FromSystemText(bytes) != caption) GTEST_SKIP() << "the code page cannot hold the caption";
    TFStringGrid g;
    g.SetRangeSelect(true);
    Fill(g, {{"Caption", "Time"}, {bytes, "1"}});
    EXPECT_EQ(g.model()->data(g.model()->index(1, 0)).toString(), caption);

    g.SetSelection({0, 1, 1, 1});
    g.CopyRow();
    EXPECT_EQ(QApplication::clipboard()->text(), "\"" + caption + "\",1\n");

    QApplication::clipboard()->setText("\"" + caption + "\",2");
    g.SetRow(1);
    g.PasteRow();
    EXPECT_EQ(g.Cells(0, 1), bytes);
    EXPECT_EQ(g.Cells(1, 1), "2");

    const QString edited = QString::fromUtf16(u"\u00C4nderung");
    EXPECT_TRUE(g.model()->setData(g.model()->index(1, 0), edited, Qt::EditRole));
    EXPECT_EQ(g.Cells(0, 1), ToSystemText(edited));
}

TEST(FStringGridCommands, ModifiedClearsOnlyAfterASuccessfulLoadOrSave) {
    TFakeDialogs dialogs;
    TFStringGrid g;
    g.setObjectName("grid");
    g.SetDialogs(&dialogs);
    const TTempFolder dir;
    const std::string good = dir.Path() + "/good.csv";
    WriteFile(good, "a,b\n");
    const std::string bad = dir.Path() + "/no-such-folder/x.csv";

    struct Case {
        const char* what;
        void (TFStringGrid::*command)();
        bool confirm;
        std::string chosen;
        bool modified;
    };
    const Case cases[] = {
        {"load cancelled", &TFStringGrid::LoadCSV, false, good, true},
        {"load of a missing file", &TFStringGrid::LoadCSV, true, bad, true},
        {"load", &TFStringGrid::LoadCSV, true, good, false},
        {"save cancelled", &TFStringGrid::SaveCSV, false, good, true},
        {"save failed", &TFStringGrid::SaveCSV, true, bad, true},
        {"save", &TFStringGrid::SaveCSV, true, good, false},
    };
    for (const Case& c : cases) {
        g.SetModified(true);
        dialogs.Confirm = c.confirm;
        dialogs.Chosen = c.chosen;
        (g.*c.command)();
        EXPECT_EQ(g.Modified(), c.modified) << c.what;
    }
    EXPECT_EQ(dialogs.Messages, (std::vector<std::string>{"System|Cannot open input file." + bad,
                                                          "Error writing File :" + bad}));
    // The dialog proposes the file of the last command, even one that failed.
    EXPECT_EQ(dialogs.Proposed, bad + "|Comma Separated Values|*.csv|.csv");
    EXPECT_EQ(g.FileName(), good);

    // "csv" as the chosen name stands for the grid's own file.
    dialogs.Chosen = "CSV";
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.FsPath());
    g.SaveCSV();
    std::filesystem::current_path(cwd);
    EXPECT_EQ(g.FileName(), "grid.csv");
}

TEST(FStringGridCommands, ListSeparatorFollowsTheLocale) {
    QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(SystemListSeparator(), ';');
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(SystemListSeparator(), ',');
    QLocale::setDefault(saved);
}
