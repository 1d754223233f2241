#include "platform/console.h"
#include "platform/host.h"
#include "platform/win32/widepath.h"

#include <cstdio>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>

#include <shellapi.h>

namespace orvane::platform {

namespace {

std::string Convert(const std::string& text, UINT from, UINT to) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = ::MultiByteToWideChar(from, 0, text.data(), size, nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(from, 0, text.data(), size, wide.data(), n);
    const int m = ::WideCharToMultiByte(to, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    if (m <= 0) return {};
    std::string result(static_cast<std::size_t>(m), '\0');
    ::WideCharToMultiByte(to, 0, wide.data(), n, result.data(), m, nullptr, nullptr);
    return result;
}

} // namespace

int CurrentPid() {
    return _getpid();
}

bool ProcessAlive(int pid) {
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!h) return GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool alive = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    CloseHandle(h);
    return alive;
}

void LocalTime(std::time_t t, std::tm& tm) {
    localtime_s(&tm, &t);
}

std::string HostName() {
    char buf[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof buf;
    if (GetComputerNameA(buf, &size)) return std::string(buf, size);
    return {};
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    // argv holds the arguments in the ANSI code page, which cannot name every file.
    std::vector<std::string> args;
    int count = 0;
    if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            args.push_back(Utf8FromWide(wide[i], std::wcslen(wide[i])));
        ::LocalFree(wide);
    } else {
        args.assign(argv + 1, argv + argc);
    }
    return args;
}

void WriteOutputAsGiven() {
    // A text-mode stream would make every CR LF a CR CR LF.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

bool Utf8Terminal() {
    return false;
}

// The ANSI code page, as Qt's local 8-bit text is on Windows.
std::string Utf8FromSystemText(const std::string& text) {
    return Convert(text, CP_ACP, CP_UTF8);
}

std::string SystemTextFromUtf8(const std::string& text) {
    return Convert(text, CP_UTF8, CP_ACP);
}

} // namespace orvane::platform
