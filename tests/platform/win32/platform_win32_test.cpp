// The Windows side of the platform layer against the real system (or Wine): windows the test
// creates and one of another program, the shell's folders and links, the resources compiled in.
#include "platform/platform.h"
#include "platform/probebackend.h"
#include "platform/win32/widepath.h"
#include "platform/win32/win32.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

using namespace orvane;
using namespace orvane::platform;

namespace {

constexpr const char* ChildWindowVariable = "ORVANE_TEST_PROBE_WINDOW";

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

// Started by the test below from a copy of this program: shows a window until it is killed.
TEST(Win32ProbeChild, ShowsAWindowUntilKilled) {
    const char* title = std::getenv(ChildWindowVariable);
    if (!title) GTEST_SKIP() << "runs only as the child of Win32Probe.AnotherProgram...";
    const HWND window = MakeWindow("OrvaneProbeChild", ::DefWindowProcA, title);
    ASSERT_NE(window, nullptr);
    ::ShowWindow(window, SW_SHOW);
    for (;;)
        Pump();
}

// Another program, in a folder whose name holds a letter of the usual code pages and letters of
// none: named by its full path as the system's own ANSI calls give it.
TEST(Win32Probe, AnotherProgramIsNamedByItsPathInTheCodePage) {
    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder = temp + std::wstring(L"orvane-Pr\u00FCfung \u041E\u0442 ") +
                                std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                std::to_wstring(::GetTickCount64());
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    wchar_t self[MAX_PATH * 4] = {};
    ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH * 4), 0u);
    const std::wstring exe = folder + L"\\Pr\u00FCfung.exe";
    ASSERT_TRUE(::CopyFileW(self, exe.c_str(), FALSE));

    const std::string title = "Orvane probe child " + std::to_string(::GetCurrentProcessId());
    std::wstring command =
        L"\"" + exe + L"\" --gtest_filter=Win32ProbeChild.ShowsAWindowUntilKilled";
    ::SetEnvironmentVariableA(ChildWindowVariable, title.c_str());
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL started = ::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                                          nullptr, nullptr, &si, &pi);
    ::SetEnvironmentVariableA(ChildWindowVariable, nullptr);
    ASSERT_TRUE(started);
    HWND window = nullptr;
    for (int i = 0; i < 600 && !window; ++i) {
        window = ::FindWindowA(nullptr, title.c_str());
        if (!window) ::Sleep(50);
    }
    ASSERT_NE(window, nullptr) << "the child showed no window";

    char expected[MAX_PATH * 4] = {};
    DWORD size = sizeof expected;
    ASSERT_TRUE(::QueryFullProcessImageNameA(pi.hProcess, 0, expected, &size));
    const std::string name = ProcessNameOfWindow(reinterpret_cast<TWindowHandle>(window));
    EXPECT_EQ(name, std::string(expected, size));
    if (::GetACP() != CP_UTF8) {
        EXPECT_EQ(name.find("Pr\xC3\xBC"), std::string::npos) << "UTF-8, not the code page";
    }
    EXPECT_TRUE(name.ends_with(".exe")) << name;

    ::TerminateProcess(pi.hProcess, 9);
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    ::DeleteFileW(exe.c_str());
    ::RemoveDirectoryW(folder.c_str());
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
