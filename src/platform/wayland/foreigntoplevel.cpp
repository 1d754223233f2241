#include "platform/wayland/foreigntoplevel.h"

#include "platform/wayland/backend.h"

#include "platform/wayland/display.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace orvane::platform::wayland {

// --- The state ---------------------------------------------------------------------------------

TToplevelList::TToplevel* TToplevelList::Find(TId id) {
    const auto it = FToplevels.find(id);
    return it == FToplevels.end() ? nullptr : &it->second;
}

void TToplevelList::Add(TId id) {
    FToplevels[id] = TToplevel{};
}

void TToplevelList::SetTitle(TId id, std::string title) {
    if (TToplevel* t = Find(id)) t->Pending.Title = std::move(title);
}

void TToplevelList::SetAppId(TId id, std::string appId) {
    if (TToplevel* t = Find(id)) t->Pending.AppId = std::move(appId);
}

void TToplevelList::SetActivated(TId id, bool activated) {
    if (TToplevel* t = Find(id)) t->Pending.Activated = activated;
}

void TToplevelList::Done(TId id) {
    TToplevel* t = Find(id);
    if (!t) return;
    if (t->Pending.Activated && !t->Current.Activated) t->ActivatedAt = ++FActivations;
    t->Current = t->Pending;
}

void TToplevelList::Remove(TId id) {
    FToplevels.erase(id);
}

void TToplevelList::Clear() {
    FToplevels.clear();
}

std::optional<TFocusedWindow> TToplevelList::Focused() const {
    const TToplevel* latest = nullptr;
    for (const auto& [id, t] : FToplevels)
        if (t.Current.Activated && (!latest || t.ActivatedAt > latest->ActivatedAt)) latest = &t;
    if (!latest) return std::nullopt;
    TFocusedWindow w;
    w.AppId = latest->Current.AppId;
    w.Title = latest->Current.Title;
    return w;
}

// --- The connection ----------------------------------------------------------------------------

namespace {

constexpr std::uint32_t ManagerVersion = 3;
constexpr auto ConnectTimeout = std::chrono::milliseconds(1000);
constexpr auto SampleTimeout = std::chrono::milliseconds(200);

std::string TextOf(const char* s) {
    return s ? s : "";
}

} // namespace

struct TForeignToplevels::TConnection {
    wl_display* Display = nullptr;
    wl_registry* Registry = nullptr;
    zwlr_foreign_toplevel_manager_v1* Manager = nullptr;
    std::uint32_t ManagerName = 0;
    std::vector<zwlr_foreign_toplevel_handle_v1*> Handles;
    TToplevelList Toplevels;
    bool Lost = false; // the compositor went away or stopped telling; connect again
    std::unique_ptr<QSocketNotifier> Notifier;

    ~TConnection() {
        Notifier.reset();
        for (zwlr_foreign_toplevel_handle_v1* h : Handles)
            zwlr_foreign_toplevel_handle_v1_destroy(h);
        if (Manager) zwlr_foreign_toplevel_manager_v1_destroy(Manager);
        if (Registry) wl_registry_destroy(Registry);
        if (Display) wl_display_disconnect(Display);
    }

    static TToplevelList::TId Id(zwlr_foreign_toplevel_handle_v1* h) {
        return reinterpret_cast<TToplevelList::TId>(h);
    }

    // --- Events ---

    static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
        auto* c = static_cast<TConnection*>(data);
        if (c->Manager || std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name))
            return;
        c->Manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface,
                             std::min(version, ManagerVersion)));
        c->ManagerName = name;
        static const zwlr_foreign_toplevel_manager_v1_listener listener = {Toplevel, Finished};
        zwlr_foreign_toplevel_manager_v1_add_listener(c->Manager, &listener, c);
    }

    static void GlobalRemove(void* data, wl_registry*, std::uint32_t name) {
        auto* c = static_cast<TConnection*>(data);
        if (c->Manager && name == c->ManagerName) c->Lost = true;
    }

    static void Toplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                         zwlr_foreign_toplevel_handle_v1* handle) {
        auto* c = static_cast<TConnection*>(data);
        static const zwlr_foreign_toplevel_handle_v1_listener listener = {
            Title, AppId, OutputEnter, OutputLeave, State, Done, Closed, Parent};
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &listener, c);
        c->Handles.push_back(handle);
        c->Toplevels.Add(Id(handle));
    }

    static void Finished(void* data, zwlr_foreign_toplevel_manager_v1*) {
        static_cast<TConnection*>(data)->Lost = true;
    }

    static void Title(void* data, zwlr_foreign_toplevel_handle_v1* h, const char* title) {
        static_cast<TConnection*>(data)->Toplevels.SetTitle(Id(h), TextOf(title));
    }

    static void AppId(void* data, zwlr_foreign_toplevel_handle_v1* h, const char* appId) {
        static_cast<TConnection*>(data)->Toplevels.SetAppId(Id(h), TextOf(appId));
    }

    static void OutputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void OutputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void Parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

    static void State(void* data, zwlr_foreign_toplevel_handle_v1* h, wl_array* states) {
        bool activated = false;
        const auto* s = static_cast<const std::uint32_t*>(states->data);
        for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i)
            if (s[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) activated = true;
        static_cast<TConnection*>(data)->Toplevels.SetActivated(Id(h), activated);
    }

    static void Done(void* data, zwlr_foreign_toplevel_handle_v1* h) {
        static_cast<TConnection*>(data)->Toplevels.Done(Id(h));
    }

    static void Closed(void* data, zwlr_foreign_toplevel_handle_v1* h) {
        auto* c = static_cast<TConnection*>(data);
        c->Toplevels.Remove(Id(h));
        c->Handles.erase(std::remove(c->Handles.begin(), c->Handles.end(), h), c->Handles.end());
        zwlr_foreign_toplevel_handle_v1_destroy(h);
    }

    // --- Reading ---

    bool ReadEvents(int timeoutMs) { return ReadDisplayEvents(Display, timeoutMs) || Broken(); }

    bool Broken() {
        Lost = true;
        if (Notifier) Notifier->setEnabled(false);
        return false;
    }

    // Everything the compositor sent before now has been handled.
    bool Roundtrip(std::chrono::milliseconds timeout) {
        const TRoundtrip r = DisplayRoundtrip(Display, timeout);
        if (r.Broken) Broken();
        return r.Done;
    }
};

TForeignToplevels::TForeignToplevels() = default;
TForeignToplevels::~TForeignToplevels() = default;

std::unique_ptr<TForeignToplevels> TForeignToplevels::Connect(std::string& why) {
    auto c = std::make_unique<TConnection>();
    c->Display = ConnectDisplay(why);
    if (!c->Display) return nullptr;
    c->Registry = wl_display_get_registry(c->Display);
    static const wl_registry_listener registryListener = {TConnection::Global,
                                                          TConnection::GlobalRemove};
    wl_registry_add_listener(c->Registry, &registryListener, c.get());
    // The first round trip lists the globals; the second brings the toplevels and their state.
    if (!c->Roundtrip(ConnectTimeout)) {
        why = "the Wayland compositor did not answer";
        return nullptr;
    }
    if (!c->Manager) {
        why = "the compositor does not offer zwlr_foreign_toplevel_manager_v1";
        return nullptr;
    }
    if (!c->Roundtrip(ConnectTimeout) || c->Lost) {
        why = "the compositor did not list its windows";
        return nullptr;
    }
    // Kept current from the event loop where there is one, so that the compositor never waits on
    // a full socket between two samples.
    if (QCoreApplication::instance()) {
        c->Notifier =
            std::make_unique<QSocketNotifier>(wl_display_get_fd(c->Display), QSocketNotifier::Read);
        TConnection* raw = c.get();
        QObject::connect(c->Notifier.get(), &QSocketNotifier::activated,
                         [raw] { raw->ReadEvents(0); });
    }
    std::unique_ptr<TForeignToplevels> toplevels(new TForeignToplevels);
    toplevels->FConnection = std::move(c);
    return toplevels;
}

std::optional<TFocusedWindow> TForeignToplevels::Focused() {
    if (!FConnection || FConnection->Lost) {
        FConnection.reset();
        std::string why;
        std::unique_ptr<TForeignToplevels> fresh = Connect(why);
        if (!fresh) {
            FLastError = "the connection to the compositor was lost; " + why;
            return std::nullopt;
        }
        FConnection = std::move(fresh->FConnection);
    }
    if (!FConnection->Roundtrip(SampleTimeout)) {
        if (FConnection->Lost) {
            FLastError = "the connection to the compositor was lost";
            return std::nullopt;
        }
        FLastError =
            "the compositor did not answer within " + std::to_string(SampleTimeout.count()) + " ms";
    } else {
        FLastError.clear();
    }
    return FConnection->Toplevels.Focused();
}

const std::string& TForeignToplevels::LastError() const {
    return FLastError;
}

} // namespace orvane::platform::wayland

namespace orvane::platform {

namespace {

// No pid in this protocol: the program is found through the app_id.
class TForeignToplevelProbe final : public IProbeBackend {
public:
    explicit TForeignToplevelProbe(std::unique_ptr<wayland::TForeignToplevels> toplevels)
        : FToplevels(std::move(toplevels)) {}
    std::string_view Name() const override { return "wlr-foreign-toplevel"; }
    TForegroundSample Sample() override {
        return wayland::SampleOf(FToplevels->Focused(), FResolver);
    }
    std::string Problem() override {
        FToplevels->Focused();
        return FToplevels->LastError();
    }

private:
    std::unique_ptr<wayland::TForeignToplevels> FToplevels;
    wayland::TAppIdResolver FResolver;
};

} // namespace

TProbeCandidate ForeignToplevelProbeCandidate() {
    // The connection made to see whether the compositor offers the protocol is the one kept.
    auto connection = std::make_shared<std::unique_ptr<wayland::TForeignToplevels>>();
    return {"wlr-foreign-toplevel",
            [connection] {
                std::string why;
                *connection = wayland::TForeignToplevels::Connect(why);
                return why;
            },
            [connection]() -> std::unique_ptr<IProbeBackend> {
                std::string why;
                if (!*connection) *connection = wayland::TForeignToplevels::Connect(why);
                if (!*connection) return nullptr;
                return std::make_unique<TForeignToplevelProbe>(std::move(*connection));
            }};
}

} // namespace orvane::platform
