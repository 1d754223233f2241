// The program behind a Wayland app_id, for compositors that do not tell the pid. The app_id is
// what a client calls itself, by convention the name of its desktop entry; the entry's Exec= names
// the program. Reliable where that convention holds, a guess where it does not.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orvane::platform::wayland {

struct TAppIdPlaces {
    std::vector<std::string> DataDirs; // the XDG data folders, most important first
    std::string SearchPath;            // $PATH
    std::string ProcRoot = "/proc";
    uid_t Uid = 0; // only this user's processes are looked at

    static TAppIdPlaces FromEnvironment();
};

// The program that appId names, as a full path (symbolic links resolved, as /proc/PID/exe
// shows it), in this order:
//   1. <appId>.desktop in the data folders' applications/, its Exec= program through $PATH;
//   2. the same, the file name compared without regard to case;
//   3. a desktop entry whose StartupWMClass is appId;
//   4. a running process of ours whose executable is named appId.
// Empty when none of these finds one. A desktop entry that starts its program through a launcher
// (a sandbox's `flatpak run`) does not name the program and is passed over.
std::string FindProgramOfAppId(const std::string& appId, const TAppIdPlaces& places);

// The first program of a desktop entry's Exec= value, unquoted; empty when there is none.
std::string ProgramOfExec(const std::string& exec);

// FindProgramOfAppId with the answers kept: each app_id is looked up once per run, so that one
// program is never recorded under two names. Where no program is found, the app_id itself is
// the name, so the entry still names the program.
class TAppIdResolver {
public:
    explicit TAppIdResolver(TAppIdPlaces places = TAppIdPlaces::FromEnvironment())
        : FPlaces(std::move(places)) {}
    std::string ProcessName(const std::string& appId);

private:
    static constexpr std::size_t MaxKept = 1024; // app_ids are chosen by clients
    TAppIdPlaces FPlaces;
    std::map<std::string, std::string> FKnown;
};

} // namespace orvane::platform::wayland
