// The Windows idle and lock sources against the system (or Wine): the idle time after SendInput,
// and the session-change messages through the message loop.
#include "platform/presencesources.h"
#include "platform/presencestate.h"
#include "platform/win32/win32.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::platform;

namespace {

void Pump() {
    MSG m;
    while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&m);
        ::DispatchMessageA(&m);
    }
}

bool MoveMouse() {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = 1;
    in.mi.dy = 1;
    in.mi.dwFlags = MOUSEEVENTF_MOVE;
    return ::SendInput(1, &in, sizeof in) == 1;
}

bool PressShift() {
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = VK_SHIFT;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return ::SendInput(2, in, sizeof in[0]) == 2;
}

} // namespace

TEST(Win32Presence, TheIdleTimeGrowsUntilSendInput) {
    std::string why;
    std::unique_ptr<IIdleSource> idle = CreateWin32Idle(why);
    ASSERT_TRUE(idle) << why;
    EXPECT_EQ(idle->Name(), "win32");
    for (bool (*input)() : {MoveMouse, PressShift}) {
        ASSERT_TRUE(input());
        Pump();
        std::optional<std::uint64_t> ms = idle->IdleMs();
        ASSERT_TRUE(ms);
        EXPECT_LT(*ms, 500u) << "right after the input";
        ::Sleep(1200);
        Pump();
        ms = idle->IdleMs();
        ASSERT_TRUE(ms);
        EXPECT_GE(*ms, 1000u) << "no input for a while";
        EXPECT_LT(*ms, 10'000u);
    }
    ASSERT_TRUE(MoveMouse());
    Pump();
    EXPECT_LT(idle->IdleMs().value_or(99'999), 500u) << "input again";
}

TEST(Win32Presence, SessionLockAndUnlockReachTheLockSource) {
    std::string why;
    std::unique_ptr<ILockSource> lock = CreateWtsLock(why);
    ASSERT_TRUE(lock) << why;
    EXPECT_EQ(lock->Name(), "wts");
    const HWND window = ::FindWindowA("OrvaneSessionLock", nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(lock->LockedSinceMs(), std::nullopt);

    const std::uint64_t before = SteadyNowMs();
    ::PostMessageA(window, WmWtsSessionChange, WtsSessionLock, 1);
    Pump();
    const std::optional<std::uint64_t> since = lock->LockedSinceMs();
    ASSERT_TRUE(since);
    EXPECT_GE(*since, before);
    EXPECT_LE(*since, SteadyNowMs());

    ::Sleep(20);
    // A remote connection and a second lock notice move nothing.
    ::PostMessageA(window, WmWtsSessionChange, 0x3, 1);
    ::PostMessageA(window, WmWtsSessionChange, WtsSessionLock, 1);
    Pump();
    EXPECT_EQ(lock->LockedSinceMs(), since);

    ::PostMessageA(window, WmWtsSessionChange, WtsSessionUnlock, 1);
    Pump();
    EXPECT_EQ(lock->LockedSinceMs(), std::nullopt);

    lock.reset();
    EXPECT_FALSE(::IsWindow(window)) << "the window goes with the source";
}
