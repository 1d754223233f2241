#include "platform/wayland/appid.h"

#include "platform/linux/folders.h"
#include "platform/linux/procfs.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::platform::wayland {

namespace {

constexpr std::streamsize MaxDesktopFile = 1 << 20;

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::vector<std::string> SplitColons(const std::string& list) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = list.find(':', start);
        parts.push_back(list.substr(start, colon - start));
        if (colon == std::string::npos) return parts;
        start = colon + 1;
    }
}

bool IsExecutableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// The values of the keys asked for in the [Desktop Entry] group, string escapes undone.
std::map<std::string, std::string> DesktopEntryKeys(const std::string& file) {
    std::map<std::string, std::string> keys;
    std::ifstream in(file, std::ios::binary);
    if (!in) return keys;
    std::string text(static_cast<std::size_t>(MaxDesktopFile), '\0');
    in.read(text.data(), MaxDesktopFile);
    text.resize(static_cast<std::size_t>(in.gcount()));
    bool inEntry = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry) continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        if (key != "Exec" && key != "StartupWMClass") continue;
        std::size_t v = eq + 1;
        while (v < line.size() && line[v] == ' ')
            ++v;
        std::string value;
        for (std::size_t i = v; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                const char e = line[++i];
                value += e == 's' ? ' ' : e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
            } else {
                value += line[i];
            }
        }
        keys.emplace(std::move(key), std::move(value)); // the first occurrence counts
    }
    return keys;
}

std::string ResolveProgram(const std::string& program, const std::string& searchPath) {
    if (program.empty()) return {};
    if (program.find('/') != std::string::npos)
        return program[0] == '/' && IsExecutableFile(program) ? RealPath(program) : std::string();
    for (const std::string& dir : SplitColons(searchPath)) {
        if (dir.empty() || dir[0] != '/') continue; // a relative entry depends on where we run
        const std::string candidate = dir + "/" + program;
        if (IsExecutableFile(candidate)) return RealPath(candidate);
    }
    return {};
}

std::string ProgramOfDesktopFile(const std::string& file, const std::string& searchPath) {
    const auto keys = DesktopEntryKeys(file);
    const auto exec = keys.find("Exec");
    if (exec == keys.end()) return {};
    const std::string program = ProgramOfExec(exec->second);
    const std::size_t slash = program.rfind('/');
    const std::string base = slash == std::string::npos ? program : program.substr(slash + 1);
    if (base == "flatpak") return {}; // names the sandbox, not the program
    return ResolveProgram(program, searchPath);
}

std::vector<std::string> DesktopFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* e = readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name.size() > 8 && name.ends_with(".desktop")) names.emplace_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string ProgramOfProcessNamed(const std::string& appId, const TAppIdPlaces& places) {
    const std::string wanted = Lower(appId);
    DIR* dir = opendir(places.ProcRoot.c_str());
    if (!dir) return {};
    std::string found;
    while (const dirent* e = readdir(dir)) {
        std::uint32_t pid;
        if (!procfs::ParseProcessId(e->d_name, pid)) continue;
        struct stat st;
        const std::string entry = places.ProcRoot + "/" + e->d_name;
        if (stat(entry.c_str(), &st) != 0 || st.st_uid != places.Uid) continue;
        const std::string exe = procfs::ExecutablePath(places.ProcRoot, pid);
        const std::size_t slash = exe.rfind('/');
        if (exe.empty() || Lower(exe.substr(slash + 1)) != wanted) continue;
        found = exe;
        break;
    }
    closedir(dir);
    return found;
}

} // namespace

TAppIdPlaces TAppIdPlaces::FromEnvironment() {
    TAppIdPlaces places;
    std::string home = xdg::AbsoluteEnv("XDG_DATA_HOME");
    if (home.empty()) {
        const std::string h = xdg::AbsoluteEnv("HOME");
        if (!h.empty()) home = h + "/.local/share";
    }
    if (!home.empty()) places.DataDirs.push_back(home);
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    const std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    for (std::string dir : SplitColons(list)) {
        while (dir.size() > 1 && dir.back() == '/')
            dir.pop_back();
        if (!dir.empty() && dir[0] == '/') places.DataDirs.push_back(dir);
    }
    const char* path = std::getenv("PATH");
    places.SearchPath = path ? path : "/usr/local/bin:/usr/bin:/bin";
    places.Uid = getuid();
    return places;
}

std::string ProgramOfExec(const std::string& exec) {
    // The quoting rules of the desktop-entry format: arguments split at unquoted spaces; inside
    // double quotes a backslash escapes " ` $ and \.
    std::vector<std::string> args;
    std::string arg;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size()) {
                arg += exec[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                arg += c;
            }
        } else if (c == '"') {
            quoted = any = true;
        } else if (c == ' ' || c == '\t') {
            if (any) args.push_back(std::move(arg));
            arg.clear();
            any = false;
        } else {
            arg += c;
            any = true;
        }
    }
    if (any) args.push_back(std::move(arg));
    // `env NAME=VALUE... program` starts program.
    std::size_t i = 0;
    if (i < args.size() && (args[i] == "env" || args[i] == "/usr/bin/env")) {
        ++i;
        while (i < args.size() && args[i].find('=') != std::string::npos)
            ++i;
    }
    return i < args.size() ? args[i] : std::string();
}

std::string FindProgramOfAppId(const std::string& appId, const TAppIdPlaces& places) {
    // An app_id is the client's to choose: never let it reach outside the folders searched.
    const bool usableAsFileName = !appId.empty() && appId != "." && appId != ".." &&
                                  appId.find('/') == std::string::npos &&
                                  appId.find('\0') == std::string::npos;
    if (!usableAsFileName) return {};
    std::vector<std::string> folders;
    for (const std::string& dir : places.DataDirs)
        folders.push_back(dir + "/applications/");

    for (const std::string& folder : folders) {
        const std::string file = folder + appId + ".desktop";
        if (access(file.c_str(), R_OK) != 0) continue;
        if (std::string p = ProgramOfDesktopFile(file, places.SearchPath); !p.empty()) return p;
    }
    const std::string lowerName = Lower(appId + ".desktop");
    for (const std::string& folder : folders)
        for (const std::string& name : DesktopFilesIn(folder))
            if (Lower(name) == lowerName)
                if (std::string p = ProgramOfDesktopFile(folder + name, places.SearchPath);
                    !p.empty())
                    return p;
    const std::string lowerId = Lower(appId);
    for (const std::string& folder : folders) {
        for (const std::string& name : DesktopFilesIn(folder)) {
            const auto keys = DesktopEntryKeys(folder + name);
            const auto wmClass = keys.find("StartupWMClass");
            if (wmClass == keys.end() || Lower(wmClass->second) != lowerId) continue;
            if (std::string p = ProgramOfDesktopFile(folder + name, places.SearchPath); !p.empty())
                return p;
        }
    }
    return ProgramOfProcessNamed(appId, places);
}

std::string TAppIdResolver::ProcessName(const std::string& appId) {
    if (appId.empty()) return {};
    if (const auto known = FKnown.find(appId); known != FKnown.end()) return known->second;
    std::string name = FindProgramOfAppId(appId, FPlaces);
    if (name.empty()) name = appId;
    if (FKnown.size() >= MaxKept) FKnown.clear();
    FKnown.emplace(appId, name);
    return name;
}

} // namespace orvane::platform::wayland
