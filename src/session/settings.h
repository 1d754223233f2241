// Every key of the settings file, with its section, type, default and range, declared here once.
// The program reads and writes its settings through these declarations only.
#pragma once

#include "recorder/sampler.h"
#include "session/inifile.h"
#include "views/privacy.h"

#include <climits>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

enum class ESettingType {
    Integer,
    Flag, // an integer read as on (not 0) or off
    Text,
};

struct TSetting {
    const char* Section;
    const char* Key;
    ESettingType Type;
    int Default = 0; // Integer and Flag
    // A stored integer outside gives the default.
    int Min = INT_MIN;
    int Max = INT_MAX;
    const char* TextDefault = ""; // Text
};

namespace settings {

// [Activities]
// The stored integer keeps its low 8 bits, whatever mode they name.
inline constexpr TSetting ViewMode{"Activities", "ViewMode", ESettingType::Integer, 0};
// Empty: the language in use stays.
inline constexpr TSetting Language{"Activities", "Language", ESettingType::Text};
// Minutes without input before the time counts as away; 0 turns away detection off.
inline constexpr TSetting AwayMinutes{
    "Activities", "AwayMinutes", ESettingType::Integer, 5, 0, TSampler::MaxAwayMinutes};
// [Windows]: places as "left,top,width,height", splitters as "size,size".
inline constexpr TSetting MainWindow{"Windows", "MainWindow", ESettingType::Text};
inline constexpr TSetting MainMaximized{"Windows", "MainMaximized", ESettingType::Flag, 0, 0, 1};
inline constexpr TSetting MainSplitter{"Windows", "MainSplitter", ESettingType::Text};
inline constexpr TSetting ChartSplitter{"Windows", "ChartSplitter", ESettingType::Text};
inline constexpr TSetting ListWindow{"Windows", "ListWindow", ESettingType::Text};
// [Privacy]: patterns separated by ';'.
inline constexpr TSetting PrivacySkip{"Privacy", "Skip", ESettingType::Text};
inline constexpr TSetting PrivacyHideTitle{"Privacy", "HideTitle", ESettingType::Text};
inline constexpr TSetting PrivateBrowsing{"Privacy", "PrivateBrowsing", ESettingType::Flag, 1};
// [Machines]: the shared folder and this computer's name in it.
inline constexpr TSetting MachinesFolder{"Machines", "Folder", ESettingType::Text};
inline constexpr TSetting MachineName{"Machines", "Name", ESettingType::Text};
// [GnomeShell]: the extension's set-up is not offered again once declined.
inline constexpr TSetting GnomeOfferDeclined{"GnomeShell", "ExtensionOfferDeclined",
                                             ESettingType::Flag, 0};
// [Categories]: a whole section of rules, in the order of its lines (see views/rules.h).
inline constexpr const char* CategoriesSection = "Categories";

inline constexpr const TSetting* All[] = {
    &ViewMode,        &Language,       &AwayMinutes, &MainWindow,        &MainMaximized,
    &MainSplitter,    &ChartSplitter,  &ListWindow,  &PrivacySkip,       &PrivacyHideTitle,
    &PrivateBrowsing, &MachinesFolder, &MachineName, &GnomeOfferDeclined};

} // namespace settings

// Integer and Flag settings: a value that is no integer of the file's rule, or is out of range,
// gives the default.
int ReadInteger(TIniFile& ini, const TSetting& setting);
bool ReadFlag(TIniFile& ini, const TSetting& setting);
// Text settings; fallback in place of the declared default.
std::string ReadText(TIniFile& ini, const TSetting& setting);
std::string ReadText(TIniFile& ini, const TSetting& setting, const std::string& fallback);
// Throw as TIniFile::WriteString does.
void WriteInteger(TIniFile& ini, const TSetting& setting, int value);
void WriteFlag(TIniFile& ini, const TSetting& setting, bool on);
void WriteText(TIniFile& ini, const TSetting& setting, const std::string& value);
// A whole decimal number that a user typed (blanks around it allowed) within the setting's range.
std::optional<int> ParseEntered(const TSetting& setting, std::string_view text);
bool InRange(const TSetting& setting, int value);

TPrivacySettings ReadPrivacySettings(TIniFile& ini);
// Throws as TIniFile::WriteString does.
void WritePrivacySettings(TIniFile& ini, const TPrivacySettings& settings);

} // namespace orvane
