#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QApplication>
#include <QTimer>

#include "app/AppDelegate.h"
#include "app/SignalQuitter.h"
#include "app/Startup.h"
#include "platform/Platform.h"
#include "platform/x11/X11Platform.h"

namespace {

// Windows of other programs are reachable through X11 only; on a Wayland session that means
// XWayland, which the messenger under Wine uses too.
void preferX11() {
    const char* requested = std::getenv("QT_QPA_PLATFORM");
    if (!requested && std::getenv("WAYLAND_DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tessavo %s\n", TESSAVO_VERSION);
        return 0;
    }
    preferX11();
    platform::install(platform::x11::createPlatform());
    Startup::enforceSingleInstance();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tessavo"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tessavo"));
    // No main window: the program lives in its status item, covers and bar.
    QApplication::setQuitOnLastWindowClosed(false);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr,
                     "tessavo: not on an X11 display (Qt platform \"%s\"); other "
                     "programs' windows cannot be seen\n",
                     qPrintable(QGuiApplication::platformName()));
    }

    AppDelegate delegate;
    SignalQuitter quitter;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     &AppDelegate::applicationWillTerminate);
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    return QApplication::exec();
}
