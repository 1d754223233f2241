// The views over a shared folder of two computers' records: reading the folder, merging the two
// records and building the period tree of the merged one.
//
// ORVANE_BENCH_MACHINES=DIR: a folder of records to read (such as two written by bench_app
// --generate 1000000 DIR/NAME.cdat); without it, two records of 1,000,000 entries each are made
// here (40 programs, 5 years, one entry every 2 to 3 minutes).
#include "session/machines.h"
#include "views/periods.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

using namespace orvane;
namespace fs = std::filesystem;

namespace {

std::string Folder() {
    static std::string folder = [] {
        if (const char* given = std::getenv("ORVANE_BENCH_MACHINES")) return std::string(given);
        const fs::path dir = fs::temp_directory_path() / "orvane-machines-bench";
        fs::create_directories(dir);
        for (const char* name : {"desk", "laptop"}) {
            const fs::path file = dir / (std::string(name) + ".cdat");
            if (fs::exists(file)) continue;
            std::mt19937 random(name[0]);
            TActivityList list;
            list.Reserve(1'000'000);
            TDateTime t = EncodeDate(2020, 1, 1);
            for (int i = 0; i < 1'000'000; ++i) {
                const int program = static_cast<int>(random() % 40);
                TEntry e("/usr/bin/program" + std::to_string(program),
                         std::string(name) + " window " + std::to_string(random() % 500), t);
                e.Duration = (120 + random() % 60) / 86400.0;
                t += e.Duration;
                list.AppendLoaded(std::move(e));
            }
            list.SaveToFile(file.string());
        }
        return dir.string();
    }();
    return folder;
}

void BM_ReadFolder(benchmark::State& state) {
    for (auto _ : state) {
        TMachineFolder folder(Folder(), "desk");
        folder.Refresh(true);
        benchmark::DoNotOptimize(folder.Records().size());
    }
}

void BM_Merge(benchmark::State& state) {
    TMachineFolder folder(Folder(), "desk");
    folder.Refresh(true);
    std::vector<const TActivityList*> lists;
    for (const TMachineRecord& r : folder.Records())
        lists.push_back(r.List.get());
    for (auto _ : state) {
        TActivityList merged;
        MergeLists(lists, merged);
        benchmark::DoNotOptimize(merged.Count());
    }
}

void BM_MergedTree(benchmark::State& state) {
    TMachineFolder folder(Folder(), "desk");
    folder.Refresh(true);
    std::vector<const TActivityList*> lists;
    for (const TMachineRecord& r : folder.Records())
        lists.push_back(r.List.get());
    TActivityList merged;
    MergeLists(lists, merged);
    state.counters["entries"] = merged.Count();
    for (auto _ : state) {
        auto tree = BuildPeriodTree(merged, static_cast<TViewMode>(state.range(0)));
        benchmark::DoNotOptimize(tree);
    }
}

// Merging and the tree together: what a refresh of the window costs after a record changed.
void BM_MergeAndTree(benchmark::State& state) {
    TMachineFolder folder(Folder(), "desk");
    folder.Refresh(true);
    std::vector<const TActivityList*> lists;
    for (const TMachineRecord& r : folder.Records())
        lists.push_back(r.List.get());
    for (auto _ : state) {
        TActivityList merged;
        MergeLists(lists, merged);
        auto tree = BuildPeriodTree(merged, TViewMode::vmDaily);
        benchmark::DoNotOptimize(tree);
    }
}

} // namespace

BENCHMARK(BM_ReadFolder)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Merge)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_MergedTree)
    ->Arg(static_cast<int>(TViewMode::vmDaily))
    ->Arg(static_cast<int>(TViewMode::vmAll))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_MergeAndTree)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
