// The binary data file: a signed 32-bit count, then the records back to back, little-endian:
// length + bytes of Process, length + bytes of Caption, Start (double), Duration (double).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace orvane {

// An operation on a file failed; the message is the one shown to the user.
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
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
    std::uint64_t FLeft;       // bytes of the file not yet handed out
    std::string FBuffer;
    std::size_t FPos = 0;
};

// False (text unchanged) when the length is negative, larger than what is left of the file, or
// the file ends inside the text; so a hostile length never allocates more than the file holds.
bool ReadCountedString(TByteReader& stream, std::string& text);

// "Cannot create file "%s". %s" and "Cannot open file "%s". %s" with the system's reason.
std::string CannotCreateMessage(const std::string& fileName, int error);
std::string CannotOpenMessage(const std::string& fileName, int error);
std::string SystemErrorText(int error);

// For the crash tests: called with a step number between the writes of a save, so that a test
// can end the process at each of them. Not set in the program.
extern void (*SaveStepHook)(int step);

// Creates a folder and its missing parents, readable by the user only; true when it exists.
bool CreateFolderPath(const std::string& path);

} // namespace orvane
