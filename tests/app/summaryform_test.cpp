// The summary window offscreen: its totals, narrowing by double-click, the chart's data, and
// screenshots in English and German. The private home of app_test.cpp applies here too.
#include "app/categoriesform.h"
#include "app/mainwindow.h"
#include "app/qalbase.h"
#include "app/summaryform.h"
#include "language/langfile.h"
#include "platform/probebackend.h"
#include "recorder/clock.h"
#include "views/summary.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>

using namespace orvane;

namespace {

constexpr double Hour = 1.0 / 24, Min = Hour / 60;

class SummaryWindow : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef _WIN32
        if (const char* tz = std::getenv("TZ")) OldTz = tz;
        ::setenv("TZ", "Europe/Berlin", 1);
        ::tzset();
#endif
        Config = Dir.filePath("orvane.cfg").toStdString();
        std::ofstream(Config) << "[Activities]\nViewMode=0\n[Categories]\nCoding=title:*.cpp\n"
                                 "Web=browser\nMail=mail\n";
        // A week of December 2026; now is Thursday 10th, 12:00.
        Add("/usr/bin/editor", "main.cpp", EncodeDateTime(2026, 12, 6, 23), 2 * Hour);
        Add("/usr/bin/browser", "News", EncodeDateTime(2026, 12, 7, 9), 30 * Min);
        Add("/usr/bin/editor", "util.cpp", EncodeDateTime(2026, 12, 8, 14), Hour);
        Add("/usr/bin/editor", "notes.txt", EncodeDateTime(2026, 12, 8, 15), 20 * Min);
        Add("/usr/bin/mail", "Inbox", EncodeDateTime(2026, 12, 9, 8), 10 * Min);
        Add("/usr/bin/browser", "Mail", EncodeDateTime(2026, 12, 10, 11, 50), 9 * Min);
    }
    void TearDown() override {
#ifndef _WIN32
        if (OldTz.empty())
            ::unsetenv("TZ");
        else
            ::setenv("TZ", OldTz.c_str(), 1);
        ::tzset();
#endif
    }
    void Add(const char* p, const char* c, TDateTime start, TDateTime duration) {
        TEntry e(p, c, start);
        e.Duration = duration;
        List.AppendLoaded(e);
    }
    std::unique_ptr<TSummaryForm> Open() {
        auto form = std::make_unique<TSummaryForm>(
            nullptr, List, Config, [this]() -> const TMessageTexts& { return Texts; },
            [] { return QDateTime(QDate(2026, 12, 10), QTime(12, 0), Qt::LocalTime); });
        form->SetPeriod(TSummaryForm::EPeriod::ThisWeek);
        return form;
    }
    // "key seconds" per row of the table's summary.
    static std::string Rows(const TSummaryForm& f) {
        std::string text;
        for (const TSummaryRow& r : f.Summary().Rows)
            text += r.Key + " " + std::to_string(r.Ms / 1000) + "; ";
        return text;
    }

    std::string OldTz;
    QTemporaryDir Dir;
    std::string Config;
    TActivityList List;
    TMessageTexts Texts;
};

} // namespace

TEST_F(SummaryWindow, TotalsByCategoryNarrowToProgramsAndCaptions) {
    auto form = Open();
    EXPECT_EQ(Rows(*form), "Coding 7200; Web 2340; Uncategorised 1200; Mail 600; ");
    EXPECT_EQ(form->Table()->rowCount(), 4);
    EXPECT_EQ(form->Table()->item(0, 0)->text(), "Coding");
    EXPECT_EQ(form->Table()->item(0, 1)->text(), "02:00:00");

    form->Narrow(0); // Coding: its programs
    EXPECT_EQ(Rows(*form), "/usr/bin/editor 7200; ");
    EXPECT_EQ(form->Table()->item(0, 0)->text(), "editor");
    form->Narrow(0); // the editor's captions within Coding
    EXPECT_EQ(Rows(*form), "main.cpp 3600; util.cpp 3600; ");
    form->Widen();
    form->Widen();
    EXPECT_EQ(Rows(*form), "Coding 7200; Web 2340; Uncategorised 1200; Mail 600; ");

    form->SetGroup(TSummaryForm::EGroup::Program);
    EXPECT_EQ(Rows(*form), "/usr/bin/editor 8400; /usr/bin/browser 2340; /usr/bin/mail 600; ");
    form->SetPeriod(TSummaryForm::EPeriod::Yesterday);
    EXPECT_EQ(Rows(*form), "/usr/bin/mail 600; ");
    form->SetCustomRange(QDate(2026, 12, 6), QDate(2026, 12, 6));
    EXPECT_EQ(Rows(*form), "/usr/bin/editor 3600; ");
}

TEST_F(SummaryWindow, TheMenusOpenItAndTheScreenshotsShowIt) {
    QWidget window;
    QMenu view, options, tray;
    tray.addAction("Show");
    tray.addSeparator();
    tray.addAction("Exit");
    TSummaryMenu menu(&window, &view, &options, &tray, List, Config,
                      [this]() -> const TMessageTexts& { return Texts; });
    auto* item = window.findChild<QAction*>("mnSummary");
    auto* trayItem = window.findChild<QAction*>("pmSummary");
    ASSERT_TRUE(item && trayItem);
    EXPECT_TRUE(view.actions().contains(item));
    EXPECT_EQ(tray.actions().indexOf(trayItem), 1); // before the separator
    trayItem->trigger();
    ASSERT_NE(menu.Form(), nullptr);
    EXPECT_TRUE(menu.Form()->isVisible());
    menu.Form()->close();

    // Screenshots of a week, in English and in German.
    const QString out = qEnvironmentVariable("ORVANE_SCREENSHOTS", QDir::tempPath());
    for (const char* language : {"English", "German"}) {
        if (std::string(language) == "German") {
            const TLangFile file(QString(ORVANE_LAN_DIR) + "/German.lan");
            for (const TMessageTextEntry& e : MessageTextTable) {
                QString text = file.ReadString(
                    "fmActivity", QString::fromUtf8(e.Id.data(), e.Id.size()), QString());
                if (text.size() >= 2 && text.startsWith('"')) text = text.mid(1, text.size() - 2);
                if (!text.isEmpty()) Texts[e.Key] = text.toStdString();
            }
        }
        auto form = Open();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        const QString file = out + "/orvane-summary-" + language + ".png";
        EXPECT_TRUE(form->grab().save(file)) << file.toStdString();
        if (std::string(language) == "German") {
            EXPECT_EQ(form->Table()->horizontalHeaderItem(4)->text(), "Einträge");
        }
    }
}

TEST_F(SummaryWindow, CategoriesShowThisWeeksTimeFollowTheirOrderAndAreSaved) {
    const auto now = [] { return QDateTime(QDate(2026, 12, 10), QTime(12, 0), Qt::LocalTime); };
    TCategoriesForm form(
        nullptr, List, Config, [this]() -> const TMessageTexts& { return Texts; }, now);
    QTableWidget& t = *form.Table();
    const auto times = [&] {
        QStringList cells;
        for (int r = 0; r < t.rowCount(); ++r)
            cells << t.item(r, 0)->text() + " " + t.item(r, 2)->text();
        return cells.join(", ").toStdString();
    };
    EXPECT_EQ(times(), "Coding 02:00:00, Web 00:39:00, Mail 00:10:00");

    form.AddRow("Everything", "*");
    EXPECT_EQ(times(), "Coding 02:00:00, Web 00:39:00, Mail 00:10:00, Everything 00:20:00");
    form.MoveRow(3, -1);
    form.MoveRow(2, -1);
    form.MoveRow(1, -1); // first now: it takes all
    EXPECT_EQ(times(), "Everything 03:09:00, Coding 00:00:00, Web 00:00:00, Mail 00:00:00");
    form.RemoveRow(0);
    t.item(1, 1)->setText("browser;re:(");
    EXPECT_NE(form.Problems()->text().indexOf("re:("), -1) << form.Problems()->text().toStdString();
    t.item(2, 0)->setText("Post = Mail");

    ASSERT_TRUE(form.Save());
    std::ifstream in(Config);
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string lines = saved;
    lines.erase(std::remove(lines.begin(), lines.end(), '\r'), lines.end());
    EXPECT_EQ(lines, "[Activities]\nViewMode=0\n[Categories]\nCoding=title:*.cpp\n"
                     "Web=browser;re:(\nPost - Mail=mail\n");

    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QString out = qEnvironmentVariable("ORVANE_SCREENSHOTS", QDir::tempPath());
    EXPECT_TRUE(form.grab().save(out + "/orvane-categories-English.png"));
}

TEST_F(SummaryWindow, TheOwnRunningEntryCountsUpToNowAmongSeveralComputers) {
    List.AddEntry("/usr/bin/term", "build", EncodeDateTime(2026, 12, 10, 11, 59)); // runs
    // The records of two computers merged in start order: the other one's entry comes last.
    TActivityList all;
    for (const TEntry& e : List.Entries())
        all.AppendLoaded(e);
    TEntry other("/usr/bin/cad", "part", EncodeDateTime(2026, 12, 10, 11, 59, 30));
    other.Duration = Min / 6;
    all.AppendLoaded(other);
    auto form = Open();
    form->SetViewList([&]() -> const TActivityList& { return all; });
    form->SetPeriod(TSummaryForm::EPeriod::Today);
    form->SetGroup(TSummaryForm::EGroup::Program);
    EXPECT_EQ(Rows(*form), "/usr/bin/browser 540; /usr/bin/term 60; /usr/bin/cad 10; ");
}
