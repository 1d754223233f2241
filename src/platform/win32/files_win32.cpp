#include "platform/fileio.h"
#include "platform/win32/widepath.h"

#include <cerrno>
#include <cstdio>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>

namespace orvane {

std::wstring WidePath(const std::string& fileName) {
    if (fileName.empty()) return {};
    const int size = static_cast<int>(fileName.size());
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, fileName.data(), size, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, fileName.data(), size, result.data(), n);
    return result;
}

std::string Utf8FromWide(const wchar_t* text, std::size_t size) {
    if (size == 0) return {};
    const int length = static_cast<int>(size);
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), n, nullptr, nullptr);
    return result;
}

std::filesystem::path PathOf(const std::string& fileName) {
    return std::filesystem::path(WidePath(fileName));
}

std::string PathText(const std::filesystem::path& path) {
    return Utf8FromWide(path.native());
}

bool RemoveFile(const std::string& fileName) {
    return ::_wremove(WidePath(fileName).c_str()) == 0;
}

namespace platform {

namespace {
EFileKind KindOfMode(unsigned mode) {
    switch (mode & _S_IFMT) {
    case _S_IFREG:
        return EFileKind::Regular;
    case _S_IFDIR:
        return EFileKind::Folder;
    case _S_IFCHR:
        return EFileKind::Device;
    default:
        return EFileKind::Other;
    }
}
} // namespace

// The W calls throughout: the narrow ones read a name in the ANSI code page.
int OpenForWrite(const std::string& path, bool) {
    return _wopen(WidePath(path).c_str(),
                  _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}
int OpenForRead(const std::string& path) {
    return _wopen(WidePath(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
long long WriteSome(int fd, const char* p, std::size_t n) {
    return _write(fd, p, static_cast<unsigned>(n > 0x40000000 ? 0x40000000 : n));
}
long long ReadSome(int fd, char* p, std::size_t n) {
    return _read(fd, p, static_cast<unsigned>(n > 0x40000000 ? 0x40000000 : n));
}
int OpenForUpdate(const std::string& path) {
    return _wopen(WidePath(path).c_str(), _O_RDWR | _O_BINARY | _O_NOINHERIT);
}
long long WriteAt(int fd, std::uint64_t offset, const char* p, std::size_t n) {
    if (_lseeki64(fd, static_cast<long long>(offset), SEEK_SET) < 0) return -1;
    return WriteSome(fd, p, n);
}
long long ReadAt(int fd, std::uint64_t offset, char* p, std::size_t n) {
    if (_lseeki64(fd, static_cast<long long>(offset), SEEK_SET) < 0) return -1;
    return ReadSome(fd, p, n);
}
int SyncFile(int fd) {
    return _commit(fd);
}
int SyncData(int fd) {
    return _commit(fd);
}
int TruncateFile(int fd, std::uint64_t size) {
    return _chsize_s(fd, static_cast<long long>(size)) == 0 ? 0 : -1;
}
int CloseFile(int fd) {
    return _close(fd);
}
bool IdentityOf(int fd, TFileIdentity& id) {
    struct _stat64 st {};
    if (_fstat64(fd, &st) != 0) return false;
    id.Size = static_cast<std::uint64_t>(st.st_size);
    id.Kind = KindOfMode(st.st_mode);
    return true; // no stable file number here: the contents checks have to do
}
bool KindOf(const std::string& path, EFileKind& kind) {
    struct _stat64 st {};
    if (_wstat64(WidePath(path).c_str(), &st) != 0) return false;
    kind = KindOfMode(st.st_mode);
    return true;
}
void CopyPermissions(int, const std::string&) {}
bool MoveOver(const std::string& from, const std::string& to, int& error) {
    // One step, as rename does elsewhere: never a moment without the file.
    if (MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = EACCES;
    return false;
}
void SyncFolder(const std::string&) {}
bool MakeFolder(const std::string& path) {
    return ::_wmkdir(WidePath(path).c_str()) == 0;
}

} // namespace platform

} // namespace orvane
