#include "platform/wayland/idlenotify.h"

#include "platform/presencestate.h"
#include "platform/wayland/display.h"

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace orvane::platform::wayland {

namespace {

constexpr auto ConnectTimeout = std::chrono::milliseconds(1000);
constexpr auto SampleTimeout = std::chrono::milliseconds(200);

const char* GlobalName(EIdleProtocol protocol) {
    return protocol == EIdleProtocol::ExtIdleNotify ? ext_idle_notifier_v1_interface.name
                                                    : org_kde_kwin_idle_interface.name;
}

struct TConnection {
    EIdleProtocol Protocol;
    TIdleNotifyState& State;
    wl_display* Display = nullptr;
    wl_registry* Registry = nullptr;
    wl_seat* Seat = nullptr;
    std::uint32_t SeatName = 0;
    ext_idle_notifier_v1* Notifier = nullptr;
    org_kde_kwin_idle* KdeIdle = nullptr;
    std::uint32_t IdleName = 0;
    ext_idle_notification_v1* Notification = nullptr;
    org_kde_kwin_idle_timeout* KdeTimeout = nullptr;
    bool Lost = false;
    std::unique_ptr<QSocketNotifier> Reader;

    TConnection(EIdleProtocol protocol, TIdleNotifyState& state)
        : Protocol(protocol), State(state) {}
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

    ~TConnection() {
        Reader.reset();
        Disarm();
        if (Notifier) ext_idle_notifier_v1_destroy(Notifier);
        if (KdeIdle) org_kde_kwin_idle_destroy(KdeIdle);
        if (Seat) wl_seat_destroy(Seat);
        if (Registry) wl_registry_destroy(Registry);
        if (Display) wl_display_disconnect(Display);
    }

    static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t) {
        auto* c = static_cast<TConnection*>(data);
        // The first seat: a desktop has one.
        if (!c->Seat && !std::strcmp(interface, wl_seat_interface.name)) {
            c->Seat =
                static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
            c->SeatName = name;
        } else if (!c->IdleName && !std::strcmp(interface, GlobalName(c->Protocol))) {
            if (c->Protocol == EIdleProtocol::ExtIdleNotify)
                c->Notifier = static_cast<ext_idle_notifier_v1*>(
                    wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
            else
                c->KdeIdle = static_cast<org_kde_kwin_idle*>(
                    wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
            c->IdleName = name;
        }
    }

    static void GlobalRemove(void* data, wl_registry*, std::uint32_t name) {
        auto* c = static_cast<TConnection*>(data);
        if ((c->SeatName && name == c->SeatName) || (c->IdleName && name == c->IdleName))
            c->Lost = true;
    }

    static void Idled(void* data) { static_cast<TConnection*>(data)->State.Idled(SteadyNowMs()); }
    static void Resumed(void* data) { static_cast<TConnection*>(data)->State.Resumed(); }

    void Disarm() {
        if (Notification) ext_idle_notification_v1_destroy(Notification);
        if (KdeTimeout) org_kde_kwin_idle_timeout_release(KdeTimeout);
        Notification = nullptr;
        KdeTimeout = nullptr;
    }

    // A notification with the threshold now, in place of the one before.
    void Arm() {
        Disarm();
        State.Armed();
        if (State.Threshold() == 0 || !Seat) return;
        const auto timeout = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(State.Threshold(), std::numeric_limits<std::uint32_t>::max()));
        if (Notifier) {
            Notification = ext_idle_notifier_v1_get_idle_notification(Notifier, timeout, Seat);
            static const ext_idle_notification_v1_listener listener = {
                [](void* data, ext_idle_notification_v1*) { Idled(data); },
                [](void* data, ext_idle_notification_v1*) { Resumed(data); }};
            ext_idle_notification_v1_add_listener(Notification, &listener, this);
        } else if (KdeIdle) {
            KdeTimeout = org_kde_kwin_idle_get_idle_timeout(KdeIdle, Seat, timeout);
            static const org_kde_kwin_idle_timeout_listener listener = {
                [](void* data, org_kde_kwin_idle_timeout*) { Idled(data); },
                [](void* data, org_kde_kwin_idle_timeout*) { Resumed(data); }};
            org_kde_kwin_idle_timeout_add_listener(KdeTimeout, &listener, this);
        }
        if (wl_display_flush(Display) < 0 && errno != EAGAIN) Broken();
    }

    bool ReadEvents(int timeoutMs) { return ReadDisplayEvents(Display, timeoutMs) || Broken(); }

    bool Broken() {
        Lost = true;
        if (Reader) Reader->setEnabled(false);
        return false;
    }

    // Everything the compositor sent before now has been handled.
    bool Roundtrip(std::chrono::milliseconds timeout) {
        const TRoundtrip r = DisplayRoundtrip(Display, timeout);
        if (r.Broken) Broken();
        return r.Done;
    }
};

std::unique_ptr<TConnection> Connect(EIdleProtocol protocol, TIdleNotifyState& state,
                                     std::string& why) {
    auto c = std::make_unique<TConnection>(protocol, state);
    c->Display = ConnectDisplay(why);
    if (!c->Display) return nullptr;
    c->Registry = wl_display_get_registry(c->Display);
    static const wl_registry_listener registryListener = {TConnection::Global,
                                                          TConnection::GlobalRemove};
    wl_registry_add_listener(c->Registry, &registryListener, c.get());
    if (!c->Roundtrip(ConnectTimeout)) {
        why = "the Wayland compositor did not answer";
        return nullptr;
    }
    if (!c->IdleName) {
        why = std::string("the compositor does not offer ") + GlobalName(protocol);
        return nullptr;
    }
    if (!c->Seat) {
        why = "the compositor has no seat";
        return nullptr;
    }
    c->Arm();
    if (QCoreApplication::instance()) {
        c->Reader =
            std::make_unique<QSocketNotifier>(wl_display_get_fd(c->Display), QSocketNotifier::Read);
        TConnection* raw = c.get();
        QObject::connect(c->Reader.get(), &QSocketNotifier::activated,
                         [raw] { raw->ReadEvents(0); });
    }
    return c;
}

class TIdleNotifySource final : public IIdleSource {
public:
    explicit TIdleNotifySource(EIdleProtocol protocol) : FProtocol(protocol) {}

    bool Start(std::string& why) {
        FConnection = Connect(FProtocol, FState, why);
        return FConnection != nullptr;
    }

    bool Notifies() const override { return true; }
    std::string_view Name() const override {
        return FProtocol == EIdleProtocol::ExtIdleNotify ? "ext-idle-notify" : "kde-idle";
    }

    void SetThreshold(std::uint64_t ms) override {
        if (FState.SetThreshold(ms) && FConnection && !FConnection->Lost) FConnection->Arm();
    }

    std::optional<std::uint64_t> IdleMs() override {
        if (!FConnection || FConnection->Lost) {
            // The compositor restarted: a new notification counts from now.
            FConnection.reset();
            std::string why;
            FConnection = Connect(FProtocol, FState, why);
            if (!FConnection) return std::nullopt;
        }
        FConnection->Roundtrip(SampleTimeout);
        if (FConnection->Lost) return std::nullopt;
        return FState.IdleMs(SteadyNowMs());
    }

private:
    EIdleProtocol FProtocol;
    TIdleNotifyState FState;
    std::unique_ptr<TConnection> FConnection;
};

} // namespace

std::unique_ptr<IIdleSource> CreateIdleNotifySource(EIdleProtocol protocol, std::string& why) {
    auto source = std::make_unique<TIdleNotifySource>(protocol);
    if (!source->Start(why)) return nullptr;
    return source;
}

} // namespace orvane::platform::wayland
