// The activity list window, offscreen: its layout and the entries it lists.
#include "app/activitylistform.h"
#include "recorder/datetime.h"

#include <QFont>
#include <QTest>

#include <gtest/gtest.h>

using namespace orvane;

TEST(ActivityListForm, LayoutAndGrid) {
    TActivityListForm form;
    EXPECT_EQ(form.objectName(), "ActivityListForm");
    EXPECT_EQ(form.windowTitle(), "ActivityListForm");
    EXPECT_EQ(form.size(), QSize(508, 323));
    EXPECT_EQ(form.sg->objectName(), "sg");
    EXPECT_EQ(form.sg->geometry(), QRect(0, 0, 401, 323));
    EXPECT_EQ(form.sg->ColCount(), 3);
    EXPECT_EQ(form.sg->FixedCols(), 0);
    EXPECT_EQ(form.sg->FixedRows(), 1);
    EXPECT_EQ(form.sg->ColWidths(0), 266);
    EXPECT_EQ(form.sg->ColWidths(1), 64);
    EXPECT_FALSE(form.sg->Editing());
    EXPECT_EQ(form.sg->FilterButtonWidget(0), nullptr);
    EXPECT_EQ(form.BitBtn1->text(), "Close");
    EXPECT_EQ(form.BitBtn1->size(), QSize(75, 25));
    EXPECT_GT(form.BitBtn1->x(), 401);
    EXPECT_LT(form.BitBtn1->y(), 20);

    form.show();
    QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
}

TEST(ActivityListForm, FillActivityGridListsTheGivenEntries) {
    TLocaleFormat format;
    format.ShortDate = "dd.MM.yyyy";
    format.LongTime = "HH:mm:ss";
    SetCurrentLocaleFormat(format);

    TActivityList list;
    const double day = EncodeDate(2024, 3, 5);
    list.AppendLoaded(TEntry("/usr/bin/mail", "Inbox", day + EncodeTime(9, 30, 0, 0)));
    list.Items(0).Duration = EncodeTime(0, 2, 3, 0);
    list.AppendLoaded(TEntry("/usr/bin/edit", "notes.txt", day + 1)); // midnight
    list.Items(1).Duration = 25.0 / 24;
    list.AppendLoaded(TEntry("/usr/bin/web", "News", day + 1.5));

    TActivityListForm form;
    form.show();
    // An empty list leaves the grid as it is.
    form.sg->SetCell(0, 1, "earlier");
    TActivityList empty;
    FillActivityGrid(*form.sg, empty, {0});
    EXPECT_EQ(form.sg->Cells(0, 1), "earlier");

    // A small font, so that the texts fit the grid whatever font the platform falls back to.
    QFont small = form.sg->font();
    small.setPixelSize(8);
    form.sg->setFont(small);
    FillActivityGrid(*form.sg, list, {0, 1, 7});
    ASSERT_EQ(form.sg->RowCount(), 4);
    const std::vector<std::vector<std::string>> expected = {
        {"", "", ""},
        {"Inbox", "05.03.2024 09:30:00", "00:02:03"},
        {"notes.txt", "06.03.2024", "25:00:00"},
        {"", "", ""},
    };
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(form.sg->Cells(c, r), expected[r][c]) << c << "," << r;
    EXPECT_EQ(form.sg->model()->rowCount(), 4);
    // Fitted to the texts and stretched to the grid's width.
    int total = 3;
    for (int c = 0; c < 3; ++c)
        total += form.sg->ColWidths(c);
    EXPECT_GT(total, 401 - 10);
    EXPECT_LE(total, 401 + 3);

    // A node without entries of its own: header row and one empty row, nothing left over.
    FillActivityGrid(*form.sg, list, {});
    EXPECT_EQ(form.sg->RowCount(), 2);
    EXPECT_EQ(form.sg->Cells(0, 1), "");
    EXPECT_EQ(form.sg->Cells(2, 1), "");
}

// The rows are not copied as texts, yet read, measure and survive as copied texts would.
TEST(ActivityListForm, ListedRowsReadAndMeasureAsCopiedTexts) {
    SetCurrentLocaleFormat(TLocaleFormat{});
    TActivityList list;
    const double day = EncodeDate(2024, 3, 5);
    const std::vector<std::pair<const char*, double>> entries = {
        {"Inbox", EncodeTime(0, 2, 3, 0)},
        {"A much longer caption of a browser page - Web Browser", 25.0 / 24},
        {"short", -0.6 / MSecsPerDay}, // reads -00:00:00
        {"Inbox", 400.0 * 365},        // more hours than 32 bits of seconds hold
        {"negative", -3.0 / 24},
        {"W", 1.0 / 86400},
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        list.AppendLoaded(TEntry("/usr/bin/p", entries[i].first, day + i * 0.75 + (i == 2)));
        list.Items(static_cast<int>(i)).Duration = entries[i].second;
    }
    const std::vector<int> indexes = {5, 0, 1, 2, 3, 4, 99, 0};

    TActivityListForm form;
    form.show();
    FillActivityGrid(*form.sg, list, indexes);

    // The same grid filled text by text.
    TFStringGrid copied;
    copied.resize(form.sg->size());
    copied.SetColCount(3);
    copied.SetFixedCols(0);
    for (int c = 0; c < 3; ++c)
        copied.SetColWidths(c, form.sg->ColWidths(c) > 0 ? 64 : 0);
    copied.SetRowCount(2);
    for (int index : indexes) {
        if (index >= list.Count()) continue;
        const int r = copied.RowCount() - 1;
        copied.SetCell(0, r, list[index].Caption);
        copied.SetCell(1, r, DateTimeText(list[index].Start));
        copied.SetCell(2, r, DurationText(list[index].Duration));
        copied.SetRowCount(r + 2);
    }
    copied.AdjustColWidths(true);

    ASSERT_EQ(form.sg->RowCount(), copied.RowCount());
    for (int r = 0; r < copied.RowCount(); ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(form.sg->Cells(c, r), copied.Cells(c, r)) << c << "," << r;
    EXPECT_EQ(form.sg->Cells(2, 4), "-00:00:00");
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(form.sg->ColWidths(c), copied.ColWidths(c)) << c;
    EXPECT_EQ(form.sg->model()->data(form.sg->model()->index(2, 0)).toString(), "Inbox");

    // Entries taken out of the list later do not change what the window shows.
    list.Clear();
    for (int r = 0; r < copied.RowCount(); ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(form.sg->Cells(c, r), copied.Cells(c, r)) << c << "," << r;
}
