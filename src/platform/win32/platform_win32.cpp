// The Windows side of the platform layer. Process names and captions are recorded texts: bytes
// in the system's ANSI code page, as the record keeps them. Paths and messages are UTF-8, and go
// to and come from the system as UTF-16.
#include "platform/win32/win32.h"

#include "platform/win32/widepath.h"

#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvane::platform {

namespace {

// Looked up once: PSAPI.dll may be missing on old systems, the snapshot functions on NT 4.0 and
// the limited-rights image query before Vista. A missing function makes its call a failure.
using TEnumProcesses = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using TGetModuleNameA = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
using TCreateToolhelp32Snapshot = HANDLE(WINAPI*)(DWORD, DWORD);
using TProcess32 = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);
using TQueryFullProcessImageNameA = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);

template <class T> T Lookup(HMODULE module, const char* name) {
    if (!module) return nullptr;
    // Through the catch-all function type, which converts to any other without a warning.
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

struct TSystemFunctions {
    TEnumProcesses EnumProcesses = nullptr;
    TGetModuleNameA GetModuleFileNameExA = nullptr;
    TGetModuleNameA GetModuleBaseNameA = nullptr;
    TCreateToolhelp32Snapshot CreateToolhelp32Snapshot = nullptr;
    TProcess32 Process32First = nullptr;
    TProcess32 Process32Next = nullptr;
    TQueryFullProcessImageNameA QueryFullProcessImageNameA = nullptr;

    TSystemFunctions() {
        const HMODULE psapi = ::LoadLibraryA("PSAPI.dll");
        EnumProcesses = Lookup<TEnumProcesses>(psapi, "EnumProcesses");
        GetModuleFileNameExA = Lookup<TGetModuleNameA>(psapi, "GetModuleFileNameExA");
        GetModuleBaseNameA = Lookup<TGetModuleNameA>(psapi, "GetModuleBaseNameA");
        const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
        CreateToolhelp32Snapshot =
            Lookup<TCreateToolhelp32Snapshot>(kernel, "CreateToolhelp32Snapshot");
        Process32First = Lookup<TProcess32>(kernel, "Process32First");
        Process32Next = Lookup<TProcess32>(kernel, "Process32Next");
        QueryFullProcessImageNameA =
            Lookup<TQueryFullProcessImageNameA>(kernel, "QueryFullProcessImageNameA");
    }
};

const TSystemFunctions& Functions() {
    static const TSystemFunctions functions;
    return functions;
}

// The part after the last separator.
std::string FileNamePart(const std::string& path) {
    const auto p = path.find_last_of("\\/:");
    return p == std::string::npos ? path : path.substr(p + 1);
}

// The part up to and including the last separator.
std::string FolderPart(const std::string& path) {
    const auto p = path.find_last_of("\\/:");
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string Terminated(const char* buffer, std::size_t size) {
    return std::string(buffer, ::strnlen(buffer, size));
}

// The path of a shell special folder as the shell gives it; empty when it cannot name it.
std::string ShellFolder(int csidl) {
    LPITEMIDLIST items = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &items)) || !items) return {};
    wchar_t buffer[MAX_PATH] = {};
    std::string path;
    if (::SHGetPathFromIDListW(items, buffer))
        path = Utf8FromWide(buffer, ::wcsnlen(buffer, MAX_PATH));
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(::SHGetMalloc(&allocator)) && allocator) {
        allocator->Free(items);
        allocator->Release();
    }
    return path;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// In UTF-8, as every message of the program.
std::string SystemMessage(HRESULT code) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result = n && text ? Utf8FromWide(text, n) : std::string();
    if (text) ::LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == ' ' || result.back() == '.'))
        result.pop_back();
    if (result.empty()) {
        char hex[32];
        std::snprintf(hex, sizeof hex, "error 0x%08lX", static_cast<unsigned long>(code));
        result = hex;
    }
    return result;
}

// The COM objects we hold, released on every path.
template <class T> struct TComPtr {
    T* Ptr = nullptr;
    TComPtr() = default;
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    ~TComPtr() {
        if (Ptr) Ptr->Release();
    }
    T* operator->() const { return Ptr; }
};

// The GUI thread's COM apartment, entered on first use. A thread that already has one (Qt
// enters it for its GUI thread) keeps it.
void EnsureCom() {
    thread_local bool entered = false;
    if (!entered) {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        entered = true;
    }
}

// The true system version; GetVersionEx reports 6.2 for every later version to programs
// without a compatibility manifest.
OSVERSIONINFOW SystemVersion() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    const auto rtlGetVersion =
        Lookup<TRtlGetVersion>(::GetModuleHandleA("ntdll.dll"), "RtlGetVersion");
    if (rtlGetVersion && rtlGetVersion(&info) == 0) return info;
    OSVERSIONINFOA old{};
    old.dwOSVersionInfoSize = sizeof old;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ::GetVersionExA(&old);
#pragma GCC diagnostic pop
    info.dwMajorVersion = old.dwMajorVersion;
    info.dwMinorVersion = old.dwMinorVersion;
    info.dwPlatformId = old.dwPlatformId;
    return info;
}

constexpr const char* IdleProcessName = "System Idle Process";

} // namespace

TWindowHandle GetForegroundWindow() {
    return reinterpret_cast<TWindowHandle>(::GetForegroundWindow());
}

std::string ProcessNameOfWindow(TWindowHandle window) {
    const HWND handle = reinterpret_cast<HWND>(window);
    if (!::IsWindow(handle)) return {};
    DWORD processId = 0xFFFFFFFF; // stays so when the call stores nothing, and matches no process
    ::GetWindowThreadProcessId(handle, &processId);
    std::vector<TProcessInfo> list;
    if (!ListRunningProcesses(list, true)) return {};
    for (const TProcessInfo& p : list)
        if (p.Id == processId) return p.Name;
    return {};
}

std::string CaptionOfWindow(TWindowHandle window) {
    const HWND handle = reinterpret_cast<HWND>(window);
    // Some systems answer the text calls for no window at all with stray bytes.
    if (!::IsWindow(handle)) return {};
    // A window procedure of our own process answers the text messages itself and could claim
    // an endless caption: stop growing the buffer at a size no real caption reaches.
    constexpr int MaxSize = 1 << 20;
    int size = ::GetWindowTextLengthA(handle) + 2;
    std::vector<char> buffer;
    for (;;) {
        buffer.assign(static_cast<std::size_t>(size), '\0');
        const int n = ::GetWindowTextA(handle, buffer.data(), size);
        if (n >= size - 1 && size < MaxSize) { // may have been cut: the caption grew meanwhile
            size += 256;
            continue;
        }
        if (n <= 0) return {};
        return std::string(buffer.data(), static_cast<std::size_t>(n < size ? n : size - 1));
    }
}

EProcessListing ProcessListingFor(unsigned long platformId, unsigned long major,
                                  unsigned long minor) {
    if (platformId == VER_PLATFORM_WIN32_NT) {
        if (major <= 4) return EProcessListing::EnumProcessIds;
        if (major == 5 || (major == 6 && minor == 0)) return EProcessListing::SnapshotModulePath;
    }
    return EProcessListing::SnapshotLimitedQuery;
}

EProcessListing CurrentProcessListing() {
    static const EProcessListing listing = [] {
        const OSVERSIONINFOW v = SystemVersion();
        return ProcessListingFor(v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion);
    }();
    return listing;
}

std::string ListedProcessName(EProcessListing method, std::uint32_t id, const std::string& exeField,
                              bool fullPath, bool ntFour) {
    if (id == 0) return IdleProcessName;
    if (method == EProcessListing::EnumProcessIds) {
        if (id == 2 && ntFour) return "System Process";
        return ProcessImagePath(id, fullPath);
    }
    std::string name = ProcessImagePath(id, fullPath);
    if (name.empty())
        name = method == EProcessListing::SnapshotModulePath || fullPath ? exeField
                                                                         : FileNamePart(exeField);
    return name;
}

bool ListRunningProcessesWith(EProcessListing method, std::vector<TProcessInfo>& list,
                              bool fullPath, bool ntFour) {
    const TSystemFunctions& f = Functions();
    if (method == EProcessListing::EnumProcessIds) {
        if (!f.EnumProcesses) return false;
        DWORD ids[1025] = {};
        DWORD needed = 0;
        if (!f.EnumProcesses(ids, sizeof ids, &needed)) return false;
        const DWORD count = needed / sizeof(DWORD) < 1025 ? needed / sizeof(DWORD) : 1025;
        for (DWORD i = 0; i < count; ++i) {
            const std::string name = ListedProcessName(method, ids[i], {}, fullPath, ntFour);
            if (!name.empty()) list.push_back({name, ids[i]});
        }
        return true;
    }

    if (!f.CreateToolhelp32Snapshot || !f.Process32First || !f.Process32Next) return false;
    const HANDLE snapshot = f.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE || !snapshot) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry; // 296 bytes for 32-bit programs, 304 for 64-bit ones
    for (BOOL more = f.Process32First(snapshot, &entry); more;
         more = f.Process32Next(snapshot, &entry)) {
        const std::string exeField = Terminated(entry.szExeFile, sizeof entry.szExeFile);
        list.push_back({ListedProcessName(method, entry.th32ProcessID, exeField, fullPath, ntFour),
                        entry.th32ProcessID});
        entry.dwSize = sizeof entry;
    }
    ::CloseHandle(snapshot);
    return true;
}

bool ListRunningProcesses(std::vector<TProcessInfo>& list, bool fullPath) {
    const EProcessListing method = CurrentProcessListing();
    bool ntFour = false;
    if (method == EProcessListing::EnumProcessIds) {
        const OSVERSIONINFOW v = SystemVersion();
        ntFour = v.dwMajorVersion == 4;
    }
    return ListRunningProcessesWith(method, list, fullPath, ntFour);
}

std::string ProcessImagePath(std::uint32_t processId, bool fullPath) {
    const TSystemFunctions& f = Functions();
    // Query information plus read memory: what the module functions need.
    if (const HANDLE process = ::OpenProcess(0x410, FALSE, processId)) {
        char buffer[260] = {};
        const TGetModuleNameA get = fullPath ? f.GetModuleFileNameExA : f.GetModuleBaseNameA;
        const DWORD n = get ? get(process, nullptr, buffer, sizeof buffer) : 0;
        ::CloseHandle(process);
        if (n > 0) return Terminated(buffer, sizeof buffer);
    }
    // Processes of other users and elevated ones refuse that access on current systems but
    // still tell their image path to a limited query.
    if (!f.QueryFullProcessImageNameA) return {};
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) return {};
    char buffer[1024] = {};
    DWORD size = sizeof buffer;
    const BOOL ok = f.QueryFullProcessImageNameA(process, 0, buffer, &size);
    ::CloseHandle(process);
    if (!ok || size == 0) return {};
    const std::string path = Terminated(buffer, size);
    return fullPath ? path : FileNamePart(path);
}

std::string UserAppDataFolder() {
    return ShellFolder(CSIDL_APPDATA);
}

std::string SpecialFolderPath(int csidl) {
    std::string path = ShellFolder(csidl);
    // A folder the shell names without a path is no folder for us: a lone backslash would point
    // at the root of the current drive.
    if (path.empty()) return {};
    if (path.back() != '\\') path += '\\';
    return path;
}

namespace {
// Name with its extension, if any, replaced by ".lnk", without any folder part.
std::string ShortcutFileName(const std::string& name) {
    std::string file = FileNamePart(name);
    const auto dot = file.rfind('.');
    if (dot != std::string::npos) file.erase(dot);
    return file + ".lnk";
}
} // namespace

bool ShortcutExists(const std::string& name, int csidl) {
    const std::string folder = SpecialFolderPath(csidl);
    if (folder.empty()) return false;
    return FileExists(folder + ShortcutFileName(name));
}

void ToggleShortcut(const std::string& exePath, const std::string& name,
                    const std::string& description, int csidl) {
    EnsureCom();
    TComPtr<IShellLinkW> link;
    HRESULT hr =
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                           IID_IShellLinkW, reinterpret_cast<void**>(&link.Ptr));
    if (FAILED(hr) || !link.Ptr)
        throw std::runtime_error("Cannot create a shell link: " + SystemMessage(hr));
    TComPtr<IPersistFile> file;
    hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.Ptr));
    if (FAILED(hr) || !file.Ptr)
        throw std::runtime_error("Cannot save a shell link: " + SystemMessage(hr));

    // The setters' and the save's results are not checked: the existence test afterwards shows
    // what happened.
    link->SetPath(WidePath(exePath).c_str());
    link->SetWorkingDirectory(WidePath(FolderPart(exePath)).c_str());
    link->SetDescription(WidePath(description).c_str());

    std::string folder = ShellFolder(csidl);
    if (folder.empty()) return; // no such folder: no shortcut, nothing changes
    if (folder.back() != '\\') folder += '\\';
    const std::string linkPath = folder + name + ".lnk";
    if (FileExists(linkPath))
        ::DeleteFileW(WidePath(linkPath).c_str());
    else
        file->Save(WidePath(linkPath).c_str(), FALSE);
}

namespace {
int FolderOf(EShortcut shortcut) {
    return shortcut == EShortcut::Desktop ? CSIDL_DESKTOPDIRECTORY : CSIDL_STARTUP;
}
} // namespace

bool ShortcutExists(EShortcut shortcut) {
    return ShortcutExists(std::string(ShortcutName), FolderOf(shortcut));
}

void ToggleShortcut(EShortcut shortcut, const std::string& exePath) {
    ToggleShortcut(exePath, std::string(ShortcutName), std::string(ShortcutDescription),
                   FolderOf(shortcut));
}

void SetToolWindow(HWND window, bool tool) {
    // The shell reads the style when the window is shown: hide it around the change.
    const bool visible = ::IsWindowVisible(window) != FALSE;
    ::ShowWindow(window, SW_HIDE);
    const LONG style = ::GetWindowLongA(window, GWL_EXSTYLE);
    ::SetWindowLongA(window, GWL_EXSTYLE,
                     tool ? style | WS_EX_TOOLWINDOW : style & ~LONG(WS_EX_TOOLWINDOW));
    if (visible) ::ShowWindow(window, SW_SHOW);
}

} // namespace orvane::platform
