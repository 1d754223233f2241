// The settings reader on arbitrary text: every key it holds is read as text and as a number, the
// text it would write back parses to the same, and a write of the language keeps every other key.
#include "fuzzcommon.h"

#include "recorder/datafile.h"
#include "recorder/datetime.h"
#include "session/inifile.h"

#include <utility>

namespace {

using orvane::fuzz::Check;

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

// (section, key) of every key line in the first section of its name, as the text stands.
std::vector<std::pair<std::string, std::string>> KeysOf(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> keys;
    std::vector<std::string> seen;
    std::string section;
    bool first = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = orvane::Trim(line.substr(1, line.size() - 2));
            const std::string folded = Lower(section);
            first = true;
            for (const std::string& s : seen)
                first = first && s != folded;
            seen.push_back(folded);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (first && eq != std::string::npos)
            keys.emplace_back(section, orvane::Trim(line.substr(0, eq)));
    }
    return keys;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvane;
    static const std::string unused = fuzz::TempPath("never-written.cfg");
    static const std::string path = fuzz::TempPath("settings.cfg");
    const std::string input(reinterpret_cast<const char*>(data), size);

    TIniFile ini(unused);
    ini.SetText(input);
    const int viewMode = ini.ReadInteger("Activities", "ViewMode", 0);
    const std::string language = ini.ReadString("Activities", "Language", "English");

    const std::string text = ini.Text();
    TIniFile again(unused);
    again.SetText(text);
    Check(again.Text() == text, "the text written back does not parse to the same");

    const auto keys = KeysOf(text);
    for (const auto& [section, key] : keys) {
        std::string value;
        Check(ini.ReadString(section, key, value), "a key of the text is not found");
        Check(value.size() <= 2047, "a value longer than the read buffer");
        std::string other;
        Check(ini.ReadString(Lower(section), Lower(key), other) && other == value,
              "a key is not found in another letter case");
        Check(again.ReadString(section, key, other) && other == value,
              "a value changed through the text written back");
        int parsed = 0;
        const int def = -7;
        if (TIniFile::ParseInteger(value, parsed))
            Check(ini.ReadInteger(section, key, def) == parsed,
                  "ReadInteger differs from the parse");
        else
            Check(ini.ReadInteger(section, key, def) == def, "a value that is no number gave one");
    }

    // The program's write: the language changes, every other key stays as it was.
    fuzz::WriteFile(path, data, size);
    std::string chosen = language;
    if (chosen.empty() || chosen.size() > 2047 || Trim(chosen) != chosen || chosen.front() == '"' ||
        chosen.front() == '\'' || chosen.back() == '"' || chosen.back() == '\'')
        chosen = "English";
    {
        TIniFile writer(path);
        try {
            writer.WriteString("Activities", "Language", chosen);
        } catch (const EFileError&) {
            fuzz::Fail("the settings file could not be written");
        }
    }
    TIniFile written(path);
    Check(written.ReadString("Activities", "Language", "") == chosen,
          "the written language reads back otherwise");
    Check(written.ReadInteger("Activities", "ViewMode", 0) == viewMode,
          "a language write changed the view mode");
    for (const auto& [section, key] : keys) {
        if (Lower(section) == "activities" && Lower(key) == "language") continue;
        std::string before, after;
        ini.ReadString(section, key, before);
        Check(written.ReadString(section, key, after) && after == before,
              "a language write changed another key");
    }
    return 0;
}
