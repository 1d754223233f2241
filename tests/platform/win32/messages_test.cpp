#include "platform/win32/messages.h"

#include <gtest/gtest.h>

using namespace orvane::platform;

namespace {
using A = EMessageAction;

struct Case {
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool handled;
    A action;
    std::intptr_t result;
    bool defaultIfVisible;
};
} // namespace

TEST(WindowMessages, EachMessageGivesItsAction) {
    const Case cases[] = {
        // The icon: only the two button-down messages do anything.
        {1025, 0, 513, true, A::ToggleWindow, 0, false},
        {1025, 0, 516, true, A::IconMenu, 0, false},
        {1025, 0, 512, true, A::None, 0, false},  // move
        {1025, 0, 514, true, A::None, 0, false},  // left button up
        {1025, 0, 515, true, A::None, 0, false},  // left double click
        {1025, 0, 517, true, A::None, 0, false},  // right button up
        {1025, 0, 519, true, A::None, 0, false},  // middle button down
        {1026, 0, 0, true, A::LanguageChanged, 0, false},
        // Power: queries close the entry; a refused suspend and both resumes reset the sample.
        {0x218, 0, 0, true, A::SuspendQuery, 0, false},
        {0x218, 1, 0, true, A::SuspendQuery, 0, false},
        {0x218, 2, 0, true, A::Resume, 0, false},
        {0x218, 7, 0, true, A::Resume, 0, false},
        {0x218, 18, 0, true, A::Resume, 0, false},
        {0x218, 4, 0, true, A::None, 0, false}, // the suspend itself
        {0x218, 5, 0, true, A::None, 0, false},
        {0x218, 10, 0, true, A::None, 0, false}, // power status change
        {0x218, 0x8013, 0, true, A::None, 0, false},
        // End of session, whatever wParam says.
        {0x11, 0, 0, true, A::QueryEndSession, 1, false},
        {0x16, 1, 0, true, A::EndSession, 1, false},
        {0x16, 0, 0, true, A::EndSession, 1, false},
        // System commands, compared exactly.
        {0x112, 61472, 0, true, A::Minimize, 0, true},
        {0x112, 61488, 0, true, A::Maximize, 0, true},
        {0x112, 61472 + 2, 0, true, A::None, 0, true}, // caption double click style values
        {0x112, 61488 + 2, 0, true, A::None, 0, true},
        {0x112, 61536, 0, true, A::None, 0, true}, // close: the default handles it
        {0x112, 61728, 0, true, A::None, 0, true}, // restore
        // Not ours.
        {0x0010, 0, 0, false, A::None, 0, false}, // WM_CLOSE
        {0x0024, 0, 0, false, A::None, 0, false},
        {1027, 0, 513, false, A::None, 0, false},
    };
    for (const Case& c : cases) {
        const TMessageDecision d = DispatchWindowMessage(c.message, c.wParam, c.lParam);
        const std::string where = "message " + std::to_string(c.message) + " wParam " +
                                  std::to_string(c.wParam) + " lParam " +
                                  std::to_string(c.lParam);
        EXPECT_EQ(d.Handled, c.handled) << where;
        EXPECT_STREQ(ActionName(d.Action), ActionName(c.action)) << where;
        EXPECT_EQ(d.Result, c.result) << where;
        EXPECT_EQ(d.DefaultIfVisible, c.defaultIfVisible) << where;
    }
}
