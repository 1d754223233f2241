// A native window with a known title for the end-to-end tests of Wayland sessions
// (QT_QPA_PLATFORM=wayland). It prints "shown" once the compositor shows it and stays until it is
// killed or the compositor goes away.
//
//   qtwindow TITLE [RENAME_FILE NEW_TITLE]
//
// With RENAME_FILE, the title becomes NEW_TITLE once that file exists.
#include <QFileInfo>
#include <QGuiApplication>
#include <QRasterWindow>
#include <QTimer>

#include <cstdio>

namespace {

class TWindow final : public QRasterWindow {
protected:
    void exposeEvent(QExposeEvent* e) override {
        QRasterWindow::exposeEvent(e);
        if (isExposed() && !FShown) {
            FShown = true;
            std::printf("shown\n");
            std::fflush(stdout);
        }
    }

private:
    bool FShown = false;
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2 && args.size() != 4) {
        std::fprintf(stderr, "usage: qtwindow TITLE [RENAME_FILE NEW_TITLE]\n");
        return 64;
    }
    TWindow w;
    w.setTitle(args[1]);
    w.resize(320, 120);
    w.show();
    QTimer rename;
    if (args.size() == 4) {
        QObject::connect(&rename, &QTimer::timeout, [&] {
            if (!QFileInfo::exists(args[2])) return;
            w.setTitle(args[3]);
            rename.stop();
        });
        rename.start(50);
    }
    return app.exec();
}
