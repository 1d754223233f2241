#include "views/privacy.h"

#include <gtest/gtest.h>

using namespace orvane;

TEST(PrivacyRules, TableOfWindows) {
    TPrivacySettings s;
    s.Skip = SplitPatterns(" *keepass* ; title:*bank*;;");
    s.HideTitle = SplitPatterns("thunderbird;re:^[^\\t]*chat\\t;title:*bank*");
    ASSERT_EQ(s.Skip, (std::vector<std::string>{"*keepass*", "title:*bank*"}));
    TPrivacyRules rules(s);
    s.PrivateBrowsing = false;
    TPrivacyRules noBrowsing(s);
    struct TCase {
        const char* Program;
        const char* Title;
        EPrivacy Want, WantWithoutBrowsing;
    };
    constexpr auto R = EPrivacy::Record, H = EPrivacy::HideTitle, S = EPrivacy::Skip;
    static constexpr TCase Cases[] = {
        {"/usr/bin/keepassxc", "Passwords.kdbx", S, S},
        {"/usr/bin/firefox", "My BANK - Login", S, S}, // Skip is tried before HideTitle
        {"/usr/bin/thunderbird", "Re: the offer", H, H},
        {"/opt/chat", "Anna", H, H},
        {"/usr/bin/editor", "chat.txt", R, R}, // re: on the program part only
        {"/usr/bin/firefox", "News \u2014 Mozilla Firefox Private Browsing", H, R},
        {"/usr/bin/chromium", "Mail - Chromium (Incognito)", H, R},
        {"/usr/bin/firefox", "News \u2014 Mozilla Firefox", R, R},
    };
    for (const TCase& c : Cases) {
        EXPECT_EQ(rules.Classify(c.Program, c.Title), c.Want) << c.Program << " " << c.Title;
        EXPECT_EQ(noBrowsing.Classify(c.Program, c.Title), c.WantWithoutBrowsing) << c.Title;
    }
    EXPECT_TRUE(rules.TakeProblems().empty());
}

TEST(PrivacyRules, BadPatternIsReportedOnceAndTheOthersStillWork) {
    TPrivacySettings s;
    s.Skip = {"re:(unclosed", "title:*secret*"};
    TPrivacyRules rules(s);
    const std::vector<std::string> problems = rules.TakeProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("Skip"), std::string::npos) << problems[0];
    EXPECT_NE(problems[0].find("re:(unclosed"), std::string::npos) << problems[0];
    EXPECT_EQ(rules.Classify("/usr/bin/x", "a secret"), EPrivacy::Skip);
    EXPECT_EQ(rules.Classify("/usr/bin/x", "(unclosed"), EPrivacy::Record);
    EXPECT_TRUE(rules.TakeProblems().empty());
}

TEST(PrivacyRules, PatternOutOfStepsKeepsTheWindowPrivateAndIsToldWithoutTheTitle) {
    TPrivacySettings s;
    s.HideTitle = {"re:(a+)+$"};
    TPrivacyRules rules(s);
    const std::string title = std::string(4000, 'a') + "b-topsecret";
    EXPECT_EQ(rules.Classify("/usr/bin/x", title), EPrivacy::HideTitle);
    EXPECT_EQ(rules.Classify("/usr/bin/x", title), EPrivacy::HideTitle);
    const std::vector<std::string> problems = rules.TakeProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].find("topsecret"), std::string::npos);
}

TEST(PrivacyRules, WouldCatchCountsTheEntriesOfThePeriod) {
    TActivityList list;
    const auto add = [&](const char* p, const char* c, TDateTime start, TDateTime d) {
        TEntry e(p, c, start);
        e.Duration = d;
        list.AppendLoaded(e);
    };
    add("/usr/bin/a", "bank", 10.0, 0.25);
    add("/usr/bin/a", "bank", 11.0, 0.5);
    add("/usr/bin/b", "x", 11.5, 0.125);
    add("/usr/bin/b", "(private)", 11.6, 0.125); // hidden already
    add("/usr/bin/a", "bank", 12.0, 0.5);        // after the period
    TPrivacySettings s;
    s.Skip = {"title:bank"};
    s.HideTitle = {"/usr/bin/b"};
    TPrivacyRules rules(s);
    const TPrivacyCatch c = WouldCatch(rules, list, 11.0, 12.0);
    EXPECT_EQ(c.SkipEntries, 1);
    EXPECT_DOUBLE_EQ(c.SkipTime, 0.5);
    EXPECT_EQ(c.HideEntries, 1);
    EXPECT_DOUBLE_EQ(c.HideTime, 0.125);
}
