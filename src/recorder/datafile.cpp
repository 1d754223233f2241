#include "recorder/datafile.h"

#include "recorder/activitylist.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace orvane {

namespace {

constexpr std::size_t BufferSize = 1 << 20;

#ifdef _WIN32
int OpenForWrite(const std::string& path) {
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                 _S_IREAD | _S_IWRITE);
}
int OpenForRead(const std::string& path) {
    return _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
long long WriteSome(int fd, const char* p, std::size_t n) {
    return _write(fd, p, static_cast<unsigned>(n > 0x40000000 ? 0x40000000 : n));
}
long long ReadSome(int fd, char* p, std::size_t n) {
    return _read(fd, p, static_cast<unsigned>(n > 0x40000000 ? 0x40000000 : n));
}
int SyncFile(int fd) { return _commit(fd); }
int CloseFile(int fd) { return _close(fd); }
int CurrentPid() { return _getpid(); }
bool ReplaceFile(const std::string& from, const std::string& to, int& error) {
    if (MoveFileExA(from.c_str(), to.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = EACCES;
    return false;
}
void SyncFolder(const std::string&) {}
#else
int OpenForWrite(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
}
int OpenForRead(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }
long long WriteSome(int fd, const char* p, std::size_t n) { return ::write(fd, p, n); }
long long ReadSome(int fd, char* p, std::size_t n) { return ::read(fd, p, n); }
int SyncFile(int fd) { return ::fsync(fd); }
int CloseFile(int fd) { return ::close(fd); }
int CurrentPid() { return static_cast<int>(::getpid()); }
bool ReplaceFile(const std::string& from, const std::string& to, int& error) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    error = errno;
    return false;
}
void SyncFolder(const std::string& file) {
    // Makes the rename itself durable.
    std::string folder = std::filesystem::path(file).parent_path().string();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
#endif

// Little-endian on every platform we build for; keep the byte order explicit anyway.
void PutInt32(char* p, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}
std::int32_t GetInt32(const unsigned char* p) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return static_cast<std::int32_t>(u);
}
void PutDouble(char* p, double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i) p[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}
double GetDouble(const unsigned char* p) {
    std::uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    double v;
    std::memcpy(&v, &u, 8);
    return v;
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
    return "Cannot open file \"" + fileName + "\". " + SystemErrorText(error);
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

void WriteCountedString(TByteWriter& stream, const std::string& text) {
    if (text.size() > 0x7FFFFFFF) throw EFileError("Stream write error");
    stream.WriteInt32(static_cast<std::int32_t>(text.size()));
    stream.Write(text.data(), text.size());
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
    const std::filesystem::path p(path);
    if (std::filesystem::is_directory(p, ec)) return true;
    const std::filesystem::path parent = p.parent_path();
    if (!parent.empty() && parent != p && !std::filesystem::is_directory(parent, ec))
        CreateFolderPath(parent.string());
#ifdef _WIN32
    ::_mkdir(path.c_str());
#else
    ::mkdir(path.c_str(), 0700);
#endif
    return std::filesystem::is_directory(p, ec);
}

void TActivityList::SaveToFile(const std::string& fileName) const {
    if (FItems.size() > 0x7FFFFFFF) throw EFileError("Stream write error");
    // Written beside the data file and renamed over it, so that a crash or a full disk never
    // leaves a damaged record behind.
    const std::string temp = fileName + "." + std::to_string(CurrentPid()) + ".tmp";
    const int fd = OpenForWrite(temp);
    if (fd < 0) throw EFileError(CannotCreateMessage(fileName, errno));
    try {
        TByteWriter out(fd);
        out.WriteInt32(static_cast<std::int32_t>(FItems.size()));
        for (const TEntry& e : FItems) {
            WriteCountedString(out, e.Process);
            WriteCountedString(out, e.Caption);
            out.WriteDouble(e.Start);
            out.WriteDouble(e.Duration);
        }
        out.Flush();
        if (SyncFile(fd) != 0) throw EFileError("Stream write error");
    } catch (...) {
        CloseFile(fd);
        std::remove(temp.c_str());
        throw;
    }
    if (CloseFile(fd) != 0) {
        std::remove(temp.c_str());
        throw EFileError("Stream write error");
    }
    int error = 0;
    if (!ReplaceFile(temp, fileName, error)) {
        std::remove(temp.c_str());
        throw EFileError(CannotCreateMessage(fileName, error));
    }
    SyncFolder(fileName);
}

void TActivityList::LoadFromFile(const std::string& fileName) {
    const int fd = OpenForRead(fileName);
    if (fd < 0) throw EFileError(CannotOpenMessage(fileName, errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || (st.st_mode & S_IFMT) != S_IFREG) {
        const int error = errno ? errno : EISDIR;
        CloseFile(fd);
        throw EFileError(CannotOpenMessage(fileName, error));
    }
    TByteReader in(fd, static_cast<std::uint64_t>(st.st_size));
    std::int32_t count = 0;
    if (!in.ReadInt32(count)) {
        CloseFile(fd);
        throw EFileError("Stream read error");
    }
    // A record takes at least 24 bytes: never reserve more than the file can hold.
    if (count > 0) FItems.reserve(FItems.size() + std::min<std::uint64_t>(
                                                      static_cast<std::uint64_t>(count),
                                                      in.Left() / 24));
    std::string process, caption;
    for (std::int32_t i = 0; i < count; ++i) {
        TEntry e;
        if (!ReadCountedString(in, process) || !ReadCountedString(in, caption) ||
            !in.ReadDouble(e.Start) || !in.ReadDouble(e.Duration))
            break; // damage: keep what was read before it
        e.Process = TText(process);
        e.Caption = TText(caption);
        FItems.push_back(e);
    }
    FLastOpen = false;
    CloseFile(fd);
}

} // namespace orvane
