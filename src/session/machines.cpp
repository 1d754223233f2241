#include "session/machines.h"

#include "platform/filepath.h"
#include "platform/host.h"
#include "recorder/datafile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace orvane {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view RecordExt = ".cdat";
constexpr std::string_view ConflictMark = ".sync-conflict-";

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

struct TStat {
    bool Exists = false;
    std::uint64_t Size = 0;
    std::int64_t Changed = 0;
    bool operator==(const TStat&) const = default;
};

TStat StatFile(const fs::path& path) {
    TStat s;
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (ec || !fs::is_regular_file(status)) return s;
    const auto size = fs::file_size(path, ec);
    if (ec) return s;
    const auto time = fs::last_write_time(path, ec);
    if (ec) return s;
    s.Exists = true;
    s.Size = size;
    s.Changed = std::chrono::duration_cast<std::chrono::nanoseconds>(
                    std::chrono::file_clock::to_sys(time).time_since_epoch())
                    .count();
    return s;
}

// The path as a comparable whole: absolute, normal, a link followed where it exists.
fs::path Resolved(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(PathOf(path), ec), ec);
    if (ec) p = fs::absolute(PathOf(path), ec).lexically_normal();
    return p;
}

} // namespace

std::string SafeMachineName(std::string_view name) {
    std::string out;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        const bool keep = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                          (u >= '0' && u <= '9') || u == '-' || u == '_' || u == '.';
        out += keep ? c : '_';
    }
    // A leading dot hides the file and names like "." or ".." are no file at all; a trailing dot
    // or space is dropped by Windows.
    while (!out.empty() && out.front() == '.')
        out.erase(out.begin());
    while (!out.empty() && out.back() == '.')
        out.pop_back();
    if (out.size() > 64) out.resize(64);
    // The conflict copies of the sync tool are told apart by this mark.
    if (const auto at = out.find(ConflictMark); at != std::string::npos) out[at] = '_';
    if (out.empty()) out = "machine";
    return out;
}

std::string HostName() {
    return platform::HostName();
}

std::string MachineName(const std::string& configured) {
    if (const char* env = std::getenv("ORVANE_MACHINE"); env && *env) return SafeMachineName(env);
    if (!configured.empty()) return SafeMachineName(configured);
    return SafeMachineName(HostName());
}

EFolderFile ClassifyFolderFile(std::string_view name) {
    if (name.empty() || name.front() == '.' || name.front() == '~') return EFolderFile::Ignored;
    if (!EndsWith(name, RecordExt) || name.size() == RecordExt.size()) return EFolderFile::Ignored;
    if (name.find(ConflictMark) != std::string_view::npos) return EFolderFile::Conflict;
    return EFolderFile::Record;
}

std::string MachineOfFile(std::string_view name) {
    if (const auto at = name.find(ConflictMark); at != std::string_view::npos)
        return std::string(name.substr(0, at));
    if (EndsWith(name, RecordExt)) name.remove_suffix(RecordExt.size());
    return std::string(name);
}

TMachineFolder::TMachineFolder(std::string folder, std::string ownName)
    : FFolder(std::move(folder)), FOwnName(std::move(ownName)) {}

std::string TMachineFolder::OwnFile() const {
    return PathText(PathOf(FFolder) / (FOwnName + std::string(RecordExt)));
}

bool TMachineFolder::Refresh(bool readOwn) {
    bool changed = false;
    std::vector<TMachineRecord> next;
    std::vector<std::string> conflicts;
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(PathOf(FFolder), ec), end; !ec && it != end; it.increment(ec))
        files.push_back(it->path());
    std::sort(files.begin(), files.end());
    for (const fs::path& path : files) {
        const std::string name = PathText(path.filename());
        const EFolderFile kind = ClassifyFolderFile(name);
        if (kind == EFolderFile::Conflict) {
            conflicts.push_back(PathText(path));
            continue;
        }
        if (kind != EFolderFile::Record) continue;
        const std::string machine = MachineOfFile(name);
        const bool own = machine == FOwnName;
        const TStat before = StatFile(path);
        if (!before.Exists) continue;
        const auto old =
            std::find_if(FRecords.begin(), FRecords.end(),
                         [&](const TMachineRecord& r) { return r.Machine == machine; });
        if (old != FRecords.end() && old->Size == before.Size && old->Changed == before.Changed &&
            (old->List || !(own && readOwn))) {
            next.push_back(std::move(*old));
            continue;
        }
        TMachineRecord r;
        r.Machine = machine;
        r.Path = PathText(path);
        r.Own = own;
        r.Size = before.Size;
        r.Changed = before.Changed;
        if (!own || readOwn) {
            auto list = std::make_shared<TActivityList>();
            try {
                r.Load = list->LoadFromFile(r.Path);
            } catch (const std::exception& e) {
                r.Error = e.what();
                list = std::make_shared<TActivityList>();
            }
            // Replaced or written to while it was read: the previous contents stay until the
            // file holds still, so a view never shows half a file.
            if (StatFile(path) != before) {
                if (old != FRecords.end()) next.push_back(std::move(*old));
                continue;
            }
            r.List = std::move(list);
            if (r.Damaged()) FDamagedNew.push_back(r.Path);
        }
        next.push_back(std::move(r));
        changed = true;
    }
    if (next.size() != FRecords.size()) changed = true;
    FRecords = std::move(next);
    FConflicts = std::move(conflicts);
    return changed;
}

std::vector<std::string> TMachineFolder::TakeNewConflicts() {
    std::vector<std::string> out;
    for (const std::string& c : FConflicts)
        if (std::find(FConflictsTold.begin(), FConflictsTold.end(), c) == FConflictsTold.end()) {
            FConflictsTold.push_back(c);
            out.push_back(c);
        }
    return out;
}

std::vector<std::string> TMachineFolder::TakeNewDamaged() {
    return std::exchange(FDamagedNew, {});
}

bool TMachineFolder::MayWrite(const std::string& path) const {
    const fs::path target = Resolved(path);
    const fs::path folder = Resolved(FFolder);
    // Anything below the folder counts as in it: the sync tool carries sub-folders too.
    const auto [f, t] = std::mismatch(folder.begin(), folder.end(), target.begin(), target.end());
    if (f != folder.end()) return true;
    if (target.parent_path() != folder) return false;
    const std::string name = PathText(target.filename());
    const std::string own = FOwnName + std::string(RecordExt);
    // The own record, the temporaries of its saves ("NAME.cdat.PID.tmp"), its lock and a damaged
    // copy of it moved aside: all "NAME.cdat" or "NAME.cdat.*".
    if (name == own || name.rfind(own + ".", 0) == 0) return FJoined;
    return name == ".stignore";
}

void TMachineFolder::CheckWrite(const std::string& path) const {
    if (!MayWrite(path))
        throw EFileError("The file \"" + path +
                         "\" belongs to another computer of the shared folder; it is not written.");
}

namespace {
// Each list is mostly in order already; a NaN start sorts last rather than breaking the order.
bool StartsBefore(const TEntry& a, const TEntry& b) {
    if (a.Start != a.Start) return false;
    if (b.Start != b.Start) return true;
    return a.Start < b.Start;
}
} // namespace

void MergeList(TActivityList&& list, TActivityList& into) {
    // A stable sort leaves a list in order as it is.
    if (into.Count() == 0 &&
        std::is_sorted(list.Entries().begin(), list.Entries().end(), StartsBefore)) {
        into.AppendLoaded(std::move(list));
        return;
    }
    MergeLists({&list}, into);
    list.Clear();
}

void MergeLists(const std::vector<const TActivityList*>& lists, TActivityList& into) {
    std::vector<const TEntry*> all;
    std::size_t n = 0;
    for (const TActivityList* l : lists)
        n += l->Entries().size();
    all.reserve(n);
    for (const TActivityList* l : lists)
        for (const TEntry& e : l->Entries())
            all.push_back(&e);
    std::stable_sort(all.begin(), all.end(),
                     [](const TEntry* a, const TEntry* b) { return StartsBefore(*a, *b); });
    into.Reserve(into.Entries().size() + n);
    for (const TEntry* e : all)
        into.AppendLoaded(*e);
}

void SaveMachineRecord(const TMachineFolder& folder, const TActivityList& list,
                       const std::string& fileName) {
    folder.CheckWrite(fileName);
    if (const std::string& kept = list.KeptFile(); !kept.empty()) folder.CheckWrite(kept);
    list.SaveToFile(fileName);
}

namespace {

TJoinResult JoinFolder(const TMachineFolder& folder, const std::string& localRecord,
                       const std::string& claimFile);

std::string ClaimLine(const TMachineFolder& folder) {
    return PathText(Resolved(folder.OwnFile()));
}

bool Claimed(const std::string& claimFile, const std::string& line) {
    std::ifstream in(PathOf(claimFile), std::ios::binary);
    std::string l;
    while (std::getline(in, l))
        if (l == line) return true;
    return false;
}

bool AddClaim(const std::string& claimFile, const std::string& line) {
    std::ofstream out(PathOf(claimFile), std::ios::binary | std::ios::app);
    out << line << '\n';
    out.flush();
    return static_cast<bool>(out);
}

} // namespace

TJoinResult TMachineFolder::Join(const std::string& localRecord, const std::string& claimFile) {
    TJoinResult r = JoinFolder(*this, localRecord, claimFile);
    FJoined = r.State == TJoinResult::EState::Ready || r.State == TJoinResult::EState::Copied;
    return r;
}

namespace {

TJoinResult JoinFolder(const TMachineFolder& folder, const std::string& localRecord,
                       const std::string& claimFile) {
    TJoinResult r;
    std::error_code ec;
    if (!fs::is_directory(PathOf(folder.Folder()), ec)) {
        r.Message = "The folder \"" + folder.Folder() + "\" does not exist.";
        return r;
    }
    const std::string own = folder.OwnFile();
    const std::string line = ClaimLine(folder);
    if (fs::exists(PathOf(own), ec) || ec) {
        if (Claimed(claimFile, line)) {
            r.State = TJoinResult::EState::Ready;
            return r;
        }
        r.State = TJoinResult::EState::NotOurs;
        r.Message = "The shared folder already holds a record named \"" + folder.OwnName() +
                    "\" that this computer did not write (another computer with the same name?). "
                    "Choose another name for this computer.";
        return r;
    }
    // The claim first: a copy that is interrupted leaves a file this machine may finish.
    if (!Claimed(claimFile, line) && !AddClaim(claimFile, line)) {
        r.Message = "Cannot write \"" + claimFile + "\".";
        return r;
    }
    if (!fs::exists(PathOf(localRecord), ec)) {
        r.State = TJoinResult::EState::Copied; // the first save creates it
        return r;
    }
    // Copied to a temporary of the own record (the ignore file keeps it from travelling), then
    // linked to its name, which fails rather than replace a file that came in meanwhile.
    const std::string temp = own + ".join.tmp";
    fs::remove(PathOf(temp), ec);
    if (!fs::copy_file(PathOf(localRecord), PathOf(temp), ec) || ec) {
        r.Message = "Cannot copy \"" + localRecord + "\" to \"" + own + "\": " + ec.message();
        fs::remove(PathOf(temp), ec);
        return r;
    }
    fs::create_hard_link(PathOf(temp), PathOf(own), ec);
    if (ec && ec != std::errc::file_exists && !fs::exists(PathOf(own))) {
        ec.clear();
        fs::rename(PathOf(temp), PathOf(own), ec); // a file system without hard links
    }
    std::error_code ignored;
    fs::remove(PathOf(temp), ignored);
    if (ec) {
        if (ec == std::errc::file_exists) {
            r.State = TJoinResult::EState::NotOurs;
            r.Message = "A record named \"" + folder.OwnName() +
                        "\" arrived in the shared folder meanwhile; choose another name.";
        } else {
            r.Message = "Cannot copy \"" + localRecord + "\" to \"" + own + "\": " + ec.message();
        }
        return r;
    }
    r.State = TJoinResult::EState::Copied;
    return r;
}

} // namespace

const char* const IgnoreAllButRecords = "// Only the computers' records travel.\n"
                                        "!*.cdat\n"
                                        "*\n";
const char* const IgnoreOwnFiles =
    "// The temporaries of the records' saves, and damaged records moved\n"
    "// aside, stay on their computer.\n"
    "*.cdat.*\n";

std::string WriteIgnoreFile(const std::string& folder) {
    const fs::path file = PathOf(folder) / ".stignore";
    std::error_code ec;
    if (fs::exists(file, ec)) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::istringstream lines(text.str());
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line == "!*.cdat" || line == "*.cdat.*") return {};
        }
        return IgnoreOwnFiles;
    }
    // Anything besides the records and the sync tool's own files is the user's.
    bool others = false;
    for (fs::directory_iterator it(PathOf(folder), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = PathText(it->path().filename());
        if (name.rfind(".st", 0) == 0 || name.rfind(".syncthing.", 0) == 0 ||
            name.rfind("~syncthing~", 0) == 0 || ClassifyFolderFile(name) != EFolderFile::Ignored ||
            name.find(".cdat.") != std::string::npos)
            continue;
        others = true;
        break;
    }
    const char* const patterns = others ? IgnoreOwnFiles : IgnoreAllButRecords;
    std::ofstream out(file, std::ios::binary);
    out << patterns;
    out.flush();
    if (!out) return patterns;
    return {};
}

} // namespace orvane
