// The running program on generated five-year records of 10k, 100k and 1M entries (40 programs,
// 5000 captions, texts of 40 to 60 bytes): the real main window offscreen, started the way main()
// starts it, then driven the way a user drives it. Each size runs in a fresh process, so that
// the resident memory is the program's own. Figures:
//   start-up   from main() to the window painted after the activation's view reset (wall clock,
//              and the process's CPU time, which other programs on the machine do not stretch)
//   rss        resident memory after start-up, and after clicking through a year of day nodes
//   clicks     a click on a day node, on a program node, a wheel zoom: each up to a painted chart
//   list       "Show List" on the busiest day, up to the painted list window; then a click on a
//              caption line and "Show List" there, which list the whole record, with the
//              resident memory the list adds
//   report     orvane-report tree in every mode: wall time and peak resident memory
//   month      orvane-report tree and summary of last month: wall time and peak resident memory,
//              without the index beside the record (that run writes it) and with it
// Usage: bench_app [--programs N] [--captions N] [ENTRIES...]   (default: 40 5000, and
//        10000 100000 1000000 entries)
//        bench_app [--programs N] [--captions N] --generate ENTRIES FILE   writes such a record
//        bench_app --month FILE [REPORT]   only the month figures, on FILE (with the orvane-report
//                                          given, such as an older one to compare with)
#include "app/activitylistform.h"
#include "app/application.h"
#include "app/mainwindow.h"
#include "app/qalbase.h"
#include "platform/platform.h"
#include "platform/probebackend.h"
#include "views/activitychart.h"
#include "views/treemodel.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace orvane;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const Clock::time_point ProcessStart = Clock::now();

double Ms(Clock::time_point from, Clock::time_point to = Clock::now()) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// CPU time of this process so far: unlike the wall clock, not stretched by other programs.
double CpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

double StatusMb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string k;
    double kb = 0;
    while (status >> k) {
        if (k == key) {
            status >> kb;
            break;
        }
    }
    return kb / 1024.0;
}

// ---- The record -------------------------------------------------------------------------------

int Programs = 40;
int Captions = 5000;

std::string Program(int p) {
    // 40 to 60 bytes.
    std::string s = "/usr/lib/vendor-" + std::to_string(p) + "/bin/";
    s += "application-" + std::to_string(p);
    while (s.size() < 40u + static_cast<unsigned>(p * 7 % 21))
        s += "x";
    return s;
}

std::string Caption(int c) {
    // 40 to 60 bytes; most end alike, as browser and editor titles do.
    static const char* endings[] = {" - Web Browser", " - Text Editor", " - Mail", " - Terminal"};
    std::string head = "Page " + std::to_string(c) + " about topic " + std::to_string(c * 37 % 991);
    const std::string end = endings[c % 4];
    const std::size_t want = 40u + static_cast<unsigned>(c * 13 % 21);
    while (head.size() + end.size() < want)
        head += ".";
    return head + end;
}

// Five years up to now, weekdays busier than weekends and some days twice as busy, entries
// between 08:00 and 20:00.
void Generate(const std::string& file, int n) {
    const TDateTime today = StartOfDay(Now());
    const int days = 5 * 365 + 1;
    std::vector<double> weight(static_cast<std::size_t>(days));
    double total = 0;
    for (int d = 0; d < days; ++d) {
        const TDateTime day = today - (days - 1) + d;
        const int dow = DecodeDateTime(day).DayOfWeek;
        double w = dow >= 6 ? 0.2 : 1.0;
        if ((d * 2654435761u) % 7 == 0) w *= 2.5;
        weight[static_cast<std::size_t>(d)] = w;
        total += w;
    }
    TActivityList list;
    list.Reserve(static_cast<std::size_t>(n));
    int made = 0;
    double carry = 0;
    for (int d = 0; d < days && made < n; ++d) {
        carry += n * weight[static_cast<std::size_t>(d)] / total;
        int count = static_cast<int>(carry);
        carry -= count;
        if (d == days - 1) count = n - made;
        count = std::min(count, n - made);
        if (count <= 0) continue;
        const TDateTime day = today - (days - 1) + d;
        const double step = 12.0 / 24 / count;
        for (int k = 0; k < count; ++k, ++made) {
            const int c = static_cast<int>((static_cast<long long>(made) * 7919) % Captions);
            TEntry e(Program(c % Programs), Caption(c), day + 8.0 / 24 + k * step);
            // One entry in eight is too short for a bar.
            e.Duration = made % 8 == 0 ? 6.0 / SecsPerDay : step * 0.9;
            list.AppendLoaded(std::move(e));
        }
    }
    list.SaveToFile(file);
}

// ---- The window, in a child process -----------------------------------------------------------

// Remembers that a widget was painted.
class TPaintWatch : public QObject {
public:
    bool Painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) Painted = true;
        return false;
    }
};

// Runs the event loop until the watched widget was painted and nothing is left to do.
void UntilPainted(TPaintWatch& watch) {
    const auto until = Clock::now() + std::chrono::seconds(30);
    while (!watch.Painted && Clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
}

struct TStat {
    std::vector<double> Values;
    void Add(double v) { Values.push_back(v); }
    double Median() {
        if (Values.empty()) return 0;
        std::sort(Values.begin(), Values.end());
        return Values[Values.size() / 2];
    }
    double Max() const {
        return Values.empty() ? 0 : *std::max_element(Values.begin(), Values.end());
    }
};

void Print(const char* key, double value) {
    std::printf("%s %.1f\n", key, value);
}

int RunWindow(int argc, char** argv) {
    TApplication app(argc, argv);
    SetCurrentLocaleFormat(TLocaleFormat{});
    TQalBase qalBase;
    platform::TScriptedProbe probe;
    TActivityDeps deps;
    deps.Probe = &probe;
    deps.StartTimer = false;
    deps.UseTray = false;
    deps.ExePath = QString::fromStdString(fs::current_path().string() + "/orvane");
    TfmActivity window(qalBase, deps);
    TActivityListForm listForm(&window);
    window.SetListForm(&listForm);

    auto* chart = static_cast<TActivityChart*>(window.Chart1);
    TPaintWatch chartPaint;
    chart->installEventFilter(&chartPaint);
    window.ShowAtStart();
    // The window manager activates a new window: the view reset runs as part of the start.
    window.activateWindow();
    QCoreApplication::processEvents();
    chartPaint.Painted = false;
    chart->update();
    UntilPainted(chartPaint);
    Print("startup_ms", Ms(ProcessStart));
    Print("startup_cpu_ms", CpuMs());
    Print("rss_startup_mb", StatusMb("VmRSS:"));
    Print("peak_startup_mb", StatusMb("VmHWM:"));
    Print("entries", window.Session().Activities().Count());

    // A year of day nodes, newest last.
    QTreeView* tree = window.TreeView1;
    TTreeModel& model = window.TreeModel();
    tree->resize(tree->width(), std::max(tree->height(), 200));
    const int periods = model.rowCount();
    const int first = std::max(0, periods - 365);
    TStat dayClick;
    auto click = [&](const QModelIndex& index) {
        tree->scrollTo(index);
        QCoreApplication::processEvents();
        const QPoint at = tree->visualRect(index).center();
        chartPaint.Painted = false;
        const auto t0 = Clock::now();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        UntilPainted(chartPaint);
        return Ms(t0);
    };
    int busiest = -1;
    std::size_t busiestBars = 0;
    for (int row = first; row < periods; ++row) {
        dayClick.Add(click(model.index(row, 0)));
        if (chart->Data().Bars.size() > busiestBars) {
            busiestBars = chart->Data().Bars.size();
            busiest = row;
        }
    }
    Print("day_clicks", static_cast<double>(dayClick.Values.size()));
    Print("day_click_median_ms", dayClick.Median());
    Print("day_click_max_ms", dayClick.Max());
    Print("rss_after_year_mb", StatusMb("VmRSS:"));

    // Program nodes of the last day.
    TStat programClick;
    if (periods > 0) {
        const QModelIndex day = model.index(periods - 1, 0);
        tree->expand(day);
        QCoreApplication::processEvents();
        for (int row = 0; row < std::min(model.rowCount(day), 10); ++row)
            programClick.Add(click(model.index(row, 0, day)));
    }
    Print("program_click_max_ms", programClick.Max());

    // Wheel zooms: on the busiest day's overview and on the whole record.
    TStat dayZoom, wholeZoom;
    auto zoom = [&](TStat& into) {
        for (int i = 0; i < 5; ++i) {
            const QPointF at(chart->width() * 0.6, chart->height() / 2.0);
            QWheelEvent wheel(at, chart->mapToGlobal(at), {}, {0, i < 3 ? 120 : -120}, Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            chartPaint.Painted = false;
            const auto t0 = Clock::now();
            QCoreApplication::sendEvent(chart, &wheel);
            UntilPainted(chartPaint);
            into.Add(Ms(t0));
        }
    };
    if (busiest >= 0) click(model.index(busiest, 0));
    zoom(dayZoom);
    chartPaint.Painted = false;
    auto t0 = Clock::now();
    window.Chart1Click();
    UntilPainted(chartPaint);
    Print("whole_record_chart_ms", Ms(t0));
    Print("whole_record_bars", static_cast<double>(chart->Data().Bars.size()));
    zoom(wholeZoom);
    Print("zoom_day_max_ms", dayZoom.Max());
    Print("zoom_whole_max_ms", wholeZoom.Max());

    // Show List, up to the painted list: on the busiest day, then on a caption line, which lists
    // the whole record.
    auto showList = [&](const QModelIndex& index) {
        tree->setCurrentIndex(index);
        TPaintWatch gridPaint;
        listForm.sg->viewport()->installEventFilter(&gridPaint);
        double ms = 0;
        QTimer poll;
        poll.setInterval(1);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (gridPaint.Painted && listForm.isVisible()) {
                ms = Ms(t0);
                poll.stop();
                listForm.reject();
            }
        });
        poll.start();
        t0 = Clock::now();
        window.mnShow->trigger();
        listForm.sg->viewport()->removeEventFilter(&gridPaint);
        return ms;
    };
    if (busiest >= 0) {
        Print("show_list_ms", showList(model.index(busiest, 0)));
        Print("list_rows", listForm.sg->RowCount() - 2);
        Print("rss_list_mb", StatusMb("VmRSS:"));
        // A caption line asks for the whole record: first a plain click (the chart), then the
        // list, with the memory the list adds.
        const QModelIndex day = model.index(periods - 1, 0);
        const QModelIndex program = model.index(0, 0, day);
        tree->expand(program);
        QCoreApplication::processEvents();
        Print("caption_click_ms", click(model.index(0, 0, program)));
        const double before = StatusMb("VmRSS:");
        Print("show_whole_list_ms", showList(model.index(0, 0, program)));
        Print("whole_list_rows", listForm.sg->RowCount() - 2);
        Print("whole_list_added_mb", StatusMb("VmRSS:") - before);
    }
    Print("rss_end_mb", StatusMb("VmRSS:"));
    Print("peak_end_mb", StatusMb("VmHWM:"));
    std::fflush(stdout);
    // Skip the teardown: its time and memory are not part of the figures.
    std::_Exit(0);
}

// ---- The driver -------------------------------------------------------------------------------

struct TRun {
    std::map<std::string, double> Figures;
    double PeakMb = 0;
    double WallMs = 0;
};

// Runs a program with the given environment; its stdout is collected into figures (lines of
// "key value") or thrown away.
TRun Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
           bool collect) {
    TRun run;
    int pipeFd[2];
    if (pipe(pipeFd) != 0) return run;
    const auto t0 = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string& e : env)
            putenv(const_cast<char*>(e.c_str()));
        dup2(collect ? pipeFd[1] : open("/dev/null", O_WRONLY), 1);
        close(pipeFd[0]);
        close(pipeFd[1]);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFd[1]);
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = read(pipeFd[0], buf, sizeof buf)) > 0;)
        out.append(buf, static_cast<std::size_t>(n));
    close(pipeFd[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.WallMs = Ms(t0);
    run.PeakMb = usage.ru_maxrss / 1024.0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "%s failed (status %d)\n", args[0].c_str(), status);
    std::istringstream lines(out);
    std::string key;
    double value;
    while (lines >> key >> value)
        run.Figures[key] = value;
    return run;
}

// One month of the record (last month) through orvane-report tree and summary, without the index
// beside the record (removed before each run; the run writes it) and with it; the median of five
// runs of each.
std::map<std::string, TRun> MonthRuns(const std::string& file, const std::vector<std::string>& env,
                                      const std::string& report = ORVANE_REPORT_EXE) {
    std::map<std::string, TRun> runs;
    for (const char* verb : {"tree", "summary"}) {
        for (const bool indexed : {false, true}) {
            std::vector<TRun> five;
            for (int i = 0; i < 5; ++i) {
                if (!indexed) fs::remove(file + ".idx");
                five.push_back(Spawn(
                    {report, verb, "--since", "last-month", "--until", "month", file}, env, false));
            }
            std::sort(five.begin(), five.end(),
                      [](const TRun& a, const TRun& b) { return a.WallMs < b.WallMs; });
            runs[std::string(verb) + (indexed ? ", index" : ", no index")] = five[2];
        }
    }
    return runs;
}

const char* const MonthRows[] = {"tree, no index", "tree, index", "summary, no index",
                                 "summary, index"};

std::string MonthCell(const TRun& run) {
    char cell[32];
    std::snprintf(cell, sizeof cell, "%.1f / %.0f", run.PeakMb, run.WallMs);
    return cell;
}

std::string SizeName(int n) {
    return n >= 1000000 ? std::to_string(n / 1000000) + "M"
           : n >= 1000  ? std::to_string(n / 1000) + "k"
                        : std::to_string(n);
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--window") {
        int one = 1;
        return RunWindow(one, argv);
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size();) {
        if (args[i] == "--whole-list") { // always on now; kept for older scripts
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
        } else if ((args[i] == "--programs" || args[i] == "--captions") && i + 1 < args.size()) {
            (args[i] == "--programs" ? Programs : Captions) =
                std::max(1, std::atoi(args[i + 1].c_str()));
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                       args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        } else {
            ++i;
        }
    }
    if ((args.size() == 2 || args.size() == 3) && args[0] == "--month") {
        auto runs = MonthRuns(args[1], {}, args.size() == 3 ? args[2] : ORVANE_REPORT_EXE);
        for (const char* row : MonthRows)
            std::printf("%-34s%14s\n", (std::string(row) + ": peak MB / ms").c_str(),
                        MonthCell(runs[row]).c_str());
        return 0;
    }
    if (args.size() == 3 && args[0] == "--generate") {
        // A record to try the program on by hand.
        Generate(args[2], std::atoi(args[1].c_str()));
        return 0;
    }
    std::vector<int> sizes;
    for (const std::string& a : args)
        sizes.push_back(std::atoi(a.c_str()));
    if (sizes.empty()) sizes = {10000, 100000, 1000000};

    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const fs::path root =
        fs::temp_directory_path() / ("orvane-app-bench-" + std::to_string(getpid()));
    std::vector<std::pair<int, TRun>> windows;
    std::vector<std::pair<int, std::map<std::string, TRun>>> reports, months;
    for (int n : sizes) {
        const fs::path dir = root / SizeName(n);
        fs::create_directories(dir / "data" / "Orvane");
        fs::create_directories(dir / "config");
        fs::create_directories(dir / "runtime");
        fs::permissions(dir / "runtime", fs::perms::owner_all);
        const std::string file = (dir / "data" / "Orvane" / "orvane.cdat").string();
        Generate(file, n);
        const std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "HOME=" + dir.string(),
                                              "XDG_DATA_HOME=" + (dir / "data").string(),
                                              "XDG_CONFIG_HOME=" + (dir / "config").string(),
                                              "XDG_RUNTIME_DIR=" + (dir / "runtime").string()};
        fs::current_path(dir);
        windows.emplace_back(n, Spawn({self, "--window"}, env, true));
        std::map<std::string, TRun> modes;
        for (const char* mode : {"daily", "weekly", "monthly", "all"})
            modes[mode] = Spawn({ORVANE_REPORT_EXE, "tree", "--mode", mode, file}, env, false);
        reports.emplace_back(n, std::move(modes));
        months.emplace_back(n, MonthRuns(file, env));
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(root);

    std::printf("%d programs, %d captions\n", Programs, Captions);
    std::printf("%-34s", "main window (offscreen)");
    for (int n : sizes)
        std::printf("%14s", SizeName(n).c_str());
    std::printf("\n");
    const char* rows[][2] = {
        {"startup_ms", "start-up to painted window, ms"},
        {"startup_cpu_ms", "CPU time of that start-up, ms"},
        {"rss_startup_mb", "resident after start-up, MB"},
        {"peak_startup_mb", "peak resident at start-up, MB"},
        {"day_clicks", "day nodes clicked"},
        {"day_click_median_ms", "day node click, median ms"},
        {"day_click_max_ms", "day node click, max ms"},
        {"rss_after_year_mb", "resident after a year of days, MB"},
        {"program_click_max_ms", "program node click, max ms"},
        {"zoom_day_max_ms", "wheel zoom (busiest day), max ms"},
        {"whole_record_chart_ms", "chart of whole record, ms"},
        {"whole_record_bars", "bars in whole record"},
        {"zoom_whole_max_ms", "wheel zoom (whole record), max ms"},
        {"list_rows", "rows in list of busiest day"},
        {"show_list_ms", "Show List (busiest day), ms"},
        {"rss_list_mb", "resident after that list, MB"},
        {"caption_click_ms", "caption line click (chart), ms"},
        {"whole_list_rows", "rows in list of whole record"},
        {"show_whole_list_ms", "Show List (caption line), ms"},
        {"whole_list_added_mb", "resident added by that list, MB"},
        {"rss_end_mb", "resident at the end, MB"},
        {"peak_end_mb", "peak resident at the end, MB"},
    };
    for (const auto& row : rows) {
        std::printf("%-34s", row[1]);
        for (auto& [n, run] : windows) {
            auto it = run.Figures.find(row[0]);
            if (it == run.Figures.end())
                std::printf("%14s", "-");
            else
                std::printf("%14.1f", it->second);
        }
        std::printf("\n");
    }
    std::printf("\n%-34s", "orvane-report tree");
    for (int n : sizes)
        std::printf("%14s", SizeName(n).c_str());
    std::printf("\n");
    for (const char* mode : {"daily", "weekly", "monthly", "all"}) {
        std::printf("%-34s", (std::string("--mode ") + mode + ": peak MB / s").c_str());
        for (auto& [n, modes] : reports) {
            char cell[32];
            std::snprintf(cell, sizeof cell, "%.1f / %.2f", modes[mode].PeakMb,
                          modes[mode].WallMs / 1000.0);
            std::printf("%14s", cell);
        }
        std::printf("\n");
    }
    std::printf("\n%-34s", "orvane-report, last month");
    for (int n : sizes)
        std::printf("%14s", SizeName(n).c_str());
    std::printf("\n");
    for (const char* row : MonthRows) {
        std::printf("%-34s", (std::string(row) + ": peak MB / ms").c_str());
        for (auto& [n, runs] : months)
            std::printf("%14s", MonthCell(runs[row]).c_str());
        std::printf("\n");
    }
    return 0;
}
