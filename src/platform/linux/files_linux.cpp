#include "platform/fileio.h"
#include "platform/filepath.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace orvane {

std::filesystem::path PathOf(const std::string& fileName) {
    return std::filesystem::path(fileName);
}

std::string PathText(const std::filesystem::path& path) {
    return path.string();
}

bool RemoveFile(const std::string& fileName) {
    return std::remove(fileName.c_str()) == 0;
}

namespace platform {

namespace {
EFileKind KindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return EFileKind::Regular;
    if (S_ISDIR(mode)) return EFileKind::Folder;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return EFileKind::Device;
    return EFileKind::Other;
}
} // namespace

int OpenForWrite(const std::string& path, bool privateFile) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                  privateFile ? 0600 : 0666);
}
// Non-blocking, so that a FIFO in the file's place cannot stall the open; regular files ignore it.
int OpenForRead(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}
long long WriteSome(int fd, const char* p, std::size_t n) {
    return ::write(fd, p, n);
}
long long ReadSome(int fd, char* p, std::size_t n) {
    return ::read(fd, p, n);
}
int OpenForUpdate(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_CLOEXEC);
}
long long WriteAt(int fd, std::uint64_t offset, const char* p, std::size_t n) {
    return ::pwrite(fd, p, n, static_cast<off_t>(offset));
}
long long ReadAt(int fd, std::uint64_t offset, char* p, std::size_t n) {
    return ::pread(fd, p, n, static_cast<off_t>(offset));
}
int SyncFile(int fd) {
    return ::fsync(fd);
}
int SyncData(int fd) {
    return ::fdatasync(fd);
}
int TruncateFile(int fd, std::uint64_t size) {
    return ::ftruncate(fd, static_cast<off_t>(size));
}
int CloseFile(int fd) {
    return ::close(fd);
}
bool IdentityOf(int fd, TFileIdentity& id) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    id.Size = static_cast<std::uint64_t>(st.st_size);
    id.Device = static_cast<std::uint64_t>(st.st_dev);
    id.Inode = static_cast<std::uint64_t>(st.st_ino);
    id.Kind = KindOfMode(st.st_mode);
    return true;
}
bool KindOf(const std::string& path, EFileKind& kind) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    kind = KindOfMode(st.st_mode);
    return true;
}
void CopyPermissions(int fd, const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd, st.st_mode & 07777);
}
bool MoveOver(const std::string& from, const std::string& to, int& error) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    error = errno;
    return false;
}
void SyncFolder(const std::string& file) {
    // Makes the rename itself durable.
    std::filesystem::path folder = PathOf(file).parent_path();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
bool MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0700) == 0;
}

} // namespace platform

} // namespace orvane
