#include "platform/atomicfile.h"

#include "platform/fileio.h"
#include "platform/filepath.h"
#include "platform/host.h"

#include <cerrno>
#include <filesystem>

namespace orvane {

std::string SaveTarget(const std::string& fileName) {
    namespace fs = std::filesystem;
    fs::path p = PathOf(fileName);
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(p, ec); ++hops) {
        const fs::path target = fs::read_symlink(p, ec);
        if (ec) break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return PathText(p);
}

void RemoveStaleTemporaries(const std::string& fileName) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file = PathOf(fileName);
    const std::string prefix = PathText(file.filename()) + ".";
    fs::path folder = file.parent_path();
    if (folder.empty()) folder = ".";
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = PathText(it->path().filename());
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        const std::string pid = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        if (pid.empty() || pid.size() > 9 ||
            pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const int id = std::stoi(pid);
        if (id == platform::CurrentPid() || platform::ProcessAlive(id)) continue;
        fs::remove(it->path(), ec);
        ec.clear();
    }
}

namespace platform {

TAtomicFile::TAtomicFile(std::string fileName, EAccess access)
    : FFileName(std::move(fileName)), FAccess(access) {}

TAtomicFile::~TAtomicFile() {
    if (!FReplaced) Discard();
}

bool TAtomicFile::Fail(int error) {
    if (FError == 0) FError = error ? error : EIO;
    return false;
}

bool TAtomicFile::Open() {
    // Beside a link's target, so that the link stays; named by the process, so that two copies
    // saving at once never write into one temporary file.
    FTarget = SaveTarget(FFileName);
    // A device (/dev/null, a terminal) is written into: it is not ours to replace.
    if (EFileKind kind; KindOf(FTarget, kind) && kind == EFileKind::Device) {
        FFd = OpenForUpdate(FTarget);
        if (FFd < 0) return Fail(errno);
        FInPlace = FDevice = true;
        return true;
    }
    FTemp = FTarget + "." + std::to_string(CurrentPid()) + ".tmp";
    FFd = OpenForWrite(FTemp, FAccess == EAccess::Private);
    if (FFd >= 0) {
        if (FAccess == EAccess::AsBefore) CopyPermissions(FFd, FTarget);
        return true;
    }
    const int error = errno;
    if (FInPlaceAllowed && error != ENOENT && error != ENOTDIR) {
        FFd = OpenForUpdate(FTarget);
        if (FFd >= 0 && TruncateFile(FFd, 0) == 0) {
            FInPlace = true;
            FTemp.clear();
            return true;
        }
        if (FFd >= 0) CloseFile(FFd);
        FFd = -1;
    }
    return Fail(error);
}

bool TAtomicFile::Write(const void* data, std::size_t size) {
    if (FFd < 0 || FError) return Fail(EBADF);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const long long n = WriteSome(FFd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail(n < 0 ? errno : ENOSPC);
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool TAtomicFile::Sync() {
    if (FFd < 0 || FError) return Fail(EBADF);
    // Most devices cannot be flushed: what they take is gone at once.
    return SyncFile(FFd) == 0 || (FDevice && errno == EINVAL) || Fail(errno);
}

bool TAtomicFile::Close() {
    if (FFd < 0 || FError) return Fail(EBADF);
    const int fd = FFd;
    FFd = -1;
    return CloseFile(fd) == 0 || Fail(errno);
}

bool TAtomicFile::Replace() {
    if (FFd >= 0 || FError || FReplaced || (FTemp.empty() && !FInPlace)) return Fail(EBADF);
    if (!FInPlace) {
        int error = 0;
        if (!MoveOver(FTemp, FTarget, error)) return Fail(error);
        SyncFolder(FTarget);
    }
    FReplaced = true;
    return true;
}

bool TAtomicFile::Commit() {
    return Sync() && Close() && Replace();
}

void TAtomicFile::Discard() {
    if (FFd >= 0) CloseFile(FFd);
    FFd = -1;
    if (!FTemp.empty() && !FReplaced) RemoveFile(FTemp);
    FTemp.clear();
}

TAtomicFileBuffer::TAtomicFileBuffer(TAtomicFile& file) : FFile(file), FBuffer(1 << 16, '\0') {
    setp(FBuffer.data(), FBuffer.data() + FBuffer.size());
}

int TAtomicFileBuffer::sync() {
    const std::size_t n = static_cast<std::size_t>(pptr() - pbase());
    setp(FBuffer.data(), FBuffer.data() + FBuffer.size());
    return n == 0 || FFile.Write(FBuffer.data(), n) ? 0 : -1;
}

TAtomicFileBuffer::int_type TAtomicFileBuffer::overflow(int_type c) {
    if (sync() != 0) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

std::streamsize TAtomicFileBuffer::xsputn(const char* s, std::streamsize n) {
    if (n > epptr() - pptr()) {
        // Too long for what is left: what is buffered goes first, a long piece straight after.
        if (sync() != 0) return 0;
        if (n >= static_cast<std::streamsize>(FBuffer.size()))
            return FFile.Write(s, static_cast<std::size_t>(n)) ? n : 0;
    }
    traits_type::copy(pptr(), s, static_cast<std::size_t>(n));
    pbump(static_cast<int>(n));
    return n;
}

bool WriteFileAtomically(const std::string& fileName, std::string_view bytes, int& error,
                         TAtomicFile::EAccess access) {
    TAtomicFile file(fileName, access);
    if (file.Open() && file.Write(bytes) && file.Commit()) return true;
    error = file.Error();
    return false;
}

} // namespace platform

} // namespace orvane
