#include "recorder/privacy.h"

#include <gtest/gtest.h>

#include <string>

using namespace orvane;

// The title each browser gives a private window; every mark of the table has its own.
TEST(PrivateBrowsing, EachBrowsersTitleIsKnownAndOrdinaryTitlesAreNot) {
    struct TCase {
        std::string_view Browser;
        std::string_view Title;
    };
    static constexpr TCase Titles[] = {
        {"Firefox", "Bank login \u2014 Mozilla Firefox Private Browsing"},
        {"Chromium/Chrome", "Bank login - Google Chrome (Incognito)"},
        {"Edge", "Bank login - [InPrivate] - Microsoft Edge"},
        {"Brave", "Bank login - Brave (Private)"},
        {"Opera", "Bank login - Opera (Private browsing)"},
        {"Vivaldi", "Bank login - Vivaldi (Private)"},
        {"Epiphany", "Bank login \u2014 Web (Incognito)"},
    };
    ASSERT_EQ(std::size(Titles), std::size(PrivateBrowsingMarks));
    for (std::size_t i = 0; i < std::size(Titles); ++i) {
        EXPECT_EQ(Titles[i].Browser, PrivateBrowsingMarks[i].Browser);
        EXPECT_TRUE(IsPrivateBrowsingTitle(Titles[i].Title)) << Titles[i].Title;
    }
    EXPECT_TRUE(IsPrivateBrowsingTitle("x - mozilla firefox private browsing  "));
    for (const char* title :
         {"", "Bank login - Mozilla Firefox", "Private", "Chat - Private", "Incognitos and others",
          "My Private Browsing habits - notes.txt x", "Bank login - Brave", "InPrivateer"})
        EXPECT_FALSE(IsPrivateBrowsingTitle(title)) << title;
}
