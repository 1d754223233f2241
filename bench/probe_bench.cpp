// What one sample costs each probe backend, next to what a full /proc enumeration per sample
// would cost. X11 needs DISPLAY, sway and the foreign-toplevel protocol a running sway;
// bench/probe_bench.sh sets up Xvfb with icewm and a headless sway, each with a focused window.
// Hyprland and niri are not in Debian: their backends ask a fake socket that replays their
// recorded replies, which measures our side of the exchange.
#include "platform/platform.h"
#include "platform/probebackend.h"
#ifndef _WIN32
#include "fakeserver.h"
#include "files.h"
#include "platform/linux/procfs.h"
#include "platform/wayland/backend.h"
#include "platform/wayland/hyprland.h"
#include "platform/wayland/niri.h"
#include "platform/wayland/sway.h"
#endif

#include <benchmark/benchmark.h>

#include <cstdlib>
#ifndef _WIN32
#include <dirent.h>
#endif
#include <fstream>
#include <sstream>

using namespace orvane;
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
    for (auto _ : state)
        benchmark::DoNotOptimize(SampleForegroundWindow());
}
BENCHMARK(BM_ProbeSample)->Unit(benchmark::kMicrosecond);

void BM_GetForegroundWindow(benchmark::State& state) {
    if (!NeedDisplay(state)) return;
    for (auto _ : state)
        benchmark::DoNotOptimize(GetForegroundWindow());
}
BENCHMARK(BM_GetForegroundWindow)->Unit(benchmark::kMicrosecond);

void BM_ProcessNameOfWindow(benchmark::State& state) {
    if (!NeedDisplay(state)) return;
    const TWindowHandle window = GetForegroundWindow();
    for (auto _ : state)
        benchmark::DoNotOptimize(ProcessNameOfWindow(window));
}
BENCHMARK(BM_ProcessNameOfWindow)->Unit(benchmark::kMicrosecond);

void BM_CaptionOfWindow(benchmark::State& state) {
    if (!NeedDisplay(state)) return;
    const TWindowHandle window = GetForegroundWindow();
    for (auto _ : state)
        benchmark::DoNotOptimize(CaptionOfWindow(window));
}
BENCHMARK(BM_CaptionOfWindow)->Unit(benchmark::kMicrosecond);

// --- One sample of each backend ----------------------------------------------------------------

void SampleBackend(benchmark::State& state, IProbeBackend& probe) {
    const TForegroundSample first = probe.Sample();
    state.SetLabel(first.Process.empty() && first.Caption.empty()
                       ? "blank sample"
                       : first.Process + " | " + first.Caption);
    for (auto _ : state)
        benchmark::DoNotOptimize(probe.Sample());
}

void BM_Sample(benchmark::State& state, TProbeCandidate (*candidate)()) {
    const TProbeCandidate c = candidate();
    if (const std::string why = c.Unavailable(); !why.empty()) {
        state.SkipWithError(why.c_str());
        return;
    }
    const std::unique_ptr<IProbeBackend> probe = c.Create();
    if (!probe) {
        state.SkipWithError("could not be started");
        return;
    }
    SampleBackend(state, *probe);
}
#ifdef _WIN32
BENCHMARK_CAPTURE(BM_Sample, win32, Win32ProbeCandidate)->Unit(benchmark::kMicrosecond);
#else
BENCHMARK_CAPTURE(BM_Sample, x11, X11ProbeCandidate)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Sample, sway, SwayProbeCandidate)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Sample, wlr_foreign_toplevel, ForeignToplevelProbeCandidate)
    ->Unit(benchmark::kMicrosecond);

// What naming the window's program by a full process list would cost per sample: every /proc
// entry named with its full path, as the sampler names one.
void BM_ProcEnumeration(benchmark::State& state) {
    std::size_t processes = 0;
    for (auto _ : state) {
        processes = 0;
        DIR* dir = opendir("/proc");
        if (!dir) {
            state.SkipWithError("/proc cannot be read");
            return;
        }
        while (const dirent* e = readdir(dir)) {
            std::uint32_t pid;
            if (!procfs::ParseProcessId(e->d_name, pid)) continue;
            benchmark::DoNotOptimize(procfs::ProcessNameIn("/proc", pid, true));
            ++processes;
        }
        closedir(dir);
    }
    state.counters["processes"] = static_cast<double>(processes);
}
BENCHMARK(BM_ProcEnumeration)->Unit(benchmark::kMicrosecond);

std::string Fixture(const std::string& name) {
    return ReadFile(std::string(ORVANE_TEST_DATA) + "/wayland/" + name);
}

// The recorded reply with our own pid in it, so that the sample reads a real /proc entry.
std::string WithOwnPid(std::string reply) {
    const std::string recorded = "\"pid\":4242", recordedSpaced = "\"pid\": 4242";
    for (const std::string& from : {recorded, recordedSpaced})
        if (const std::size_t at = reply.find(from); at != std::string::npos)
            reply.replace(at, from.size(), "\"pid\":" + std::to_string(getpid()));
    return reply;
}

std::string SocketPath(const char* name) {
    return "/tmp/orvane-bench-" + std::to_string(getpid()) + "-" + name + ".sock";
}

void BM_SampleReplayed_hyprland(benchmark::State& state) {
    const std::string reply = WithOwnPid(Fixture("hyprland-activewindow.json"));
    const std::string path = SocketPath("hyprland");
    TFakeServer server(path, [&](int fd, const std::atomic<bool>&) {
        char buf[256];
        if (read(fd, buf, sizeof buf) > 0) WriteAll(fd, reply);
    });
    wayland::TIpcProbe<wayland::THyprlandIpc> probe(
        "hyprland", wayland::THyprlandIpc(wayland::TIpcClient({path}, nullptr, false)));
    SampleBackend(state, probe);
}
BENCHMARK(BM_SampleReplayed_hyprland)->Unit(benchmark::kMicrosecond);

void BM_SampleReplayed_niri(benchmark::State& state) {
    const std::string reply = WithOwnPid(Fixture("niri-focusedwindow.json"));
    const std::string path = SocketPath("niri");
    TFakeServer server(path, [&](int fd, const std::atomic<bool>&) {
        std::string request;
        if (ReadLineFrom(fd, request)) WriteAll(fd, reply);
    });
    wayland::TIpcProbe<wayland::TNiriIpc> probe(
        "niri", wayland::TNiriIpc(wayland::TIpcClient({path}, nullptr, false)));
    SampleBackend(state, probe);
}
BENCHMARK(BM_SampleReplayed_niri)->Unit(benchmark::kMicrosecond);

// sway's tree grows with the windows open: the parse of a tree of N windows.
void BM_SwayTreeParse(benchmark::State& state) {
    std::string tree = R"({"id":1,"type":"root","nodes":[{"id":2,"type":"output","nodes":[)";
    const auto windows = static_cast<int>(state.range(0));
    for (int i = 0; i < windows; ++i) {
        tree += (i ? "," : "") + std::string(R"({"id":)") + std::to_string(10 + i) +
                R"(,"type":"workspace","nodes":[{"id":)" + std::to_string(1000 + i) +
                R"(,"type":"con","focused":)" + (i == windows - 1 ? "true" : "false") +
                R"(,"pid":)" + std::to_string(100 + i) +
                R"(,"app_id":"foot","name":"A window title of some length, like a web page's",)"
                R"("shell":"xdg_shell","rect":{"x":0,"y":0,"width":1280,"height":800},)"
                R"("marks":[],"urgent":false,"sticky":false,"border":"normal","layout":"none",)"
                R"("inhibit_idle":false,"idle_inhibitors":{"user":"none","application":"none"},)"
                R"("max_render_time":0,"visible":true,"fullscreen_mode":0,"nodes":[],)"
                R"("floating_nodes":[],"focus":[]}],"floating_nodes":[],"focus":[]})";
    }
    tree += R"(]}]})";
    std::string error;
    for (auto _ : state)
        benchmark::DoNotOptimize(wayland::FocusedInSwayTree(tree, error));
    state.counters["bytes"] = static_cast<double>(tree.size());
}
BENCHMARK(BM_SwayTreeParse)->Arg(2)->Arg(20)->Arg(100)->Unit(benchmark::kMicrosecond);
#endif

} // namespace

BENCHMARK_MAIN();
