#include "recorder/activitylist.h"

#include <gtest/gtest.h>

using namespace orvane;

namespace {
constexpr double Sec = 1.0 / 86400.0;
}

TEST(ActivityList, AddEntrySkipsBlankProcessNamesAndKeepsTextsAsGiven) {
    TActivityList list;
    for (const char* blank : {"", "   ", "\t\r\n", "\x01\x1f "})
        list.AddEntry(blank, "x", 1.0);
    EXPECT_EQ(list.Count(), 0);

    list.AddEntry(" a.exe ", "", 2.0);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Process, " a.exe ");
    EXPECT_EQ(list[0].Caption, "");
    EXPECT_EQ(list[0].Duration, 0.0);
}

TEST(ActivityList, CloseLastEntryOverwritesAndMayGoNegative) {
    TActivityList list;
    list.CloseLastEntry(5.0); // empty list: nothing happens
    EXPECT_EQ(list.Count(), 0);

    const TDateTime start = EncodeDateTime(2024, 5, 1, 10, 0, 0);
    list.AddEntry("a", "b", start);
    list.CloseLastEntry(start + 5 * Sec);
    list.CloseLastEntry(start + 20 * Sec);
    EXPECT_NEAR(list[0].Duration, 20 * Sec, 1e-9);
    list.CloseLastEntry(start - 3 * Sec);
    EXPECT_LT(list[0].Duration, 0);
}

TEST(ActivityList, LoadedOrSealedEntriesAreNeverStretched) {
    TActivityList list;
    list.AppendLoaded(TEntry("a", "b", 100.0));
    list.CloseLastEntry(200.0);
    EXPECT_EQ(list[0].Duration, 0.0) << "an entry from the file must not span the time off";

    list.AddEntry("c", "d", 300.0);
    list.CloseLastEntryAfter(10 * Sec);
    list.SealLastEntry();
    list.CloseLastEntry(400.0);
    list.CloseLastEntryAfter(-1.0);
    EXPECT_NEAR(list[1].Duration, 10 * Sec, 1e-12);

    list.AddEntry("e", "f", 500.0);
    list.CloseLastEntryAfter(-1.0);
    EXPECT_EQ(list[2].Duration, 0.0) << "a length from the clock never goes negative";
}

TEST(ActivityList, RemoveKeepsOrderAndClearEmpties) {
    TActivityList list;
    for (const char* p : {"a", "b", "c", "d"})
        list.AddEntry(p, "", 1.0);
    EXPECT_TRUE(list.Remove(&list.Items(1)));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[0].Process, "a");
    EXPECT_EQ(list[1].Process, "c");
    EXPECT_EQ(list[2].Process, "d");
    TEntry stranger;
    EXPECT_FALSE(list.Remove(&stranger));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(Text, EqualTextsShareOneCopy) {
    const std::string a = "/usr/bin/some-program";
    TText x(a), y(std::string("/usr/bin/some-") + "program");
    EXPECT_EQ(x.id(), y.id());
    EXPECT_EQ(x, y);
    EXPECT_NE(TText("A").id(), TText("a").id());
    EXPECT_EQ(TText().str(), "");
    EXPECT_EQ(TText("").Index(), 0u);
    EXPECT_TRUE(TText("").empty());
}

TEST(Text, ManyTextsKeepTheirNumbersAndBytes) {
    // More than one chunk of the table, made and read back in two orders.
    std::vector<TText> texts;
    for (int i = 0; i < 40000; ++i)
        texts.emplace_back("text number " + std::to_string(i) + std::string(1, '\0') + "end");
    for (int i = 40000; i-- > 0;) {
        const TText& t = texts[static_cast<std::size_t>(i)];
        EXPECT_EQ(t.str(), "text number " + std::to_string(i) + std::string(1, '\0') + "end");
        EXPECT_EQ(TText(t.str()).Index(), t.Index());
        if (i > 0) {
            ASSERT_NE(t.Index(), texts[static_cast<std::size_t>(i) - 1].Index());
        }
    }
    EXPECT_GE(TText::PoolSize(), 40001u);
}

TEST(ActivityList, CaptionsAreCappedAtACharacterBoundary) {
    const std::string ascii(MaxCaptionBytes + 10, 'a');
    const std::string euro = "\xE2\x82\xAC"; // three bytes
    // One byte short of the cap, then a three-byte character: the cut would split it.
    const std::string split = std::string(MaxCaptionBytes - 1, 'a') + euro + "tail";
    // More continuation bytes than any UTF-8 sequence has: not UTF-8, cut at the cap.
    const std::string notUtf8 = std::string(MaxCaptionBytes - 5, 'a') + std::string(8, '\x80');
    struct {
        std::string caption;
        std::size_t stored;
    } cases[] = {
        {std::string(MaxCaptionBytes, 'a'), MaxCaptionBytes},
        {ascii, MaxCaptionBytes},
        {split, MaxCaptionBytes - 1},
        {std::string(MaxCaptionBytes - 2, 'a') + euro, MaxCaptionBytes - 2},
        {std::string(MaxCaptionBytes - 3, 'a') + euro + "x", MaxCaptionBytes},
        {notUtf8, MaxCaptionBytes},
    };
    for (const auto& c : cases) {
        TActivityList list;
        list.AddEntry("p", c.caption, 1.0);
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(list[0].Caption.size(), c.stored);
        EXPECT_EQ(list[0].Caption.str(), c.caption.substr(0, c.stored));
    }
}
