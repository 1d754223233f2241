// Helpers shared by the fuzz targets: a scratch file of this process's own for loaders that take a
// file name, and a loud stop when a property does not hold.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

namespace orvane::fuzz {

// Prints the broken property and aborts, so that libFuzzer keeps the input as a crash.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz property failed: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

inline void Check(bool condition, const char* what) {
    if (!condition) Fail(what);
}

// Scratch files made so far; leaked on purpose, so that it outlives every other static.
inline std::vector<std::string>& TempFiles() {
    static auto* files = [] {
        auto* v = new std::vector<std::string>;
        std::atexit([] {
            for (const std::string& f : TempFiles())
                std::remove(f.c_str());
        });
        return v;
    }();
    return *files;
}

// A path in memory-backed storage when there is some; one per process and tag, removed at exit.
inline std::string TempPath(const std::string& tag) {
    std::string dir = "/dev/shm";
    if (::access(dir.c_str(), W_OK) != 0) {
        const char* tmp = std::getenv("TMPDIR");
        dir = tmp && *tmp ? tmp : "/tmp";
    }
    std::string path = dir + "/orvane-fuzz-" + std::to_string(::getpid()) + "-" + tag;
    TempFiles().push_back(path);
    return path;
}

inline void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    Check(f != nullptr, "cannot create the scratch file");
    const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    Check(std::fclose(f) == 0 && ok, "cannot write the scratch file");
}

inline std::string ReadFile(const std::string& path) {
    std::string out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    Check(f != nullptr, "cannot open a file just written");
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    std::fclose(f);
    return out;
}

} // namespace orvane::fuzz
