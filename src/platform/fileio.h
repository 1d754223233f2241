// The file calls of the recorder core: descriptors of the C library, with the W calls on Windows
// (a narrow name is read in the ANSI code page there). errno says why a call failed. No Qt here.
// linux/files_linux.cpp and win32/files_win32.cpp implement it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvane::platform {

// Created or emptied; readable by the user alone when privateFile, else as the user's defaults
// (the umask) say.
int OpenForWrite(const std::string& path, bool privateFile = true);
// Never waits: a FIFO in the file's place cannot stall the open.
int OpenForRead(const std::string& path);
int OpenForUpdate(const std::string& path);
long long WriteSome(int fd, const char* p, std::size_t n);
long long ReadSome(int fd, char* p, std::size_t n);
long long WriteAt(int fd, std::uint64_t offset, const char* p, std::size_t n);
long long ReadAt(int fd, std::uint64_t offset, char* p, std::size_t n);
int SyncFile(int fd);
// The data only (not the times), where the system tells the two apart.
int SyncData(int fd);
int TruncateFile(int fd, std::uint64_t size);
int CloseFile(int fd);

enum class EFileKind { Regular, Folder, Device, Other };
// Device and Inode stay 0 where the system has no stable file number.
struct TFileIdentity {
    std::uint64_t Size = 0, Device = 0, Inode = 0;
    EFileKind Kind = EFileKind::Other;
};
bool IdentityOf(int fd, TFileIdentity& id);
// What is at path, a link followed; false when nothing is there (or it cannot be told).
bool KindOf(const std::string& path, EFileKind& kind);
// Gives an open file the permissions of the file at path, where there is one to copy.
void CopyPermissions(int fd, const std::string& path);

// Renames from over to in one step, replacing it; false with error set to the errno value.
bool MoveOver(const std::string& from, const std::string& to, int& error);
// Makes a rename in the folder of file durable, where the system needs that asked.
void SyncFolder(const std::string& file);
// Creates one folder, readable by the user alone; false when it could not be created.
bool MakeFolder(const std::string& path);

} // namespace orvane::platform
