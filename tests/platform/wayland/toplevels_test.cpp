#include "platform/wayland/foreigntoplevel.h"

#include <gtest/gtest.h>

using namespace orvane::platform::wayland;

namespace {

void Announce(TToplevelList& list, TToplevelList::TId id, const std::string& appId,
              const std::string& title, bool activated) {
    list.Add(id);
    list.SetAppId(id, appId);
    list.SetTitle(id, title);
    list.SetActivated(id, activated);
    list.Done(id);
}

} // namespace

TEST(Toplevels, TheActivatedToplevelAfterEveryEventOfABatch) {
    TToplevelList list;
    EXPECT_EQ(list.Focused(), std::nullopt);
    Announce(list, 1, "alpha", "Alpha é", true);
    Announce(list, 2, "foot", "Beta", false);
    EXPECT_EQ(list.Focused(), (TFocusedWindow{0, "alpha", "Alpha é"}));

    // A switch: the compositor deactivates one and activates the other, each with its done.
    list.SetActivated(1, false);
    list.Done(1);
    list.SetActivated(2, true);
    list.Done(2);
    EXPECT_EQ(list.Focused(), (TFocusedWindow{0, "foot", "Beta"}));

    // Changes take effect at done, together.
    list.SetTitle(2, "Beta renamed");
    EXPECT_EQ(list.Focused()->Title, "Beta");
    list.Done(2);
    EXPECT_EQ(list.Focused()->Title, "Beta renamed");

    // An empty workspace or a locked screen: nothing is activated.
    list.SetActivated(2, false);
    list.Done(2);
    EXPECT_EQ(list.Focused(), std::nullopt);
}

// One activated toplevel per seat: the one activated last is the one in use.
TEST(Toplevels, OfSeveralActivatedTheLatestCounts) {
    TToplevelList list;
    Announce(list, 1, "a", "A", true);
    Announce(list, 2, "b", "B", true);
    EXPECT_EQ(list.Focused()->AppId, "b");
    // A title change of the other does not make it the latest.
    list.SetTitle(1, "A2");
    list.Done(1);
    EXPECT_EQ(list.Focused()->AppId, "b");
    list.SetActivated(1, false);
    list.Done(1);
    list.SetActivated(1, true);
    list.Done(1);
    EXPECT_EQ(list.Focused()->AppId, "a");
    list.Remove(1);
    EXPECT_EQ(list.Focused()->AppId, "b");
    // Events for a toplevel already gone are ignored.
    list.SetActivated(1, true);
    list.Done(1);
    EXPECT_EQ(list.Size(), 1u);
}
