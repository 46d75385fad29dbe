// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include <malloc.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QStringList>
#include <QTimer>

#include "app/AppDelegate.h"
#include "app/DisplayLoss.h"
#include "app/SignalQuitter.h"
#include "app/Startup.h"
#include "common/Log.h"
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
    // Every cover is a window of its own, made while the messenger opens its chats and the
    // server is at its busiest: each round trip the toolkit makes per window delays the cover.
    // Extended input costs one (a checked event selection per window) and gives a cover
    // nothing that plain core events do not. The user's own choice stands.
    setenv("QT_XCB_NO_XI2", "1", 0);
}

// A large cover's pixels take megabytes and come and go with its chat. Left to itself, the
// allocator raises its threshold for giving such blocks mappings of their own once a few are
// freed, and keeps later ones in the heap, where freed space is seldom handed back: hours of
// chats opening, growing and closing leave the process tens of megabytes larger. A fixed
// threshold returns every block of a megabyte or more to the system as it is freed; smaller
// ones (a small chat's cover) stay in the heap, where reusing them costs no fresh page faults.
void returnLargeBlocksWhenFreed() {
#ifdef __GLIBC__
    constexpr int kLargeBlock = 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, kLargeBlock);
    mallopt(M_TRIM_THRESHOLD, kLargeBlock);
#endif
}

constexpr const char* kHelp =
    "사용법: tessavo [옵션]\n"
    "테사보: 지금 쓰고 있지 않은 메신저 대화창을 메모장이나 바탕화면 그림으로 가립니다.\n"
    "인자 없이 시작하면 트레이에 머무르며, 이미 실행 중인 사본은 끝냅니다.\n"
    "\n"
    "옵션:\n"
    "  -h, --help     이 도움말을 보여 주고 끝냅니다\n"
    "  -v, --version  버전을 보여 주고 끝냅니다\n"
    "\n"
    "설정 파일: $XDG_CONFIG_HOME/tessavo/settings.json (보통 ~/.config/tessavo/settings.json)\n"
    "디버그 기록: TESSAVO_DEBUG=1 이면 $TMPDIR/tessavo.log (보통 /tmp/tessavo.log) 에 씁니다\n"
    "자세한 설명: man tessavo\n";

// Read before anything else, with no application object: asking for help or the version must
// work without a display and must not stop a running copy. Returns the exit status when the
// program is to end here.
std::optional<int> handleCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({help, version});
    QString error;
    if (!parser.parse(arguments)) {
        // In Korean like the rest of the program; only rarer mistakes keep Qt's English text.
        const QStringList unknown = parser.unknownOptionNames();
        const QString dashes = QLatin1String(unknown.value(0).size() == 1 ? "-" : "--");
        error = unknown.isEmpty() ? parser.errorText()
                                  : QStringLiteral("알 수 없는 옵션: ") + dashes + unknown.first();
    } else if (!parser.positionalArguments().isEmpty()) {
        error =
            QStringLiteral("인자를 받지 않습니다: %1").arg(parser.positionalArguments().first());
    }
    if (!error.isEmpty()) {
        std::fprintf(stderr, "tessavo: %s\n'tessavo --help'로 사용법을 볼 수 있습니다.\n",
                     qPrintable(error));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("tessavo %s\n", TESSAVO_VERSION);
        return 0;
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto status = handleCommandLine(argc, argv)) {
        return *status;
    }
    returnLargeBlocksWhenFreed();
    preferX11();
    const platform::CoverStackingChoice covers = platform::chooseCoverStacking();
    platform::install(platform::x11::createPlatform(covers.stacking));
    Log::line(std::string(covers.stacking == platform::CoverStacking::aboveChat
                              ? "COVERS stacked above their chats"
                              : "COVERS on the floating level") +
              " (" + covers.reason + ")");
    DisplayLoss::install();
    Startup::enforceSingleInstance();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tessavo"));
    // No application-wide icon: Qt would copy all its sizes (some 360 KB) into every window,
    // each cover included. Task bars find the icon through the desktop entry; the settings
    // window, the one window they list, carries it itself.
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
