// What one sample costs the probe against a running X server, next to what a full /proc
// enumeration per sample would cost. Needs DISPLAY; bench/probe_bench.sh sets up Xvfb, icewm and
// a focused window.
#include "platform/platform.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace orvane::platform;

namespace {

bool NeedDisplay(benchmark::State& state) {
    const char* display = std::getenv("DISPLAY");
    if (display && *display) return true;
    state.SkipWithError("DISPLAY is not set: run under an X server (bench/probe_bench.sh)");
    return false;
}

// One sample as the sampler takes it: the foreground window, then its program and caption.
void BM_ProbeSample(benchmark::State& state) {
    if (!NeedDisplay(state)) return;
    const std::string process = SampleForegroundWindow().Process;
    state.SetLabel(process.empty() ? "no foreground window" : process);
    for (auto _ : state) benchmark::DoNotOptimize(SampleForegroundWindow());
}
BENCHMARK(BM_ProbeSample)->Unit(benchmark::kMicrosecond);

void BM_GetForegroundWindow(benchmark::State& state) {
    if (!NeedDisplay(state)) return;
    for (auto _ : state) benchmark::DoNotOptimize(GetForegroundWindow());
}
BENCHMARK(BM_GetForegroundWindow)->Unit(benchmark::kMicrosecond);

void BM_ProcessNameOfWindow(benchmark::State& state) {
    if (!NeedDisplay(state)) return;
    const TWindowHandle window = GetForegroundWindow();
    for (auto _ : state) benchmark::DoNotOptimize(ProcessNameOfWindow(window));
}
BENCHMARK(BM_ProcessNameOfWindow)->Unit(benchmark::kMicrosecond);

void BM_CaptionOfWindow(benchmark::State& state) {
    if (!NeedDisplay(state)) return;
    const TWindowHandle window = GetForegroundWindow();
    for (auto _ : state) benchmark::DoNotOptimize(CaptionOfWindow(window));
}
BENCHMARK(BM_CaptionOfWindow)->Unit(benchmark::kMicrosecond);

// What the Windows algorithm does per sample: list every process with its full path.
void BM_ProcEnumeration(benchmark::State& state) {
    std::vector<TProcessInfo> list;
    for (auto _ : state) {
        ListRunningProcesses(list, true);
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["processes"] = static_cast<double>(list.size());
}
BENCHMARK(BM_ProcEnumeration)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
