#include "views/localeformat.h"

#include "views/recordedtext.h"

namespace orvane {

std::string WithoutTimeZone(const std::string& pattern) {
    std::string out;
    bool quoted = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\'') quoted = !quoted;
        if (!quoted && c == 't') {
            // Drop the blanks before the field; the ones after it are dropped below.
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
            while (i + 1 < pattern.size() && pattern[i + 1] == 't')
                ++i;
            while (i + 1 < pattern.size() && pattern[i + 1] == ' ' && out.empty())
                ++i;
            continue;
        }
        out += c;
    }
    // Blanks left at either end.
    const auto b = out.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return out.substr(b, out.find_last_not_of(' ') - b + 1);
}

// Formats and names are 8-bit text in the system code page, as the recorded texts they are joined
// with (UTF-8 on Linux, the ANSI code page on Windows).
TLocaleFormat LocaleFormatFrom(const QLocale& locale) {
    TLocaleFormat f;
    f.ShortDate = ToSystemText(locale.dateFormat(QLocale::ShortFormat));
    f.LongTime = WithoutTimeZone(ToSystemText(locale.timeFormat(QLocale::LongFormat)));
    for (int m = 1; m <= 12; ++m) {
        // Some locales end their abbreviations with a dot; the patterns put their own after it.
        std::string name = ToSystemText(locale.monthName(m, QLocale::ShortFormat));
        if (name.size() > 1 && name.back() == '.') name.pop_back();
        f.ShortMonthNames[static_cast<std::size_t>(m - 1)] = name;
        f.LongMonthNames[static_cast<std::size_t>(m - 1)] =
            ToSystemText(locale.monthName(m, QLocale::LongFormat));
    }
    for (int d = 1; d <= 7; ++d) {
        const auto k = static_cast<std::size_t>(d - 1);
        f.ShortDayNames[k] = ToSystemText(locale.dayName(d, QLocale::ShortFormat));
        f.LongDayNames[k] = ToSystemText(locale.dayName(d, QLocale::LongFormat));
    }
    f.ListSeparator = locale.decimalPoint() == QStringLiteral(",") ? ';' : ',';
    return f;
}

} // namespace orvane
