#include "language/langfile.h"

#include "platform/atomicfile.h"
#include "recorder/datafile.h"
#include "views/recordedtext.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

namespace orvane {

namespace {

QString Fold(const QString& s) {
    return s.toCaseFolded();
}

bool IsControl(QChar c) {
    return c.unicode() <= 32;
}

} // namespace

QString Unquote(const QString& value) {
    if (value.isEmpty() || value.front() != u'"') return value;
    const qsizetype last = value.lastIndexOf(u'"');
    if (last <= 1) return value;
    return value.mid(1, last - 1);
}

QString UnquoteQuotedString(const QString& value) {
    if (value.isEmpty() || value.front() != u'"') return value;
    QString out;
    qsizetype i = 1;
    const qsizetype n = value.size();
    while (i < n) {
        if (value[i] == u'"') {
            if (i + 1 < n && value[i + 1] == u'"') {
                out += u'"';
                i += 2;
                continue;
            }
            break;
        }
        out += value[i];
        ++i;
    }
    return out.isEmpty() ? value : out;
}

QString QuoteQuotedString(const QString& value) {
    QString out = value;
    out.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + out + u'"';
}

QString StripEnclosingQuotes(const QString& value) {
    if (value.size() >= 2) {
        const QChar q = value.front();
        if ((q == u'"' || q == u'\'') && value.back() == q) return value.mid(1, value.size() - 2);
    }
    return value;
}

QString EscapeLineBreaks(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("/r/n"));
    return out;
}

QString UnescapeLineBreaks(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("/r/n"), QStringLiteral("\r\n"));
    return out;
}

bool SameTextAscii(const QString& a, const QString& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= u'A' && x <= u'Z') x = char16_t(x + 32);
        if (y >= u'A' && y <= u'Z') y = char16_t(y + 32);
        if (x != y) return false;
    }
    return true;
}

QString TrimControl(const QString& text) {
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && IsControl(text[b]))
        ++b;
    while (e > b && IsControl(text[e - 1]))
        --e;
    return text.mid(b, e - b);
}

QString DecodeLangText(const QByteArray& bytes) {
    auto decode = [](QStringConverter::Encoding enc, QByteArrayView data) {
        QStringDecoder decoder(enc, QStringConverter::Flag::Stateless);
        QString s = decoder.decode(data);
        // The UTF-16 decoders let half a surrogate pair through; such a text could not be
        // written back or converted faithfully.
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
                ++i;
            else if (s[i].isSurrogate())
                s[i] = QChar::ReplacementCharacter;
        }
        return s;
    };
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        QByteArrayView rest(bytes.constData() + 2, (n - 2) & ~qsizetype(1));
        return decode(QStringConverter::Utf16LE, rest);
    }
    if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        QByteArrayView rest(bytes.constData() + 2, (n - 2) & ~qsizetype(1));
        return decode(QStringConverter::Utf16BE, rest);
    }
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return decode(QStringConverter::Utf8, QByteArrayView(bytes.constData() + 3, n - 3));
    return FromSystemText(bytes);
}

TLangFile::TLangFile(const QString& fileName) {
    LoadFromFile(fileName);
}

void TLangFile::Clear() {
    FSections.clear();
    FFirstSection.clear();
}

bool TLangFile::LoadFromFile(const QString& fileName) {
    FFileName = fileName;
    Clear();
    if (!QFileInfo(fileName).isFile()) return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.read(LangMaxFileBytes);
    const bool truncated = !file.atEnd();
    LoadFromText(DecodeLangText(bytes), truncated);
    return true;
}

void TLangFile::AddLine(TSection& s, TLine line) {
    if (line.HasKey) {
        const QString folded = Fold(line.Key);
        if (!s.FirstKey.contains(folded)) s.FirstKey.insert(folded, int(s.Lines.size()));
    }
    s.Lines.push_back(std::move(line));
}

void TLangFile::LoadFromText(const QString& text, bool truncated) {
    Clear();
    int kept = 0;
    TSection* current = nullptr;
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start <= n && kept < LangMaxLines) {
        qsizetype end = start;
        while (end < n) {
            const char16_t c = text[end].unicode();
            if (c == u'\r' || c == u'\n' || c == 0x2028) break;
            ++end;
        }
        const bool last = end >= n;
        // A line cut by the read limit is incomplete: leave it out rather than use half a value.
        if (!(last && truncated) && end - start <= LangMaxLineChars) {
            const QString line = TrimControl(text.mid(start, end - start));
            if (!line.isEmpty() && line.front() != u';') {
                if (line.front() == u'[' && line.back() == u']' && line.size() >= 2) {
                    FSections.push_back(
                        TSection{TrimControl(line.mid(1, line.size() - 2)), {}, {}});
                    const QString folded = Fold(FSections.back().Name);
                    if (!FFirstSection.contains(folded))
                        FFirstSection.insert(folded, int(FSections.size() - 1));
                    current = &FSections.back();
                    ++kept;
                } else if (current) {
                    TLine l;
                    const qsizetype eq = line.indexOf(u'=');
                    if (eq >= 0) {
                        l.HasKey = true;
                        l.Key = TrimControl(line.left(eq));
                        l.Value = TrimControl(line.mid(eq + 1));
                    } else {
                        l.Value = line;
                    }
                    AddLine(*current, std::move(l));
                    ++kept;
                }
            }
        }
        if (last) break;
        // CR LF is one break.
        if (text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n') ++end;
        start = end + 1;
    }
}

const TLangFile::TSection* TLangFile::FindSection(const QString& section) const {
    const auto it = FFirstSection.constFind(Fold(section));
    return it == FFirstSection.cend() ? nullptr : &FSections[size_t(*it)];
}

const TLangFile::TLine* TLangFile::FindLine(const QString& section, const QString& key) const {
    const TSection* s = FindSection(section);
    if (!s) return nullptr;
    const auto it = s->FirstKey.constFind(Fold(key));
    return it == s->FirstKey.cend() ? nullptr : &s->Lines[size_t(*it)];
}

bool TLangFile::SectionExists(const QString& section) const {
    return FindSection(section);
}

bool TLangFile::ValueExists(const QString& section, const QString& key) const {
    return FindLine(section, key);
}

QString TLangFile::ReadString(const QString& section, const QString& key,
                              const QString& def) const {
    const TLine* l = FindLine(section, key);
    return l ? l->Value : def;
}

int TLangFile::KeyCount(const QString& section) const {
    const TSection* s = FindSection(section);
    if (!s) return 0;
    int count = 0;
    for (const TLine& l : s->Lines)
        if (l.HasKey) ++count;
    return count;
}

QStringList TLangFile::SectionKeys(const QString& section) const {
    QStringList keys;
    const TSection* s = FindSection(section);
    if (!s) return keys;
    for (size_t i = 0; i < s->Lines.size(); ++i) {
        const TLine& l = s->Lines[i];
        if (l.HasKey && s->FirstKey.value(Fold(l.Key), -1) == int(i)) keys << l.Key;
    }
    return keys;
}

QStringList TLangFile::SectionNames() const {
    QStringList names;
    for (const TSection& s : FSections)
        names << s.Name;
    return names;
}

void TLangFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const QString folded = Fold(section);
    auto it = FFirstSection.constFind(folded);
    if (it == FFirstSection.cend()) {
        FSections.push_back(TSection{section, {}, {}});
        it = FFirstSection.insert(folded, int(FSections.size() - 1));
    }
    TSection& s = FSections[size_t(*it)];
    const auto k = s.FirstKey.constFind(Fold(key));
    if (k != s.FirstKey.cend()) {
        TLine& l = s.Lines[size_t(*k)];
        l.Key = key;
        l.Value = value;
        return;
    }
    AddLine(s, TLine{key, value, true});
}

QByteArray TLangFile::SaveToBytes() const {
    QString text;
    for (const TSection& s : FSections) {
        text += u'[' + s.Name + QStringLiteral("]\r\n");
        for (const TLine& l : s.Lines) {
            if (l.HasKey)
                text += l.Key + u'=' + l.Value;
            else
                text += l.Value;
            text += QStringLiteral("\r\n");
        }
        text += QStringLiteral("\r\n");
    }
    QStringEncoder encoder(QStringConverter::Utf16LE);
    QByteArray bytes("\xFF\xFE", 2);
    bytes += encoder.encode(text);
    return bytes;
}

bool TLangFile::SaveToFile(QString* error) const {
    const QByteArray bytes = SaveToBytes();
    int code = 0;
    if (platform::WriteFileAtomically(ToFileName(FFileName),
                                      std::string_view(bytes.constData(), bytes.size()), code))
        return true;
    if (error) *error = FromUtf8Text(SystemErrorText(code));
    return false;
}

} // namespace orvane
