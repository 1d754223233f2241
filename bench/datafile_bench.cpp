// Load and save times of the data file for records of 10k, 100k and 1M synthetic entries.
#include "recorder/activitylist.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace orvane;

namespace {

std::string BenchFile() {
    return (std::filesystem::temp_directory_path() / "orvane-bench.cdat").string();
}

// 40 programs, 5000 captions, paths and captions about 60 bytes.
void Fill(TActivityList& list, int n) {
    TDateTime t = EncodeDate(2020, 1, 1);
    for (int i = 0; i < n; ++i) {
        const int p = i % 40, c = (i * 7919) % 5000;
        list.AddEntry("/usr/lib/some-vendor/application-number-" + std::to_string(p) + "/bin/app",
                      "Document " + std::to_string(c) + " - an editor window with a long title",
                      t);
        list.CloseLastEntryAfter(30.0 / 86400);
        t += 45.0 / 86400;
    }
}

void BM_Save(benchmark::State& state) {
    TActivityList list;
    Fill(list, static_cast<int>(state.range(0)));
    const std::string file = BenchFile();
    for (auto _ : state) list.SaveToFile(file);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
    std::filesystem::remove(file);
}

// Resident memory of this process in MB (Linux; 0 elsewhere).
double ResidentMb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    double kb = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> kb;
            break;
        }
    }
    return kb / 1024.0;
}

void BM_Load(benchmark::State& state) {
    const std::string file = BenchFile();
    {
        TActivityList list;
        Fill(list, static_cast<int>(state.range(0)));
        list.SaveToFile(file);
    }
    double rss = 0;
    for (auto _ : state) {
        TActivityList list;
        list.LoadFromFile(file);
        benchmark::DoNotOptimize(list.Count());
        rss = ResidentMb();
    }
    state.counters["rss_mb"] = rss; // with the record held in memory
    std::filesystem::remove(file);
}

} // namespace

BENCHMARK(BM_Save)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
