#include "language/langfile.h"

#include "qtfiles.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <optional>
#include <string_view>

using namespace orvane;
using orvane::test::ReadBytes;
using orvane::test::WriteBytes;

namespace {

struct TFormatCase {
    const char* Name;
    QString Text;
    QString Section;
    QString Key;
    std::optional<QString> Expected; // nullopt: the key is not found
};

class FormatCases : public ::testing::TestWithParam<TFormatCase> {};

TEST_P(FormatCases, ReadsAsSpecified) {
    const TFormatCase& c = GetParam();
    TLangFile file;
    file.LoadFromText(c.Text);
    EXPECT_EQ(file.ValueExists(c.Section, c.Key), c.Expected.has_value());
    EXPECT_EQ(file.ReadString(c.Section, c.Key, QStringLiteral("<default>")),
              c.Expected.value_or(QStringLiteral("<default>")));
}

INSTANTIATE_TEST_SUITE_P(
    LangFile, FormatCases,
    ::testing::Values(
        TFormatCase{"TwoQuotesStayRaw", "[S]\nk=\"\"", "S", "k", QStringLiteral("\"\"")},
        TFormatCase{"TrimOutsideQuotesOnly", "[S]\n  k  =  \"  word  \"   \t", "S", "k",
                    QStringLiteral("\"  word  \"")},
        TFormatCase{"SplitAtFirstEquals", "[S]\nk=a=b", "S", "k", QStringLiteral("a=b")},
        TFormatCase{"EmptyValueExists", "[S]\nk=", "S", "k", QString()},
        TFormatCase{"EmptyKey", "[S]\n=v", "S", "", QStringLiteral("v")},
        TFormatCase{"FirstKeyWins", "[S]\nk=1\nK=2", "S", "k", QStringLiteral("1")},
        TFormatCase{"FirstSectionWins", "[S]\nk=1\n[s]\nk=2", "S", "k", QStringLiteral("1")},
        TFormatCase{"SecondSectionNeverFound", "[S]\nk=1\n[S]\nj=2", "S", "j", std::nullopt},
        TFormatCase{"CaseInsensitive", "[FMACTIVITY]\nsremoveall=x", "fmActivity", "SRemoveAll",
                    QStringLiteral("x")},
        TFormatCase{"CommentSkipped", "[S]\n  ;k=1\nk=2", "S", "k", QStringLiteral("2")},
        TFormatCase{"BeforeFirstSectionIgnored", "k=0\n[S]", "S", "k", std::nullopt},
        TFormatCase{"OpenBracketIsNoSection", "[S]\n[T\nk=v", "S", "k", QStringLiteral("v")},
        TFormatCase{"OpenBracketSectionMissing", "[S]\n[T\nk=v", "T", "k", std::nullopt},
        TFormatCase{"SectionNameTrimmed", "[  S \t]\nk=v", "S", "k", QStringLiteral("v")},
        TFormatCase{"ControlCharsTrimmed", "[S]\n\x01\tk=v\x1f", "S", "k", QStringLiteral("v")},
        TFormatCase{"LineWithoutEqualsMatchesNothing", "[S]\nk\nk=v", "S", "k",
                    QStringLiteral("v")},
        TFormatCase{"CrOnlyBreaks", "[S]\rk=v\rj=w", "S", "j", QStringLiteral("w")},
        TFormatCase{"CrLfBreaks", "[S]\r\nk=v\r\n", "S", "k", QStringLiteral("v")},
        TFormatCase{"LineSeparatorBreaks", QStringLiteral("[S]\u2028k=v\u2028j=w"), "S", "j",
                    QStringLiteral("w")},
        TFormatCase{"MissingSection", "[S]\nk=v", "X", "k", std::nullopt}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(LangFile, UnquoteRules) {
    struct {
        QString In, Out;
    } cases[] = {
        {"\"\"", "\"\""},             // two quotes are not an empty text
        {"\"  word  \"", "  word  "}, // blanks inside the quotes survive
        {"\"a\"b\"c\"", "a\"b\"c"},   // up to the last quote, inner quotes kept
        {"\"abc", "\"abc"},           // no second quote: as it stands
        {"\"", "\""},
        {"plain \"x\"", "plain \"x\""}, // not starting with a quote
        {"\"a\"  ", "a"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Unquote(c.In), c.Out) << c.In.toStdString();
}

TEST(LangFile, QuotedStringRuleOfMainMenu) {
    struct {
        QString In, Out;
    } cases[] = {
        {"\"File\"", "File"},
        {"\"a\"\"b\" tail", "a\"b"}, // "" stands for one quote, reading stops at the closing one
        {"\"\"", "\"\""},            // empty result: unchanged
        {"File", "File"},
        {"\"open", "open"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnquoteQuotedString(c.In), c.Out) << c.In.toStdString();
    EXPECT_EQ(UnquoteQuotedString(QuoteQuotedString("say \"hi\"")), "say \"hi\"");
}

TEST(LangFile, LineBreakEscapeAndNameQuotes) {
    EXPECT_EQ(EscapeLineBreaks("a\r\nb\nc"), "a/r/nb\nc");
    EXPECT_EQ(UnescapeLineBreaks("a/r/nb/r/n"), "a\r\nb\r\n");
    EXPECT_EQ(UnescapeLineBreaks(EscapeLineBreaks("x\r\n\r\ny")), "x\r\n\r\ny");
    EXPECT_EQ(StripEnclosingQuotes("'Deutsch'"), "Deutsch");
    EXPECT_EQ(StripEnclosingQuotes("\"English\""), "English");
    EXPECT_EQ(StripEnclosingQuotes("\"Mixed'"), "\"Mixed'");
    EXPECT_EQ(StripEnclosingQuotes("\""), "\"");
    EXPECT_TRUE(SameTextAscii("English", "eNGLISH"));
    EXPECT_FALSE(SameTextAscii("\"English\"", "English"));
}

TEST(LangFile, EveryEncoding) {
    const QString text = QStringLiteral("[Orvane]\r\nLanguage=Deutsch \u00c4\u20ac\U0001F600\r\n");
    const QString expected = QStringLiteral("Deutsch \u00c4\u20ac\U0001F600");
    QStringEncoder be(QStringConverter::Utf16BE);
    const struct {
        const char* Name;
        QByteArray Bytes;
    } cases[] = {
        {"utf16le", test::Utf16LeWithBom(text)},
        {"utf16be", QByteArray("\xFE\xFF", 2) + QByteArray(be.encode(text))},
        {"utf8bom", QByteArray("\xEF\xBB\xBF") + text.toUtf8()},
        {"8bit", text.toLocal8Bit()},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString path = dir.filePath(c.Name);
        ASSERT_TRUE(WriteBytes(path, c.Bytes));
        TLangFile file(path);
        // The mark is not part of the text: otherwise the first line would be no section. The
        // 8-bit file holds what its code page can (on Windows no emoji).
        const QString held = c.Name == std::string_view("8bit")
                                 ? QString::fromLocal8Bit(expected.toLocal8Bit())
                                 : expected;
        EXPECT_EQ(file.ReadString("Orvane", "Language", "missing"), held) << c.Name;
    }
    // Without a mark, UTF-8 bytes are 8-bit code-page text (on Linux that code page is UTF-8).
    const QByteArray raw = QByteArray("[S]\nk=") + QByteArray("\xC3\xA4\xFF");
    TLangFile file;
    file.LoadFromText(DecodeLangText(raw));
    EXPECT_EQ(file.ReadString("S", "k", {}), QString::fromLocal8Bit("\xC3\xA4\xFF"));
}

TEST(LangFile, WriteAndReadBack) {
    QTemporaryDir dir;
    TLangFile file;
    file.LoadFromText("; comment\n[Orvane]\nLanguage=x\n\n[fmActivity]\nkeep=1\nNoEquals\n");
    file.SetFileName(dir.filePath("out.ori"));
    file.WriteString("orvane", "Language", "\"ORIGINAL\""); // replaces, case-insensitively
    file.WriteString("fmActivity", "D1.Caption", "\"Datei \u00fc\"");
    file.WriteString("New", "Empty", "\"\""); // a new section goes last
    ASSERT_TRUE(file.SaveToFile());

    const QByteArray bytes = ReadBytes(file.FileName());
    ASSERT_GE(bytes.size(), 2);
    EXPECT_EQ(bytes.left(2), QByteArray("\xFF\xFE", 2));
    const QString text = DecodeLangText(bytes);
    EXPECT_EQ(text, QStringLiteral("[Orvane]\r\nLanguage=\"ORIGINAL\"\r\n\r\n"
                                   "[fmActivity]\r\nkeep=1\r\nNoEquals\r\nD1.Caption=\"Datei "
                                   "\u00fc\"\r\n\r\n[New]\r\nEmpty=\"\"\r\n\r\n"));

    TLangFile back(file.FileName());
    EXPECT_EQ(back.SectionNames(), QStringList({"Orvane", "fmActivity", "New"}));
    EXPECT_EQ(back.ReadString("fmActivity", "D1.Caption", {}), "\"Datei \u00fc\"");
    EXPECT_EQ(back.ReadString("new", "empty", "x"), "\"\"");
    EXPECT_EQ(back.SectionKeys("fmActivity"), QStringList({"keep", "D1.Caption"}));
}

TEST(LangFile, MissingFileOrFolderIsEmpty) {
    QTemporaryDir dir;
    TLangFile missing;
    EXPECT_FALSE(missing.LoadFromFile(dir.filePath("none.lan")));
    EXPECT_TRUE(missing.SectionNames().isEmpty());
    TLangFile folder;
    EXPECT_FALSE(folder.LoadFromFile(dir.path()));
    EXPECT_TRUE(folder.SectionNames().isEmpty());
}

TEST(LangFile, SaveIntoMissingFolderFailsWithReason) {
    TLangFile file;
    file.SetFileName("/nonexistent-orvane-folder/x.ori");
    file.WriteString("S", "k", "v");
    QString error;
    EXPECT_FALSE(file.SaveToFile(&error));
    EXPECT_FALSE(error.isEmpty());
}

// ---- hostile files --------------------------------------------------------------------------

TEST(LangFileHostile, BinaryGarbageReadsWithoutHarm) {
    QTemporaryDir dir;
    QRandomGenerator rng(42);
    for (const QByteArray& prefix : {QByteArray(), QByteArray("\xFF\xFE", 2),
                                     QByteArray("\xFE\xFF", 2), QByteArray("\xEF\xBB\xBF")}) {
        QByteArray bytes = prefix;
        bytes.resize(prefix.size() + 512 * 1024);
        for (qsizetype i = prefix.size(); i < bytes.size(); ++i)
            bytes[i] = char(rng.bounded(256));
        bytes += "\n[S]\nk=v\n";
        const QString path = dir.filePath("garbage");
        ASSERT_TRUE(WriteBytes(path, bytes));
        TLangFile file(path);
        (void)file.ReadString("S", "k", {});
        QString error;
        file.SetFileName(dir.filePath("again.ori"));
        EXPECT_TRUE(file.SaveToFile(&error)) << error.toStdString();
    }
}

TEST(LangFileHostile, OverlongLineIsSkippedAndTheRestKept) {
    QByteArray bytes = "[S]\nbefore=1\nlong=";
    bytes += QByteArray(3 * 1024 * 1024, 'x');
    bytes += "\nafter=2\n";
    TLangFile file;
    file.LoadFromText(DecodeLangText(bytes));
    EXPECT_EQ(file.ReadString("S", "before", {}), "1");
    EXPECT_EQ(file.ReadString("S", "after", {}), "2");
    EXPECT_FALSE(file.ValueExists("S", "long"));
    // A line just within the limit is kept.
    TLangFile fits;
    fits.LoadFromText("[S]\nk=" + QString(LangMaxLineChars - 2, u'y'));
    EXPECT_EQ(fits.ReadString("S", "k", {}).size(), LangMaxLineChars - 2);
}

TEST(LangFileHostile, HugeFileIsReadUpToTheLimit) {
    QTemporaryDir dir;
    const QString path = dir.filePath("huge.lan");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[S]\nfirst=1\n");
    const QByteArray filler = "p=" + QByteArray(1000, 'z') + "\n";
    while (f.size() < LangMaxFileBytes + 4 * 1024 * 1024)
        f.write(filler);
    f.write("late=1\n");
    f.close();

    TLangFile file(path);
    EXPECT_EQ(file.ReadString("S", "first", {}), "1");
    EXPECT_FALSE(file.ValueExists("S", "late"));
    EXPECT_EQ(file.ReadString("S", "p", {}).size(), 1000);
}

TEST(LangFileHostile, ManyTinyLinesAreCapped) {
    QString text = "[S]\n";
    for (int i = 0; i < LangMaxLines + 1000; ++i)
        text += QStringLiteral("k%1=1\n").arg(i);
    TLangFile file;
    file.LoadFromText(text);
    EXPECT_EQ(file.KeyCount("S"), LangMaxLines - 1); // the section line counts too
    EXPECT_TRUE(file.ValueExists("S", "k0"));
}

TEST(LangFileHostile, OddLengthUtf16AndBrokenSurrogates) {
    QTemporaryDir dir;
    QByteArray bytes("\xFF\xFE", 2);
    auto add = [&bytes](char16_t c) {
        bytes += char(c & 0xFF);
        bytes += char(c >> 8);
    };
    for (char16_t c : u"[S]\r\nhigh=a")
        add(c);
    bytes.chop(2); // the literal's terminating zero
    add(0xD800);   // a high surrogate without its partner
    for (char16_t c : u"b\r\nlow=")
        add(c);
    bytes.chop(2);
    add(0xDC00); // a low surrogate on its own
    for (char16_t c : u"\r\nk=v")
        add(c);
    bytes.chop(2);
    bytes += 'Z'; // odd length
    const QString path = dir.filePath("odd.lan");
    ASSERT_TRUE(WriteBytes(path, bytes));

    TLangFile file(path);
    EXPECT_EQ(file.ReadString("S", "k", {}), "v");
    for (const char* key : {"high", "low"}) {
        const QString value = file.ReadString("S", key, {});
        EXPECT_FALSE(value.isEmpty()) << key;
        for (QChar c : value)
            EXPECT_FALSE(c.isSurrogate()) << key;
    }
    EXPECT_TRUE(file.ReadString("S", "high", {}).startsWith(u'a'));
    EXPECT_TRUE(file.ReadString("S", "high", {}).endsWith(u'b'));
}

} // namespace
