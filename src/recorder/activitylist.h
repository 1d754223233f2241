// The activity record: entries oldest first, the last one being the running entry.
#pragma once

#include "recorder/datetime.h"
#include "recorder/text.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane {

// A stored caption keeps at most this many bytes: a window may set a title of megabytes, or change
// a long one many times a second, and each distinct one would be kept in the record for good.
constexpr std::size_t MaxCaptionBytes = 64 * 1024;
// The caption cut to MaxCaptionBytes, never inside a UTF-8 sequence.
std::string_view CappedCaption(std::string_view caption);

class TEntry {
public:
    TEntry() = default;
    TEntry(TText process, TText caption, TDateTime start)
        : Process(process), Caption(caption), Start(start) {}

    // Duration := time - Start, unchecked; the last close wins.
    void CloseAt(TDateTime time) { Duration = time - Start; }
    TDateTime End() const { return Start + Duration; }

    TText Process;
    TText Caption;
    TDateTime Start = 0;
    TDateTime Duration = 0;
};

// How the last SaveToFile went: for the tests and the benchmarks.
struct TSaveInfo {
    bool Incremental = false; // in place, without rewriting the file
    std::uint64_t BytesWritten = 0;
    // Flushes of the record's data to the disk (fdatasync); a whole save's flush of the folder,
    // for the rename, comes on top.
    int Flushes = 0;
};

// How far a load got. A file is whole when its count covers exactly the records it holds; any
// other file (a damaged record, a count that does not match) still loads what precedes the damage.
struct TLoadResult {
    bool Whole = true;
    std::int32_t Count = 0;       // the count stored in the file
    int Loaded = 0;               // entries read
    std::uint64_t StopOffset = 0; // the first byte not read as part of an entry
    std::uint64_t Size = 0;       // the file's size
    // Where and why reading stopped, such as "stopped at entry 501 of 1000, at byte 24012 of
    // 48000"; empty for a whole file.
    std::string Where() const;
};

class TActivityList {
public:
    TActivityList() = default;
    TActivityList(const TActivityList&) = delete;
    TActivityList& operator=(const TActivityList&) = delete;
    TActivityList(TActivityList&&) = default;
    TActivityList& operator=(TActivityList&&) = default;

    int Count() const { return static_cast<int>(FItems.size()); }
    const TEntry& Items(int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    // Any entry may change through this one: the next save rewrites the whole file.
    TEntry& Items(int index) {
        FDisk.Valid = false;
        Changed();
        return FItems.at(static_cast<std::size_t>(index));
    }
    const TEntry& operator[](int index) const { return FItems[static_cast<std::size_t>(index)]; }
    const std::vector<TEntry>& Entries() const { return FItems; }
    // Changes with every change of the entries (never the same for two states of two lists), so
    // that what was built from a list can tell whether it is still up to date.
    std::uint64_t Version() const { return FVersion; }

    // Appends an entry unless the process name is blank. The new entry is the running one. The
    // caption is stored capped (CappedCaption).
    void AddEntry(const std::string& process, const std::string& caption, TDateTime start);
    // Closes the running entry at the given time. An entry read from a file, or one sealed by
    // SealLastEntry, is not the running entry and is left alone: time when the recorder did not
    // run or the machine slept must not be added to it.
    void CloseLastEntry(TDateTime time);
    // The same with a measured length (from a monotonic clock); never negative.
    void CloseLastEntryAfter(TDateTime elapsed);
    // The running entry is finished for good (exit, suspend, end of session).
    void SealLastEntry() { FLastOpen = false; }
    bool LastEntryOpen() const { return FLastOpen && !FItems.empty(); }

    // Removes the first entry at that address; false when it is not in the list.
    bool Remove(const TEntry* entry);
    void RemoveAt(int index);
    void Clear();

    // The data file; see datafile.h for the errors. After a save the file holds exactly what a
    // whole rewrite of the list would. When the file is still the one this list last wrote (or
    // read whole), only the change is written: new entries appended, the last entry's Duration
    // rewritten in place, then the count, with one flush. Otherwise the file is replaced
    // atomically. Either way a crash leaves a file that loads as the list before or after the
    // change (after a power cut, maybe with the running entry's earlier Duration).
    // A save to a symbolic link replaces the link's target. A file kept by LoadFromFile is moved
    // aside by the first whole save to it, just before the new file takes its place; while it
    // cannot be moved, the save throws EFileKept and nothing is written over it.
    void SaveToFile(const std::string& fileName) const;
    // Only the in-place part of SaveToFile: false, with nothing written, when the file is not the
    // one this list last wrote. It needs no more than the file itself, so a program may still use
    // it while it is being ended. Throws as SaveToFile does.
    bool SaveToFileInPlace(const std::string& fileName) const {
        return FItems.size() <= 0x7FFFFFFF && SaveInPlace(fileName, EInPlace::All);
    }
    // At exit, after a save failed for want of room: the smallest in-place save that still keeps
    // the running entry. The last entry on the disk gets its final Duration and the running entry
    // is appended after it, without the entries in between; when even that does not fit, only the
    // Duration is written, which needs no room at all. False when the file is not the one this
    // list last wrote, or nothing could be written. The file no longer matches the list after it:
    // for the end of the program only.
    bool SaveRunningEntryInPlace(const std::string& fileName) const;
    // Appends the file's entries; they count as closed. A file that is there but cannot be read
    // whole (it cannot be opened, is no regular file, or is not whole) is kept: it is never
    // written over, and the first save to it moves it aside (MoveAside in datafile.h). What a
    // save in place leaves when it is cut off between its records and its count is whole: one
    // complete record past the count (it loads too), or a count one past the records there are.
    TLoadResult LoadFromFile(const std::string& fileName);
    const TSaveInfo& LastSave() const { return FLastSave; }

    // The file kept by the last load, until a save moves it aside; empty when none.
    const std::string& KeptFile() const { return FKeptFile; }
    // Where a kept file went, once after a save moved it; empty otherwise.
    std::string TakeMovedAside() const { return std::exchange(FMovedAside, {}); }

    // For tests and the file reader: append as read, without the blank rule.
    void AppendLoaded(TEntry entry) {
        FItems.push_back(std::move(entry));
        FLastOpen = false;
        Changed();
    }
    void Reserve(std::size_t n) { FItems.reserve(n); }
    // The same for every entry of another list, which is left empty: into an empty list the
    // entries move without a copy.
    void AppendLoaded(TActivityList&& other);

private:
    // What the data file held after this list's last save or whole load.
    struct TDiskImage {
        bool Valid = false;
        std::string FileName;
        std::int32_t Count = 0;       // the records there are
        std::int32_t HeadCount = 0;   // the count in the file: Count but after a cut-off save
        std::uint64_t Size = 0;       // the file ends right after the last record
        std::uint64_t LastOffset = 0; // where the last record starts
        std::string LastRecord;       // its bytes, Duration included
        std::uint64_t Device = 0, Inode = 0;
    };
    void Changed();
    // What a save in place writes: every change; only the running entry past the last entry on
    // disk; only that entry's Duration.
    enum class EInPlace { All, RunningOnly, DurationOnly };
    bool SaveInPlace(const std::string& fileName, EInPlace part) const;
    void SaveWhole(const std::string& fileName) const;

    std::vector<TEntry> FItems;
    bool FLastOpen = false;
    std::uint64_t FVersion = 0;
    mutable TDiskImage FDisk;
    mutable TSaveInfo FLastSave;
    // Not what this list holds but what the disk does, so a const save may update them.
    mutable std::string FKeptFile;
    mutable std::string FMovedAside;
};

} // namespace orvane
