#include "recorder/debugtrace.h"
#include "recorder/textformat.h"

#include <gtest/gtest.h>

using namespace orvane;

TEST(SafeFormat, SubstitutesOnlyStringsAndNeverOverreads) {
    struct Case {
        const char* format;
        std::initializer_list<std::string_view> args;
        const char* expected;
    } cases[] = {
        {"%s, %s", {"a", "b"}, "a, b"},
        {"%s %s %s", {"a"}, "a  "},                // missing arguments read as empty
        {"%s", {"a", "b", "c"}, "a"},              // surplus arguments ignored
        {"%d %n %x %3s|", {"z"}, "%d %n %x   z|"}, // foreign specifiers stay as written
        {"100%% %s", {"x"}, "100% x"},
        {"%-5s|%5s|", {"ab", "cd"}, "ab   |   cd|"},
        {"%-2s|", {"long"}, "long|"}, // never cut
        {"trailing %", {}, "trailing %"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SafeFormat(c.format, c.args), c.expected) << c.format;
    EXPECT_LE(SafeFormat("%999999999999s", {"a"}).size(), 1025u);
}

TEST(SafeFormat, ATranslationStandsInOnlyWithTheBuiltInDirectives) {
    std::string flood;
    for (int i = 0; i < 5000; ++i)
        flood += "%1024s";
    struct Case {
        const char* builtIn;
        std::string translated;
        bool used;
    } cases[] = {
        {"Back after %s away", "Zurück nach %s", true},
        {"No samples for %s after %s", "Nach %s: %s ohne Proben", true},
        {"Back after %s away", "100%% zurück nach %-20s, 5 % mehr", true}, // "%%" and "% " are text
        {"Remove all?", "Alles entfernen?", true},
        {"Back after %s away", "Zurück", false},            // one fewer
        {"Back after %s away", "Zurück nach %s %s", false}, // one more
        {"Back after %s away", "Zurück nach %d", false},    // another letter
        {"Remove all?", "Alles %s entfernen?", false},      // none in the built-in text
        {"Back after %s away", "Zurück nach %65s", false},  // too wide
        {"Back after %s away", "Zurück nach %-99999999999999999999s", false},
        {"Back after %s away", flood, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SameFormatDirectives(c.builtIn, c.translated), c.used)
            << c.builtIn << " / " << c.translated.substr(0, 40);
}

TEST(DebugTrace, OffByDefaultAndFormatsTheStamp) {
    EXPECT_FALSE(TraceEnabled());
    std::string target;
    DebugTrace(&target, "%s, %s", {"a", "b"});
    // "hh:mm:ss:mmmm \t" with blanks, not zeros, as padding
    ASSERT_GE(target.size(), 15u);
    EXPECT_EQ(target.substr(target.size() - 4), "a, b");
    EXPECT_EQ(target[2], ':');
    EXPECT_EQ(target.substr(13, 2), " \t");

    std::string seen;
    SetTraceSink([&](const std::string& line) { seen = line; });
    DebugTrace(nullptr, "x %s", {"y"});
    SetTraceSink({});
    EXPECT_EQ(seen.substr(seen.size() - 3), "x y");
}
