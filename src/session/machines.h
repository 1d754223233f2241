// The machines of a shared folder: each computer records into a file of its own, NAME.cdat, in a
// folder that a sync tool carries between them, and every view reads all of those files merged.
// A machine writes only its own file, never another's, whatever happens to that one.
#pragma once

#include "recorder/activitylist.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// A host name made safe as a file name on every system: letters, digits, '-', '_' and '.' stay,
// anything else becomes '_'; no leading dot, at most 64 bytes; "machine" when nothing is left.
std::string SafeMachineName(std::string_view name);
// The system's host name (unchecked).
std::string HostName();
// This machine's name: $ORVANE_MACHINE, else the configured one ([Machines] Name=), else the host
// name; made safe.
std::string MachineName(const std::string& configured);

// What a file of the shared folder is.
enum class EFolderFile {
    Record,   // NAME.cdat: a machine's record
    Conflict, // NAME.sync-conflict-....cdat: two machines wrote one name
    Ignored,  // the sync tool's temporaries, our own temporaries, anything else
};
EFolderFile ClassifyFolderFile(std::string_view fileName);
// The machine a record or conflict copy belongs to: the name before ".cdat" or ".sync-conflict-".
std::string MachineOfFile(std::string_view fileName);

// One machine's file as last read.
// How joining a shared folder went.
struct TJoinResult {
    enum class EState {
        Ready,   // the own file is there and this machine wrote it
        Copied,  // there was none: the local record was copied there (or an empty one started)
        NotOurs, // a file of that name is there and this machine did not write it
        Failed,  // the folder cannot be used (Message says why)
    } State = EState::Failed;
    std::string Message;
};

struct TMachineRecord {
    std::string Machine;
    std::string Path;
    bool Own = false;
    std::string Error; // could not be read at all (the entries are then empty)
    TLoadResult Load;  // Load.Whole false: damaged, read up to the damage
    std::uint64_t Size = 0;
    std::int64_t Changed = 0; // last modification, nanoseconds since the epoch
    std::shared_ptr<const TActivityList> List;
    bool Damaged() const { return !Error.empty() || !Load.Whole; }
};

class TMachineFolder {
public:
    TMachineFolder(std::string folder, std::string ownName);

    const std::string& Folder() const { return FFolder; }
    const std::string& OwnName() const { return FOwnName; }
    // This machine's record: FOLDER/NAME.cdat.
    std::string OwnFile() const;

    // Looks at the folder again: new record files are read, changed ones (size or time) read
    // again, gone ones dropped. A file that changes while it is read keeps its previous contents
    // until a later call finds it still. The own file is read only with readOwn (the recorder
    // holds it in memory). True when anything a view shows changed.
    bool Refresh(bool readOwn);
    const std::vector<TMachineRecord>& Records() const { return FRecords; }
    // Conflict copies in the folder, and those not yet handed out by TakeNewConflicts.
    const std::vector<std::string>& Conflicts() const { return FConflicts; }
    std::vector<std::string> TakeNewConflicts();
    // Files found damaged since the last call, each once until it changes again.
    std::vector<std::string> TakeNewDamaged();

    // Makes FOLDER/NAME.cdat this machine's record. claimFile (in the local data folder) lists
    // the files this machine made its own, so that a file of the same name that came from another
    // machine is told apart. The local record is copied, never moved.
    TJoinResult Join(const std::string& localRecord, const std::string& claimFile);
    bool Joined() const { return FJoined; }

    // Whether this machine may write that path: anything outside the folder, and inside it only
    // its own record once joined, that record's own temporaries and the ignore file.
    bool MayWrite(const std::string& path) const;
    // Throws EFileError when it may not.
    void CheckWrite(const std::string& path) const;

private:
    std::string FFolder;
    std::string FOwnName;
    bool FJoined = false;
    std::vector<TMachineRecord> FRecords;
    std::vector<std::string> FConflicts;
    std::vector<std::string> FConflictsTold;
    std::vector<std::string> FDamagedNew;
};

// The entries of several lists as one, ordered by start (entries of equal start keep the order of
// the lists). Entries keep the local time of the machine that recorded them.
void MergeLists(const std::vector<const TActivityList*>& lists, TActivityList& into);
// MergeLists of one list, which is left empty: a list in order already moves over without a copy.
void MergeList(TActivityList&& list, TActivityList& into);

// Saves the own record through the rule above: throws before writing anything that is not ours.
void SaveMachineRecord(const TMachineFolder& folder, const TActivityList& list,
                       const std::string& fileName);

// The sync tool's ignore file, so that only the records travel (not the temporaries of a save, a
// damaged record moved aside, or anything else). Written when there is none: in a folder of
// records alone, everything but the records is left out (IgnoreAllButRecords); in a folder that
// holds other files too, which must go on travelling, only what this program leaves beside a
// record (IgnoreOwnFiles). When there is one without either, returns the lines to add to it
// (empty when nothing is to be done).
extern const char* const IgnoreAllButRecords;
extern const char* const IgnoreOwnFiles;
std::string WriteIgnoreFile(const std::string& folder);

} // namespace orvane
