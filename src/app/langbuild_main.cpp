// orvane-langbuild OUT.ori: writes the original language file (and its common file beside it)
// from the program's own windows, for translators to start from.
#include "app/langbuild.h"

#include "views/recordedtext.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2 || QString(argv[1]).startsWith('-')) {
        std::fprintf(stderr,
                     "Usage: orvane-langbuild OUT.ori\n"
                     "Writes the program's built-in texts as an original language file, and its\n"
                     "common language file beside it.\n");
        return argc == 2 && (QString(argv[1]) == "--help" || QString(argv[1]) == "-h") ? 0 : 64;
    }
    // The windows are made without showing them, and without touching the user's record.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    qputenv("XDG_DATA_HOME", orvane::ToSystemText(scratch.path()).c_str());
    QApplication app(argc, argv);
    app.setApplicationName("Orvane");
    // From Qt's arguments: on Windows argv holds the name in the ANSI code page, which cannot
    // hold every file name.
    const QString out = QDir::current().absoluteFilePath(QCoreApplication::arguments().at(1));

    QString error;
    if (!orvane::BuildLanguageFiles(out, &error)) {
        std::fprintf(stderr, "orvane-langbuild: %s\n", orvane::ToSystemText(error).c_str());
        return 1;
    }
    std::printf("%s\n", orvane::ToSystemText(out).c_str());
    return 0;
}
