#include "app/AppDelegate.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTimer>

#include "common/Log.h"
#include "common/Settings.h"
#include "discovery/Kakao.h"
#include "platform/Platform.h"

namespace {

// The status item is known by its title; a tray needs a picture, so the title's first
// syllable is drawn as one.
QIcon statusIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x33, 0x33, 0x33));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(pixmap.rect().adjusted(2, 2, -2, -2), 14, 14);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(40);
    font.setBold(true);
    p.setFont(font);
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("테"));
    return QIcon(pixmap);
}

}  // namespace

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent),
      trayAvailable(&QSystemTrayIcon::isSystemTrayAvailable),
      tracker(new WindowTracker(this)),
      switcher(new ChatSwitcher(*tracker)) {
    connect(switcher, &ChatSwitcher::openSettingsRequested, this, &AppDelegate::openSettings);
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    setupTray();
    auto& p = platform::current();
    if (p.accessibility().isTrusted(true)) {
        tracker->start();
    } else {
        waitForPermission();
    }
    const auto mode =
        disguiseModeFromStored(Settings::d().integerForKey(Settings::key::kDisguiseMode));
    if (mode == DisguiseMode::wallpaper && !p.windowServer().screenCaptureAllowed()) {
        p.windowServer().requestScreenCapture();
    }
    Kakao::launchIfNeeded();
}

void AppDelegate::waitForPermission() {
    permTimer = new QTimer(this);
    permTimer->setInterval(kPermissionPollMilliseconds);
    connect(permTimer, &QTimer::timeout, this, &AppDelegate::pollPermission);
    permTimer->start();
}

void AppDelegate::pollPermission() {
    if (!platform::current().accessibility().isTrusted(false)) {
        return;
    }
    permTimer->stop();
    // The timer is running this very slot; let the event loop delete it afterwards.
    permTimer->deleteLater();
    permTimer = nullptr;
    tracker->start();
    rebuildMenu();
}

// One settings window at a time: a second request brings the open one forward.
void AppDelegate::openSettings() {
    if (!settingsWC || !settingsWC->isVisible()) {
        settingsWC = std::make_unique<SwitcherSettings>(switcher->currentChats());
        connect(settingsWC.get(), &SwitcherSettings::applied, switcher,
                &ChatSwitcher::reloadSettings);
        offerMenuInSettings();
    }
    settingsWC->show();
    settingsWC->raise();
    settingsWC->activateWindow();
}

void AppDelegate::applicationWillTerminate() {
    tracker->stop();
}
