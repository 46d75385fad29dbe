// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include "app/AppIcon.h"
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
    connect(&Settings::d(), &Settings::Store::saveFailed, this, &AppDelegate::tellSettingsNotSaved);
    auto& p = platform::current();
    if (p.appWindows().readable(true)) {
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
    if (!platform::current().appWindows().readable(false)) {
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
        settingsWC->setWindowIcon(appIcon());
        connect(settingsWC.get(), &SwitcherSettings::applied, switcher,
                &ChatSwitcher::reloadSettings);
        offerMenuInSettings();
    } else {
        settingsWC->refreshChats(switcher->currentChats());  // chats opened or closed since
    }
    settingsWC->show();
    settingsWC->raise();
    settingsWC->activateWindow();
}

// The store reports a failing save once (the system log has it too); the user hears of it where
// the change was made, at the tray icon.
void AppDelegate::tellSettingsNotSaved(const std::string& why) {
    if (!hasTray || !statusItem) {
        return;
    }
    statusItem->showMessage(
        QStringLiteral("테사보: 설정을 저장하지 못했습니다"),
        QStringLiteral("%1\n바꾼 설정은 테사보를 끝낼 때까지만 유지됩니다. 설정 폴더의 권한과 "
                       "남은 공간을 확인해 주세요.")
            .arg(QString::fromStdString(why)),
        QSystemTrayIcon::Warning);
}

void AppDelegate::applicationWillTerminate() {
    tracker->stop();
}
