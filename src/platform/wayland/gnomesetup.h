// Setting up the GNOME Shell extension for the current user: which variant the Shell loads, the
// copy into the user's extension folder, and the switch in the Shell's settings. Used by
// `orvane-report setup` and by the main window's offer.
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::platform::gnome {

inline constexpr char ExtensionUuid[] = "focus@orvane.org";

// GNOME 43-44 load extensions through the legacy imports, 45 and later as ES modules; one file
// cannot serve both, so the program ships both, each in a folder of this name.
enum class EExtensionVariant { Legacy, Module };
std::string_view FolderOf(EExtensionVariant variant);

// The variant for a Shell version such as "43.9", "45.rc", "GNOME Shell 46.2"; nullopt (error
// says why) for a version older than 43 or text that names none.
std::optional<EExtensionVariant> VariantForShellVersion(std::string_view version,
                                                        std::string& error);

// The running Shell's ShellVersion over the session bus; empty when no Shell answers.
std::string RunningShellVersion();
// What `gnome-shell --version` prints, for when no Shell runs; empty when it cannot be run.
std::string InstalledShellVersion();

// The folder of the shipped variants: beside the executable in a build tree, else in the
// installed data folder.
QString ShippedExtensionFolder(const QString& exeDir);
// ~/.local/share/gnome-shell/extensions/<uuid> (after $XDG_DATA_HOME).
QString UserExtensionFolder();

// The strings of a GVariant text array as gsettings prints it: ['a', "b"], @as [].
std::vector<std::string> ParseStringArray(std::string_view text);
std::string FormatStringArray(const std::vector<std::string>& items);

// True when the extension is in the user's folder and switched on in the settings.
bool ExtensionSetUp();

struct TSetupResult {
    bool Ok = false;
    std::vector<std::string> Lines; // what was done, or what failed, for the user
};

// Installs the variant for the running (else the installed) Shell from shippedFolder and enables
// it, without asking anything. The Shell picks it up at the next log-in.
TSetupResult SetUpExtension(const QString& shippedFolder);

} // namespace orvane::platform::gnome
