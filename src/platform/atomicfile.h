// The one way a file is replaced: written beside its target under a name of its own, flushed to
// the disk, and renamed over the target in one step. A crash, a kill or a full disk at any moment
// leaves the old file or the new one, never a mix and never none; a failure is reported and the
// old file stays as it was. A symbolic link is followed, so that its target is replaced and the
// link stays a link. A device in the file's place is written into. No Qt here (the recorder core
// uses it). The data file's save in place is the one write that goes elsewhere
// (recorder/datafile.cpp).
#pragma once

#include <cstddef>
#include <streambuf>
#include <string>
#include <string_view>

namespace orvane {

// The file a save writes: a symbolic link is followed to its target (a dangling one too), so that
// the save replaces the target and the link stays a link.
std::string SaveTarget(const std::string& fileName);

// Temporary files of saves that never finished (their process was killed): "<name>.<pid>.tmp"
// beside the file, left by a process that is gone.
void RemoveStaleTemporaries(const std::string& fileName);

namespace platform {

class TAtomicFile {
public:
    enum class EAccess {
        AsBefore, // the permissions of the file replaced; a new one gets the user's defaults
        Private,  // readable by the user alone
    };
    explicit TAtomicFile(std::string fileName, EAccess access = EAccess::AsBefore);
    // Without Replace, the temporary file goes again: the target is left as it was.
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Where the folder lets no new file be made but the file itself may be written, the file is
    // written in its place instead (not safe from a crash, but saved at all).
    void AllowWriteInPlace() { FInPlaceAllowed = true; }

    // Each step returns false on a failure, with Error() set; later steps then do nothing.
    // Creates the temporary file "<target>.<pid>.tmp".
    bool Open();
    bool Write(const void* data, std::size_t size);
    bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    bool Sync();
    bool Close();
    // Renames the file over the target and makes the rename durable.
    bool Replace();
    // Sync, Close and Replace.
    bool Commit();
    // Closes and removes the temporary file.
    void Discard();

    int Descriptor() const { return FFd; }
    // The errno value of the first failure.
    int Error() const { return FError; }
    const std::string& Target() const { return FTarget; }

private:
    bool Fail(int error);
    std::string FFileName, FTarget, FTemp;
    EAccess FAccess;
    bool FInPlaceAllowed = false, FInPlace = false, FDevice = false, FReplaced = false;
    int FFd = -1;
    int FError = 0;
};

// A TAtomicFile as the buffer of a std::ostream: the stream goes bad once a write fails.
class TAtomicFileBuffer final : public std::streambuf {
public:
    explicit TAtomicFileBuffer(TAtomicFile& file);
    ~TAtomicFileBuffer() override = default;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    TAtomicFile& FFile;
    std::string FBuffer;
};

// Replaces fileName with bytes; false (error set to the errno value) leaves the file as it was.
bool WriteFileAtomically(const std::string& fileName, std::string_view bytes, int& error,
                         TAtomicFile::EAccess access = TAtomicFile::EAccess::AsBefore);

} // namespace platform

} // namespace orvane
