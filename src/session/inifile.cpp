#include "session/inifile.h"

#include "platform/atomicfile.h"
#include "recorder/datafile.h"
#include "recorder/datetime.h"

#include <algorithm>
#include <climits>

namespace orvane {

namespace {

// Settings files are tiny; anything beyond this is not ours and is read only this far.
constexpr std::size_t MaxFileSize = 1 << 20;
// Values are read into a buffer of this size, as the system's profile functions do.
constexpr std::size_t MaxValue = 2047;

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

bool SplitKey(const std::string& line, std::string& key, std::string& value) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return true;
}

std::string UnableToWrite(const std::string& file) {
    return "Unable to write to " + file;
}

} // namespace

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}

void TIniFile::SetText(const std::string& text) {
    FLoaded = true;
    FPreamble.clear();
    FSections.clear();
    std::size_t pos = 0;
    const std::size_t n = std::min(text.size(), MaxFileSize);
    while (pos < n) {
        std::size_t end = pos;
        while (end < n && text[end] != '\n' && text[end] != '\r')
            ++end;
        std::string line = Trim(text.substr(pos, end - pos));
        pos = end;
        if (pos < n && text[pos] == '\r') ++pos;
        if (pos < n && text[pos] == '\n') ++pos;
        if (line.empty()) continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            FSections.push_back({Trim(line.substr(1, line.size() - 2)), {}});
        } else if (FSections.empty()) {
            FPreamble.push_back(line);
        } else {
            FSections.back().Lines.push_back(line);
        }
    }
}

std::string TIniFile::Text() const {
    std::string out;
    for (const std::string& l : FPreamble)
        out += l + "\n";
    for (const Section& s : FSections) {
        out += "[" + s.Name + "]\n";
        for (const std::string& l : s.Lines)
            out += l + "\n";
    }
    return out;
}

void TIniFile::Load() {
    if (FLoaded) return;
    FLoadError.clear();
    std::string text;
    std::uint64_t size = 0;
    bool missing = false;
    try {
        // Never an open that waits: a FIFO in the file's place must not stall the start.
        const int fd = OpenRegularFile(FFileName, size, &missing);
        TByteReader in(fd, size);
        text.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, MaxFileSize)));
        const bool read = in.Read(text.data(), text.size());
        CloseRegularFile(fd);
        if (!read) throw EFileError("Stream read error");
    } catch (const EFileError& e) {
        text.clear();
        if (!missing) FLoadError = e.what();
    }
    SetText(text);
}

TIniFile::Section* TIniFile::Find(const std::string& name) {
    for (Section& s : FSections)
        if (SameText(s.Name, name)) return &s; // the first section of a name wins
    return nullptr;
}

bool TIniFile::ReadString(const std::string& section, const std::string& key, std::string& value) {
    Load();
    const Section* s = Find(section);
    if (!s) return false;
    std::string k, v;
    for (const std::string& line : s->Lines) {
        if (SplitKey(line, k, v) && SameText(k, key)) {
            // A value in matching quotes loses them, as the profile functions do.
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            if (v.size() > MaxValue) v.resize(MaxValue);
            value = v;
            return true;
        }
    }
    return false;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) {
    std::string v;
    return ReadString(section, key, v) ? v : def;
}

bool TIniFile::ParseInteger(const std::string& text, int& value) {
    std::string s = text;
    if (s.empty()) return false;
    long long v = 0;
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        for (std::size_t i = 2; i < s.size(); ++i) {
            const int d = hex(s[i]);
            if (d < 0) return false;
            v = v * 16 + d;
            if (v > 0xFFFFFFFFll) return false;
        }
        value = static_cast<int>(static_cast<unsigned int>(v));
        return true;
    }
    std::size_t i = 0;
    bool negative = false;
    if (s[i] == '-' || s[i] == '+') {
        negative = s[i] == '-';
        ++i;
    }
    if (i < s.size() && s[i] == '$') {
        ++i;
        if (i == s.size()) return false;
        for (; i < s.size(); ++i) {
            const int d = hex(s[i]);
            if (d < 0) return false;
            v = v * 16 + d;
            if (v > 0xFFFFFFFFll) return false;
        }
        // Negated in 32 bits, as the value wraps: -$80000000 is INT_MIN, not an overflow.
        const auto u = static_cast<unsigned int>(v);
        value = static_cast<int>(negative ? 0u - u : u);
        return true;
    }
    if (i == s.size()) return false;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return false;
    value = static_cast<int>(v);
    return true;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) {
    std::string text;
    if (!ReadString(section, key, text)) return def;
    int v = 0;
    return ParseInteger(text, v) ? v : def;
}

TIniFile::Section& TIniFile::ReloadedSection(const std::string& name) {
    // Re-read first: another copy of the program may have written meanwhile. A file that is
    // there but cannot be read is left alone rather than replaced by one without its contents.
    FLoaded = false;
    Load();
    if (!FLoadError.empty()) throw EFileError(UnableToWrite(FFileName));
    if (Section* s = Find(name)) return *s;
    FSections.push_back({name, {}});
    return FSections.back();
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    Section* s = &ReloadedSection(section);
    const std::string line = key + "=" + value;
    bool replaced = false;
    std::string k, v;
    for (std::string& l : s->Lines) {
        if (SplitKey(l, k, v) && SameText(k, key)) {
            l = line;
            replaced = true;
            break;
        }
    }
    if (!replaced) s->Lines.push_back(line);
    Save();
}

void TIniFile::WriteSection(const std::string& section, const std::vector<std::string>& lines) {
    Section* s = &ReloadedSection(section);
    s->Lines = lines;
    Save();
}

void TIniFile::Save() {
    // Replaced whole: never a moment without a settings file, nor one half written.
    int error = 0;
    if (!platform::WriteFileAtomically(FFileName, Text(), error))
        throw EFileError(UnableToWrite(FFileName));
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

} // namespace orvane
