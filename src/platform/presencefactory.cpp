#include "platform/presencefactory.h"

#include "platform/presencesources.h"
#include "platform/presencestate.h"
#include "platform/probefactory.h"

#ifndef _WIN32
#include "platform/linux/dbuspresence.h"
#include "platform/wayland/idlenotify.h"
#endif

#include <cstdlib>
#include <functional>
#include <string_view>

namespace orvane::platform {

namespace {

template <class TSource> struct TCandidate {
    std::string_view Name;
    std::function<std::unique_ptr<TSource>(std::string& why)> Create;
};

using TIdleCandidate = TCandidate<IIdleSource>;
using TLockCandidate = TCandidate<ILockSource>;

std::vector<TIdleCandidate> IdleCandidates() {
#ifdef _WIN32
    return {{"win32", CreateWin32Idle}};
#else
    using wayland::EIdleProtocol;
    const TIdleCandidate xcb{"xcb-screensaver", CreateXcbIdle};
    std::vector<TIdleCandidate> wayland = {
        {"ext-idle-notify",
         [](std::string& why) {
             return wayland::CreateIdleNotifySource(EIdleProtocol::ExtIdleNotify, why);
         }},
        {"kde-idle",
         [](std::string& why) {
             return wayland::CreateIdleNotifySource(EIdleProtocol::KdeIdle, why);
         }},
        {"mutter-idle-monitor", CreateMutterIdle}};
    if (const char* forced = std::getenv("ORVANE_IDLE"); forced && *forced) {
        wayland.push_back(xcb);
        for (const TIdleCandidate& c : wayland)
            if (c.Name == forced) return {c};
        const std::string name = forced;
        return {{"$ORVANE_IDLE", [name](std::string& why) -> std::unique_ptr<IIdleSource> {
                     why = "no idle source is named \"" + name + "\"";
                     return nullptr;
                 }}};
    }
    // XWayland's idle time counts the input of X11 programs only: never asked in a Wayland
    // session.
    if (!IsWaylandSession()) return {xcb};
    return wayland;
#endif
}

std::vector<TLockCandidate> LockCandidates() {
#ifdef _WIN32
    return {{"wts", CreateWtsLock}};
#else
    return {{"logind", CreateLogindLock}, {"screensaver", CreateScreenSaverLock}};
#endif
}

} // namespace

TPresenceChoice CreatePresenceSources() {
    TPresenceChoice choice;
    for (const TIdleCandidate& c : IdleCandidates()) {
        std::string why;
        choice.Idle = c.Create(why);
        if (choice.Idle) break;
        choice.PassedOver.push_back(std::string(c.Name) + ": " +
                                    (why.empty() ? "could not be started" : why));
    }
    // Every lock source that answers: each desktop sets a different one.
    std::vector<std::unique_ptr<ILockSource>> locks;
    for (const TLockCandidate& c : LockCandidates()) {
        std::string why;
        if (std::unique_ptr<ILockSource> lock = c.Create(why))
            locks.push_back(std::move(lock));
        else
            choice.PassedOver.push_back(std::string(c.Name) + ": " +
                                        (why.empty() ? "could not be started" : why));
    }
    if (locks.size() == 1)
        choice.Lock = std::move(locks.front());
    else if (!locks.empty())
        choice.Lock = std::make_unique<TCombinedLock>(std::move(locks));
    return choice;
}

} // namespace orvane::platform
