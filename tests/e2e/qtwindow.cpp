// A Qt window with a known title for the end-to-end tests on Wayland compositors, where the X11
// test window cannot stand in for a native client. It stays until it is killed.
//
//   qtwindow TITLE [RENAME_FILE NEW_TITLE]
//
// With RENAME_FILE, the title becomes NEW_TITLE once that file exists.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2 && args.size() != 4) {
        qWarning("usage: qtwindow TITLE [RENAME_FILE NEW_TITLE]");
        return 64;
    }
    QWidget window;
    window.setWindowTitle(args[1]);
    window.resize(320, 200);
    window.show();
    QTimer rename;
    if (args.size() == 4) {
        QObject::connect(&rename, &QTimer::timeout, [&] {
            if (!QFileInfo::exists(args[2])) return;
            window.setWindowTitle(args[3]);
            rename.stop();
        });
        rename.start(50);
    }
    return app.exec();
}
