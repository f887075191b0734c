// grab_window WINDOW FILE.png: saves what an X window shows, the window only, as a
// PNG. Written with Qt's own screen grabbing so that the real-display test needs no
// image tool beyond what the panel is built with. Run it on the xcb platform
// against the display the window is on.
//
// WINDOW is an X window id in decimal or 0x-hexadecimal. Exit status: 0 saved,
// 1 nothing grabbed or not written, 2 bad arguments.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QString>
#include <cstdio>

int main(int argc, char* argv[]) {
    // Always the X display, whatever the caller's environment says.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    bool valid = arguments.size() == 3;
    const qulonglong window = valid ? arguments[1].toULongLong(&valid, 0) : 0;
    if (!valid || window == 0) {
        std::fprintf(stderr, "usage: grab_window WINDOW-ID FILE.png\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap picture =
        screen == nullptr ? QPixmap() : screen->grabWindow(static_cast<WId>(window));
    if (picture.isNull()) {
        std::fprintf(stderr, "grab_window: nothing grabbed from window 0x%llx\n", window);
        return 1;
    }
    if (!picture.save(arguments[2], "PNG")) {
        std::fprintf(stderr, "grab_window: cannot write %s\n", qPrintable(arguments[2]));
        return 1;
    }
    return 0;
}
