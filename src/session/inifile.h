// A small INI file: sections in square brackets, key=value lines. Section and key names are found
// regardless of letter case, a missing file reads as empty, and the file is created by the first
// write. Qt-free, so the settings reader can be fuzzed and tested on its own.
#pragma once

#include <string>
#include <vector>

namespace orvane {

class TIniFile {
public:
    explicit TIniFile(std::string fileName);

    const std::string& FileName() const { return FFileName; }
    // Why a file that is there could not be read (it then reads as empty and is never written
    // over); empty when it was read or does not exist.
    const std::string& LoadError() {
        Load();
        return FLoadError;
    }
    // Parses text as the file's contents (the file is read lazily otherwise).
    void SetText(const std::string& text);
    std::string Text() const;

    bool ReadString(const std::string& section, const std::string& key, std::string& value);
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def);
    int ReadInteger(const std::string& section, const std::string& key, int def);
    // Writes the key and saves the whole file at once; throws EFileError("Unable to write to
    // <file>") when the file cannot be written, leaving the old file whole.
    // A file that cannot be read is not replaced: "Unable to write to" as well.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    // Replaces the lines of a whole section (created at the end when missing), saved as
    // WriteString saves: for lists whose order matters.
    void WriteSection(const std::string& section, const std::vector<std::string>& lines);

    // The integer rule of the settings file: "0x"/"0X" + hex (text longer than two characters),
    // otherwise a signed decimal or "$" + hex; anything else gives the default.
    static bool ParseInteger(const std::string& text, int& value);

private:
    struct Section {
        std::string Name;
        std::vector<std::string> Lines; // key=value lines and anything else, trimmed
    };
    void Load();
    void Save(); // the whole file at once, replacing the old one
    Section* Find(const std::string& name);
    // The section as the file holds it now, made when missing, for a write; throws when the file
    // is there but cannot be read.
    Section& ReloadedSection(const std::string& name);

    std::string FFileName;
    bool FLoaded = false;
    std::string FLoadError;
    std::vector<std::string> FPreamble; // lines before the first section, kept on rewrite
    std::vector<Section> FSections;
};

} // namespace orvane
