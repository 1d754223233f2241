#include "recorder/textformat.h"

#include <optional>
#include <vector>

namespace orvane {

namespace {
// A width beyond this is taken as this, so "%999999999s" cannot make a huge text.
constexpr std::size_t MaxWidth = 1024;
// The letters of the directives, or nullopt when a width exceeds maxWidth.
std::optional<std::string> Directives(std::string_view format, std::size_t maxWidth) {
    std::string letters;
    const std::size_t n = format.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (format[i] != '%') continue;
        if (i + 1 < n && format[i + 1] == '%') {
            ++i;
            continue;
        }
        std::size_t k = i + 1;
        if (k < n && format[k] == '-') ++k;
        std::size_t width = 0;
        for (; k < n && format[k] >= '0' && format[k] <= '9'; ++k)
            if ((width = width * 10 + static_cast<std::size_t>(format[k] - '0')) > maxWidth)
                return std::nullopt;
        const char c = k < n ? format[k] : '\0';
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            letters += c;
            i = k;
        }
    }
    return letters;
}

} // namespace

bool SameFormatDirectives(std::string_view builtIn, std::string_view translated) {
    const std::optional<std::string> want = Directives(builtIn, MaxWidth);
    const std::optional<std::string> got = Directives(translated, MaxTranslatedWidth);
    return want && got && *want == *got;
}

std::string SafeFormat(std::string_view format, std::initializer_list<std::string_view> args) {
    std::vector<std::string_view> argv(args);
    std::size_t next = 0;
    std::string out;
    out.reserve(format.size() + 32);
    const std::size_t n = format.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char ch = format[i];
        if (ch != '%') {
            out += ch;
            continue;
        }
        if (i + 1 < n && format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        std::size_t k = i + 1;
        bool left = false;
        if (k < n && format[k] == '-') {
            left = true;
            ++k;
        }
        std::size_t width = 0;
        while (k < n && format[k] >= '0' && format[k] <= '9') {
            if (width < MaxWidth) width = width * 10 + static_cast<std::size_t>(format[k] - '0');
            ++k;
        }
        if (width > MaxWidth) width = MaxWidth;
        if (k < n && format[k] == 's') {
            const std::string_view arg = next < argv.size() ? argv[next] : std::string_view{};
            ++next;
            if (left) {
                out += arg;
                if (arg.size() < width) out.append(width - arg.size(), ' ');
            } else {
                if (arg.size() < width) out.append(width - arg.size(), ' ');
                out += arg;
            }
            i = k;
            continue;
        }
        // Not ours: keep the percent sign; the rest follows as plain text.
        out += '%';
    }
    return out;
}

std::string PadRight(std::string_view text, std::size_t width) {
    std::string out(text);
    if (out.size() < width) out.append(width - out.size(), ' ');
    return out;
}

} // namespace orvane
