// What the KWin backend costs: one sample (this process), and one focus change, from the request
// to activate a window to the script's report arriving here, with what KWin spent on it. KWin's
// CPU per activation is read from /proc, with the script loaded and without it; the difference is
// what the script adds. bench/kwin_bench.sh starts a headless KWin with two XWayland windows.
//
//   KWIN_BENCH_WINDOWS="0xA 0xB" bench_kwin [benchmark options...]
#include "platform/wayland/kwin.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace orvane;
using namespace orvane::platform;
using namespace orvane::platform::wayland;

namespace {

// KWin's user and system CPU time so far, in milliseconds.
double KWinCpuMs() {
    static const uint pid =
        QDBusConnection::sessionBus().interface()->servicePid(QStringLiteral("org.kde.KWin"));
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(stat.substr(close + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i) // state .. cmajflt; utime and stime follow
        fields >> skip;
    unsigned long long utime = 0, stime = 0;
    fields >> utime >> stime;
    return static_cast<double>(utime + stime) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Asks KWin to activate X11 windows as a pager does, and sees which one is active.
class TX11Windows {
public:
    TX11Windows() {
        FConnection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(FConnection)) return;
        FRoot = xcb_setup_roots_iterator(xcb_get_setup(FConnection)).data->root;
        const char* name = "_NET_ACTIVE_WINDOW";
        auto* r = xcb_intern_atom_reply(
            FConnection, xcb_intern_atom(FConnection, 0, std::strlen(name), name), nullptr);
        if (r) FActive = r->atom;
        std::free(r);
        if (const char* list = std::getenv("KWIN_BENCH_WINDOWS")) {
            std::istringstream ids(list);
            std::string id;
            while (ids >> id)
                FWindows.push_back(static_cast<xcb_window_t>(std::stoul(id, nullptr, 16)));
        }
    }
    ~TX11Windows() { xcb_disconnect(FConnection); }
    bool Ready() const { return !xcb_connection_has_error(FConnection) && FWindows.size() >= 2; }
    xcb_window_t Window(std::size_t i) const { return FWindows[i % FWindows.size()]; }

    void Activate(xcb_window_t w) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = w;
        e.type = FActive;
        e.data.data32[0] = 2; // from a pager: no focus-stealing prevention
        xcb_send_event(FConnection, 0, FRoot,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&e));
        xcb_flush(FConnection);
    }
    xcb_window_t Active() {
        auto* r = xcb_get_property_reply(
            FConnection, xcb_get_property(FConnection, 0, FRoot, FActive, XCB_ATOM_WINDOW, 0, 1),
            nullptr);
        xcb_window_t w = 0;
        if (r && xcb_get_property_value_length(r) == 4)
            std::memcpy(&w, xcb_get_property_value(r), 4);
        std::free(r);
        return w;
    }

private:
    xcb_connection_t* FConnection = nullptr;
    xcb_window_t FRoot = 0;
    xcb_atom_t FActive = 0;
    std::vector<xcb_window_t> FWindows;
};

constexpr qint64 WaitLimitMs = 2000;

bool NeedKWin(benchmark::State& state, TX11Windows& x11) {
    if (!QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QStringLiteral("org.kde.KWin"))) {
        state.SkipWithError("org.kde.KWin is not on the session bus: run bench/kwin_bench.sh");
        return false;
    }
    if (!x11.Ready()) {
        state.SkipWithError("no X display or no KWIN_BENCH_WINDOWS: run bench/kwin_bench.sh");
        return false;
    }
    return true;
}

void BM_KWinSample(benchmark::State& state) {
    TX11Windows x11;
    if (!NeedKWin(state, x11)) return;
    TKWinProbe probe{QStringLiteral(ORVANE_KWIN_SCRIPT)};
    const TForegroundSample first = probe.Sample();
    state.SetLabel(first.Process + " | " + first.Caption);
    for (auto _ : state)
        benchmark::DoNotOptimize(probe.Sample());
}
BENCHMARK(BM_KWinSample)->Unit(benchmark::kMicrosecond);

// From the request to activate the other window to its report reaching the backend.
void BM_KWinFocusChange(benchmark::State& state) {
    TX11Windows x11;
    if (!NeedKWin(state, x11)) return;
    TKWinProbe probe{QStringLiteral(ORVANE_KWIN_SCRIPT)};
    probe.Sample();
    std::size_t n = 0;
    const double cpu0 = KWinCpuMs();
    for (auto _ : state) {
        ++n;
        const xcb_window_t target = x11.Window(n);
        const std::string want = n % 2 ? "Bench B" : "Bench A";
        x11.Activate(target);
        QElapsedTimer waited;
        waited.start();
        QTimer limit; // wakes the wait below at the latest every 100 ms
        limit.start(100);
        for (;;) {
            QAbstractEventDispatcher::instance()->processEvents(QEventLoop::WaitForMoreEvents);
            const auto w = probe.Focused();
            if (w && w->Title == want) break;
            if (waited.elapsed() > WaitLimitMs) {
                state.SkipWithError("KWin did not report the activation");
                return;
            }
        }
    }
    state.counters["kwin_cpu_ms"] = (KWinCpuMs() - cpu0) / static_cast<double>(n);
}
BENCHMARK(BM_KWinFocusChange)->Unit(benchmark::kMicrosecond)->MinTime(2.0)->UseRealTime();

// The same switches with no script of ours loaded: what KWin spends on an activation anyway.
void BM_KWinFocusChangeWithoutScript(benchmark::State& state) {
    TX11Windows x11;
    if (!NeedKWin(state, x11)) return;
    std::size_t n = 0;
    const double cpu0 = KWinCpuMs();
    for (auto _ : state) {
        ++n;
        const xcb_window_t target = x11.Window(n);
        x11.Activate(target);
        QElapsedTimer waited;
        waited.start();
        while (x11.Active() != target) {
            if (waited.elapsed() > WaitLimitMs) {
                state.SkipWithError("KWin did not activate the window");
                return;
            }
            usleep(100);
        }
    }
    state.counters["kwin_cpu_ms"] = (KWinCpuMs() - cpu0) / static_cast<double>(n);
}
BENCHMARK(BM_KWinFocusChangeWithoutScript)
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(2.0)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
