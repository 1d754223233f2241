#include "app/aboutform.h"

#include <gtest/gtest.h>

using namespace orvane;

TEST(About, WordsAndMailAddresses) {
    const QString t = "ab cd@x.org  e";
    EXPECT_EQ(WordAt(t, 0), "ab");
    EXPECT_EQ(WordAt(t, 1), "ab");
    EXPECT_EQ(WordAt(t, 2), "cd@x.org"); // a blank: the run after it
    EXPECT_EQ(WordAt(t, 11), "");        // two blanks
    EXPECT_EQ(WordAt(t, 99), "");
    EXPECT_TRUE(IsMailAddress("a@b.c"));
    EXPECT_FALSE(IsMailAddress("a.b@c"));
    EXPECT_FALSE(IsMailAddress(""));
    QString url, mail;
    LinkAt("see www.orvane.org now", 6, url, mail);
    EXPECT_EQ(url, "www.orvane.org");
    LinkAt("mail: info@orvane.org", 10, url, mail);
    EXPECT_EQ(mail, "info@orvane.org");
    EXPECT_TRUE(url.isEmpty());
    LinkAt("plain text", 2, url, mail);
    EXPECT_TRUE(url.isEmpty() && mail.isEmpty());
}

TEST(About, LinksAreFoundLikeTheOriginalSearch) {
    // A "www." address before an "http://" one is passed over: the searches run one after the
    // other from the end of the last link.
    const QString t = "www.a.org then HTTP://b.org and x@y.de";
    const TTextRanges links = FindLinks(t);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(t.mid(links[0].first, links[0].second - links[0].first), "HTTP://b.org");
    EXPECT_EQ(t.mid(links[1].first, links[1].second - links[1].first), "x@y.de");
}
