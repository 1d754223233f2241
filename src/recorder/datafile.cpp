#include "recorder/datafile.h"

#include "platform/atomicfile.h"
#include "platform/fileio.h"
#include "platform/filepath.h"
#include "recorder/activitylist.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace orvane {

namespace {

using platform::CloseFile;
using platform::IdentityOf;
using platform::OpenForRead;
using platform::OpenForUpdate;
using platform::ReadAt;
using platform::ReadSome;
using platform::SyncData;
using platform::SyncFolder;
using platform::TruncateFile;
using platform::WriteAt;
using platform::WriteSome;
using TIdentity = platform::TFileIdentity;

constexpr std::size_t BufferSize = 1 << 20;

// Little-endian on every platform we build for; keep the byte order explicit anyway.
void PutInt32(char* p, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}
std::int32_t GetInt32(const unsigned char* p) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return static_cast<std::int32_t>(u);
}
void PutDouble(char* p, double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}
double GetDouble(const unsigned char* p) {
    std::uint64_t u = 0;
    for (int i = 0; i < 8; ++i)
        u |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    double v;
    std::memcpy(&v, &u, 8);
    return v;
}

// The bytes of one record, appended to out.
void AppendRecord(std::string& out, const TEntry& e) {
    const std::string& process = e.Process;
    const std::string& caption = e.Caption;
    if (process.size() > 0x7FFFFFFF || caption.size() > 0x7FFFFFFF)
        throw EFileError("Stream write error");
    char b[8];
    PutInt32(b, static_cast<std::int32_t>(process.size()));
    out.append(b, 4);
    out.append(process);
    PutInt32(b, static_cast<std::int32_t>(caption.size()));
    out.append(b, 4);
    out.append(caption);
    PutDouble(b, e.Start);
    out.append(b, 8);
    PutDouble(b, e.Duration);
    out.append(b, 8);
}

bool WriteAllAt(int fd, std::uint64_t offset, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long long n = WriteAt(fd, offset + done, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAllAt(int fd, std::uint64_t offset, std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long long n = ReadAt(fd, offset + done, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

void (*SaveStepHook)(int step) = nullptr;

namespace {
void Step(int step) {
    if (SaveStepHook) SaveStepHook(step);
}
} // namespace

std::string SystemErrorText(int error) {
    const char* text = std::strerror(error);
    return text ? text : "Unknown error";
}

std::string CannotCreateMessage(const std::string& fileName, int error) {
    return "Cannot create file \"" + fileName + "\". " + SystemErrorText(error);
}

std::string CannotOpenMessage(const std::string& fileName, int error) {
    return CannotOpenMessage(fileName, SystemErrorText(error));
}

std::string CannotOpenMessage(const std::string& fileName, const std::string& reason) {
    return "Cannot open file \"" + fileName + "\". " + reason;
}

int OpenRegularFile(const std::string& fileName, std::uint64_t& size, bool* missing) {
    if (missing) *missing = false;
    const int fd = OpenForRead(fileName);
    if (fd < 0) {
        const int error = errno;
        if (missing) *missing = error == ENOENT || error == ENOTDIR;
        throw EFileError(CannotOpenMessage(fileName, error));
    }
    TIdentity id;
    if (!IdentityOf(fd, id)) {
        const int error = errno;
        CloseFile(fd);
        throw EFileError(CannotOpenMessage(fileName, error));
    }
    if (id.Kind != platform::EFileKind::Regular) {
        CloseFile(fd);
        throw EFileError(CannotOpenMessage(fileName, id.Kind == platform::EFileKind::Folder
                                                         ? SystemErrorText(EISDIR)
                                                         : std::string("Not a regular file")));
    }
    size = id.Size;
    return fd;
}

bool ReadBytesAt(int fd, std::uint64_t offset, std::string& bytes) {
    return ReadAllAt(fd, offset, bytes);
}

void FileNumber(int fd, std::uint64_t& device, std::uint64_t& inode) {
    TIdentity id;
    if (!IdentityOf(fd, id)) id = {};
    device = id.Device;
    inode = id.Inode;
}

int CloseRegularFile(int fd) {
    return CloseFile(fd);
}

std::string MoveAside(const std::string& fileName, TDateTime now, bool keepName) {
    namespace fs = std::filesystem;
    const fs::path from = PathOf(SaveTarget(fileName));
    std::error_code ec;
    if (fs::symlink_status(from, ec).type() == fs::file_type::not_found)
        return {}; // gone meanwhile: nothing left to keep
    const TCalendar c = DecodeDateTime(now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, ".damaged-%04d%02d%02d-%02d%02d%02d", c.Year, c.Month, c.Day,
                  c.Hour, c.Minute, c.Second);
    for (int n = 1; n < 1000; ++n) {
        fs::path to = from;
        to += stamp;
        if (n > 1) to += "-" + std::to_string(n);
        if (fs::symlink_status(to, ec).type() != fs::file_type::not_found) continue;
        ec.clear();
        if (keepName) fs::create_hard_link(from, to, ec);
        if (!keepName || ec) {
            ec.clear();
            fs::rename(from, to, ec);
        }
        if (ec) throw EFileError(ec.message());
        const std::string moved = PathText(to);
        SyncFolder(moved);
        return moved;
    }
    throw EFileError(SystemErrorText(EEXIST));
}

void TByteWriter::Write(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    if (FBuffer.size() + size > BufferSize) Flush();
    if (size >= BufferSize) {
        while (size > 0) {
            const long long n = WriteSome(FFd, p, size);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) continue;
                throw EFileError("Stream write error");
            }
            p += n;
            size -= static_cast<std::size_t>(n);
            FWritten += static_cast<std::uint64_t>(n);
        }
        return;
    }
    FBuffer.append(p, size);
}

void TByteWriter::WriteInt32(std::int32_t value) {
    char b[4];
    PutInt32(b, value);
    Write(b, 4);
}

void TByteWriter::WriteDouble(double value) {
    char b[8];
    PutDouble(b, value);
    Write(b, 8);
}

void TByteWriter::Flush() {
    const char* p = FBuffer.data();
    std::size_t left = FBuffer.size();
    while (left > 0) {
        const long long n = WriteSome(FFd, p, left);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            FBuffer.clear();
            throw EFileError("Stream write error");
        }
        p += n;
        left -= static_cast<std::size_t>(n);
        FWritten += static_cast<std::uint64_t>(n);
    }
    FBuffer.clear();
}

bool TByteReader::Fill() {
    if (FPos < FBuffer.size()) return true;
    if (FLeft == 0) return false;
    FBuffer.resize(static_cast<std::size_t>(FLeft < BufferSize ? FLeft : BufferSize));
    std::size_t got = 0;
    while (got < FBuffer.size()) {
        const long long n = ReadSome(FFd, FBuffer.data() + got, FBuffer.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    FBuffer.resize(got);
    FPos = 0;
    if (got == 0) {
        FLeft = 0; // the file shrank under us
        return false;
    }
    return true;
}

bool TByteReader::Read(void* data, std::size_t size) {
    char* out = static_cast<char*>(data);
    if (size > FLeft + (FBuffer.size() - FPos)) return false;
    while (size > 0) {
        if (!Fill()) return false;
        const std::size_t take = std::min(size, FBuffer.size() - FPos);
        std::memcpy(out, FBuffer.data() + FPos, take);
        FPos += take;
        FLeft -= take;
        out += take;
        size -= take;
    }
    return true;
}

bool TByteReader::ReadInt32(std::int32_t& value) {
    unsigned char b[4];
    if (!Read(b, 4)) return false;
    value = GetInt32(b);
    return true;
}

bool TByteReader::ReadDouble(double& value) {
    unsigned char b[8];
    if (!Read(b, 8)) return false;
    value = GetDouble(b);
    return true;
}

bool ReadCountedString(TByteReader& stream, std::string& text) {
    std::int32_t length = 0;
    if (!stream.ReadInt32(length)) return false;
    if (length < 0 || static_cast<std::uint64_t>(length) > stream.Left()) return false;
    std::string value(static_cast<std::size_t>(length), '\0');
    if (!stream.Read(value.data(), value.size())) return false;
    text = std::move(value);
    return true;
}

bool CreateFolderPath(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    const std::filesystem::path p = PathOf(path);
    if (std::filesystem::is_directory(p, ec)) return true;
    const std::filesystem::path parent = p.parent_path();
    if (!parent.empty() && parent != p && !std::filesystem::is_directory(parent, ec))
        CreateFolderPath(PathText(parent));
    platform::MakeFolder(path);
    return std::filesystem::is_directory(p, ec);
}

std::string TLoadResult::Where() const {
    if (Whole) return {};
    const std::string size = " of " + std::to_string(Size);
    if (Count < 0)
        return "stopped before entry 1: the count " + std::to_string(Count) + " is negative";
    if (Loaded < Count)
        return "stopped at entry " + std::to_string(Loaded + 1) + " of " + std::to_string(Count) +
               ", at byte " + std::to_string(StopOffset) + size;
    return "its " + std::to_string(Count) + " entries end at byte " + std::to_string(StopOffset) +
           size + "; the bytes after them were not read";
}

void TActivityList::SaveToFile(const std::string& fileName) const {
    if (FItems.size() > 0x7FFFFFFF) throw EFileError("Stream write error");
    if (FKeptFile != fileName) {
        if (!SaveInPlace(fileName, EInPlace::All)) SaveWhole(fileName);
        return;
    }
    try {
        SaveWhole(fileName);
    } catch (const EFileError& e) {
        if (FKeptFile != fileName) throw; // moved aside; only the new file failed
        throw EFileKept("\"" + fileName + "\" could not be read, and nothing is written over it " +
                        "until it can be moved aside (" + e.what() + ")");
    }
}

// Writes only what changed since the last save, when that is safe; false to have the whole file
// written instead. Throws when the file took part of the change and refused the rest.
bool TActivityList::SaveInPlace(const std::string& fileName, EInPlace part) const {
    const TDiskImage& disk = FDisk;
    if (!disk.Valid || disk.FileName != fileName) return false;
    const auto count = static_cast<std::int32_t>(FItems.size());
    if (count < disk.Count) return false;

    // The entry that was last on disk: the same but for its Duration, which may have grown.
    std::string previous;
    if (disk.Count > 0) {
        AppendRecord(previous, FItems[static_cast<std::size_t>(disk.Count - 1)]);
        if (previous.size() != disk.LastRecord.size() ||
            previous.compare(0, previous.size() - 8, disk.LastRecord, 0,
                             disk.LastRecord.size() - 8) != 0)
            return false;
    }

    const int fd = OpenForUpdate(fileName);
    if (fd < 0) return false;
    // Still the file written last? Same size, same file, same count and the same last record.
    TIdentity id;
    std::string head(4, '\0'), last(disk.LastRecord.size(), '\0');
    if (!IdentityOf(fd, id) || id.Size != disk.Size || id.Device != disk.Device ||
        id.Inode != disk.Inode || !ReadAllAt(fd, 0, head) ||
        GetInt32(reinterpret_cast<const unsigned char*>(head.data())) != disk.HeadCount ||
        !ReadAllAt(fd, disk.LastOffset, last) || last != disk.LastRecord) {
        CloseFile(fd);
        return false;
    }

    // The entries appended: all that are new, the running one alone, or none.
    std::int32_t first = disk.Count;
    if (part == EInPlace::RunningOnly) first = std::max(disk.Count, count - 1);
    if (part == EInPlace::DurationOnly) first = count;
    std::string added;
    std::uint64_t lastOffset = disk.LastOffset;
    for (std::int32_t i = first; i < count; ++i) {
        lastOffset = disk.Size + added.size();
        AppendRecord(added, FItems[static_cast<std::size_t>(i)]);
    }
    const std::int32_t newCount = disk.Count + (count - first);
    // Entries left out between the disk's last one and the running one: the disk no longer holds
    // the start of the list.
    const bool prefix = first == disk.Count || added.empty();
    const bool durationChanged = !previous.empty() && previous != disk.LastRecord;
    const bool countChanged = newCount != disk.HeadCount;
    FLastSave = TSaveInfo{true, 0, 0};
    if (added.empty() && !durationChanged && !countChanged) {
        CloseFile(fd);
        return true;
    }

    // From here on the file differs from what was last written until the save completes.
    FDisk.Valid = false;
    bool ok = true, countWritten = false;
    auto writeCount = [&](std::int32_t value) {
        char b[4];
        PutInt32(b, value);
        countWritten = true;
        return WriteAllAt(fd, 0, std::string(b, 4));
    };
    if (disk.HeadCount != disk.Count) {
        // The file of a save cut off before its count: the count first, on the disk before
        // anything else, so that never more than the one record of a change is past it.
        ok = writeCount(disk.Count) && SyncData(fd) == 0;
        ++FLastSave.Flushes;
        if (ok) FDisk.HeadCount = disk.Count;
    }
    // One write at the end of the file (the running entry's Duration, the last bytes the count
    // covers, and the new records after it), the count, and one flush. A power cut may leave any
    // of the three on the disk without the others: the list before the change, its running entry
    // grown, one record past the count or the count one past the records. Each of them loads
    // whole and keeps every entry of the save before.
    std::string tail = durationChanged ? previous.substr(previous.size() - 8) : std::string();
    tail += added;
    Step(1);
    if (ok && !tail.empty()) ok = WriteAllAt(fd, disk.Size + added.size() - tail.size(), tail);
    Step(2);
    if (ok && newCount != disk.HeadCount) ok = writeCount(newCount);
    Step(3);
    if (ok) {
        ok = SyncData(fd) == 0;
        ++FLastSave.Flushes;
    }
    Step(4);
    if (!ok) {
        // Put back what the last save left (the appended bytes go, the Duration and the count
        // return), so that the next save can go in place again: when the disk is full, a
        // whole rewrite would need room for all of the record.
        bool restored = TruncateFile(fd, disk.Size) == 0;
        if (restored && durationChanged)
            restored =
                WriteAllAt(fd, disk.Size - 8, disk.LastRecord.substr(disk.LastRecord.size() - 8));
        if (restored && countWritten) restored = writeCount(disk.HeadCount);
        restored = restored && SyncData(fd) == 0;
        CloseFile(fd);
        FDisk.Valid = restored; // checked against the file again before the next save anyway
        throw EFileError("Stream write error");
    }
    if (CloseFile(fd) != 0) throw EFileError("Stream write error");

    FLastSave.BytesWritten = added.size() + (durationChanged ? 8 : 0) + (countChanged ? 4 : 0);
    if (!added.empty()) {
        FDisk.Size = disk.Size + added.size();
        FDisk.LastOffset = lastOffset;
        FDisk.LastRecord.clear();
        AppendRecord(FDisk.LastRecord, FItems.back());
    } else if (!previous.empty()) {
        FDisk.LastRecord = std::move(previous);
    }
    FDisk.Count = newCount;
    FDisk.HeadCount = newCount;
    FDisk.Valid = prefix;
    return true;
}

bool TActivityList::SaveRunningEntryInPlace(const std::string& fileName) const {
    if (FItems.size() > 0x7FFFFFFF) return false;
    try {
        return SaveInPlace(fileName, EInPlace::RunningOnly);
    } catch (const EFileError&) {
        // No room for even one record: the file is as before, and its last entry may still grow.
    }
    return SaveInPlace(fileName, EInPlace::DurationOnly);
}

void TActivityList::SaveWhole(const std::string& fileName) const {
    FDisk.Valid = false;
    // Written beside the data file and renamed over it, so that a crash or a full disk never
    // leaves a damaged record behind. Beside a link's target, so that the link stays.
    platform::TAtomicFile file(fileName, platform::TAtomicFile::EAccess::Private);
    if (!file.Open()) throw EFileError(CannotCreateMessage(fileName, file.Error()));
    const int fd = file.Descriptor();
    TDiskImage image;
    {
        TByteWriter out(fd);
        out.WriteInt32(static_cast<std::int32_t>(FItems.size()));
        std::string record;
        for (const TEntry& e : FItems) {
            record.clear();
            AppendRecord(record, e);
            image.LastOffset = out.Position();
            out.Write(record.data(), record.size());
        }
        Step(11);
        out.Flush();
        Step(12);
        if (!file.Sync()) throw EFileError("Stream write error");
        Step(13);
        image.FileName = fileName;
        image.Count = static_cast<std::int32_t>(FItems.size());
        image.HeadCount = image.Count;
        image.LastRecord = record;
        TIdentity id;
        image.Valid = IdentityOf(fd, id) && id.Size == out.Position();
        image.Size = id.Size;
        image.Device = id.Device;
        image.Inode = id.Inode;
        FLastSave = TSaveInfo{false, out.Written(), 1};
    }
    if (!file.Close()) throw EFileError("Stream write error");
    Step(14);
    if (!FKeptFile.empty() && FKeptFile == fileName) {
        // What could not be read goes aside only now that its successor is on the disk, and
        // under a second name where the system allows one: the record never goes missing.
        FMovedAside = MoveAside(fileName, Now(), true);
        FKeptFile.clear();
        Step(16);
    }
    if (!file.Replace()) throw EFileError(CannotCreateMessage(fileName, file.Error()));
    Step(15);
    FDisk = std::move(image);
    RemoveStaleTemporaries(file.Target());
}

TLoadResult TActivityList::LoadFromFile(const std::string& fileName) {
    std::uint64_t size = 0;
    int fd = -1;
    bool missing = false;
    try {
        fd = OpenRegularFile(fileName, size, &missing);
    } catch (const EFileError&) {
        // Unless nothing is there, something is that cannot be read: never write over it.
        if (!missing) FKeptFile = fileName;
        throw;
    }
    TLoadResult result;
    result.Size = size;
    TByteReader in(fd, size);
    std::int32_t count = 0;
    if (!in.ReadInt32(count)) {
        CloseFile(fd);
        FKeptFile = fileName;
        throw EFileError("Stream read error");
    }
    result.Count = count;
    const bool wasEmpty = FItems.empty();
    // A record takes at least 24 bytes: never reserve more than the file can hold.
    if (count > 0)
        FItems.reserve(FItems.size() +
                       std::min<std::uint64_t>(static_cast<std::uint64_t>(count), in.Left() / 24));
    std::string process, caption;
    auto readEntry = [&](TEntry& e) {
        if (!ReadCountedString(in, process) || !ReadCountedString(in, caption) ||
            !in.ReadDouble(e.Start) || !in.ReadDouble(e.Duration))
            return false;
        e.Process = TText(process);
        e.Caption = TText(caption);
        return true;
    };
    std::uint64_t lastOffset = 0, entryOffset = 4;
    std::int32_t read = 0;
    for (; read < count; ++read) {
        TEntry e;
        entryOffset = size - in.Left();
        if (!readEntry(e)) break; // damage: keep what was read before it
        lastOffset = entryOffset;
        FItems.push_back(e);
    }
    const std::uint64_t counted = size - in.Left();
    // A save in place cut off between its records and its count (a power cut; the writes may
    // reach the disk in any order) leaves one complete record past the count, or the count one
    // past the records that are there. Both are the list of a save, whole.
    bool interrupted = false;
    if (read == count && count >= 0 && count < 0x7FFFFFFF && in.Left() > 0) {
        TEntry e;
        if (readEntry(e) && in.Left() == 0) {
            interrupted = true;
            lastOffset = counted;
            FItems.push_back(e);
            ++read;
        }
    } else if (count > 0 && read == count - 1 && entryOffset == size) {
        interrupted = true;
    }
    FLastOpen = false;
    result.Loaded = read;
    result.Whole = interrupted || (read == count && count >= 0 && counted == size);
    result.StopOffset = read < count ? entryOffset : counted;
    // What was not read stays on disk until a save moves it aside.
    if (!result.Whole)
        FKeptFile = fileName;
    else if (FKeptFile == fileName)
        FKeptFile.clear();
    // A whole, undamaged file read into an empty list is what a save of it would write: the next
    // save may then go in place (and puts right the count of a cut-off save).
    FDisk.Valid = false;
    TIdentity id;
    if (wasEmpty && result.Whole && IdentityOf(fd, id) && id.Size == size) {
        FDisk.FileName = fileName;
        FDisk.Count = read;
        FDisk.HeadCount = count;
        FDisk.Size = size;
        FDisk.LastOffset = read > 0 ? lastOffset : 0;
        FDisk.LastRecord.clear();
        if (read > 0) AppendRecord(FDisk.LastRecord, FItems.back());
        FDisk.Device = id.Device;
        FDisk.Inode = id.Inode;
        FDisk.Valid = true;
    }
    CloseFile(fd);
    return result;
}

} // namespace orvane
