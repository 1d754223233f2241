#include "session/settings.h"

#include "recorder/datetime.h"

#include <charconv>

namespace orvane {

bool InRange(const TSetting& setting, int value) {
    return value >= setting.Min && value <= setting.Max;
}

int ReadInteger(TIniFile& ini, const TSetting& setting) {
    const int value = ini.ReadInteger(setting.Section, setting.Key, setting.Default);
    return InRange(setting, value) ? value : setting.Default;
}

bool ReadFlag(TIniFile& ini, const TSetting& setting) {
    return ReadInteger(ini, setting) != 0;
}

std::string ReadText(TIniFile& ini, const TSetting& setting) {
    return ini.ReadString(setting.Section, setting.Key, setting.TextDefault);
}

std::string ReadText(TIniFile& ini, const TSetting& setting, const std::string& fallback) {
    return ini.ReadString(setting.Section, setting.Key, fallback);
}

void WriteInteger(TIniFile& ini, const TSetting& setting, int value) {
    ini.WriteInteger(setting.Section, setting.Key, value);
}

void WriteFlag(TIniFile& ini, const TSetting& setting, bool on) {
    ini.WriteInteger(setting.Section, setting.Key, on ? 1 : 0);
}

void WriteText(TIniFile& ini, const TSetting& setting, const std::string& value) {
    ini.WriteString(setting.Section, setting.Key, value);
}

std::optional<int> ParseEntered(const TSetting& setting, std::string_view entered) {
    const std::string text = Trim(std::string(entered));
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        !InRange(setting, value))
        return std::nullopt;
    return value;
}

TPrivacySettings ReadPrivacySettings(TIniFile& ini) {
    TPrivacySettings s;
    s.Skip = SplitPatterns(ReadText(ini, settings::PrivacySkip));
    s.HideTitle = SplitPatterns(ReadText(ini, settings::PrivacyHideTitle));
    s.PrivateBrowsing = ReadFlag(ini, settings::PrivateBrowsing);
    return s;
}

void WritePrivacySettings(TIniFile& ini, const TPrivacySettings& s) {
    WriteText(ini, settings::PrivacySkip, JoinPatterns(s.Skip));
    WriteText(ini, settings::PrivacyHideTitle, JoinPatterns(s.HideTitle));
    WriteFlag(ini, settings::PrivateBrowsing, s.PrivateBrowsing);
}

} // namespace orvane
