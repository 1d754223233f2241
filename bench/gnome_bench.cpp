// What GNOME Shell's extension costs: one sample from the state the signal keeps, one sample by a
// call to the Shell, and one focus change, from the request to the Shell until the probe knows,
// with the CPU time the Shell and this process spend on it. Run by gnome_bench.sh, which starts
// a headless Shell with two windows titled "Bench one" and "Bench two".
#include "platform/wayland/backend.h"
#include "platform/wayland/gnome.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace orvane;
using namespace orvane::platform::wayland;

namespace {

// utime + stime of a process, in seconds.
double CpuSeconds(const std::string& pid) {
    std::ifstream in("/proc/" + pid + "/stat");
    std::string line;
    std::getline(in, line);
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

double OwnCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool Ready(benchmark::State& state, TGnomeShellProbe& probe) {
    if (const std::string problem = probe.Problem(); !problem.empty()) {
        state.SkipWithError(problem.c_str());
        return false;
    }
    return true;
}

void BM_GnomeSample_FromSignal(benchmark::State& state) {
    TGnomeShellProbe probe;
    if (!Ready(state, probe)) return;
    const TForegroundSample first = probe.Sample();
    state.SetLabel(first.Process + " | " + first.Caption);
    for (auto _ : state)
        benchmark::DoNotOptimize(probe.Sample());
}
BENCHMARK(BM_GnomeSample_FromSignal)->Unit(benchmark::kMicrosecond);

void BM_GnomeSample_ByCall(benchmark::State& state) {
    TGnomeShellProbe probe;
    if (!Ready(state, probe)) return;
    TAppIdResolver resolver;
    for (auto _ : state)
        benchmark::DoNotOptimize(SampleOf(probe.Ask(), resolver));
}
BENCHMARK(BM_GnomeSample_ByCall)->Unit(benchmark::kMicrosecond);

// Latency: the test helper's Activate call sent, until the probe's sample names the window. The
// Shell's CPU time includes the switch itself, which any focus change costs.
void BM_GnomeFocusChange(benchmark::State& state) {
    TGnomeShellProbe probe;
    if (!Ready(state, probe)) return;
    const char* shellPid = std::getenv("ORVANE_BENCH_SHELL_PID");
    QDBusConnection bus = QDBusConnection::sessionBus();
    const std::string titles[] = {"Bench one", "Bench two"};
    int next = 0, lost = 0;
    const double shellStart = shellPid ? CpuSeconds(shellPid) : 0;
    const double ownStart = OwnCpuSeconds();
    for (auto _ : state) {
        const std::string& title = titles[next];
        next ^= 1;
        QDBusMessage call = QDBusMessage::createMethodCall(GnomeShellService, "/org/orvane/Test",
                                                           "org.orvane.Test1", "Activate");
        call << QString::fromStdString(title);
        bus.send(call);
        // Woken by the signal, or by the timer when it does not come.
        bool late = false;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, [&late] { late = true; });
        deadline.start(2000);
        while (probe.Sample().Caption != title && !late)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (late) ++lost;
    }
    const double n = double(state.iterations());
    if (shellPid) state.counters["shell_cpu_ms"] = (CpuSeconds(shellPid) - shellStart) * 1e3 / n;
    state.counters["own_cpu_ms"] = (OwnCpuSeconds() - ownStart) * 1e3 / n;
    state.counters["lost"] = lost;
}
BENCHMARK(BM_GnomeFocusChange)->Unit(benchmark::kMillisecond)->Iterations(200);

// The focus change alone, each Activate call waited for; run with the extension on and off
// (gnome_bench.sh), the difference in the Shell's CPU time is what the extension adds.
void BM_GnomeSwitchOnly(benchmark::State& state) {
    const char* shellPid = std::getenv("ORVANE_BENCH_SHELL_PID");
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString titles[] = {"Bench one", "Bench two"};
    int next = 0;
    const double shellStart = shellPid ? CpuSeconds(shellPid) : 0;
    for (auto _ : state) {
        QDBusMessage call = QDBusMessage::createMethodCall(GnomeShellService, "/org/orvane/Test",
                                                           "org.orvane.Test1", "Activate");
        call << titles[next];
        next ^= 1;
        if (bus.call(call).type() != QDBusMessage::ReplyMessage) {
            state.SkipWithError("the test helper extension does not answer");
            return;
        }
    }
    if (shellPid)
        state.counters["shell_cpu_ms"] =
            (CpuSeconds(shellPid) - shellStart) * 1e3 / double(state.iterations());
}
BENCHMARK(BM_GnomeSwitchOnly)->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
