// The summary window on a record: time from opening to a painted window for each period, and the
// totals alone. Run on a record made by `bench_app --generate N FILE`:
//   bench_summary FILE [SETTINGS]
// SETTINGS defaults to orvane.cfg beside the record; without one the categories below are used.
#include "app/summaryform.h"
#include "views/summary.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableWidget>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace orvane;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_summary FILE [SETTINGS]\n");
        return 64;
    }
    const std::string file = argv[1];
    std::string settings =
        argc > 2 ? argv[2] : (std::filesystem::path(file).parent_path() / "orvane.cfg").string();
    if (!std::filesystem::exists(settings)) {
        settings = (std::filesystem::temp_directory_path() / "orvane-summary-bench.cfg").string();
        std::ofstream(settings) << "[Categories]\nWeb=title:* - Web Browser\n"
                                   "Editing=title:* - Text Editor;re:^[^\\t]*/editor\\t\n"
                                   "Mail=title:* - Mail\n";
    }
    TActivityList list;
    QElapsedTimer timer;
    timer.start();
    list.LoadFromFile(file);
    std::printf("%d entries, loaded in %lld ms\n", list.Count(),
                static_cast<long long>(timer.elapsed()));
    TMessageTexts texts;
    const auto textsOf = [&texts]() -> const TMessageTexts& { return texts; };

    struct Period {
        const char* Name;
        TSummaryForm::EPeriod Value;
    };
    const Period periods[] = {{"today", TSummaryForm::EPeriod::Today},
                              {"this week", TSummaryForm::EPeriod::ThisWeek},
                              {"last week", TSummaryForm::EPeriod::LastWeek},
                              {"this month", TSummaryForm::EPeriod::ThisMonth}};
    std::printf("%-34s %10s\n", "summary window", "ms");
    // Opening: the window is made, filled for today and painted.
    {
        timer.restart();
        TSummaryForm form(nullptr, list, settings, textsOf);
        form.show();
        form.grab();
        std::printf("%-34s %10lld\n", "open (today) to painted",
                    static_cast<long long>(timer.elapsed()));
        for (const Period& p : periods) {
            timer.restart();
            form.SetPeriod(p.Value);
            form.grab();
            std::printf("%-34s %10lld\n", (std::string("switch to ") + p.Name).c_str(),
                        static_cast<long long>(timer.elapsed()));
        }
        timer.restart();
        form.SetCustomRange(QDate(1900, 1, 1), QDate::currentDate());
        form.grab();
        std::printf("%-34s %10lld  (%d rows)\n", "whole record by category, painted",
                    static_cast<long long>(timer.elapsed()), form.Table()->rowCount());
        timer.restart();
        form.SetGroup(TSummaryForm::EGroup::Caption);
        form.grab();
        std::printf("%-34s %10lld  (%d rows)\n", "whole record by window, painted",
                    static_cast<long long>(timer.elapsed()), form.Table()->rowCount());
    }
    return 0;
}
