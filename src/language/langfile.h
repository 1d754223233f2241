// The text format of language files: an INI-like file read into memory, looked up without regard
// to case, and written back as UTF-16 LE. Nothing in a language file is an error.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace orvane {

// A hostile file must not take the program down: at most MaxFileBytes are read (the rest is
// ignored, and a line cut by the limit is dropped), a line longer than MaxLineChars is skipped,
// and no more than MaxLines lines are kept. Real language files hold a few thousand short lines.
constexpr qint64 LangMaxFileBytes = 16 * 1024 * 1024;
constexpr int LangMaxLineChars = 64 * 1024;
constexpr int LangMaxLines = 256 * 1024;

// First character a double quote: the text up to the last double quote, provided that leaves at
// least one character; otherwise the value as it stands. `""` therefore stays `""`.
QString Unquote(const QString& value);
// The quoted-string rule of the main-menu keys: read up to the matching quote, "" inside stands
// for one quote; an empty result or a value not starting with a quote is taken unchanged.
QString UnquoteQuotedString(const QString& value);
// Double quotes around a text for writing with the quoted-string rule ("" for each inner quote).
QString QuoteQuotedString(const QString& value);
// One pair of enclosing quotes (double or single) removed; used for display names.
QString StripEnclosingQuotes(const QString& value);
// The "/r/n" escape of values that carry line breaks.
QString EscapeLineBreaks(const QString& text);   // CR LF -> "/r/n"
QString UnescapeLineBreaks(const QString& text); // "/r/n" -> CR LF
// Compares without regard to ASCII case only, as display names and section names are compared.
bool SameTextAscii(const QString& a, const QString& b);
// Removes characters with codes 0..32 at both ends.
QString TrimControl(const QString& text);

// Decodes the bytes of a file: FF FE UTF-16 LE, FE FF UTF-16 BE, EF BB BF UTF-8, otherwise the
// system's 8-bit code page (UTF-8 on Linux). Broken sequences become U+FFFD; an odd last byte of
// UTF-16 is dropped.
QString DecodeLangText(const QByteArray& bytes);

class TLangFile {
public:
    TLangFile() = default;
    // Reads the file; a missing or unreadable file gives an empty one.
    explicit TLangFile(const QString& fileName);

    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& fileName) { FFileName = fileName; }

    // False when the file does not exist or cannot be read (the content is then empty).
    bool LoadFromFile(const QString& fileName);
    void LoadFromText(const QString& text, bool truncated = false);
    void Clear();

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    // The value of the first line of the key in the first section of the name, or def.
    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // Number of lines with "=" in the section (an empty section or a missing one gives 0).
    int KeyCount(const QString& section) const;
    // Keys of the section in file order (first occurrences only).
    QStringList SectionKeys(const QString& section) const;
    QStringList SectionNames() const;

    void WriteString(const QString& section, const QString& key, const QString& value);

    // UTF-16 LE with FF FE, CR LF line ends, one empty line after each section.
    QByteArray SaveToBytes() const;
    // Writes FileName() atomically; on failure returns false and gives the reason.
    bool SaveToFile(QString* error = nullptr) const;

private:
    struct TLine {
        QString Key;   // trimmed, empty for a line without "="
        QString Value; // trimmed text after the first "=", or the whole line without "="
        bool HasKey = false;
    };
    struct TSection {
        QString Name;
        std::vector<TLine> Lines;
        QHash<QString, int> FirstKey; // folded key -> index of its first line
    };

    const TSection* FindSection(const QString& section) const;
    const TLine* FindLine(const QString& section, const QString& key) const;
    void AddLine(TSection& s, TLine line);

    QString FFileName;
    std::vector<TSection> FSections;
    QHash<QString, int> FFirstSection; // folded name -> index of its first section
};

} // namespace orvane
