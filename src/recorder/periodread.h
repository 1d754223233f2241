// Reading only a period of the record, with a small index beside it.
//
// Entries are written in start order (a clock stepped back aside). The index keeps, for every
// block of IndexBlockEntries entries, where the block starts in the file, its first start and the
// latest end of its entries, so that a period is read from the blocks that may reach into it. The
// index is a cache: one that does not match the record (rewritten, another file, damaged) is
// rebuilt, never trusted; one behind a record that grew is brought up to date; without one the
// whole record is read, with the same entries in the period.
#pragma once

#include "recorder/activitylist.h"

#include <string>

namespace orvane {

constexpr int IndexBlockEntries = 4096;

// The index of a record: FILE.idx beside it.
std::string PeriodIndexFile(const std::string& recordFile);
// After entries were forgotten: the index keeps some of their times until it is rebuilt.
void RemovePeriodIndex(const std::string& recordFile);

// How LoadPeriodFromFile went: for the tests and the benchmarks.
struct TPeriodReadInfo {
    bool UsedIndex = false;  // only part of the record was read
    bool WroteIndex = false; // the index was written (built anew or brought up to date)
    bool OutOfOrder = false; // the record is not in start order, so it was read whole
};

// Appends to list (empty) the entries of fileName that may have time in [from, to] (local times,
// as stored) and always the record's last entry, the running one, in the record's order: those at
// least, maybe more. With an index that matches the record (indexFile, when not empty), only the
// blocks that reach into the period and the last one are read. Otherwise the whole record is read
// by LoadFromFile, with its result and its errors, and the index is written anew beside it
// (temporary file and rename; a failure to write it is no error). A record that is not whole is
// always read whole, so that its damage is reported as without an index.
TLoadResult LoadPeriodFromFile(const std::string& fileName, const std::string& indexFile,
                               TDateTime from, TDateTime to, TActivityList& list,
                               TPeriodReadInfo* info = nullptr);

} // namespace orvane
