#include "platform/x11/x11detail.h"

#include <gtest/gtest.h>

using namespace orvane::platform::x11;

TEST(TitleText, Latin1BecomesUtf8) {
    EXPECT_EQ(Latin1ToUtf8("Caf\xE9 cr\xE8me \xC0\xFF"), "Café crème Àÿ");
    EXPECT_EQ(Latin1ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(Latin1ToUtf8(""), "");
}

TEST(TitleText, CompoundTextSegmentsAreDecoded) {
    struct Case {
        const char* What;
        std::string In, Out;
    } cases[] = {
        {"plain ASCII", "Hello, world", "Hello, world"},
        {"Latin-1 right half without designation", "Caf\xE9", "Café"},
        {"explicit ASCII and Latin-1", "\x1B(B\x1B-ACaf\xE9", "Café"},
        {"Cyrillic, ISO 8859-5", "\x1B-L\xBF\xE0\xD8\xD2\xD5\xE2!", "Привет!"},
        {"Greek, ISO 8859-7", "\x1B-F\xD9 x", "Ω x"},
        {"sets switch back", "\x1B-L\xBF\x1B-A\xE9", "Пé"},
        {"GB 2312 in GR", "\x1B$)A\xC4\xE3\xBA\xC3", "你好"},
        {"GB 2312 in GL", "\x1B$(A\x44\x63\x3A\x43\x1B(B.", "你好."},
        {"JIS X 0201 katakana", "\x1B)I\xB1", "ｱ"},
        {"UTF-8 segment", "a \x1B%G\xE2\x9C\x93\x1B%@ b", "a ✓ b"},
        {"UTF-8 segment to the end", "\x1B%G\xF0\x9F\x99\x82", "🙂"},
        {"extended segment naming UTF-8", std::string("\x1B%/1\x80\x89utf-8\x02\xE2\x9C\x93", 15),
         "✓"},
        {"no escape smuggled through an extended segment",
         std::string("\x1B%/1\x80\x89utf-8\x02x\x1B"
                     "y",
                     15),
         "xy"},
        {"extended segment, KOI8-R", std::string("\x1B%/1\x80\x88koi8-r\x02\xF0", 14), "П"},
        {"direction marks dropped",
         "\x9B"
         "1]abc\x9B]",
         "abc"},
        {"tab and newline kept, other controls dropped",
         "a\tb\nc\x01\x85"
         "d",
         "a\tb\ncd"},
        {"unknown 96-set", "\x1B-Z\xC1\xC2", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"unknown double-byte set", "\x1B$)Z\xC1\xC2\xC3\xC4", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"invalid GB 2312 pair", "\x1B$)A\xA1\x20x", "\xEF\xBF\xBD x"},
        {"escape cut off at the end", "ab\x1B$", "ab"},
        {"extended segment longer than the text",
         "\x1B%/1\xFF\xFFutf-8\x02"
         "abc",
         "abc"},
        {"extended segment without a name end", "\x1B%/1\x80\x83xyz", "\xEF\xBF\xBD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompoundTextToUtf8(c.In), c.Out) << c.What;
}

TEST(TitleText, CompoundTextSurvivesEveryTruncation) {
    const std::string ct =
        "a\x1B-L\xBF\x1B$)A\xC4\xE3\x1B%G\xE2\x9C\x93\x1B%@\x1B%/1\x80\x89utf-8\x02"
        "\xE2\x9C\x93\x9B"
        "1]z";
    for (std::size_t n = 0; n <= ct.size(); ++n) {
        const std::string out = CompoundTextToUtf8(ct.substr(0, n));
        EXPECT_EQ(out.find('\x1B'), std::string::npos) << n;
    }
}

// Hostile titles: random strings over the bytes that steer the decoder.
TEST(TitleText, CompoundTextSurvivesRandomInput) {
    const unsigned char bytes[] = {0x1B, '%',  '/',  '$',  '(',  ')',  '-',  'A', 'G',
                                   'B',  'L',  '@',  '0',  '1',  '2',  '4',  ']', 0x02,
                                   0x80, 0x81, 0x9B, 0xA0, 0xA1, 0xC4, 0xFF, 'a', ' '};
    const std::string alphabet(std::begin(bytes), std::end(bytes));
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int round = 0; round < 3000; ++round) {
        std::string in;
        const std::size_t len = next() % 40;
        for (std::size_t i = 0; i < len; ++i)
            in += alphabet[next() % alphabet.size()];
        const std::string out = CompoundTextToUtf8(in);
        EXPECT_EQ(out.find('\x1B'), std::string::npos) << round;
        EXPECT_LE(out.size(), in.size() * 4 + 8) << round;
    }
}

TEST(TitleText, LocalMachine) {
    struct Case {
        const char *Client, *Local;
        bool Same;
    } cases[] = {
        {"box", "box", true},
        {"BOX", "box", true},
        {"box.example.org", "box", true},
        {"box", "box.example.org", true},
        {"box.example.org", "box.other.net", true},
        {"far-away.example.org", "box", false},
        {"boxer", "box", false},
        {"", "box", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsLocalMachine(c.Client, c.Local), c.Same) << c.Client << " / " << c.Local;
}
