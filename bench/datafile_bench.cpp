// The data file with records of 10k, 100k and 1M synthetic entries: whole saves and loads, and what
// one change costs when saved in place against a whole rewrite (time and bytes written).
#include "recorder/activitylist.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace orvane;

namespace {

std::string BenchFile() {
    return (std::filesystem::temp_directory_path() / "orvane-bench.cdat").string();
}

std::string Program(int p) {
    return "/usr/lib/some-vendor/application-number-" + std::to_string(p) + "/bin/application";
}
std::string Caption(int c) {
    return "Document " + std::to_string(c) + " - an editor window with a long title bar";
}

// 40 programs, 5000 captions, paths and captions 60 bytes on average.
void Fill(TActivityList& list, int n) {
    TDateTime t = EncodeDate(2020, 1, 1);
    for (int i = 0; i < n; ++i) {
        const int p = i % 40, c = (i * 7919) % 5000;
        list.AddEntry(Program(p), Caption(c), t);
        list.CloseLastEntryAfter(30.0 / 86400);
        t += 45.0 / 86400;
    }
}

void BM_Save(benchmark::State& state) {
    TActivityList list;
    Fill(list, static_cast<int>(state.range(0)));
    const std::string file = BenchFile();
    for (auto _ : state) {
        list.Items(0); // counts as a change anywhere: the whole file is written
        list.SaveToFile(file);
    }
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
    for (auto _ : state) {
        TActivityList list;
        list.LoadFromFile(file);
        benchmark::DoNotOptimize(list.Count());
    }
    // Resident memory with the record held, in a fresh process: this one keeps what the
    // benchmarks before it allocated.
    const std::string command = "'" + std::filesystem::read_symlink("/proc/self/exe").string() +
                                "' --rss-after-load '" + file + "'";
    if (std::FILE* out = ::popen(command.c_str(), "r")) {
        double empty = 0, loaded = 0;
        if (std::fscanf(out, "%lf %lf", &empty, &loaded) == 2) {
            state.counters["rss_mb"] = loaded;
            state.counters["rss_start_mb"] = empty;
        }
        ::pclose(out);
    }
    state.counters["file_mb"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
    std::filesystem::remove(file);
}

// One change as the sampler saves it: the running entry closed, a new one opened, the record
// saved. Arg 1: in place; arg 0: a whole rewrite every time, as before in-place saving.
void BM_ChangeSave(benchmark::State& state) {
    TActivityList list;
    Fill(list, static_cast<int>(state.range(0)));
    const std::string file = BenchFile();
    list.SaveToFile(file);
    const bool inPlace = state.range(1) != 0;
    std::uint64_t bytes = 0, flushes = 0;
    int i = 0;
    for (auto _ : state) {
        list.CloseLastEntryAfter(20.0 / 86400);
        list.AddEntry(Program(i % 40), Caption(i % 5000), 45000 + i);
        if (!inPlace) list.Items(0); // any entry may have changed: rewrite the whole file
        list.SaveToFile(file);
        if (list.LastSave().Incremental != inPlace) state.SkipWithError("wrong kind of save");
        bytes += list.LastSave().BytesWritten;
        flushes += static_cast<std::uint64_t>(list.LastSave().Flushes);
        ++i;
    }
    state.counters["bytes_per_save"] = static_cast<double>(bytes) / (i ? i : 1);
    state.counters["flushes_per_save"] = static_cast<double>(flushes) / (i ? i : 1);
    std::filesystem::remove(file);
}

// The once-a-minute write of the running entry's length.
void BM_RunningSave(benchmark::State& state) {
    TActivityList list;
    Fill(list, static_cast<int>(state.range(0)));
    const std::string file = BenchFile();
    list.SaveToFile(file);
    double length = 0;
    std::uint64_t bytes = 0, saves = 0;
    for (auto _ : state) {
        length += 60.0 / 86400;
        list.CloseLastEntryAfter(length);
        list.SaveToFile(file);
        bytes += list.LastSave().BytesWritten;
        ++saves;
    }
    state.counters["bytes_per_save"] = static_cast<double>(bytes) / (saves ? saves : 1);
    std::filesystem::remove(file);
}

} // namespace

BENCHMARK(BM_Save)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChangeSave)
    ->ArgsProduct({{10000, 100000, 1000000}, {1, 0}})
    ->ArgNames({"entries", "in_place"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunningSave)->Arg(1000000)->Unit(benchmark::kMillisecond);
int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--rss-after-load") {
        const double empty = ResidentMb();
        TActivityList list;
        list.LoadFromFile(argv[2]);
        std::printf("%.1f %.1f\n", empty, ResidentMb());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
