// The Windows side of the platform layer against the real system (or Wine): windows the test
// creates, the process list, the shell's folders and links, the resources compiled in.
#include "platform/platform.h"
#include "platform/probebackend.h"
#include "platform/win32/widepath.h"
#include "platform/win32/win32.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

using namespace orvane;
using namespace orvane::platform;

namespace {

// A window procedure that claims a short caption but hands out a long one: the caption grows
// between the length query and the copy.
const std::string GrowingCaption = std::string(700, 'g') + "!";

LRESULT CALLBACK GrowingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETTEXTLENGTH) return 10;
    if (message == WM_GETTEXT) {
        const std::size_t room = wParam;
        if (room == 0) return 0;
        const std::size_t n = std::min(room - 1, GrowingCaption.size());
        std::memcpy(reinterpret_cast<char*>(lParam), GrowingCaption.data(), n);
        reinterpret_cast<char*>(lParam)[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow(const char* className, WNDPROC proc, const std::string& caption) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    ::RegisterClassA(&wc); // a second registration fails harmlessly
    return ::CreateWindowExA(0, className, caption.c_str(), WS_OVERLAPPEDWINDOW, 10, 10, 300, 200,
                             nullptr, nullptr, wc.hInstance, nullptr);
}

void Pump() {
    MSG msg;
    for (int i = 0; i < 20; ++i) {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(10);
    }
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                            b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::string BaseName(const std::string& path) {
    return path.substr(path.find_last_of("\\/:") + 1);
}

std::string ExecutablePath() {
    char buffer[MAX_PATH * 4] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return std::string(buffer, n);
}

// A string of the version resource's table 040904b0 (US English, Unicode); empty when the file
// has none or the table lacks the key.
std::string VersionInfoValue(const std::string& path, const std::string& key) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> data(size);
    if (size == 0 || !::GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return {};
    const std::string query = "\\StringFileInfo\\040904b0\\" + key;
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(data.data(), query.c_str(), &value, &length) || !value) return {};
    const char* text = static_cast<const char*>(value);
    return std::string(text, ::strnlen(text, length));
}

const TProcessInfo* Find(const std::vector<TProcessInfo>& list, std::uint32_t id) {
    for (const TProcessInfo& p : list)
        if (p.Id == id) return &p;
    return nullptr;
}

} // namespace

TEST(Win32Probe, FindsTheForegroundWindowOfThisProcess) {
    const std::string caption(300, 'c'); // the buffer is first sized to 302 bytes
    const HWND window = MakeWindow("OrvaneProbeTest", ::DefWindowProcA, caption);
    ASSERT_NE(window, nullptr) << "no window (is a display there?)";
    ::ShowWindow(window, SW_SHOW);
    ::SetForegroundWindow(window);
    Pump();

    const TWindowHandle foreground = orvane::platform::GetForegroundWindow();
    EXPECT_EQ(foreground, reinterpret_cast<TWindowHandle>(window));
    const std::string exe = ExecutablePath();
    EXPECT_TRUE(SameText(ProcessNameOfWindow(reinterpret_cast<TWindowHandle>(window)), exe))
        << ProcessNameOfWindow(reinterpret_cast<TWindowHandle>(window)) << " vs " << exe;
    EXPECT_EQ(CaptionOfWindow(reinterpret_cast<TWindowHandle>(window)), caption);

    const std::unique_ptr<IProbeBackend> probe = Win32ProbeCandidate().Create();
    EXPECT_EQ(Win32ProbeCandidate().Unavailable(), "");
    EXPECT_EQ(probe->Name(), "win32");
    const TForegroundSample sample = probe->Sample();
    EXPECT_TRUE(SameText(sample.Process, exe)) << sample.Process;
    EXPECT_EQ(sample.Caption, caption);

    // Without a caption: no caption, but the process is still named.
    ::SetWindowTextA(window, "");
    EXPECT_EQ(CaptionOfWindow(reinterpret_cast<TWindowHandle>(window)), "");
    EXPECT_TRUE(SameText(ProcessNameOfWindow(reinterpret_cast<TWindowHandle>(window)), exe));

    // A window that is gone, and no window at all.
    ::DestroyWindow(window);
    EXPECT_EQ(ProcessNameOfWindow(reinterpret_cast<TWindowHandle>(window)), "");
    EXPECT_EQ(CaptionOfWindow(reinterpret_cast<TWindowHandle>(window)), "");
    EXPECT_EQ(ProcessNameOfWindow(0), "");
    EXPECT_EQ(CaptionOfWindow(0), "");
}

TEST(Win32Probe, CaptionThatGrowsAfterTheLengthQueryComesBackWhole) {
    const HWND window = MakeWindow("OrvaneGrowingTest", GrowingProc, "");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CaptionOfWindow(reinterpret_cast<TWindowHandle>(window)), GrowingCaption);
    ::DestroyWindow(window);
}

TEST(Win32Processes, ListNamesTheIdleProcessAndThisProgram) {
    const std::uint32_t self = ::GetCurrentProcessId();
    const std::string exe = ExecutablePath();
    for (bool fullPath : {true, false}) {
        std::vector<TProcessInfo> list;
        ASSERT_TRUE(ListRunningProcesses(list, fullPath));
        const TProcessInfo* me = Find(list, self);
        ASSERT_NE(me, nullptr) << "fullPath " << fullPath;
        EXPECT_TRUE(SameText(me->Name, fullPath ? exe : BaseName(exe))) << me->Name;
        if (const TProcessInfo* idle = Find(list, 0)) {
            EXPECT_EQ(idle->Name, "System Idle Process");
        }
    }
}

TEST(Win32Processes, EveryMethodListsThisProgram) {
    const std::uint32_t self = ::GetCurrentProcessId();
    const std::string exe = ExecutablePath();
    for (EProcessListing method :
         {EProcessListing::EnumProcessIds, EProcessListing::SnapshotModulePath,
          EProcessListing::SnapshotLimitedQuery}) {
        std::vector<TProcessInfo> list;
        ASSERT_TRUE(ListRunningProcessesWith(method, list, true)) << static_cast<int>(method);
        const TProcessInfo* me = Find(list, self);
        ASSERT_NE(me, nullptr) << static_cast<int>(method);
        EXPECT_TRUE(SameText(me->Name, exe)) << me->Name;
        // Whatever the method, id 0 is the idle process when the system lists it.
        if (const TProcessInfo* idle = Find(list, 0)) {
            EXPECT_EQ(idle->Name, "System Idle Process");
        }
    }
}

TEST(Win32Processes, TheIdleProcessIsNamedByItsId) {
    // The system may or may not report id 0 itself; the snapshot of every real Windows does.
    std::vector<TProcessInfo> list;
    ASSERT_TRUE(ListRunningProcessesWith(EProcessListing::SnapshotLimitedQuery, list, true));
    const TProcessInfo* idle = Find(list, 0);
    if (!idle) GTEST_SKIP() << "this system lists no process with id 0";
    EXPECT_EQ(idle->Name, "System Idle Process");
}

TEST(Win32Processes, NamesByIdAndByTheSnapshotsField) {
    using L = EProcessListing;
    const std::string field = "C:\\Apps\\gone.exe";
    const std::uint32_t gone = 0xFFFFFFF0u; // no such process: its image path is empty
    const struct {
        L method;
        std::uint32_t id;
        bool fullPath, ntFour;
        std::string expected;
    } cases[] = {
        {L::EnumProcessIds, 0, true, false, "System Idle Process"},
        {L::SnapshotModulePath, 0, false, false, "System Idle Process"},
        {L::SnapshotLimitedQuery, 0, true, false, "System Idle Process"},
        {L::EnumProcessIds, 2, true, true, "System Process"},
        {L::EnumProcessIds, gone, true, false, ""}, // left out of the list
        {L::SnapshotModulePath, gone, true, false, field},
        {L::SnapshotModulePath, gone, false, false, field},
        {L::SnapshotLimitedQuery, gone, true, false, field},
        {L::SnapshotLimitedQuery, gone, false, false, "gone.exe"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListedProcessName(c.method, c.id, field, c.fullPath, c.ntFour), c.expected)
            << static_cast<int>(c.method) << " id " << c.id << " fullPath " << c.fullPath;
    // Any other id 2 is an ordinary process.
    EXPECT_NE(ListedProcessName(L::EnumProcessIds, 2, field, true, false), "System Process");
}

TEST(Win32Processes, MethodFollowsTheWindowsVersion) {
    using L = EProcessListing;
    const struct {
        unsigned long platform, major, minor;
        L expected;
    } cases[] = {
        {2, 3, 51, L::EnumProcessIds},       {2, 4, 0, L::EnumProcessIds},
        {2, 5, 0, L::SnapshotModulePath},    {2, 5, 1, L::SnapshotModulePath},
        {2, 5, 2, L::SnapshotModulePath},    {2, 6, 0, L::SnapshotModulePath},
        {2, 6, 1, L::SnapshotLimitedQuery},  {2, 6, 3, L::SnapshotLimitedQuery},
        {2, 10, 0, L::SnapshotLimitedQuery}, {1, 4, 10, L::SnapshotLimitedQuery}, // Windows 98
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProcessListingFor(c.platform, c.major, c.minor), c.expected)
            << c.platform << " " << c.major << "." << c.minor;
}

TEST(Win32Processes, ImagePathOfThisProgramAndOfNoProcess) {
    const std::string exe = ExecutablePath();
    EXPECT_TRUE(SameText(ProcessImagePath(::GetCurrentProcessId(), true), exe));
    EXPECT_TRUE(SameText(ProcessImagePath(::GetCurrentProcessId(), false), BaseName(exe)));
    EXPECT_EQ(ProcessImagePath(0xFFFFFFF0u, true), "");
    EXPECT_EQ(ProcessImagePath(0xFFFFFFF0u, false), "");
}

TEST(Win32Shell, SpecialFoldersResolve) {
    for (int csidl : {CSIDL_STARTUP, CSIDL_DESKTOPDIRECTORY, CSIDL_APPDATA}) {
        const std::string path = SpecialFolderPath(csidl);
        ASSERT_FALSE(path.empty()) << csidl;
        EXPECT_EQ(path.back(), '\\') << path;
        const DWORD attributes = ::GetFileAttributesW(orvane::WidePath(path).c_str());
        EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path;
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY) << path;
    }
    const std::string appData = UserAppDataFolder();
    ASSERT_FALSE(appData.empty());
    EXPECT_NE(appData.back(), '\\');
    EXPECT_EQ(appData + "\\", SpecialFolderPath(CSIDL_APPDATA));
    EXPECT_EQ(SpecialFolderPath(0x7F), ""); // no such folder
}

TEST(Win32Shell, ToggleCreatesAndRemovesTheShortcut) {
    const std::string name = "OrvaneTest" + std::to_string(::GetCurrentProcessId());
    const std::string exe = ExecutablePath();
    const std::string link = SpecialFolderPath(CSIDL_DESKTOPDIRECTORY) + name + ".lnk";
    ::DeleteFileW(orvane::WidePath(link).c_str());
    ASSERT_FALSE(ShortcutExists(name, CSIDL_DESKTOPDIRECTORY));

    ToggleShortcut(exe, name, "Qal Log\r\nLog your activities", CSIDL_DESKTOPDIRECTORY);
    ASSERT_TRUE(ShortcutExists(name, CSIDL_DESKTOPDIRECTORY));
    EXPECT_TRUE(ShortcutExists(name + ".exe", CSIDL_DESKTOPDIRECTORY)) << "extension replaced";
    EXPECT_TRUE(ShortcutExists("C:\\elsewhere\\" + name, CSIDL_DESKTOPDIRECTORY))
        << "folder part dropped";
    EXPECT_FALSE(ShortcutExists(name, CSIDL_STARTUP));

    // The link loads back and points at the program.
    IShellLinkA* shellLink = nullptr;
    ASSERT_TRUE(
        SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IShellLinkA, reinterpret_cast<void**>(&shellLink))));
    IPersistFile* file = nullptr;
    ASSERT_TRUE(
        SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    const std::wstring wide = orvane::WidePath(link);
    EXPECT_TRUE(SUCCEEDED(file->Load(wide.c_str(), STGM_READ)));
    char target[MAX_PATH] = {};
    shellLink->GetPath(target, MAX_PATH, nullptr, 0);
    EXPECT_TRUE(SameText(target, exe)) << target;
    char description[INFOTIPSIZE] = {};
    shellLink->GetDescription(description, INFOTIPSIZE);
    EXPECT_STREQ(description, "Qal Log\r\nLog your activities");
    file->Release();
    shellLink->Release();

    ToggleShortcut(exe, name, "", CSIDL_DESKTOPDIRECTORY);
    EXPECT_FALSE(ShortcutExists(name, CSIDL_DESKTOPDIRECTORY));
    EXPECT_EQ(::GetFileAttributesW(orvane::WidePath(link).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Win32Shell, TheIntentsAreOrvaneLnkInTheirFolders) {
    const std::string exe = ExecutablePath();
    const std::pair<EShortcut, int> intents[] = {{EShortcut::Desktop, CSIDL_DESKTOPDIRECTORY},
                                                 {EShortcut::Autostart, CSIDL_STARTUP}};
    for (const auto& [shortcut, csidl] : intents) {
        const std::string link = SpecialFolderPath(csidl) + "Orvane.lnk";
        ::DeleteFileW(orvane::WidePath(link).c_str());
        ASSERT_FALSE(ShortcutExists(shortcut)) << link;
        ToggleShortcut(shortcut, exe);
        EXPECT_TRUE(ShortcutExists(shortcut)) << link;
        EXPECT_NE(::GetFileAttributesW(orvane::WidePath(link).c_str()), INVALID_FILE_ATTRIBUTES)
            << link;
        ToggleShortcut(shortcut, exe);
        EXPECT_FALSE(ShortcutExists(shortcut)) << link;
    }
}

TEST(Win32Shell, AForeignFileOfThatNameCountsAndIsDeleted) {
    const std::string name = "OrvaneForeign" + std::to_string(::GetCurrentProcessId());
    const std::string link = SpecialFolderPath(CSIDL_DESKTOPDIRECTORY) + name + ".lnk";
    std::ofstream(orvane::PathOf(link)) << "not a link";
    ASSERT_TRUE(ShortcutExists(name, CSIDL_DESKTOPDIRECTORY));
    ToggleShortcut(ExecutablePath(), name, "", CSIDL_DESKTOPDIRECTORY);
    EXPECT_FALSE(ShortcutExists(name, CSIDL_DESKTOPDIRECTORY));
}

TEST(Win32Shell, NoFolderMeansNoShortcutAndNoChange) {
    EXPECT_FALSE(ShortcutExists("Orvane", 0x7F));
    EXPECT_NO_THROW(ToggleShortcut(ExecutablePath(), "Orvane", "", 0x7F));
    EXPECT_FALSE(ShortcutExists("Orvane", 0x7F));
}

TEST(Win32Resources, VersionResourceAndIcon) {
    const std::string exe = ExecutablePath();
    EXPECT_EQ(VersionInfoValue(exe, "ProductVersion"), "1.0.1");
    EXPECT_EQ(VersionInfoValue(exe, "FileVersion"), "1.0.1.0");
    EXPECT_EQ(VersionInfoValue(exe, "NoSuchKey"), "");
    EXPECT_NE(::FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14)), nullptr)
        << "the icon group is compiled in";
}

TEST(Win32Window, ToolWindowStyleComesAndGoesAndKeepsVisibility) {
    for (bool shown : {true, false}) {
        const HWND window = MakeWindow("OrvaneToolTest", ::DefWindowProcA, "tool");
        ASSERT_NE(window, nullptr);
        if (shown) ::ShowWindow(window, SW_SHOW);
        SetToolWindow(window, true);
        EXPECT_TRUE(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
        EXPECT_EQ(::IsWindowVisible(window) != FALSE, shown);
        SetToolWindow(window, false);
        EXPECT_FALSE(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
        EXPECT_EQ(::IsWindowVisible(window) != FALSE, shown);
        ::DestroyWindow(window);
    }
}
