// The one place where the program's byte strings meet Qt's text. Three kinds of byte string go
// through the program as std::string, each with its own encoding:
//
// - Recorded text (TText: programs, captions) and everything written beside it: the system's 8-bit
//   text, which is Qt's local 8-bit text: the ANSI code page on Windows, UTF-8 on Linux. The record
//   format keeps these bytes, the settings file and the exports hold them too, and a language file
//   without a byte-order mark is read in it.
// - UTF-8 by its format: the message texts of the windows, exception texts, JSON and D-Bus strings,
//   orvane-report's output.
// - File names: UTF-8 on every system (see platform/filepath.h), never through the code page.
//
// scripts/check-format refuses Qt's raw conversions (toLocal8Bit, fromStdString, ...) outside this
// file, so that every conversion says which of the three it is.
#pragma once

#include "platform/console.h"

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

namespace orvane {

// ---- The system's 8-bit text (recorded text) ----------------------------------------------

inline QString FromSystemText(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}
inline QString FromSystemText(const char* text) {
    return FromSystemText(std::string_view(text));
}
inline QString FromSystemText(const QByteArray& text) {
    return QString::fromLocal8Bit(text);
}
// Characters the code page cannot hold become '?', as the system's A functions store them.
inline std::string ToSystemText(const QString& text) {
    return text.toLocal8Bit().toStdString();
}
// Recorded text as UTF-8, for orvane-report's output. On Linux the same bytes: those that are not
// UTF-8 are left for the output to escape.
inline std::string SystemTextToUtf8(std::string_view text) {
    return platform::Utf8FromSystemText(std::string(text));
}
// UTF-8 (orvane-report's arguments) as the system's 8-bit text; the same bytes on Linux.
inline std::string Utf8ToSystemText(std::string_view text) {
    return platform::SystemTextFromUtf8(std::string(text));
}

// ---- UTF-8 by its format ------------------------------------------------------------------

inline QString FromUtf8Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline QString FromUtf8Text(const char* text) {
    return FromUtf8Text(std::string_view(text));
}
inline QString FromUtf8Text(const QByteArray& text) {
    return QString::fromUtf8(text);
}
inline std::string ToUtf8Text(const QString& text) {
    return text.toStdString();
}

// ---- File names ---------------------------------------------------------------------------

inline QString FromFileName(std::string_view fileName) {
    return FromUtf8Text(fileName);
}
inline std::string ToFileName(const QString& fileName) {
    return ToUtf8Text(fileName);
}

// ---- Comparing ignoring letter case -------------------------------------------------------

// The key under which names are compared ignoring letter case: the text decoded as UTF-8 where it
// is UTF-8 (message texts, category names), else as the system's 8-bit text, and case-folded;
// bytes that neither reads only have their ASCII letters folded.
inline std::string FoldCaseKey(const std::string& text) {
    bool ascii = true;
    for (unsigned char c : text)
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    const QByteArray bytes = QByteArray::fromStdString(text);
    QString decoded;
    if (!ascii) {
        decoded = QString::fromUtf8(bytes);
        if (decoded.toUtf8() != bytes) decoded = QString::fromLocal8Bit(bytes);
    }
    if (ascii || (decoded.toLocal8Bit() != bytes && decoded.toUtf8() != bytes)) {
        std::string out = text;
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
    return decoded.toCaseFolded().toStdString();
}

} // namespace orvane
