// The binary data file: a signed 32-bit count, then the records back to back, little-endian:
// length + bytes of Process, length + bytes of Caption, Start (double), Duration (double).
#pragma once

#include "recorder/datetime.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace orvane {

// An operation on a file failed; the message is the one shown to the user.
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A save refused: the file there could not be read, and it could not be moved aside either, so
// nothing may be written over it.
class EFileKept : public EFileError {
public:
    using EFileError::EFileError;
};

// Buffered writer to an open file descriptor; throws EFileError("Stream write error").
class TByteWriter {
public:
    explicit TByteWriter(int fd) : FFd(fd) {}
    ~TByteWriter() = default;
    void Write(const void* data, std::size_t size);
    void WriteInt32(std::int32_t value);
    void WriteDouble(double value);
    void Flush();
    std::uint64_t Written() const { return FWritten; }
    std::uint64_t Position() const { return FWritten + FBuffer.size(); } // flushed or not

private:
    int FFd;
    std::string FBuffer;
    std::uint64_t FWritten = 0;
};

// Buffered reader that knows how many bytes are left; Read* return false at the end of the file.
class TByteReader {
public:
    TByteReader(int fd, std::uint64_t size) : FFd(fd), FLeft(size) {}
    bool Read(void* data, std::size_t size);
    bool ReadInt32(std::int32_t& value);
    bool ReadDouble(double& value);
    std::uint64_t Left() const { return FLeft; }

private:
    bool Fill();
    int FFd;
    std::uint64_t FLeft; // bytes of the file not yet handed out
    std::string FBuffer;
    std::size_t FPos = 0;
};

// False (text unchanged) when the length is negative, larger than what is left of the file, or
// the file ends inside the text; so a hostile length never allocates more than the file holds.
bool ReadCountedString(TByteReader& stream, std::string& text);

// "Cannot create file "%s". %s" and "Cannot open file "%s". %s" with the system's reason.
std::string CannotCreateMessage(const std::string& fileName, int error);
std::string CannotOpenMessage(const std::string& fileName, int error);
std::string CannotOpenMessage(const std::string& fileName, const std::string& reason);
std::string SystemErrorText(int error);

// Opens a file for reading without ever waiting: a FIFO, a device or a folder gives the "Cannot
// open file" error instead of an open that blocks. Returns the descriptor and sets size; throws
// EFileError, after setting *missing to whether nothing at all is there.
int OpenRegularFile(const std::string& fileName, std::uint64_t& size, bool* missing = nullptr);
int CloseRegularFile(int fd);
// Reads bytes.size() bytes at offset; false when the file ends before or the read fails.
bool ReadBytesAt(int fd, std::uint64_t offset, std::string& bytes);
// The device and file number of an open file, for telling a rewritten file from the one it
// replaced; both 0 where the system has no stable file number.
void FileNumber(int fd, std::uint64_t& device, std::uint64_t& inode);

// Moves a file that could not be read whole out of the way, next to it (next to a link's target),
// as "<name>.damaged-YYYYMMDD-HHMMSS" in local time ("-2", "-3" ... when that name is taken). The
// file keeps its bytes and its mode; the program never deletes it. With keepName, the new name is
// a second one (a hard link) where the system allows it, so that the file stays in its place until
// a successor is renamed over it. Returns the new path, or an empty one when nothing is there any
// more; throws EFileError with the system's reason when the file cannot be moved.
std::string MoveAside(const std::string& fileName, TDateTime now, bool keepName = false);

// For the crash tests: called with a step number between the writes of a save, so that a test
// can end the process at each of them. Not set in the program.
extern void (*SaveStepHook)(int step);

// Creates a folder and its missing parents, readable by the user only; true when it exists.
bool CreateFolderPath(const std::string& path);

} // namespace orvane
