#include "recorder/filepath.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace orvane {

#ifdef _WIN32
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
#else
std::filesystem::path PathOf(const std::string& fileName) {
    return std::filesystem::path(fileName);
}

std::string PathText(const std::filesystem::path& path) {
    return path.string();
}

bool RemoveFile(const std::string& fileName) {
    return std::remove(fileName.c_str()) == 0;
}
#endif

} // namespace orvane
