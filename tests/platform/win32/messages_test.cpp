#include "platform/win32/messages.h"

#include <gtest/gtest.h>

#include <string>

using namespace orvane::platform;

namespace {
using A = EMessageAction;

struct Case {
    unsigned message;
    std::uintptr_t wParam;
    bool handled;
    A action;
    std::intptr_t result;
};
} // namespace

TEST(WindowMessages, EachMessageGivesItsAction) {
    const Case cases[] = {
        // Power: the queries and the suspend itself close the entry; a refused suspend and both
        // resumes end what was missed meanwhile.
        {0x218, 0, true, A::SuspendQuery, 0},
        {0x218, 1, true, A::SuspendQuery, 0},
        {0x218, 4, true, A::SuspendQuery, 0}, // the only one sent since Vista
        {0x218, 2, true, A::Resume, 0},
        {0x218, 7, true, A::Resume, 0},
        {0x218, 18, true, A::Resume, 0},
        {0x218, 5, true, A::None, 0},  // standby itself, from before Vista
        {0x218, 10, true, A::None, 0}, // power status change
        {0x218, 0x8013, true, A::None, 0},
        // End of session, whatever wParam says.
        {0x11, 0, true, A::QueryEndSession, 1},
        {0x16, 1, true, A::EndSession, 1},
        {0x16, 0, true, A::EndSession, 1},
        // Not ours.
        {0x0010, 0, false, A::None, 0},     // WM_CLOSE
        {0x0112, 61472, false, A::None, 0}, // WM_SYSCOMMAND: Qt's
        {1025, 0, false, A::None, 0},
    };
    for (const Case& c : cases) {
        const TMessageDecision d = DispatchWindowMessage(c.message, c.wParam);
        const std::string where =
            "message " + std::to_string(c.message) + " wParam " + std::to_string(c.wParam);
        EXPECT_EQ(d.Handled, c.handled) << where;
        EXPECT_EQ(d.Action, c.action) << where;
        EXPECT_EQ(d.Result, c.result) << where;
    }
}
