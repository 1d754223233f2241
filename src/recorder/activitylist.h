// The activity record: entries oldest first, the last one being the running entry.
#pragma once

#include "recorder/datetime.h"
#include "recorder/text.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

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

class TActivityList {
public:
    TActivityList() = default;
    TActivityList(const TActivityList&) = delete;
    TActivityList& operator=(const TActivityList&) = delete;
    TActivityList(TActivityList&&) = default;
    TActivityList& operator=(TActivityList&&) = default;

    int Count() const { return static_cast<int>(FItems.size()); }
    const TEntry& Items(int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    TEntry& Items(int index) { return FItems.at(static_cast<std::size_t>(index)); }
    const TEntry& operator[](int index) const { return FItems[static_cast<std::size_t>(index)]; }
    const std::vector<TEntry>& Entries() const { return FItems; }

    // Appends an entry unless the process name is blank. The new entry is the running one.
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

    // The data file. Save replaces the file atomically; see datafile.h for the errors.
    void SaveToFile(const std::string& fileName) const;
    // Appends the file's entries; they count as closed.
    void LoadFromFile(const std::string& fileName);

    // For tests and the file reader: append as read, without the blank rule.
    void AppendLoaded(TEntry entry) {
        FItems.push_back(std::move(entry));
        FLastOpen = false;
    }
    void Reserve(std::size_t n) { FItems.reserve(n); }

private:
    std::vector<TEntry> FItems;
    bool FLastOpen = false;
};

} // namespace orvane
