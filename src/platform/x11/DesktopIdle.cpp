// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/DesktopIdle.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace platform::x11 {

namespace {

constexpr int kAnswerWaitMs = 100;
constexpr int kSkipAfterFailure = 100;  // about half a minute of ticks

}  // namespace

std::optional<double> DesktopIdle::seconds() {
    if (skip_ > 0) {
        --skip_;
        return std::nullopt;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        const QDBusMessage reply = bus.call(
            QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                           QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
                                           QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                           QStringLiteral("GetIdletime")),
            QDBus::Block, kAnswerWaitMs);
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
            bool ok = false;
            const qulonglong ms = reply.arguments().front().toULongLong(&ok);
            if (ok) {
                return static_cast<double>(ms) / 1000.0;
            }
        }
    }
    skip_ = kSkipAfterFailure;
    return std::nullopt;
}

}  // namespace platform::x11
