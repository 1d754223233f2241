#include "cli/viewverbs.h"

#include "cli/report.h"
#include "recorder/activitylist.h"
#include "views/export.h"
#include "views/localeformat.h"
#include "views/periods.h"

#include <cmath>
#include <optional>
#include <ostream>
#include <string_view>

namespace orvane::cli {

namespace {

struct TOptions {
    std::string File;
    std::string Mode = "daily";
    bool HasMode = false;
    bool Quoted = false;
};

// Parses the common options and installs the text formats; nullopt after a usage error.
std::optional<TOptions> Parse(const char* verb, const std::vector<std::string>& args,
                              bool takesMode, std::ostream& err) {
    TOptions o;
    QLocale locale = QLocale::system();
    std::optional<std::string> dateFormat, timeFormat;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                err << "orvane-report " << verb << ": " << a << " needs a value\n";
                return false;
            }
            into = args[++i];
            return true;
        };
        std::string v;
        // A pattern is formatted for every entry: one of a million characters would make
        // gigabytes of output.
        auto pattern = [&](std::optional<std::string>& into) {
            if (!value(v)) return false;
            if (v.size() > MaxPatternLength) {
                err << "orvane-report " << verb << ": " << a << " is longer than "
                    << MaxPatternLength << " characters\n";
                return false;
            }
#ifdef _WIN32
            // In the code page, as the locale's own formats: the arguments come as UTF-8.
            into = QString::fromStdString(v).toLocal8Bit().toStdString();
#else
            into = v;
#endif
            return true;
        };
        if (a == "--locale") {
            if (!value(v)) return std::nullopt;
            locale = QLocale(QString::fromStdString(v));
            if (locale.language() == QLocale::C && v != "C" && v != "POSIX") {
                err << "orvane-report " << verb << ": unknown locale " << v << "\n";
                return std::nullopt;
            }
        } else if (a == "--date-format") {
            if (!pattern(dateFormat)) return std::nullopt;
        } else if (a == "--time-format") {
            if (!pattern(timeFormat)) return std::nullopt;
        } else if (a == "--quoted" && std::string_view(verb) == "csv") {
            o.Quoted = true;
        } else if (a == "--mode" && takesMode) {
            if (!value(o.Mode)) return std::nullopt;
            o.HasMode = true;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            err << "orvane-report " << verb << ": unknown option " << a << "\n";
            return std::nullopt;
        } else if (o.File.empty()) {
            o.File = a;
        } else {
            err << "orvane-report " << verb << ": more than one data file given\n";
            return std::nullopt;
        }
    }
    TLocaleFormat format = LocaleFormatFrom(locale);
    if (dateFormat) format.ShortDate = *dateFormat;
    if (timeFormat) format.LongTime = *timeFormat;
    SetCurrentLocaleFormat(format);
    if (o.File.empty()) o.File = DefaultDataFile();
    return o;
}

// What the text verbs write of a text: UTF-8, controls escaped.
std::string OutputTerminalText(const std::string& text) {
    return TerminalText(OutputText(text));
}

std::string IsoStart(TDateTime value) {
    if (!(value >= EncodeDate(1, 1, 1)) || !(value < EncodeDate(9999, 12, 31) + 1)) return "null";
    std::string text = FormatDateTime("yyyy-MM-dd'T'HH:mm:ss", value);
    if (DecodeDateTime(value).MSec != 0) text += FormatDateTime(".zzz", value);
    return "\"" + text + "\"";
}

} // namespace

int TreeVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const auto o = Parse("tree", args, true, err);
    if (!o) return 64;
    TViewMode mode;
    if (o->Mode == "daily")
        mode = TViewMode::vmDaily;
    else if (o->Mode == "weekly")
        mode = TViewMode::vmWeekly;
    else if (o->Mode == "monthly")
        mode = TViewMode::vmMonthly;
    else if (o->Mode == "all")
        mode = TViewMode::vmAll;
    else {
        err << "orvane-report tree: --mode is daily, weekly, monthly or all\n";
        return 64;
    }
    TActivityList list;
    const int loaded = LoadRecord(o->File, list, err);
    if (loaded == ExitUnreadable) return loaded;
    try {
        WriteTreeText(*BuildPeriodTree(list, mode), out, OutputTerminalText);
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return 2;
    }
    return loaded;
}

int CsvVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const auto o = Parse("csv", args, false, err);
    if (!o) return 64;
    TActivityList list;
    const int loaded = LoadRecord(o->File, list, err);
    if (loaded == ExitUnreadable) return loaded;
    if (o->Quoted)
        WriteCsvQuoted(list, out, OutputTerminalText);
    else
        WriteCsv(list, out, OutputTerminalText);
    return loaded;
}

int JsonVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const auto o = Parse("json", args, false, err);
    if (!o) return 64;
    TActivityList list;
    const int loaded = LoadRecord(o->File, list, err);
    if (loaded == ExitUnreadable) return loaded;
    out << "{\"entries\":[";
    bool first = true;
    for (const TEntry& e : list.Entries()) {
        out << (first ? "\n" : ",\n") << "{\"process\":" << JsonString(OutputText(e.Process))
            << ",\"caption\":" << JsonString(OutputText(e.Caption))
            << ",\"start\":" << IsoStart(e.Start)
            << ",\"duration\":" << JsonNumber(std::round(e.Duration * MSecsPerDay) / 1000.0) << "}";
        first = false;
    }
    out << "\n]}\n";
    return loaded;
}

} // namespace orvane::cli
