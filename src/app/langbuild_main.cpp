// orvane-langbuild OUT.ori: writes the original language file (and its common file beside it)
// from the program's own windows, for translators to start from.
#include "app/aboutform.h"
#include "app/mainwindow.h"
#include "app/qalbase.h"
#include "language/languagemenu.h"
#include "platform/platform.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2 || QString(argv[1]).startsWith('-')) {
        std::fprintf(stderr,
                     "Usage: orvane-langbuild OUT.ori\n"
                     "Writes the program's built-in texts as an original language file, and its\n"
                     "common language file beside it.\n");
        return argc == 2 && (QString(argv[1]) == "--help" || QString(argv[1]) == "-h") ? 0 : 64;
    }
    const QString out = QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1]));
    // The windows are made without showing them, and without touching the user's record.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir scratch;
    setenv("XDG_DATA_HOME", scratch.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    app.setApplicationName("Orvane");

    orvane::TQalBase base;
    orvane::platform::TScriptedProbe probe;
    orvane::TActivityDeps deps;
    deps.Probe = &probe;
    deps.UseTray = false;
    deps.StartTimer = false;
    orvane::TfmActivity main(base, deps);
    QString error;
    if (!orvane::BuildOriginalFiles(*base.LanMan, {&main, main.AboutForm()}, out, &error)) {
        std::fprintf(stderr, "orvane-langbuild: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    std::printf("%s\n", out.toLocal8Bit().constData());
    return 0;
}
