#include "views/rules.h"

#include <gtest/gtest.h>

using namespace orvane;

TEST(Rules, PatternsMatchProgramTitleAndExpressions) {
    struct Case {
        const char* Pattern;
        const char* Program;
        const char* Title;
        bool Match;
    };
    const Case cases[] = {
        {"firefox", "/usr/lib/firefox/firefox", "News", true}, // the file name
        {"FireFox", "/usr/lib/firefox/firefox", "News", true},
        {"/usr/lib/*", "/usr/lib/firefox/firefox", "News", true}, // the full path
        {"fire", "/usr/lib/firefox/firefox", "News", false},      // the whole name, not a part
        {"fire*", "/usr/lib/firefox/firefox", "News", true},
        {"*.exe", "C:\\Program Files\\Editor\\edit.EXE", "", true},
        {"edit.exe", "C:\\Program Files\\Editor\\edit.exe", "", true},
        {"f?refox", "/usr/bin/firefox", "", true},
        {"news", "/usr/bin/firefox", "News", false}, // a bare pattern is the program's
        {"title:*news*", "/usr/bin/firefox", "Latest NEWS - Browser", true},
        {"title:news", "/usr/bin/firefox", "Latest news", false},
        {"TITLE:latest*", "/usr/bin/firefox", "Latest news", true},
        {"title:*Ü?ber*", "/usr/bin/x", "über üxber", true}, // Ü is ü
        {"title:?ber", "/usr/bin/x", "über", true},          // ? is one character, not a byte
        {"title:a*b*c*d", "/usr/bin/x", "aXbXcXd", true},
        {"title:a*b*c*d", "/usr/bin/x", "aXbXcXdX", false},
        {"re:github", "/usr/bin/firefox", "Pull requests · GitHub", true},
        {"re:^/usr/bin/ssh\t", "/usr/bin/ssh", "host", true}, // PROGRAM<TAB>TITLE
        {"re:^ssh", "/usr/bin/ssh", "host", false},
        {"re:firefox\t.*(jira|confluence)", "/usr/bin/firefox", "ABC-1 - Jira", true},
    };
    for (const Case& c : cases) {
        std::string why;
        const auto p = TPattern::Compile(c.Pattern, &why);
        ASSERT_TRUE(p) << c.Pattern << ": " << why;
        EXPECT_EQ(p->Match(c.Program, c.Title) == TPattern::EResult::Match, c.Match)
            << c.Pattern << " on " << c.Program << " / " << c.Title;
    }
}

TEST(Rules, FirstMatchWinsAndBadPatternsAreReportedOnceWithTheirLine) {
    const std::string settings = "[Activities]\n"
                                 "ViewMode=1\n"
                                 "\n"
                                 "[categories]\n"           // line 4
                                 "Code=title:*.cpp*;re:(\n" // 5: the second one is bad
                                 "Web=firefox;chromium\n"   // 6
                                 "no equals sign here\n"    // 7
                                 "Editing=editor;re:x(*LIMIT_MATCH=99999999)\n" // 8
                                 "Empty=\n"                                     // 9
                                 "[Other]\n"
                                 "Ignored=editor\n";
    std::vector<TRuleProblem> problems;
    TRuleSet rules(ReadCategories(settings, &problems));
    ASSERT_EQ(rules.Rules().size(), 4u);
    EXPECT_EQ(rules.Rules()[0].Line, 5);
    EXPECT_EQ(rules.Rules()[2].Name, "Editing");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].Line, 7);

    EXPECT_EQ(rules.Find("/usr/bin/editor", "main.cpp - Editor"), 0); // Code before Editing
    EXPECT_EQ(rules.Find("/usr/bin/editor", "notes.txt"), 2);
    EXPECT_EQ(rules.Find("/usr/bin/firefox", "main.cpp in a browser"), 0);
    EXPECT_EQ(rules.Find("/usr/bin/Chromium", "News"), 1);
    EXPECT_EQ(rules.Find("/usr/bin/mail", "Inbox"), -1);

    const auto bad = rules.TakeProblems();
    ASSERT_EQ(bad.size(), 2u);
    EXPECT_EQ(bad[0].Line, 5);
    EXPECT_NE(bad[0].Text.find("\"re:(\""), std::string::npos) << bad[0].Text;
    EXPECT_EQ(bad[1].Line, 8);
    EXPECT_NE(bad[1].Text.find("limits"), std::string::npos) << bad[1].Text;
    EXPECT_TRUE(rules.TakeProblems().empty());
}

TEST(Rules, ACatastrophicExpressionOnAHostileTitleRunsOutOfStepsAndIsReportedOnce) {
    TRuleSet rules({{"Slow", {"re:^[^\t]*\t(a|aa)+$"}, 3}, {"Any", {"*"}, 4}});
    // 64 KiB and more of "a" that end in something else: exponential backtracking without a limit.
    const std::string title = std::string(100000, 'a') + "!";
    EXPECT_EQ(rules.Find("/usr/bin/browser", title), 1);
    EXPECT_EQ(rules.Find("/usr/bin/browser", title), 1);
    const auto problems = rules.TakeProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].Line, 3);
    EXPECT_NE(problems[0].Text.find("too many steps"), std::string::npos);
    // The bound is ours, far below the engine's own: this one matches after a few million steps.
    const auto late = TPattern::Compile("re:\t(?:(a|aa)+c|a+!)");
    EXPECT_EQ(late->Match("x", std::string(28, 'a') + "!"), TPattern::EResult::OutOfSteps);
    EXPECT_EQ(late->Match("x", std::string(12, 'a') + "!"), TPattern::EResult::Match);
    // A title the expression can answer still matches.
    EXPECT_EQ(rules.Find("/usr/bin/browser", "aaaa"), 0);
}
