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
