// Files and folders for tests, byte for byte and by any name: binary streams (no line ends
// translated) opened by std::filesystem::path, which reaches Windows as UTF-16, so that a user
// whose name the ANSI code page cannot hold runs the tests too. The program's own calls take
// file names as UTF-8 std::string: Utf8() and PathOfUtf8() cross over.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

// The name of a path in UTF-8 (std::filesystem::path::string() gives the code page on Windows).
inline std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The path that a UTF-8 file name names.
inline std::filesystem::path PathOfUtf8(std::string_view fileName) {
    return std::filesystem::path(std::u8string(fileName.begin(), fileName.end()));
}

// A file name as the tests hold it: a path, or UTF-8 text as the program's calls take it.
class TFileName {
public:
    TFileName(std::filesystem::path path) : FPath(std::move(path)) {}
    TFileName(const std::string& utf8) : FPath(PathOfUtf8(utf8)) {}
    TFileName(const char* utf8) : FPath(PathOfUtf8(utf8)) {}
    const std::filesystem::path& Path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

// The whole file as it is on disk; empty when it cannot be read.
inline std::string ReadFile(const TFileName& file) {
    std::ifstream in(file.Path(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Replaces the file with exactly these bytes, making its folders first; false when that fails.
inline bool WriteFile(const TFileName& name, std::string_view bytes) {
    const std::filesystem::path& file = name.Path();
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

// The four bytes of a number as the data file stores it (little-endian, two's complement).
inline std::string Le32(std::int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<std::size_t>(i)] =
            static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}

// A fresh folder, removed with everything in it at the end of the test.
class TTempFolder {
public:
    TTempFolder() {
        std::random_device random;
        for (int i = 0; i < 100 && FPath.empty(); ++i) {
            const std::filesystem::path p = std::filesystem::temp_directory_path() /
                                            ("orvane-test-" + std::to_string(random()));
            std::error_code ec;
            if (std::filesystem::create_directory(p, ec)) FPath = p;
        }
        if (FPath.empty()) throw std::runtime_error("no temporary folder");
        FText = Utf8(FPath);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    ~TTempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    // In UTF-8, for the program's calls and for text.
    const std::string& Path() const { return FText; }
    const std::filesystem::path& FsPath() const { return FPath; }
    // A path inside it.
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return FPath / name;
    }

private:
    std::filesystem::path FPath;
    std::string FText;
};
