#pragma once

#include <memory>

#include "engine/WindowTracker.h"
#include "settings_ui/SwitcherSettings.h"

class QMenu;
class QSystemTrayIcon;
class QTimer;

// The application's life: the launch sequence, the wait for the accessibility permission, the
// status menu, opening the settings window, and shutdown.
class AppDelegate {
  public:
    static constexpr int kPermissionPollMilliseconds = 1000;

    AppDelegate();
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    void setupTray();
    void rebuildMenu();
    void quit();

    const std::unique_ptr<WindowTracker> tracker;
    std::unique_ptr<QSystemTrayIcon> statusItem;
    std::unique_ptr<QTimer> permTimer;
    std::unique_ptr<SwitcherSettings> settingsWC;
    // The menu the status item shows; rebuilt whole by rebuildMenu.
    std::unique_ptr<QMenu> menu;

  private:
    void waitForPermission();
    void pollPermission();
    void openSettings();

    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
