#include "platform/wayland/gnomesetup.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace orvane::platform::gnome {
namespace {

using enum EExtensionVariant;

TEST(GnomeSetup, VariantByShellVersion) {
    const struct {
        const char* Version;
        std::optional<EExtensionVariant> Want;
    } cases[] = {
        {"43.9", Legacy},
        {"43.alpha", Legacy},
        {"44.0", Legacy},
        {"GNOME Shell 44.2", Legacy},
        {"45.0", Module},
        {"45.rc", Module},
        {"46.2", Module},
        {"47.1", Module},
        {"GNOME Shell 48.beta", Module},
        {"100.0", Module},
        {"42.9", std::nullopt},
        {"3.38.4", std::nullopt},
        {"", std::nullopt},
        {"GNOME Shell", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(VariantForShellVersion(c.Version, error), c.Want) << c.Version;
        EXPECT_EQ(error.empty(), c.Want.has_value()) << c.Version << ": " << error;
    }
    EXPECT_EQ(FolderOf(Legacy), "legacy");
    EXPECT_EQ(FolderOf(Module), "module");
}

TEST(GnomeSetup, GsettingsStringArrays) {
    const struct {
        const char* Text;
        std::vector<std::string> Items;
    } cases[] = {
        {"@as []", {}},
        {"[]", {}},
        {"['focus@orvane.org']", {"focus@orvane.org"}},
        {"['a@x', \"b@y\", 'it\\'s@z']", {"a@x", "b@y", "it's@z"}},
        {"['back\\\\slash']", {"back\\slash"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseStringArray(c.Text), c.Items) << c.Text;
        // What is written reads back the same.
        EXPECT_EQ(ParseStringArray(FormatStringArray(c.Items)), c.Items) << c.Text;
    }
    EXPECT_EQ(FormatStringArray({"a@x", "b@y"}), "['a@x', 'b@y']");
}

} // namespace
} // namespace orvane::platform::gnome
