// The language-file reader on arbitrary bytes: every section and key it exposes is read back and
// through the value rules, and a file saved by the manager reads back with the same values.
#include "fuzzcommon.h"

#include "language/langfile.h"

#include <QCoreApplication>

namespace {

using orvane::fuzz::Check;

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "fuzz_langfile";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

// Letter case changed for A-Z only: the names the program uses are ASCII.
QString AsciiCase(QString text, bool upper) {
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (upper && u >= u'a' && u <= u'z') c = QChar(char16_t(u - 32));
        if (!upper && u >= u'A' && u <= u'Z') c = QChar(char16_t(u + 32));
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvane;
    EnsureApplication();
    static const std::string path = fuzz::TempPath("input.lan");
    fuzz::WriteFile(path, data, size);

    TLangFile file;
    Check(file.LoadFromFile(QString::fromStdString(path)), "an existing file did not load");

    TLangFile saved;
    saved.LoadFromText(DecodeLangText(file.SaveToBytes()));
    Check(saved.SaveToBytes() == file.SaveToBytes(), "a saved file does not save the same again");

    const QString missing = QStringLiteral("\x01missing");
    const QStringList sections = file.SectionNames();
    for (const QString& section : sections) {
        Check(file.SectionExists(section), "a listed section is not found");
        Check(file.SectionExists(AsciiCase(section, true)) &&
                  file.SectionExists(AsciiCase(section, false)),
              "a section is not found in another letter case");
        const QStringList keys = file.SectionKeys(section);
        Check(keys.size() <= file.KeyCount(section), "more keys listed than counted");
        for (const QString& key : keys) {
            Check(file.ValueExists(section, key), "a listed key does not exist");
            const QString value = file.ReadString(section, key, missing);
            Check(value != missing, "a listed key reads as missing");
            Check(file.ReadString(AsciiCase(section, false), AsciiCase(key, true), missing) ==
                      value,
                  "a key is not found in another letter case");
            Check(saved.ReadString(section, key, missing) == value,
                  "a value changed through a save and reload");
            Check(TrimControl(value) == value, "a value keeps blanks at its ends");
            // The value rules the manager applies.
            const QString unquoted = Unquote(value);
            Check(unquoted.size() <= value.size(), "Unquote made a text longer");
            const QString menu = UnquoteQuotedString(value);
            Check(menu.size() <= value.size(), "UnquoteQuotedString made a text longer");
            if (!value.isEmpty())
                Check(UnquoteQuotedString(QuoteQuotedString(value)) == value,
                      "a quoted menu text does not read back");
            const QString lines = UnescapeLineBreaks(value);
            if (!value.contains(QStringLiteral("\r\n")))
                Check(EscapeLineBreaks(lines) == value, "the line-break escape does not read back");
            (void)StripEnclosingQuotes(value);
        }
    }
    // The keys the program asks for.
    (void)file.ReadString(QStringLiteral("Orvane"), QStringLiteral("Language"), QString());
    (void)file.ReadString(QStringLiteral("Orvane"), QStringLiteral("CommonLanguageFile"),
                          QString());
    (void)file.KeyCount(QStringLiteral("Orvane"));
    (void)file.ReadString(QStringLiteral("fmActivity"), QStringLiteral("SRemoveAll"), QString());
    return 0;
}
