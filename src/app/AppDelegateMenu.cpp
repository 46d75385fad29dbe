// SPDX-License-Identifier: GPL-3.0-or-later
// The status item and its menu, and what the menu's items do.

#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

#include "app/AppDelegate.h"
#include "app/AppIcon.h"
#include "app/QuitKeys.h"
#include "app/Startup.h"
#include "common/Log.h"
#include "common/Settings.h"
#include "cover/Wallpaper.h"
#include "platform/Platform.h"

namespace {

// The status item is known by its title; a tray needs a picture: the program's own icon.
QIcon statusIcon() {
    return appIcon();
}

bool wallpaperStored() {
    return disguiseModeFromStored(Settings::d().integerForKey(Settings::key::kDisguiseMode)) ==
           DisguiseMode::wallpaper;
}

bool loginItemEnabled() {
    return platform::current().loginItem().status() == platform::LoginItemStatus::Enabled;
}

// Names of the menu's items, so their marks can be found again.
constexpr const char* kMemoItem = "위장: 메모장";
constexpr const char* kWallpaperItem = "위장: 배경화면";
constexpr const char* kPauseItem = "일시정지";
constexpr const char* kAutostartItem = "로그인 시 자동 실행";

}  // namespace

void AppDelegate::setupTray() {
    hasTray = trayAvailable && trayAvailable();
    statusItem = new QSystemTrayIcon(statusIcon(), this);
    statusItem->setToolTip(QStringLiteral("테사보"));
    if (!hasTray) {
        // The bar's settings button then leads to the menu's items, so the bar has to stay
        // while covering is paused.
        const char* why =
            "no system tray: the menu's items are in the settings window, opened "
            "with the switcher bar's settings button";
        Log::line(std::string("TRAY none: ") + why);
        platform::current().workspace().systemLog(std::string("tessavo: ") + why);
        tracker->setReportChatsWhilePaused(true);
    }
    // A left click opens the menu too, as the status item's click does.
    connect(statusItem, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && menu) {
                    menu->popup(QCursor::pos());
                }
            });
    rebuildMenu();
    statusItem->show();  // a tray that appears later still takes it
}

void AppDelegate::rebuildMenu() {
    auto next = std::make_unique<QMenu>();
    const auto item = [&](const char* title, void (AppDelegate::*action)()) {
        QAction* a = next->addAction(QString::fromUtf8(title));
        connect(a, &QAction::triggered, this, action);
        return a;
    };
    if (!platform::current().appWindows().readable(false)) {
        item("⚠︎ 손쉬운 사용 권한 필요 (클릭)", &AppDelegate::openAccessibility);
        next->addSeparator();
    }
    // One disguise at a time.
    auto* disguises = new QActionGroup(next.get());
    for (QAction* a : {item(kMemoItem, &AppDelegate::setMemo),
                       item(kWallpaperItem, &AppDelegate::setWallpaper)}) {
        a->setCheckable(true);
        disguises->addAction(a);
    }
    next->addSeparator();
    item(kPauseItem, &AppDelegate::togglePause)->setCheckable(true);
    next->addSeparator();
    item(kAutostartItem, &AppDelegate::toggleAutostart)->setCheckable(true);
    next->addSeparator();
    QAction* quit = item("종료", &AppDelegate::quit);
    quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    new QuitKeys(*next, *quit);
    // The marks are read again whenever the menu opens: a login entry removed by hand, say.
    connect(next.get(), &QMenu::aboutToShow, this, &AppDelegate::refreshMarks);
    // The old menu may be the one whose item is being handled right now: it goes with the
    // next rebuild.
    retiredMenu_ = std::move(menu);
    menu = std::move(next);
    refreshMarks();
    if (statusItem) {
        statusItem->setContextMenu(menu.get());
    }
    offerMenuInSettings();
}

void AppDelegate::refreshMarks() {
    const bool wallpaper = wallpaperStored();
    const bool autostart = loginItemEnabled();
    for (QAction* a : menu->actions()) {
        const QString t = a->text();
        if (t == QString::fromUtf8(kMemoItem)) {
            a->setChecked(!wallpaper);
        } else if (t == QString::fromUtf8(kWallpaperItem)) {
            a->setChecked(wallpaper);
        } else if (t == QString::fromUtf8(kPauseItem)) {
            a->setChecked(tracker->isPaused());
        } else if (t == QString::fromUtf8(kAutostartItem)) {
            a->setChecked(autostart);
        }
    }
}

void AppDelegate::offerMenuInSettings() {
    if (!hasTray && settingsWC && menu) {
        settingsWC->setMenuActions(menu->actions());
    }
}

void AppDelegate::openAccessibility() {
    platform::current().workspace().openAccessibilitySettings();
}

void AppDelegate::setMemo() {
    Settings::d().setInteger(Settings::key::kDisguiseMode, static_cast<int>(DisguiseMode::memo));
    tracker->refreshMode();
    rebuildMenu();
}

void AppDelegate::setWallpaper() {
    auto& p = platform::current();
    Settings::d().setInteger(Settings::key::kDisguiseMode,
                             static_cast<int>(DisguiseMode::wallpaper));
    if (!p.windowServer().screenCaptureAllowed()) {
        p.windowServer().requestScreenCapture();
    }
    Wallpaper::caches().cache.clear();  // the desktop is captured anew
    tracker->refreshMode();
    rebuildMenu();
}

void AppDelegate::togglePause() {
    tracker->setPaused(!tracker->isPaused());
    rebuildMenu();
}

void AppDelegate::toggleAutostart() {
    Startup::set(!loginItemEnabled());
    rebuildMenu();
}

void AppDelegate::quit() {
    QCoreApplication::quit();
}
