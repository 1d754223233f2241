// The text seam's conversions, as a table per system encoding: UTF-8 on Linux, the ANSI code page
// on Windows (the Wine run sets ORVANE_TEST_CODE_PAGE=1252 and a German locale).
#include "views/recordedtext.h"

#include <QString>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace orvane;

namespace {

// The system's 8-bit encoding as a code page number; 65001 (UTF-8) on Linux.
unsigned SystemCodePage() {
#ifdef _WIN32
    return ::GetACP();
#else
    return 65001;
#endif
}

struct TCase {
    unsigned CodePage;
    const char16_t* Text;
    std::string Bytes; // the text in that code page
};

const TCase Cases[] = {
    {65001, u"\u00DCbersicht f\u00FCr J\u00FCrgen.txt - Editor",
     "\xC3\x9C"
     "bersicht f\xC3\xBCr J\xC3\xBCrgen.txt - Editor"},
    {65001, u"\u041E\u0422\u0427\u0401\u0422 \u2013 \u65E5\u672C", // ОТЧЁТ – 日本
     "\xD0\x9E\xD0\xA2\xD0\xA7\xD0\x81\xD0\xA2 \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC"},
    {1252, u"\u00DCbersicht f\u00FCr J\u00FCrgen.txt - Editor",
     "\xDC"
     "bersicht f\xFCr J\xFCrgen.txt - Editor"},
    {1252, u"Stra\u00DFe \u2013 \u20AC 5",
     "Stra\xDF"
     "e \x96 \x80 5"},                                                 // Straße – € 5
    {1251, u"\u041E\u0422\u0427\u0401\u0422", "\xCE\xD2\xD7\xA8\xD2"}, // ОТЧЁТ
};

class RecordedText : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* wanted = std::getenv("ORVANE_TEST_CODE_PAGE")) {
            ASSERT_EQ(SystemCodePage(), static_cast<unsigned>(std::atoi(wanted)));
        }
    }
};

} // namespace

TEST_F(RecordedText, ConvertsBetweenTheSystemsTextQtAndUtf8) {
    int tried = 0;
    for (const TCase& c : Cases) {
        if (c.CodePage != SystemCodePage()) continue;
        ++tried;
        const QString text = QString::fromUtf16(c.Text);
        const std::string utf8 = text.toUtf8().toStdString();
        SCOPED_TRACE(utf8);
        EXPECT_EQ(FromSystemText(c.Bytes), text);
        EXPECT_EQ(ToSystemText(text), c.Bytes);
        // orvane-report's output and arguments.
        EXPECT_EQ(SystemTextToUtf8(c.Bytes), utf8);
        EXPECT_EQ(Utf8ToSystemText(utf8), c.Bytes);
        // UTF-8 and file names are UTF-8 whatever the code page.
        EXPECT_EQ(FromUtf8Text(utf8), text);
        EXPECT_EQ(ToUtf8Text(text), utf8);
        EXPECT_EQ(FromFileName(utf8), text);
        EXPECT_EQ(ToFileName(text), utf8);
    }
    if (SystemCodePage() == 65001 || SystemCodePage() == 1252) {
        EXPECT_GT(tried, 0);
    }
}

TEST_F(RecordedText, TextTheCodePageCannotHoldBecomesQuestionMarks) {
    const QString japanese = QString::fromUtf16(u"\u65E5\u672C.txt");
    if (SystemCodePage() == 65001) {
        EXPECT_EQ(ToSystemText(japanese), japanese.toUtf8().toStdString());
    } else if (SystemCodePage() == 1252) {
        EXPECT_EQ(ToSystemText(japanese), "??.txt");
    }
    // A file name keeps it on every system.
    EXPECT_EQ(FromFileName(ToFileName(japanese)), japanese);
}

TEST_F(RecordedText, BytesThatAreNoUtf8StayForTheReportToEscapeOnLinux) {
    if (SystemCodePage() != 65001) GTEST_SKIP() << "the code page reads every byte";
    EXPECT_EQ(SystemTextToUtf8("a\xFF\xC3"), "a\xFF\xC3");
    EXPECT_EQ(Utf8ToSystemText("a\xFF"), "a\xFF");
}

TEST_F(RecordedText, CaseFoldsTheDecodedText) {
    const auto system = [](const char16_t* text) { return ToSystemText(QString::fromUtf16(text)); };
    const auto holds = [&](const char16_t* text) {
        return FromSystemText(system(text)) == QString::fromUtf16(text);
    };
    const std::pair<const char16_t*, const char16_t*> alike[] = {
        {u"\u00DCbersicht f\u00FCr J\u00FCrgen.txt", u"\u00FCBERSICHT F\u00DCR j\u00DCRGEN.TXT"},
        {u"\u041E\u0442\u0447\u0451\u0442", u"\u041E\u0422\u0427\u0401\u0422"}, // Отчёт, ОТЧЁТ
    };
    int tried = 0;
    for (const auto& [a, b] : alike) {
        if (!holds(a) || !holds(b)) continue;
        ++tried;
        EXPECT_EQ(FoldCaseKey(system(a)), FoldCaseKey(system(b)));
    }
    EXPECT_GT(tried, 0);
    // Letters that differ stay apart, whatever the encoding.
    EXPECT_NE(FoldCaseKey(system(u"M\u00FCller")), FoldCaseKey(system(u"M\u00F6ller")));
    // The message texts are UTF-8 on every system.
    EXPECT_EQ(FoldCaseKey("\xC3\x9C"
                          "BER"),
              FoldCaseKey("\xC3\xBC"
                          "ber"));
}
