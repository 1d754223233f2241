#include "cli/report.h"
#include "cli/machineverbs.h"
#include "cli/viewverbs.h"

#include "platform/console.h"
#include "platform/gnomeextension.h"
#include "platform/platform.h"
#include "platform/presencefactory.h"
#include "platform/probefactory.h"
#include "platform/stopsignals.h"
#include "recorder/activitylist.h"
#include "recorder/datafile.h"
#include "recorder/sampler.h"
#include "views/recordedtext.h"

#include <QCoreApplication>
#include <QTimer>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

namespace orvane::cli {

namespace {

// Length of the valid UTF-8 sequence at p, or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t left) {
    const unsigned char c = p[0];
    if (c < 0x80) return 1;
    std::size_t n;
    std::uint32_t cp;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (left < n) return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    static const std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

void Hex4(std::string& out, unsigned value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", value);
    out += buf;
}

struct TVerb {
    const char* Name;
    const char* Usage;
    const char* Summary;
    std::function<int(const std::vector<std::string>&, std::ostream&, std::ostream&)> Run;
};

int Dump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    TSource source;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if ((args[i] == "--machine" || args[i] == "--settings") && i + 1 < args.size()) {
            (args[i] == "--machine" ? source.Machine : source.Settings) = args[i + 1];
            ++i;
            continue;
        }
        if (!args[i].empty() && args[i][0] == '-' && args[i] != "-") {
            err << "orvane-report dump: unknown option " << args[i] << "\n";
            return 64;
        }
        source.File = args[i];
    }
    TActivityList list;
    const int loaded = LoadSource("dump", source, list, err);
    if (loaded == ExitUnreadable || loaded == ExitUsage) return loaded;
    for (const TEntry& e : list.Entries()) {
        out << "{\"process\":" << JsonString(OutputText(e.Process))
            << ",\"caption\":" << JsonString(OutputText(e.Caption))
            << ",\"start\":" << JsonNumber(e.Start) << ",\"duration\":" << JsonNumber(e.Duration)
            << "}\n";
    }
    return loaded;
}

// An application object for the verbs that need Qt's event loop or its paths, unless the caller
// (a test) has one already.
std::unique_ptr<QCoreApplication> OwnApplication() {
    if (QCoreApplication::instance()) return nullptr;
    static int argc = 1;
    static char name[] = "orvane-report";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

int Probe(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool watch = false, which = false;
    for (const std::string& a : args) {
        if (a == "--watch") {
            watch = true;
        } else if (a == "--which") {
            which = true;
        } else {
            err << "orvane-report probe: unknown argument " << a << "\n";
            return 64;
        }
    }
    if (watch && which) {
        err << "orvane-report probe: --which goes alone\n";
        return 64;
    }
    // The backends may listen on the event loop, as they do in the recorder.
    const std::unique_ptr<QCoreApplication> ownApp = OwnApplication();
    platform::TProbeChoice choice = platform::CreateProbe();
    platform::IProbeBackend& probe = *choice.Backend;
    if (which) {
        out << probe.Name() << '\n';
        if (const std::string problem = probe.Problem(); !problem.empty())
            out << "  " << probe.Name() << ": " << problem << '\n';
        for (const std::string& why : choice.PassedOver)
            out << "  passed over " << why << '\n';
        const platform::TPresenceChoice presence = platform::CreatePresenceSources();
        if (presence.Idle)
            out << "idle: " << presence.Idle->Name() << '\n';
        else
            out << "idle: none, away detection is off\n";
        out << "lock: " << (presence.Lock ? presence.Lock->Name() : "none") << '\n';
        for (const std::string& why : presence.PassedOver)
            out << "  passed over " << why << '\n';
        return 0;
    }

    std::optional<TForegroundSample> last;
    const auto sample = [&] {
        TForegroundSample s = probe.Sample();
        s.Caption = std::string(CappedCaption(s.Caption)); // as stored
        if (last && s == *last) return;
        out << TerminalText(OutputText(s.Process)) << '\t' << TerminalText(OutputText(s.Caption))
            << '\n'
            << std::flush;
        last = std::move(s);
    };
    sample();
    if (!watch) return 0;
    QTimer timer;
    timer.setInterval(TSampler::Interval);
    QObject::connect(&timer, &QTimer::timeout, sample);
    timer.start();
    // An interrupted --watch ends through the event loop, so that the backend cleans up after
    // itself (the KWin one unloads its script from KWin).
    platform::TStopSignals interrupted(platform::TStopSignals::EWhich::Interrupt);
    QObject::connect(&interrupted, &platform::TStopSignals::stopRequested,
                     [](int status) { QCoreApplication::exit(status); });
    interrupted.Start();
    return QCoreApplication::exec();
}

int Presence(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool watch = false;
    std::uint64_t thresholdMs = 5 * 60 * 1000; // the recorder's default
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--watch") {
            watch = true;
        } else if (args[i] == "--threshold" && i + 1 < args.size()) {
            const std::string& v = args[++i];
            char* end = nullptr;
            errno = 0;
            const unsigned long long seconds = std::strtoull(v.c_str(), &end, 10);
            if (v.empty() || !std::isdigit(static_cast<unsigned char>(v[0])) || *end ||
                errno == ERANGE || seconds > 1'000'000'000ULL) {
                err << "orvane-report presence: --threshold wants whole seconds, not " << v << "\n";
                return 64;
            }
            thresholdMs = seconds * 1000;
        } else {
            err << "orvane-report presence: unknown argument " << args[i] << "\n";
            return 64;
        }
    }
    // The lock sources follow their notices on the event loop.
    const std::unique_ptr<QCoreApplication> ownApp = OwnApplication();
    platform::TPresenceChoice choice = platform::CreatePresenceSources();
    if (choice.Idle) choice.Idle->SetThreshold(thresholdMs);
    const auto sample = [&] {
        std::optional<std::uint64_t> idle, since;
        if (choice.Idle) idle = choice.Idle->IdleMs();
        if (choice.Lock) since = choice.Lock->LockedSinceMs();
        out << (idle ? std::to_string(*idle) : "-") << '\t'
            << (!choice.Lock ? "-"
                : since      ? "locked"
                             : "unlocked")
            << '\n'
            << std::flush;
    };
    sample();
    if (!watch) return 0;
    QTimer timer;
    timer.setInterval(500);
    QObject::connect(&timer, &QTimer::timeout, sample);
    timer.start();
    return QCoreApplication::exec();
}

int Setup(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty()) {
        err << "orvane-report setup: unknown argument " << args.front() << "\n";
        return 64;
    }
    const std::unique_ptr<QCoreApplication> ownApp = OwnApplication();
    const platform::TExtensionSetup r = platform::SetUpGnomeExtension();
    for (std::size_t i = 0; i < r.Lines.size(); ++i)
        ((r.Ok || i + 1 < r.Lines.size()) ? out : err)
            << (r.Ok || i + 1 < r.Lines.size() ? "" : "orvane-report setup: ") << r.Lines[i]
            << '\n';
    return r.Ok ? 0 : 1;
}

const std::vector<TVerb>& Verbs() {
    static const std::vector<TVerb> verbs = {
        {"tree",
         "tree [--mode daily|weekly|monthly|all] [--since WHEN] [--until WHEN]\n"
         "      [FORMAT OPTIONS] [FILE]",
         "print the period tree as the window's text export writes it: one line per node,\n"
         "      one TAB per level, CR LF (default mode: daily)",
         TreeVerb},
        {"csv", "csv [--quoted] [--since WHEN] [--until WHEN] [FORMAT OPTIONS] [FILE]",
         "print the window's CSV export of every entry: fields separated by \"; \" and not\n"
         "      quoted, so a semicolon in a title starts a new field. With --quoted, RFC 4180\n"
         "      CSV for other programs: comma-separated, double quotes where needed",
         CsvVerb},
        {"json", "json [--since WHEN] [--until WHEN] [FORMAT OPTIONS] [FILE]",
         "print the whole record as one JSON document: {\"entries\":[{\"process\":...,\n"
         "      \"caption\":...,\"start\":\"2024-05-01T10:00:00\",\"duration\":SECONDS},...]}\n"
         "      (start in local time, ISO 8601; null when the stored value is no date)\n"
         "      FORMAT OPTIONS: --locale NAME (such as de_DE; default: the user's locale),\n"
         "      --date-format PATTERN, --time-format PATTERN (at most 256 characters of: d dd\n"
         "      day, ddd dddd weekday name, M MM month, MMM MMMM month name, yy yyyy year,\n"
         "      H HH h hh hour (h: 12-hour with AP or ap), m mm minute, s ss second,\n"
         "      z zzz millisecond, AP ap AM/PM, t (left out), 'text' as written; other\n"
         "      characters stand as written)",
         JsonVerb},
        {"summary",
         "summary [--since WHEN] [--until WHEN] [--by program|caption|category|day|machine]\n"
         "      [--top N] [--format text|csv|json] [--now YYYY-MM-DDTHH:MM[:SS]]\n"
         "      [--settings FILE] [FILE]",
         "print the time spent in a period [since, until), longest first: per row the time,\n"
         "      its share of the total and the number of entries, then the total. Entries are\n"
         "      cut to the period; the last entry counts up to now when it ended less than two\n"
         "      minutes before (a running recorder writes it once a minute). --since defaults to\n"
         "      today 00:00, --until to now. WHEN is today, yesterday, week (this week from\n"
         "      Monday 00:00), last-week, month, last-month, year, last-year, now, YYYY-MM-DD\n"
         "      (that day's 00:00) or YYYY-MM-DDTHH:MM, in local time. --by program (the\n"
         "      default), caption (program and window title), category or day (one row per day,\n"
         "      in date order, days without time included). Categories are the section\n"
         "      [Categories] of the settings file (orvane.cfg beside the record, or --settings\n"
         "      FILE): one line NAME=PATTERN;PATTERN;... per category, tried in order, the first\n"
         "      that matches wins. A pattern is a wildcard (* and ?) for the program's full path\n"
         "      or file name, title:WILDCARD for the window title, or re:EXPR, a regular\n"
         "      expression found in PROGRAM<TAB>TITLE; letter case is ignored. Time no rule takes\n"
         "      is \"Uncategorised\". Bad patterns are reported and left out. --top N keeps\n"
         "      the N longest rows and sums the rest as \"other\". --format json: {\"since\",\n"
         "      \"until\",\"by\",\"total_seconds\",\"total_entries\",\"rows\":[{\"key\",\n"
         "      \"seconds\",\"share\",\"entries\"}]}; csv: RFC 4180 with a last row\n"
         "      \"(total)\". --now fixes the time taken as now. tree, csv and json take\n"
         "      --since and --until too (and --now). --by machine: one row per computer of the\n"
         "      shared folder, each with its own total (time at two computers at once counts\n"
         "      on both)",
         SummaryVerb},
        {"forget",
         "forget --since WHEN --until WHEN [--program PATTERN] [--title PATTERN]\n"
         "      [--dry-run] [--now YYYY-MM-DDTHH:MM[:SS]] [FILE]",
         "take out of the record, for good, every entry that shares time with the period\n"
         "      [since, until) (WHEN as for summary) and, when given, whose program matches\n"
         "      --program (a pattern as in [Categories]) and whose title matches --title (a\n"
         "      wildcard, or re:EXPR). Prints the entries that go and their number and time;\n"
         "      --dry-run prints them and changes nothing. The record is rewritten whole and\n"
         "      replaced at once; no copy of it is kept. While a recorder runs on the record,\n"
         "      nothing is changed and the status is 75: use Forget in its window instead",
         ForgetVerb},
        {"machines", "machines [--settings FILE] [FOLDER]",
         "print one line per computer's record in the shared folder ([Machines] Folder= of\n"
         "      the settings file, or FOLDER): name, entries, first and last entry (each in the\n"
         "      local time of the computer that recorded it), last change, and its state: ok,\n"
         "      damaged (read up to the damage), or a conflict copy (two computers wrote under\n"
         "      one name; the views leave it out). Exit status 3 when a record is damaged",
         MachinesVerb},
        {"dump", "dump [--machine NAME|all] [FILE]",
         "print every entry of the data file as one JSON object per line:\n"
         "      {\"process\":...,\"caption\":...,\"start\":...,\"duration\":...}\n"
         "      start and duration are the stored values (days since 1899-12-30 local time,\n"
         "      and a fraction of a day) with 17 significant digits",
         Dump},
        {"probe", "probe [--watch | --which]",
         "print the program and the title of the window that has the focus, as the recorder\n"
         "      records them: one line PROCESS<tab>CAPTION (empty where nothing can be told).\n"
         "      With --watch, a new line every 5 seconds whenever either changes, until\n"
         "      interrupted. With --which, the name of the way the focused window is learnt in\n"
         "      this session (x11, sway, hyprland, niri, kwin, gnome, wlr-foreign-toplevel,\n"
         "      win32, or none), then indented lines on what keeps it from seeing windows and why "
         "the\n"
         "      others were passed over; then the idle source (\"idle: none, away detection is\n"
         "      off\" where there is none) and the lock source, and why the others were passed\n"
         "      over. ORVANE_PROBE=NAME in the environment picks one by name",
         Probe},
        {"presence", "presence [--watch] [--threshold SECONDS]",
         "print what the recorder learns about the user's presence: one line IDLE<tab>LOCK,\n"
         "      IDLE the milliseconds since the last keyboard or mouse input (\"-\" where no\n"
         "      source tells), LOCK \"locked\", \"unlocked\" or \"-\" (no source tells). Where "
         "the\n"
         "      system only says when a set time has passed without input, IDLE stays 0 until\n"
         "      then: --threshold sets that time (default 300 s, as the recorder's default).\n"
         "      With --watch, a new line every half second until interrupted. probe --which\n"
         "      names the sources; ORVANE_IDLE=NAME in the environment picks the idle one",
         Presence},
        {"setup", "setup",
         "set up what this desktop needs before windows can be seen, without asking:\n"
         "      in GNOME Shell, install the program's Shell extension for the current user\n"
         "      (the variant for the Shell's version: the running Shell's, else that of\n"
         "      gnome-shell --version) into ~/.local/share/gnome-shell/extensions/ and\n"
         "      switch it on in the Shell's settings. GNOME Shell loads it after the next\n"
         "      log-out and log-in. Exit status 1 when it could not be done",
         Setup},
    };
    return verbs;
}

void Help(std::ostream& out) {
    out << "Usage: orvane-report VERB [OPTIONS] [FILE]\n\n"
           "Reads the activity record of the Orvane recorder. FILE defaults to the recorder's\n"
           "own data file, "
        << DefaultDataFile() << ".\n\nVerbs:\n";
    for (const TVerb& v : Verbs())
        out << "  " << v.Usage << "\n      " << v.Summary << "\n";
    out << "\nWhere the settings file (orvane.cfg beside the record, or --settings FILE) names a\n"
           "shared folder ([Machines] Folder=), tree, csv, json, summary and dump read every\n"
           "computer's record in it, merged, unless FILE is given; --machine NAME reads only\n"
           "that computer's, --machine all (the default) all of them.\n";
    out << "\nControl characters in texts are written as \\xHH, so that no title can send\n"
           "commands to the terminal.\n";
    out << "\nExit status: 0 on success; 2 when the data file cannot be read (or is no regular\n"
           "file); 3 when it is damaged: what could be read before the damage is printed all\n"
           "the same, and stderr says where reading stopped; 64 on a usage error.\n";
}

} // namespace

int LoadRecord(const std::string& file, TActivityList& list, std::ostream& err) {
    const TRecordRead read = ReadRecord(file, list);
    if (!read.Error.empty()) {
        err << read.Error << "\n";
        return ExitUnreadable;
    }
    return LoadStatus(file, read.Result, err);
}

int LoadStatus(const std::string& file, const TLoadResult& result, std::ostream& err) {
    if (result.Whole) return 0;
    err << "orvane-report: the data file \"" << file << "\" is damaged: " << result.Where()
        << "; only the " << result.Loaded << " entries read before that are shown\n";
    return ExitDamaged;
}

std::string OutputText(const std::string& text) {
    return SystemTextToUtf8(text);
}

std::string JsonString(const std::string& bytes) {
    std::string out = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            Hex4(out, c);
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (const std::size_t len = Utf8SequenceLength(p + i, n - i)) {
            out.append(bytes, i, len);
            i += len;
        } else {
            Hex4(out, c); // a stray byte, as the Latin-1 character of that code
            ++i;
        }
    }
    out += '"';
    return out;
}

std::string TerminalText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    const auto hex = [&out](unsigned char c) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(c));
        out += buf;
    };
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x20 || c == 0x7F) {
            hex(c);
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (const std::size_t len = Utf8SequenceLength(p + i, n - i)) {
            // U+0080 to U+009F are the 8-bit controls; some terminals act on them too.
            if (len == 2 && c == 0xC2 && p[i + 1] < 0xA0) {
                hex(p[i]);
                hex(p[i + 1]);
            } else {
                out.append(text, i, len);
            }
            i += len;
        } else {
            hex(c); // not UTF-8: a terminal in an 8-bit mode could take it for a control
            ++i;
        }
    }
    return out;
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    // The shortest text that reads back as the same number: 133.151, not 133.15100000000001.
    char buf[40];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        Help(err);
        return 64;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        Help(out);
        return 0;
    }
    for (const TVerb& v : Verbs()) {
        if (args[0] == v.Name) {
            std::vector<std::string> rest(args.begin() + 1, args.end());
            for (const std::string& a : rest)
                if (a == "--help" || a == "-h") {
                    out << "Usage: orvane-report " << v.Usage << "\n  " << v.Summary << "\n";
                    return 0;
                }
            return v.Run(rest, out, err);
        }
    }
    err << "orvane-report: unknown verb '" << args[0] << "' (try --help)\n";
    return 64;
}

} // namespace orvane::cli
