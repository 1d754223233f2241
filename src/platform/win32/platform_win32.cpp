// The Windows side of the platform layer. Process names and captions are recorded texts: bytes
// in the system's ANSI code page, as the record keeps them. Paths and messages are UTF-8, and go
// to and come from the system as UTF-16.
#include "platform/win32/win32.h"

#include "platform/win32/widepath.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvane::platform {

namespace {

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

// The bytes the system's own ANSI calls give for a text (GetWindowTextA for the caption): the
// ANSI code page, with the system's stand-ins for what the code page lacks.
std::string AnsiFromWide(const wchar_t* text, std::size_t size) {
    if (size == 0) return {};
    const int length = static_cast<int>(size);
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string result(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, length, result.data(), n, nullptr, nullptr);
    return result;
}

// The full path of the process's executable, or empty when the process cannot be asked (it has
// ended, or the id names none). A limited query is granted for other users' and elevated
// processes too.
std::string ProcessImagePath(DWORD processId) {
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) return {};
    std::wstring path(32768, L'\0'); // the longest path the system has
    DWORD size = static_cast<DWORD>(path.size());
    const BOOL ok = ::QueryFullProcessImageNameW(process, 0, path.data(), &size);
    ::CloseHandle(process);
    return ok ? AnsiFromWide(path.data(), size) : std::string();
}

} // namespace

TWindowHandle GetForegroundWindow() {
    return reinterpret_cast<TWindowHandle>(::GetForegroundWindow());
}

std::string ProcessNameOfWindow(TWindowHandle window) {
    const HWND handle = reinterpret_cast<HWND>(window);
    if (!::IsWindow(handle)) return {};
    DWORD processId = 0xFFFFFFFF; // stays so when the call stores nothing, and names no process
    ::GetWindowThreadProcessId(handle, &processId);
    return ProcessImagePath(processId);
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
