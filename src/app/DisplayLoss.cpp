// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DisplayLoss.h"

#include <cstdio>

#include <unistd.h>

#include <QString>
#include <QtGlobal>

#include "common/Log.h"
#include "platform/x11/X11Platform.h"

namespace DisplayLoss {

namespace {

QtMessageHandler g_previous = nullptr;

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (isConnectionBroken(message)) {
        exitNow("qt");
    }
    if (g_previous) {
        g_previous(type, context, message);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    }
}

}  // namespace

bool isConnectionBroken(const QString& message) {
    return message.startsWith(QLatin1String("The X11 connection broke"));
}

std::string explanation() {
    return "tessavo: X 디스플레이와의 연결이 끊겼습니다 (X 서버가 끝났거나 연결을 끊었습니다). "
           "종료합니다";
}

// Qt would call exit() right after its notice, running static destructors while windows of a
// dead connection still exist. Nothing is left to clean up: the server that showed the covers is
// gone, and settings are saved at each change.
void exitNow(const char* noticedBy) {
    const std::string line = explanation() + "\n";
    [[maybe_unused]] const auto n = ::write(STDERR_FILENO, line.data(), line.size());
    Log::line(std::string("DISPLAY lost (noticed by ") + noticedBy + "): quitting");
    ::_exit(kExitStatus);
}

void install() {
    g_previous = qInstallMessageHandler(handleMessage);
    platform::x11::setDisplayLostHandler([] { exitNow("backend"); });
}

}  // namespace DisplayLoss
