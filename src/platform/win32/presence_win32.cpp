// Windows: the idle time from GetLastInputInfo, and the lock from the session-change messages
// that WTSRegisterSessionNotification asks for. Those come to a hidden window of our own, so the
// message loop of whatever runs on this thread (Qt's in the program) hands them over.
#include "platform/presencesources.h"
#include "platform/presencestate.h"

#include <windows.h>
#include <wtsapi32.h>

namespace orvane::platform {

namespace {

constexpr const char* LockWindowClass = "OrvaneSessionLock";

class TWin32Idle final : public IIdleSource {
public:
    std::string_view Name() const override { return "win32"; }
    std::optional<std::uint64_t> IdleMs() override {
        LASTINPUTINFO info{};
        info.cbSize = sizeof info;
        if (!::GetLastInputInfo(&info)) return std::nullopt;
        // Read after the input time, so that the input is never after it.
        return IdleMsFromTicks(::GetTickCount(), info.dwTime);
    }
};

class TWtsLock final : public ILockSource {
public:
    ~TWtsLock() override {
        if (!FWindow) return;
        if (FRegistered) ::WTSUnRegisterSessionNotification(FWindow);
        ::DestroyWindow(FWindow);
    }
    std::string_view Name() const override { return "wts"; }
    std::optional<std::uint64_t> LockedSinceMs() override { return FSince; }

    std::string Start() {
        const HINSTANCE instance = ::GetModuleHandleA(nullptr);
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = instance;
        wc.lpszClassName = LockWindowClass;
        ::RegisterClassA(&wc); // fails harmlessly when registered before
        FWindow = ::CreateWindowExA(WS_EX_TOOLWINDOW, LockWindowClass, "", WS_POPUP, 0, 0, 0, 0,
                                    nullptr, nullptr, instance, nullptr);
        if (!FWindow)
            return "cannot create a window for the session notices (error " +
                   std::to_string(::GetLastError()) + ")";
        ::SetWindowLongPtrA(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        FRegistered = ::WTSRegisterSessionNotification(FWindow, NOTIFY_FOR_THIS_SESSION);
        if (!FRegistered)
            return "WTSRegisterSessionNotification failed (error " +
                   std::to_string(::GetLastError()) + ")";
        return {};
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TWtsLock*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message == WmWtsSessionChange) {
            if (const std::optional<bool> locked = LockedBySessionChange(wParam)) {
                if (!*locked)
                    self->FSince.reset();
                else if (!self->FSince)
                    self->FSince = SteadyNowMs();
            }
            return 0;
        }
        return ::DefWindowProcA(window, message, wParam, lParam);
    }

    HWND FWindow = nullptr;
    bool FRegistered = false;
    std::optional<std::uint64_t> FSince;
};

} // namespace

std::unique_ptr<IIdleSource> CreateWin32Idle(std::string& why) {
    LASTINPUTINFO info{};
    info.cbSize = sizeof info;
    if (!::GetLastInputInfo(&info)) {
        why = "GetLastInputInfo failed (error " + std::to_string(::GetLastError()) + ")";
        return nullptr;
    }
    return std::make_unique<TWin32Idle>();
}

std::unique_ptr<ILockSource> CreateWtsLock(std::string& why) {
    auto lock = std::make_unique<TWtsLock>();
    why = lock->Start();
    if (!why.empty()) return nullptr;
    return lock;
}

} // namespace orvane::platform
