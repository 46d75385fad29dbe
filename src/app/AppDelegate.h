// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

#include "engine/WindowTracker.h"
#include "settings_ui/SwitcherSettings.h"
#include "switcher/ChatSwitcher.h"

#include <QObject>

class QMenu;
class QSystemTrayIcon;
class QTimer;

// The application's life: the launch sequence, the wait for the accessibility permission, the
// status menu, opening the settings window, and shutdown.
class AppDelegate : public QObject {
    Q_OBJECT
  public:
    static constexpr int kPermissionPollMilliseconds = 1000;

    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    void setupTray();
    void rebuildMenu();

    // The status menu's actions.
    void openAccessibility();
    void setMemo();
    void setWallpaper();
    void togglePause();
    void toggleAutostart();
    void quit();

    // Whether the desktop shows tray icons; replaceable for tests.
    std::function<bool()> trayAvailable;

    // Children of the delegate.
    WindowTracker* const tracker;
    ChatSwitcher* const switcher;  // a child of the tracker
    QSystemTrayIcon* statusItem = nullptr;
    bool hasTray = true;          // false: the menu's items live in the settings window too
    QTimer* permTimer = nullptr;  // only while the permission is awaited
    // Windows of their own, without a parent to own them.
    std::unique_ptr<SwitcherSettings> settingsWC;
    // The menu the status item shows (which does not own it); rebuilt whole by rebuildMenu.
    std::unique_ptr<QMenu> menu;

  private:
    void waitForPermission();
    void pollPermission();
    void openSettings();
    void refreshMarks();
    void offerMenuInSettings();
    void tellSettingsNotSaved(const std::string& why);

    std::unique_ptr<QMenu> retiredMenu_;
};
