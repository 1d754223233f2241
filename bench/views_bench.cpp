// Period trees and the whole-record chart for a synthetic five-year record of 1,000,000 entries
// (40 programs, 5000 captions), with the direct rescanning algorithm on 10,000 entries beside it.
#include "reference.h"

#include "views/activitychart.h"
#include "views/chartdata.h"
#include "views/periods.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace orvane;

namespace {

// Entries every 158 s with 150 s of activity: 1M entries span five years, and every day has
// an entry running over midnight.
void Fill(TActivityList& list, int n) {
    TDateTime t = EncodeDate(2019, 1, 1);
    list.Reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int p = i % 40, c = (i * 7919) % 5000;
        TEntry e("/usr/lib/some-vendor/application-number-" + std::to_string(p) + "/bin/app",
                 "Document " + std::to_string(c) + " - an editor window with a long title", t);
        e.Duration = 150.0 / SecsPerDay;
        list.AppendLoaded(std::move(e));
        t += 158.0 / SecsPerDay;
    }
}

const TActivityList& Record() {
    static TActivityList* list = [] {
        auto* l = new TActivityList;
        Fill(*l, 1'000'000);
        return l;
    }();
    return *list;
}

std::size_t CountNodes(const TTree& tree) {
    std::size_t n = tree.size();
    for (const TTreeNode& node : tree)
        n += CountNodes(node.Children);
    return n;
}

// The tree as the window and orvane-report build it.
void BM_Tree(benchmark::State& state) {
    const TActivityList& list = Record();
    const auto mode = static_cast<TViewMode>(state.range(0));
    std::size_t nodes = 0, bytes = 0;
    for (auto _ : state) {
        const TPeriodTree tree = *BuildPeriodTree(list, mode);
        nodes = tree.Periods().size() + tree.Programs().size() + tree.Lines().size();
        bytes = tree.Periods().size() * sizeof(TPeriodTree::TPeriod) +
                tree.Programs().size() * sizeof(TPeriodTree::TProgram) +
                tree.Lines().size() * sizeof(TPeriodTree::TLine);
        benchmark::DoNotOptimize(nodes);
    }
    state.counters["entries"] = list.Count();
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["MB"] = static_cast<double>(bytes) / (1 << 20);
}

// The same with every text made (the tests' form of the tree).
void BM_ExpandedTree(benchmark::State& state) {
    const TActivityList& list = Record();
    const auto mode = static_cast<TViewMode>(state.range(0));
    std::size_t nodes = 0;
    for (auto _ : state) {
        const TTree tree = BuildPeriodTree(list, mode)->Expand();
        nodes = CountNodes(tree);
        benchmark::DoNotOptimize(nodes);
    }
    state.counters["nodes"] = static_cast<double>(nodes);
}

void BM_DirectTree(benchmark::State& state) {
    TActivityList list;
    Fill(list, static_cast<int>(state.range(1)));
    const auto mode = static_cast<TViewMode>(state.range(0));
    for (auto _ : state) {
        const TTree tree = mode == TViewMode::vmAll ? reference::FillAll(list, Now())
                                                    : reference::Fill(list, mode);
        benchmark::DoNotOptimize(tree.size());
    }
    state.counters["entries"] = list.Count();
}

void BM_FastTreeSmall(benchmark::State& state) {
    TActivityList list;
    Fill(list, static_cast<int>(state.range(1)));
    const auto mode = static_cast<TViewMode>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildPeriodTree(list, mode)->Expand().size());
    state.counters["entries"] = list.Count();
}

// ShowChart of the whole record: the bars, then painting them into a 1600x500 image.
void BM_WholeRecordChart(benchmark::State& state) {
    const TActivityList& list = Record();
    TActivityChart chart;
    chart.resize(1600, 500);
    QImage image(1600, 500, QImage::Format_RGB32);
    for (auto _ : state) {
        chart.SetData(ChartBars(list, "", 0, 0));
        QPainter painter(&image);
        chart.Render(painter, image.rect());
    }
    state.counters["bars"] = static_cast<double>(chart.Data().Bars.size());
}

void BM_ChartBarsOnly(benchmark::State& state) {
    const TActivityList& list = Record();
    for (auto _ : state)
        benchmark::DoNotOptimize(ChartBars(list, "", 0, 0).Bars.size());
}

} // namespace

// The modes as benchmark arguments.
constexpr std::int64_t Daily = static_cast<std::int64_t>(TViewMode::vmDaily);
constexpr std::int64_t Weekly = static_cast<std::int64_t>(TViewMode::vmWeekly);
constexpr std::int64_t Monthly = static_cast<std::int64_t>(TViewMode::vmMonthly);
constexpr std::int64_t All = static_cast<std::int64_t>(TViewMode::vmAll);

BENCHMARK(BM_Tree)
    ->Arg(Daily)
    ->Arg(Weekly)
    ->Arg(Monthly)
    ->Arg(All)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_ExpandedTree)->Arg(Daily)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_DirectTree)
    ->Args({Daily, 10000})
    ->Args({Weekly, 10000})
    ->Args({Monthly, 10000})
    ->Args({All, 10000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_FastTreeSmall)
    ->Args({Daily, 10000})
    ->Args({All, 10000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeRecordChart)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ChartBarsOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetCurrentLocaleFormat(TLocaleFormat{});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
