#include "cli/machineverbs.h"

#include "cli/report.h"
#include "platform/filepath.h"
#include "recorder/activitylist.h"
#include "recorder/periodread.h"
#include "session/inifile.h"
#include "session/machines.h"
#include "session/settings.h"
#include "views/recordedtext.h"
#include "views/when.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <ostream>

namespace orvane::cli {

namespace {

std::string SettingsFileOf(const std::optional<std::string>& settings) {
    if (settings) return *settings;
    return SettingsFileBeside(DefaultDataFile());
}

std::string LocalTime(std::int64_t ms) {
    return ToUtf8Text(
        QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime).toString("yyyy-MM-ddTHH:mm:ss"));
}

std::string EntryTime(TDateTime value) {
    if (!(value >= EncodeDate(1, 1, 1)) || !(value < EncodeDate(9999, 12, 31) + 1)) return "-";
    return FormatDateTime("yyyy-MM-dd'T'HH:mm:ss", value);
}

// The index of a record read for a period: beside it, but never in the shared folder, whose files
// the sync tool carries to every machine.
std::string IndexFileOf(const std::string& file, const std::optional<std::string>& settings) {
    const std::string shared = SharedFolder(settings, nullptr);
    std::filesystem::path folder = PathOf(file).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!shared.empty() && std::filesystem::equivalent(folder, PathOf(shared), ec)) return {};
    return PeriodIndexFile(file);
}

// LoadRecord for a period: the entries that may reach into it and the last one.
int LoadRecordPeriod(const std::string& file, const TSource& source, TActivityList& list,
                     std::ostream& err) {
    // Stored times are local: two days on either side cover any time zone offset and change.
    constexpr TDateTime Margin = 2;
    TLoadResult result;
    try {
        result = LoadPeriodFromFile(file, IndexFileOf(file, source.Settings),
                                    LocalDateTime(source.Period->first) - Margin,
                                    LocalDateTime(source.Period->second) + Margin, list);
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return ExitUnreadable;
    }
    return LoadStatus(file, result, err);
}

} // namespace

std::string SharedFolder(const std::optional<std::string>& settings, std::string* machineName) {
    TIniFile ini(SettingsFileOf(settings));
    if (machineName) *machineName = MachineName(ReadText(ini, settings::MachineName));
    return ReadText(ini, settings::MachinesFolder);
}

int LoadSource(const char* verb, const TSource& source, TActivityList& list, std::ostream& err,
               std::vector<TMachineEntries>* each) {
    const bool all = !source.Machine || *source.Machine == "all";
    std::string own;
    const std::string folder = source.File.empty() ? SharedFolder(source.Settings, &own) : "";
    if (folder.empty()) {
        if (!all && !source.File.empty()) {
            err << "orvane-report " << verb << ": --machine reads the shared folder, not a FILE\n";
            return ExitUsage;
        }
        if (!all) {
            err << "orvane-report " << verb
                << ": no shared folder is set ([Machines] Folder= in the settings file)\n";
            return ExitUsage;
        }
        const std::string file = source.File.empty() ? DefaultDataFile() : source.File;
        auto one = std::make_shared<TActivityList>();
        const int loaded =
            source.Period ? LoadRecordPeriod(file, source, *one, err) : LoadRecord(file, *one, err);
        if (loaded == ExitUnreadable) return loaded;
        if (each) {
            if (own.empty()) SharedFolder(source.Settings, &own);
            each->push_back({own, one});
            std::vector<const TActivityList*> lists{one.get()};
            MergeLists(lists, list);
        } else {
            // Nothing else keeps the file's list: a record of years moves over without a copy.
            MergeList(std::move(*one), list);
        }
        return loaded;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(PathOf(folder), ec)) {
        err << "orvane-report " << verb << ": the shared folder \"" << TerminalText(folder)
            << "\" cannot be read\n";
        return ExitUnreadable;
    }
    TMachineFolder machines(folder, own);
    machines.Refresh(true);
    int status = 0;
    for (const std::string& c : machines.Conflicts())
        err << "orvane-report " << verb << ": \"" << TerminalText(c)
            << "\" is a conflict copy: two computers wrote under one name; it is not read\n";
    std::vector<const TActivityList*> lists;
    bool found = false;
    for (const TMachineRecord& r : machines.Records()) {
        if (!all && r.Machine != *source.Machine) continue;
        found = true;
        if (!r.Error.empty()) {
            err << "orvane-report " << verb << ": " << TerminalText(r.Error) << "\n";
            status = ExitDamaged;
        } else if (!r.Load.Whole) {
            err << "orvane-report " << verb << ": the record of " << TerminalText(r.Machine)
                << " (\"" << TerminalText(r.Path) << "\") is damaged: " << r.Load.Where()
                << "; only the " << r.Load.Loaded << " entries read before that are shown\n";
            status = ExitDamaged;
        }
        if (!r.List) continue;
        lists.push_back(r.List.get());
        if (each) each->push_back({r.Machine, r.List});
    }
    if (!all && !found) {
        err << "orvane-report " << verb << ": no machine named \"" << TerminalText(*source.Machine)
            << "\" in " << TerminalText(folder) << "\n";
        return ExitUnreadable;
    }
    MergeLists(lists, list);
    return status;
}

int MachinesVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::optional<std::string> settings;
    std::string folder;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--settings" && i + 1 < args.size()) {
            settings = args[++i];
        } else if (!args[i].empty() && args[i][0] == '-') {
            err << "orvane-report machines: unknown option " << args[i] << "\n";
            return ExitUsage;
        } else if (folder.empty()) {
            folder = args[i];
        } else {
            err << "orvane-report machines: more than one folder given\n";
            return ExitUsage;
        }
    }
    std::string own;
    const std::string configured = SharedFolder(settings, &own);
    if (folder.empty()) folder = configured;
    if (folder.empty()) {
        err << "orvane-report machines: no shared folder is set ([Machines] Folder= in the "
               "settings file)\n";
        return ExitUsage;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(PathOf(folder), ec)) {
        err << "orvane-report machines: the shared folder \"" << TerminalText(folder)
            << "\" cannot be read\n";
        return ExitUnreadable;
    }
    TMachineFolder machines(folder, own);
    machines.Refresh(true);
    out << "machine\tentries\tfirst\tlast\tchanged\tstate\n";
    int status = 0;
    const auto line = [&](const std::string& name, const TActivityList* list,
                          std::int64_t changedNs, const std::string& state) {
        TDateTime first = 0, last = 0;
        bool any = false;
        if (list)
            for (const TEntry& e : list->Entries()) {
                if (!std::isfinite(e.Start) || !std::isfinite(e.Duration)) continue;
                first = any ? std::min(first, e.Start) : e.Start;
                last = any ? std::max(last, e.End()) : e.End();
                any = true;
            }
        out << TerminalText(name) << '\t' << (list ? list->Count() : 0) << '\t'
            << (any ? EntryTime(first) : "-") << '\t' << (any ? EntryTime(last) : "-") << '\t'
            << LocalTime(changedNs / 1'000'000) << '\t' << state << '\n';
    };
    for (const TMachineRecord& r : machines.Records()) {
        std::string state = r.Damaged() ? "damaged" : "ok";
        if (r.Damaged()) status = ExitDamaged;
        if (r.Own) state += " (this computer)";
        line(r.Machine, r.List.get(), r.Changed, state);
    }
    for (const std::string& c : machines.Conflicts()) {
        // Read for this list only; the views leave it out.
        TActivityList copy;
        try {
            copy.LoadFromFile(c);
        } catch (const std::exception&) {
        }
        std::error_code tec;
        const auto time = std::filesystem::last_write_time(PathOf(c), tec);
        const std::int64_t ns = tec ? 0
                                    : std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::file_clock::to_sys(time).time_since_epoch())
                                          .count();
        line(PathText(PathOf(c).filename()), &copy, ns,
             "conflict copy of " + MachineOfFile(PathText(PathOf(c).filename())));
    }
    return status;
}

} // namespace orvane::cli
