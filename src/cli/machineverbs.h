// The record as orvane-report reads it: one file, or every machine's file of the shared folder
// merged; and the verb that lists those files.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvane {
class TActivityList;
}

namespace orvane::cli {

// What to read: the FILE given, or (without one) the shared folder of the settings file
// ([Machines] Folder= of --settings, else of orvane.cfg beside the recorder's data file), else
// the recorder's own data file. machine: "all" (the default) or one machine's name.
struct TSource {
    std::string File;
    std::optional<std::string> Machine;
    std::optional<std::string> Settings;
    // When set, only the entries that may have time in this period [since, until) (milliseconds
    // since 1970 UTC) are needed, and the last one: a single record is then read through an index
    // beside it (FILE.idx), kept out of the shared folder.
    std::optional<std::pair<std::int64_t, std::int64_t>> Period;
};

// One machine's entries, for summary --by machine.
struct TMachineEntries {
    std::string Machine;
    std::shared_ptr<const TActivityList> List;
};

// Loads the source into list, merged; each (when given) gets every machine read, the local record
// as one machine named after this one. Returns 0, ExitDamaged (some file was read only up to its
// damage, or not at all: err says which), ExitUnreadable or ExitUsage.
int LoadSource(const char* verb, const TSource& source, TActivityList& list, std::ostream& err,
               std::vector<TMachineEntries>* each = nullptr);

// The shared folder of the settings, empty when none.
std::string SharedFolder(const std::optional<std::string>& settings, std::string* machineName);

int MachinesVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace orvane::cli
