// The XDG folders, and the desktop and autostart shortcuts as desktop entries.
#include "platform/linux/folders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane::platform::xdg {

std::string AbsoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/') return {};
    std::string path = value;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

namespace {

std::string ConfigHome() {
    std::string config = AbsoluteEnv("XDG_CONFIG_HOME");
    if (!config.empty()) return config;
    const std::string home = AbsoluteEnv("HOME");
    return home.empty() ? std::string() : home + "/.config";
}

std::string WithSlash(std::string path) {
    if (!path.empty() && path.back() != '/') path += '/';
    return path;
}

bool ReadWholeFile(const std::string& file, std::string& text) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

std::string DesktopFolder() {
    const std::string home = AbsoluteEnv("HOME");
    const std::string config = ConfigHome();
    std::string userDirs;
    if (!config.empty() && ReadWholeFile(config + "/user-dirs.dirs", userDirs)) {
        std::string dir = DesktopDirFromUserDirs(userDirs, home);
        if (!dir.empty()) return dir;
    }
    return home.empty() ? std::string() : home + "/Desktop";
}

std::string ShortcutPath(EShortcut shortcut) {
    const std::string folder = ShortcutFolder(shortcut);
    if (folder.empty()) return {};
    return folder + std::string(ShortcutName) + ".desktop";
}

// Writes the file beside its final place and renames it over: a reader never sees half an
// entry, and a symbolic link left at the place is replaced rather than written through.
bool WriteFileAtomically(const std::string& path, const std::string& text, mode_t mode) {
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    bool ok = fchmod(fd, mode) == 0;
    std::size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<std::size_t>(n);
    }
    if (close(fd) != 0) ok = false;
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) unlink(temp.c_str());
    return ok;
}

bool CreateFolders(const std::string& path) {
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/') continue;
        const std::string part = path.substr(0, pos);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::string ShortcutFolder(EShortcut shortcut) {
    if (shortcut == EShortcut::Desktop) return WithSlash(DesktopFolder());
    const std::string config = ConfigHome();
    return config.empty() ? std::string() : WithSlash(config) + "autostart/";
}

std::string DesktopDirFromUserDirs(std::string_view text, const std::string& home) {
    std::string found;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (!line.starts_with("XDG_DESKTOP_DIR")) continue;
        line.remove_prefix(15);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (line.empty() || line.front() != '=') continue;
        line.remove_prefix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (line.empty() || line.front() != '"') continue;
        // "$HOME/yyy" or "/yyy", with backslash escapes
        std::string value;
        bool closed = false;
        for (std::size_t i = 1; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                value += line[++i];
            } else if (line[i] == '"') {
                closed = true;
                break;
            } else {
                value += line[i];
            }
        }
        if (!closed) continue;
        if (value == "$HOME" || value.starts_with("$HOME/")) {
            if (home.empty()) continue;
            value = home + value.substr(5);
        } else if (value.empty() || value.front() != '/') {
            continue;
        }
        while (value.size() > 1 && value.back() == '/')
            value.pop_back();
        found = value; // the last assignment wins, as in a shell
    }
    return found;
}

std::string DesktopStringValue(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += ' ';
            else
                out += c;
        }
    }
    return out;
}

std::string DesktopExecValue(const std::string& exePath) {
    // Inside the double quotes ", `, $ and \ take a backslash; % is a field code unless doubled.
    std::string quoted = "\"";
    for (char c : exePath) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    // The value as a whole is a string first, so its backslashes are escaped once more.
    return DesktopStringValue(quoted);
}

std::string DesktopEntryText(const std::string& exePath, const std::string& name,
                             const std::string& description) {
    std::string folder = exePath.substr(0, exePath.rfind('/') + 1);
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();

    // The description's lines, joined: a desktop entry value is one line.
    std::string comment;
    std::size_t pos = 0;
    while (pos <= description.size()) {
        std::size_t end = description.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = description.size();
        const std::string line = description.substr(pos, end - pos);
        if (!line.empty()) {
            if (!comment.empty()) comment += "; ";
            comment += line;
        }
        pos = end + 1;
    }

    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Version=1.0\n";
    text += "Name=" + DesktopStringValue(name) + "\n";
    if (!comment.empty()) text += "Comment=" + DesktopStringValue(comment) + "\n";
    text += "Exec=" + DesktopExecValue(exePath) + "\n";
    if (!folder.empty()) text += "Path=" + DesktopStringValue(folder) + "\n";
    text += "Icon=orvane\n"
            "Terminal=false\n";
    return text;
}

} // namespace orvane::platform::xdg

namespace orvane::platform {

std::string UserAppDataFolder() {
    std::string data = xdg::AbsoluteEnv("XDG_DATA_HOME");
    if (!data.empty()) return data;
    const std::string home = xdg::AbsoluteEnv("HOME");
    if (home.empty()) return {};
    return (home == "/" ? std::string() : home) + "/.local/share";
}

bool ShortcutExists(EShortcut shortcut) {
    const std::string path = xdg::ShortcutPath(shortcut);
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void ToggleShortcut(EShortcut shortcut, const std::string& exePath) {
    // Where the folder cannot be named there is no shortcut to make or remove.
    const std::string path = xdg::ShortcutPath(shortcut);
    if (path.empty()) return;
    if (ShortcutExists(shortcut)) {
        unlink(path.c_str());
        return;
    }
    const std::string folder = path.substr(0, path.rfind('/'));
    if (shortcut == EShortcut::Autostart) xdg::CreateFolders(folder);
    // The desktop copy must be executable, or file managers refuse to launch it.
    const mode_t mode = shortcut == EShortcut::Desktop ? 0755 : 0644;
    const std::string text =
        xdg::DesktopEntryText(exePath, std::string(ShortcutName), std::string(ShortcutDescription));
    xdg::WriteFileAtomically(path, text, mode);
}

} // namespace orvane::platform
