#include "cli/viewverbs.h"

#include "cli/machineverbs.h"
#include "cli/report.h"
#include "platform/console.h"
#include "platform/filepath.h"
#include "platform/recordlock.h"
#include "recorder/activitylist.h"
#include "recorder/periodread.h"
#include "views/export.h"
#include "views/forget.h"
#include "views/localeformat.h"
#include "views/messagetexts.h"
#include "views/periods.h"
#include "views/recordedtext.h"
#include "views/rules.h"
#include "views/summary.h"
#include "views/when.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <string_view>
#include <tuple>

namespace orvane::cli {

namespace {

struct TOptions {
    std::string File;
    bool FileGiven = false;
    std::optional<std::string> Machine; // --machine NAME|all
    std::string Mode = "daily";
    bool HasMode = false;
    bool Quoted = false;
    // The period: texts of --since, --until and --now, resolved by ResolvePeriod.
    std::optional<std::string> Since, Until, Now;
    // summary only.
    std::string By = "program";
    std::optional<std::size_t> Top;
    std::string Format = "text";
    std::optional<std::string> Settings;
    // forget only.
    std::optional<std::string> Program, Title;
    bool DryRun = false;
};

// Parses the common options and installs the text formats; nullopt after a usage error.
std::optional<TOptions> Parse(const char* verb, const std::vector<std::string>& args,
                              bool takesMode, std::ostream& err) {
    TOptions o;
    const bool summary = std::string_view(verb) == "summary";
    const bool forget = std::string_view(verb) == "forget";
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
            // In the code page, as the locale's own formats: the arguments come as UTF-8.
            into = Utf8ToSystemText(v);
            return true;
        };
        if (a == "--locale") {
            if (!value(v)) return std::nullopt;
            locale = QLocale(FromUtf8Text(v));
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
        } else if (a == "--since" || a == "--until" || a == "--now") {
            if (!value(v)) return std::nullopt;
            (a == "--since" ? o.Since : a == "--until" ? o.Until : o.Now) = v;
        } else if (summary && (a == "--by" || a == "--format")) {
            if (!value(a == "--by" ? o.By : o.Format)) return std::nullopt;
        } else if (a == "--machine") {
            if (!value(v)) return std::nullopt;
            o.Machine = v;
        } else if (a == "--settings") {
            if (!value(v)) return std::nullopt;
            o.Settings = v;
        } else if (forget && (a == "--program" || a == "--title")) {
            if (!pattern(a == "--program" ? o.Program : o.Title)) return std::nullopt;
        } else if (forget && a == "--dry-run") {
            o.DryRun = true;
        } else if (summary && a == "--top") {
            if (!value(v)) return std::nullopt;
            char* end = nullptr;
            errno = 0;
            const unsigned long long n = std::strtoull(v.c_str(), &end, 10);
            if (v.empty() || !std::isdigit(static_cast<unsigned char>(v[0])) || *end ||
                errno == ERANGE || n == 0 || n > 1'000'000'000ULL) {
                err << "orvane-report " << verb << ": --top wants a whole number from 1, not " << v
                    << "\n";
                return std::nullopt;
            }
            o.Top = static_cast<std::size_t>(n);
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
    o.FileGiven = !o.File.empty();
    if (o.File.empty()) o.File = DefaultDataFile();
    return o;
}

constexpr const char* WhenHelp =
    "today, yesterday, week, last-week, month, last-month, year, last-year, now, YYYY-MM-DD or "
    "YYYY-MM-DDTHH:MM";

// A running recorder writes the running entry's length at least once a minute: a last entry that
// ended this shortly before now is taken to be running still.
constexpr TInstant RunningGraceMs = 2 * 60 * 1000;

struct TPeriod {
    TInstant Since = 0, Until = 0, Now = 0;
};

// The period of --since and --until against --now (or the clock); sinceDefault and untilDefault
// when they are not given. nullopt after a usage error.
std::optional<TPeriod> ResolvePeriod(const char* verb, const TOptions& o,
                                     const std::function<TInstant(const QDateTime&)>& sinceDefault,
                                     std::ostream& err) {
    QDateTime now = QDateTime::currentDateTime();
    if (o.Now) {
        const auto t = ParseDateTime(*o.Now);
        if (!t) {
            err << "orvane-report " << verb << ": --now wants YYYY-MM-DDTHH:MM[:SS], not "
                << TerminalText(*o.Now) << "\n";
            return std::nullopt;
        }
        now = *t;
    }
    TPeriod p;
    p.Now = now.toMSecsSinceEpoch();
    p.Since = sinceDefault(now);
    p.Until = p.Now;
    for (const auto& [option, text, into] :
         {std::tuple{"--since", &o.Since, &p.Since}, std::tuple{"--until", &o.Until, &p.Until}}) {
        if (!*text) continue;
        const auto t = ParseWhen(**text, now);
        if (!t) {
            err << "orvane-report " << verb << ": " << option << " wants " << WhenHelp << ", not "
                << TerminalText(**text) << "\n";
            return std::nullopt;
        }
        *into = t->toMSecsSinceEpoch();
    }
    if (p.Since > p.Until) {
        err << "orvane-report " << verb << ": --since is later than --until\n";
        return std::nullopt;
    }
    return p;
}

// The running entry's end for a record read from the file: now, when the last entry reached to
// within RunningGraceMs of it.
std::optional<TInstant> RunningUntil(const TActivityList& list, TInstant now) {
    if (list.Count() == 0) return std::nullopt;
    const TEntry& last = list[list.Count() - 1];
    const auto start = TInstantOf()(last.Start);
    if (!start || !(last.Duration >= 0)) return std::nullopt;
    const TInstant end = *start + static_cast<TInstant>(std::round(last.Duration * MSecsPerDay));
    if (end > now || now - end > RunningGraceMs) return std::nullopt;
    return now;
}

// The period of --since and --until for tree, csv and json: from the first day there is when only
// --until is given. Nothing to cut when neither is given; nullopt after a usage error.
std::optional<std::optional<TPeriod>> CutPeriod(const char* verb, const TOptions& o,
                                                std::ostream& err) {
    if (!o.Since && !o.Until) return std::optional<TPeriod>();
    const auto p = ResolvePeriod(
        verb, o, [](const QDateTime&) { return DayStart(QDate(1, 1, 1)).toMSecsSinceEpoch(); },
        err);
    if (!p) return std::nullopt;
    return p;
}

// The record: the FILE given, else every machine of the shared folder (or the one of --machine),
// else the recorder's own data file.
// With a period, only the entries that may reach into it (and the last one) are read.
int Load(const char* verb, const TOptions& o, TActivityList& list, std::ostream& err,
         const std::optional<TPeriod>& period, std::vector<TMachineEntries>* each = nullptr) {
    TSource source{o.FileGiven ? o.File : "", o.Machine, o.Settings, std::nullopt};
    if (period) source.Period = std::pair{period->Since, period->Until};
    return LoadSource(verb, source, list, err, each);
}

void Cut(const std::optional<TPeriod>& p, TActivityList& list) {
    if (p) list = ClipToPeriod(list, p->Since, p->Until, RunningUntil(list, p->Now));
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
    const auto period = CutPeriod("tree", *o, err);
    if (!period) return 64;
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
    const int loaded = Load("tree", *o, list, err, *period);
    if (loaded == ExitUnreadable || loaded == ExitUsage) return loaded;
    Cut(*period, list);
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
    const auto period = CutPeriod("csv", *o, err);
    if (!period) return 64;
    TActivityList list;
    const int loaded = Load("csv", *o, list, err, *period);
    if (loaded == ExitUnreadable || loaded == ExitUsage) return loaded;
    Cut(*period, list);
    if (o->Quoted)
        WriteCsvQuoted(list, out, OutputTerminalText);
    else
        WriteCsv(list, out, OutputTerminalText);
    return loaded;
}

int JsonVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const auto o = Parse("json", args, false, err);
    if (!o) return 64;
    const auto period = CutPeriod("json", *o, err);
    if (!period) return 64;
    TActivityList list;
    const int loaded = Load("json", *o, list, err, *period);
    if (loaded == ExitUnreadable || loaded == ExitUsage) return loaded;
    Cut(*period, list);
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

namespace {

// Whole milliseconds as seconds, without trailing zeros.
std::string Seconds(std::int64_t ms) {
    std::string text = std::to_string(ms / 1000);
    if (const std::int64_t rest = ms % 1000) {
        char buf[8];
        std::snprintf(buf, sizeof buf, ".%03d", static_cast<int>(rest));
        std::string fraction = buf;
        while (fraction.back() == '0')
            fraction.pop_back();
        text += fraction;
    }
    return text;
}

double Share(std::int64_t ms, std::int64_t total) {
    return total > 0 ? static_cast<double>(ms) / static_cast<double>(total) : 0.0;
}

// h:mm:ss, the hours as many as there are.
std::string Clock(std::int64_t ms) {
    const std::int64_t s = (ms + 500) / 1000;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%lld:%02d:%02d", static_cast<long long>(s / 3600),
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
    return buf;
}

std::string IsoInstant(TInstant t) {
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(t, Qt::LocalTime);
    return ToUtf8Text(local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate));
}

std::string CsvField(const std::string& raw) {
    return CsvQuotedField(TerminalText(raw));
}

// A bar of width cells for a share, in eighths of a cell where block characters can be drawn.
std::string Bar(double share, int width, bool blocks) {
    const int eighths = static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * width * 8));
    std::string bar;
    int cells = 0;
    if (blocks) {
        static const char* const part[] = {"",       "\u258F", "\u258E", "\u258D",
                                           "\u258C", "\u258B", "\u258A", "\u2589"};
        for (int i = 0; i < eighths / 8; ++i, ++cells)
            bar += "\u2588";
        if (eighths % 8) {
            bar += part[eighths % 8];
            ++cells;
        }
    } else {
        for (int i = 0; i < (eighths + 4) / 8; ++i, ++cells)
            bar += '#';
    }
    bar.append(static_cast<std::size_t>(width - cells), ' ');
    return bar;
}

std::string Padded(const std::string& text, std::size_t width, bool right) {
    if (text.size() >= width) return text;
    const std::string pad(width - text.size(), ' ');
    return right ? pad + text : text + pad;
}

} // namespace

namespace {

// The settings file: the one given, else orvane.cfg beside the record.
std::string SettingsFile(const std::optional<std::string>& given, const std::string& record) {
    if (given) return *given;
    return SettingsFileBeside(record);
}

// The categories of the settings file; a missing file beside the record has none. Lines that are
// no rules are reported at once, bad patterns by the rule set when they are taken out. nullopt
// when a file that was asked for cannot be read.
std::optional<TRuleSet> LoadCategories(const std::optional<std::string>& given,
                                       const std::string& record, std::ostream& err) {
    const std::string file = SettingsFile(given, record);
    std::ifstream in(PathOf(file), std::ios::binary);
    if (!in) {
        if (!given && !std::filesystem::exists(PathOf(file))) return TRuleSet();
        err << "orvane-report summary: cannot read the settings file " << TerminalText(file)
            << "\n";
        return std::nullopt;
    }
    std::string text(1 << 20, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    std::vector<TRuleProblem> problems;
    TRuleSet rules(ReadCategories(text, &problems));
    for (const TRuleProblem& p : problems)
        err << "orvane-report summary: " << TerminalText(file) << ':' << p.Line << ": "
            << TerminalText(p.Text) << '\n';
    return rules;
}

} // namespace

int SummaryVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const auto o = Parse("summary", args, false, err);
    if (!o) return ExitUsage;
    TSummaryQuery query;
    if (o->By == "program")
        query.By = TSummaryBy::Program;
    else if (o->By == "caption")
        query.By = TSummaryBy::Caption;
    else if (o->By == "category")
        query.By = TSummaryBy::Category;
    else if (o->By == "day")
        query.By = TSummaryBy::Day;
    else if (o->By == "machine")
        query.By = TSummaryBy::Program; // each machine's total, below
    else {
        err << "orvane-report summary: --by is program, caption, category, day or machine\n";
        return ExitUsage;
    }
    if (o->Format != "text" && o->Format != "csv" && o->Format != "json") {
        err << "orvane-report summary: --format is text, csv or json\n";
        return ExitUsage;
    }
    if (o->Top && query.By == TSummaryBy::Day) {
        err << "orvane-report summary: --top does not go with --by day, whose rows are days\n";
        return ExitUsage;
    }
    const auto period = ResolvePeriod(
        "summary", *o,
        [](const QDateTime& now) { return DayStart(now.date()).toMSecsSinceEpoch(); }, err);
    if (!period) return ExitUsage;

    TRuleSet rules;
    if (query.By == TSummaryBy::Category || o->Settings) {
        const auto loadedRules = LoadCategories(o->Settings, o->File, err);
        if (!loadedRules) return ExitUnreadable;
        rules = *loadedRules;
    }
    for (const TRule& r : rules.Rules())
        query.CategoryNames.push_back(r.Name);
    query.Category = [&rules](const std::string& process, const std::string& caption) {
        return rules.Find(process, caption);
    };
    query.Uncategorised = Utf8ToSystemText(TMessageTexts()[EMessageText::SUncategorised]);

    const bool byMachine = o->By == "machine";
    TActivityList list;
    std::vector<TMachineEntries> machines;
    const int loaded = Load("summary", *o, list, err, *period, byMachine ? &machines : nullptr);
    if (loaded == ExitUnreadable || loaded == ExitUsage) return loaded;
    query.Since = period->Since;
    query.Until = period->Until;
    TSummary summary;
    if (byMachine) {
        // Each machine's own total: time spent at two machines at once counts on both.
        summary.Since = query.Since;
        summary.Until = query.Until;
        for (const TMachineEntries& m : machines) {
            query.RunningUntil = RunningUntil(*m.List, period->Now);
            const TSummary one = Summarise(*m.List, query);
            summary.Since = one.Since;
            summary.Until = one.Until;
            summary.TotalMs += one.TotalMs;
            summary.TotalEntries += one.TotalEntries;
            TSummaryRow row;
            row.Key = m.Machine;
            row.Ms = one.TotalMs;
            row.Entries = one.TotalEntries;
            summary.Rows.push_back(std::move(row));
        }
        std::stable_sort(summary.Rows.begin(), summary.Rows.end(),
                         [](const TSummaryRow& a, const TSummaryRow& b) { return a.Ms > b.Ms; });
    } else {
        query.RunningUntil = RunningUntil(list, period->Now);
        summary = Summarise(list, query);
    }
    if (o->Top) KeepTop(summary, *o->Top, "other");
    for (const TRuleProblem& p : rules.TakeProblems())
        err << "orvane-report summary: " << TerminalText(SettingsFile(o->Settings, o->File)) << ':'
            << p.Line << ": " << TerminalText(p.Text) << '\n';

    // Programs by a short name for people, by their full path for other programs.
    std::vector<std::string> shortNames;
    if (o->Format == "text" && !byMachine && query.By != TSummaryBy::Day &&
        query.By != TSummaryBy::Category) {
        std::vector<std::string> programs;
        for (const TSummaryRow& r : summary.Rows)
            if (!r.Other) programs.push_back(query.By == TSummaryBy::Program ? r.Key : r.Program);
        shortNames = ShortProgramNames(programs);
    }

    if (o->Format == "json") {
        out << "{\"since\":\"" << IsoInstant(summary.Since) << "\",\"until\":\""
            << IsoInstant(summary.Until) << "\",\"by\":" << JsonString(o->By)
            << ",\"total_seconds\":" << Seconds(summary.TotalMs)
            << ",\"total_entries\":" << summary.TotalEntries << ",\"rows\":[";
        bool first = true;
        for (const TSummaryRow& r : summary.Rows) {
            char share[32];
            std::snprintf(share, sizeof share, "%.6f", Share(r.Ms, summary.TotalMs));
            out << (first ? "\n" : ",\n")
                << "{\"key\":" << JsonString(byMachine ? r.Key : OutputText(r.Key));
            if (query.By == TSummaryBy::Caption && !r.Other)
                out << ",\"program\":" << JsonString(OutputText(r.Program));
            if (r.Other) out << ",\"other\":true";
            out << ",\"seconds\":" << Seconds(r.Ms) << ",\"share\":" << share
                << ",\"entries\":" << r.Entries << "}";
            first = false;
        }
        out << "\n]}\n";
        return loaded;
    }
    if (o->Format == "csv") {
        const bool captions = query.By == TSummaryBy::Caption;
        out << (captions ? "program," : "") << "key,seconds,share,entries\r\n";
        const auto row = [&](const std::string& program, const std::string& key, std::int64_t ms,
                             std::int64_t entries) {
            char share[32];
            std::snprintf(share, sizeof share, "%.6f", Share(ms, summary.TotalMs));
            if (captions) out << CsvField(OutputText(program)) << ',';
            out << CsvField(byMachine ? key : OutputText(key)) << ',' << Seconds(ms) << ',' << share
                << ',' << entries << "\r\n";
        };
        for (const TSummaryRow& r : summary.Rows)
            row(r.Program, r.Key, r.Ms, r.Entries);
        row("", "(total)", summary.TotalMs, summary.TotalEntries);
        return loaded;
    }

    // A table for people.
    const auto localText = [](TInstant t) {
        return ToUtf8Text(
            QDateTime::fromMSecsSinceEpoch(t, Qt::LocalTime).toString("yyyy-MM-dd HH:mm"));
    };
    const char* heading = byMachine                         ? "Machine"
                          : query.By == TSummaryBy::Program ? "Program"
                          : query.By == TSummaryBy::Caption ? "Window"
                          : query.By == TSummaryBy::Day     ? "Day"
                                                            : "Category";
    std::vector<std::string> keys;
    std::size_t named = 0;
    for (const TSummaryRow& r : summary.Rows) {
        if (query.By == TSummaryBy::Day)
            keys.push_back(ToUtf8Text(r.Day.toString("ddd yyyy-MM-dd")));
        else if (byMachine)
            keys.push_back(TerminalText(r.Key));
        else if (r.Other || query.By == TSummaryBy::Category)
            keys.push_back(OutputTerminalText(r.Key));
        else if (query.By == TSummaryBy::Program)
            keys.push_back(OutputTerminalText(shortNames[named++]));
        else
            keys.push_back(OutputTerminalText(shortNames[named++]) + ": " +
                           OutputTerminalText(r.Key));
    }
    std::size_t timeWidth = 7, entriesWidth = 7;
    for (const TSummaryRow& r : summary.Rows) {
        timeWidth = std::max(timeWidth, Clock(r.Ms).size());
        entriesWidth = std::max(entriesWidth, std::to_string(r.Entries).size());
    }
    timeWidth = std::max(timeWidth, Clock(summary.TotalMs).size());
    entriesWidth = std::max(entriesWidth, std::to_string(summary.TotalEntries).size());
    const bool blocks = platform::Utf8Terminal();
    constexpr int BarWidth = 20;
    out << localText(summary.Since) << " to " << localText(summary.Until) << "\n\n";
    out << Padded("Time", timeWidth, true) << "   Share  " << Padded("", BarWidth, false) << "  "
        << Padded("Entries", entriesWidth, true) << "  " << heading << "\n";
    const auto line = [&](std::int64_t ms, const std::string& bar, std::int64_t entries,
                          const std::string& key) {
        char share[16];
        std::snprintf(share, sizeof share, "%6.1f%%", 100 * Share(ms, summary.TotalMs));
        out << Padded(Clock(ms), timeWidth, true) << ' ' << share << "  " << bar << "  "
            << Padded(std::to_string(entries), entriesWidth, true) << "  " << key << "\n";
    };
    for (std::size_t i = 0; i < summary.Rows.size(); ++i) {
        const TSummaryRow& r = summary.Rows[i];
        line(r.Ms, Bar(Share(r.Ms, summary.TotalMs), BarWidth, blocks), r.Entries, keys[i]);
    }
    line(summary.TotalMs, Padded("", BarWidth, false), summary.TotalEntries, "Total");
    return loaded;
}

int ForgetVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const auto o = Parse("forget", args, false, err);
    if (!o) return ExitUsage;
    if (!o->Since || !o->Until) {
        err << "orvane-report forget: --since and --until are both needed\n";
        return ExitUsage;
    }
    const auto period = ResolvePeriod(
        "forget", *o, [](const QDateTime&) { return TInstant(0); }, err);
    if (!period) return ExitUsage;
    std::optional<TPattern> program, title;
    for (const auto& [option, text, into] : {std::tuple{"--program", &o->Program, &program},
                                             std::tuple{"--title", &o->Title, &title}}) {
        if (!*text) continue;
        std::string why;
        // A bare wildcard of --title is one on the title; re: keeps its own meaning.
        const std::string full =
            std::string_view(option) == "--title" && std::string_view(**text).substr(0, 3) != "re:"
                ? "title:" + **text
                : **text;
        *into = TPattern::Compile(full, &why);
        if (!*into) {
            err << "orvane-report forget: " << option << " " << TerminalText(**text) << ": " << why
                << "\n";
            return ExitUsage;
        }
    }

    // The lock first, so that no recorder starts on the record while it is rewritten.
    platform::TRecordLock lock;
    if (!o->DryRun) {
        switch (lock.Acquire(o->File)) {
        case platform::TRecordLock::EState::Held:
            break;
        case platform::TRecordLock::EState::HeldElsewhere:
            err << "orvane-report forget: a recorder is running on \"" << o->File
                << "\"; nothing was changed. Quit it first, or use Forget in its window, which "
                   "does the same\n";
            return ExitRecorderRunning;
        case platform::TRecordLock::EState::Unavailable:
            err << "orvane-report forget: cannot lock \"" << o->File
                << "\" against a recorder (error " << lock.Error() << "); nothing was changed\n";
            return 1;
        }
    }
    TActivityList list;
    const int loaded = LoadRecord(o->File, list, err);
    if (loaded == ExitUnreadable) return loaded;
    if (loaded != 0) {
        // A rewrite would keep the damaged file aside, forgotten entries and all.
        err << "orvane-report forget: a damaged record is not rewritten; nothing was changed\n";
        return loaded;
    }
    const auto pick = [&](const TEntry& e) {
        const std::string p = e.Process.str(), c = e.Caption.str();
        return (!program || program->Match(p, c) != TPattern::EResult::NoMatch) &&
               (!title || title->Match(p, c) != TPattern::EResult::NoMatch);
    };
    const TForgetPlan plan = PlanForget(list, period->Since, period->Until, pick);
    for (const int i : plan.Indices) {
        const TEntry& e = list[i];
        out << IsoStart(e.Start) << '\t' << DurationText(e.Duration) << '\t'
            << TerminalText(e.Process.str()) << '\t' << TerminalText(e.Caption.str()) << '\n';
    }
    const std::string what =
        std::to_string(plan.Indices.size()) + " entries, " + DurationText(plan.Time);
    if (o->DryRun || plan.Indices.empty()) {
        out << what << (o->DryRun ? " would be forgotten\n" : ": nothing to forget\n");
        return 0;
    }
    ApplyForget(list, plan);
    try {
        list.SaveToFile(o->File);
    } catch (const std::exception& e) {
        err << "orvane-report forget: " << e.what() << "; nothing was changed\n";
        return 1;
    }
    RemovePeriodIndex(o->File);
    out << what << " forgotten\n";
    return 0;
}

} // namespace orvane::cli
