#include "app/AppDelegate.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include "common/Log.h"
#include "common/Settings.h"
#include "discovery/Kakao.h"
#include "platform/Platform.h"

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
