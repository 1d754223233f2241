// Window-title encodings: WM_NAME comes as Latin-1 (STRING) or as compound text, which is
// ISO 2022 with a few X extensions. We decode what titles actually carry and never pass raw
// escape sequences through.
#include "platform/x11/x11detail.h"

#include <cctype>
#include <cerrno>
#include <iconv.h>

namespace orvane::platform::x11 {

namespace {

constexpr char ESC = 0x1B;
constexpr unsigned char CSI = 0x9B;
constexpr char STX = 0x02;
constexpr std::string_view Replacement = "\xEF\xBF\xBD"; // U+FFFD

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Converts bytes of one charset to UTF-8 with the C library; every character it cannot convert
// (or everything, when it does not know the charset) becomes U+FFFD.
void AppendConverted(std::string& out, const char* charset, std::string_view bytes,
                     std::size_t bytesPerChar) {
    if (bytes.empty()) return;
    iconv_t cd = iconv_open("UTF-8", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        for (std::size_t i = 0; i < bytes.size(); i += bytesPerChar)
            out += Replacement;
        return;
    }
    std::string in(bytes);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // EILSEQ or EINVAL: skip one character of the set and go on
            out += Replacement;
            const std::size_t skip = inLeft < bytesPerChar ? inLeft : bytesPerChar;
            inPtr += skip;
            inLeft -= skip;
        }
    }
    iconv_close(cd);
}

// What is designated to GL or GR.
enum class ESet {
    Ascii,     // ISO 646 US
    JisRoman,  // JIS X 0201 left half
    Katakana,  // JIS X 0201 right half
    Latin1,    // the right half of ISO 8859-1
    Iso8859,   // the right half of an ISO 8859 part, Charset names it
    Double,    // a 94x94 set through its EUC form, Charset names it
    Unknown94, // a set we do not know: every character becomes U+FFFD
    Unknown96,
    UnknownDouble,
};

struct TDesignation {
    ESet Set = ESet::Ascii;
    const char* Charset = nullptr;
};

TDesignation NinetySixSet(char final) {
    switch (final) {
    case 'A':
        return {ESet::Latin1, nullptr};
    case 'B':
        return {ESet::Iso8859, "ISO-8859-2"};
    case 'C':
        return {ESet::Iso8859, "ISO-8859-3"};
    case 'D':
        return {ESet::Iso8859, "ISO-8859-4"};
    case 'F':
        return {ESet::Iso8859, "ISO-8859-7"};
    case 'G':
        return {ESet::Iso8859, "ISO-8859-6"};
    case 'H':
        return {ESet::Iso8859, "ISO-8859-8"};
    case 'L':
        return {ESet::Iso8859, "ISO-8859-5"};
    case 'M':
        return {ESet::Iso8859, "ISO-8859-9"};
    case 'T':
        return {ESet::Iso8859, "TIS-620"};
    case 'V':
        return {ESet::Iso8859, "ISO-8859-10"};
    case 'Y':
        return {ESet::Iso8859, "ISO-8859-13"};
    case '_':
        return {ESet::Iso8859, "ISO-8859-14"};
    case 'b':
        return {ESet::Iso8859, "ISO-8859-15"};
    case 'f':
        return {ESet::Iso8859, "ISO-8859-16"};
    default:
        return {ESet::Unknown96, nullptr};
    }
}

TDesignation NinetyFourSet(char final) {
    switch (final) {
    case 'B':
        return {ESet::Ascii, nullptr};
    case 'J':
        return {ESet::JisRoman, nullptr};
    case 'I':
        return {ESet::Katakana, nullptr};
    default:
        return {ESet::Unknown94, nullptr};
    }
}

TDesignation DoubleSet(char final) {
    switch (final) {
    case 'A':
        return {ESet::Double, "EUC-CN"}; // GB 2312
    case '@':                            // JIS C 6226-1978, close enough
    case 'B':
        return {ESet::Double, "EUC-JP"}; // JIS X 0208
    case 'C':
        return {ESet::Double, "EUC-KR"}; // KS C 5601
    default:
        return {ESet::UnknownDouble, nullptr};
    }
}

// A run of graphic characters in one set, decoded when the set changes.
class TRun {
public:
    explicit TRun(std::string& out) : FOut(out) {}
    // b is the byte with its high bit set (the GR form), whatever side it came from.
    void Add(const TDesignation& set, unsigned char b) {
        if (set.Set != FSet.Set || set.Charset != FSet.Charset) Flush();
        FSet = set;
        switch (set.Set) {
        case ESet::Ascii:
            FOut += static_cast<char>(b & 0x7F);
            break;
        case ESet::JisRoman:
            if ((b & 0x7F) == 0x5C)
                AppendUtf8(FOut, 0xA5);
            else if ((b & 0x7F) == 0x7E)
                AppendUtf8(FOut, 0x203E);
            else
                FOut += static_cast<char>(b & 0x7F);
            break;
        case ESet::Katakana:
            if (b >= 0xA1 && b <= 0xDF)
                AppendUtf8(FOut, 0xFF61 + (b - 0xA1));
            else
                FOut += Replacement;
            break;
        case ESet::Latin1:
            AppendUtf8(FOut, b);
            break;
        case ESet::Iso8859:
        case ESet::Double:
            FBytes += static_cast<char>(b);
            break;
        case ESet::Unknown94:
        case ESet::Unknown96:
            FOut += Replacement;
            break;
        case ESet::UnknownDouble:
            if (FHalf) FOut += Replacement;
            FHalf = !FHalf;
            break;
        }
    }
    void Flush() {
        if (!FBytes.empty()) {
            const bool half = FSet.Set == ESet::Double && FBytes.size() % 2;
            if (half) FBytes.pop_back();
            AppendConverted(FOut, FSet.Charset, FBytes, FSet.Set == ESet::Double ? 2 : 1);
            if (half) FOut += Replacement;
            FBytes.clear();
        }
        FHalf = false;
    }

private:
    std::string& FOut;
    TDesignation FSet;
    std::string FBytes;
    bool FHalf = false;
};

std::string Lower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

// The bytes of an extended segment in the encoding it names.
void AppendExtendedSegment(std::string& out, std::string_view name, std::string_view data,
                           std::size_t bytesPerChar) {
    std::string charset = Lower(name);
    if (charset == "utf-8" || charset == "utf8") {
        for (char c : data) // controls other than tab and newline have no place in a title
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n') out += c;
        return;
    }
    // X names its encodings "registry-encoding" such as "big5-0" or "koi8-r"; the C library
    // knows most of them without the "-0".
    if (charset.size() > 2 && charset.ends_with("-0")) charset.resize(charset.size() - 2);
    if (charset == "iso10646-1") charset = "UCS-2BE";
    AppendConverted(out, charset.c_str(), data, bytesPerChar ? bytesPerChar : 1);
}

} // namespace

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size() + latin1.size() / 4);
    for (char c : latin1)
        AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

std::string CompoundTextToUtf8(std::string_view ct) {
    std::string out;
    out.reserve(ct.size());
    TRun run(out);
    TDesignation gl{ESet::Ascii, nullptr};
    TDesignation gr{ESet::Latin1, nullptr};
    const std::size_t n = ct.size();
    std::size_t i = 0;
    while (i < n) {
        const auto b = static_cast<unsigned char>(ct[i]);
        if (b == static_cast<unsigned char>(ESC)) {
            // Intermediate bytes 0x20-0x2F, then a final byte 0x30-0x7E.
            std::size_t j = i + 1;
            while (j < n && ct[j] >= 0x20 && ct[j] <= 0x2F)
                ++j;
            if (j >= n) break; // a sequence cut off at the end
            const std::string_view inter = ct.substr(i + 1, j - i - 1);
            const char final = ct[j];
            i = j + 1;
            if (inter == "(")
                gl = NinetyFourSet(final);
            else if (inter == ")")
                gr = NinetyFourSet(final);
            else if (inter == "-")
                gr = NinetySixSet(final);
            else if (inter == "$(" || inter == "$")
                gl = DoubleSet(final);
            else if (inter == "$)")
                gr = DoubleSet(final);
            else if (inter == "%" && final == 'G') {
                // UTF-8 up to ESC % @; any other escape ends it too (UTF-8 has no ESC).
                run.Flush();
                std::size_t stop = ct.find(ESC, i);
                if (stop == std::string_view::npos) stop = n;
                out.append(ct.substr(i, stop - i));
                i = ct.substr(stop, 3) == "\x1B%@" ? stop + 3 : stop;
            } else if (inter == "%/" && final >= '0' && final <= '4') {
                // Extended segment: M L give the length of "name STX data".
                run.Flush();
                if (i + 2 > n) break;
                const auto m = static_cast<unsigned char>(ct[i]);
                const auto l = static_cast<unsigned char>(ct[i + 1]);
                i += 2;
                std::size_t len = m >= 0x80 && l >= 0x80 ? (m - 0x80) * 128u + (l - 0x80) : 0;
                if (len > n - i) len = n - i;
                const std::string_view segment = ct.substr(i, len);
                i += len;
                const std::size_t stx = segment.find(STX);
                if (stx == std::string_view::npos) {
                    out += Replacement;
                } else {
                    AppendExtendedSegment(out, segment.substr(0, stx), segment.substr(stx + 1),
                                          static_cast<std::size_t>(final - '0'));
                }
            }
            // Anything else (ESC % @ outside a segment, unknown sequences) is dropped.
            continue;
        }
        if (b == CSI) {
            // Direction marks: CSI [digits] ]; skip up to the final byte.
            std::size_t j = i + 1;
            while (j < n && static_cast<unsigned char>(ct[j]) >= 0x20 &&
                   static_cast<unsigned char>(ct[j]) <= 0x3F)
                ++j;
            i = j < n ? j + 1 : n;
            continue;
        }
        if (b == '\t' || b == '\n') {
            run.Flush();
            out += static_cast<char>(b);
        } else if (b == 0x20 || b == 0x7F) {
            run.Flush();
            if (b == 0x20) out += ' ';
        } else if (b > 0x20 && b < 0x7F) {
            run.Add(gl, static_cast<unsigned char>(b | 0x80));
        } else if (b >= 0xA0) {
            const bool ninetyFour =
                gr.Set != ESet::Latin1 && gr.Set != ESet::Iso8859 && gr.Set != ESet::Unknown96;
            if (ninetyFour && (b == 0xA0 || b == 0xFF)) {
                run.Flush();
                out += Replacement;
            } else {
                run.Add(gr, b);
            }
        }
        // Other C0 and C1 controls have no place in compound text: dropped.
        ++i;
    }
    run.Flush();
    return out;
}

bool IsLocalMachine(std::string_view clientMachine, std::string_view localHost) {
    auto firstLabel = [](std::string_view s) { return Lower(s.substr(0, s.find('.'))); };
    if (Lower(clientMachine) == Lower(localHost)) return true;
    const std::string a = firstLabel(clientMachine), b = firstLabel(localHost);
    return !a.empty() && a == b;
}

} // namespace orvane::platform::x11
