#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringEncoder>

#include <ostream>

// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace orvane::test {

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    return f.write(bytes) == bytes.size();
}

// Text without byte-order mark: in the system's 8-bit code page, as such a file is read (UTF-8 on
// Linux, the ANSI code page on Windows).
inline bool WriteText(const QString& path, const QString& text) {
    return WriteBytes(path, text.toLocal8Bit());
}

inline QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QByteArray Utf16LeWithBom(const QString& text) {
    QStringEncoder e(QStringConverter::Utf16LE);
    return QByteArray("\xFF\xFE", 2) + QByteArray(e.encode(text));
}

} // namespace orvane::test
