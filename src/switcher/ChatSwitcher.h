// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QObject>
#include <QString>

#include "common/Settings.h"
#include "engine/WindowTracker.h"
#include "switcher/ChatEntry.h"
#include "switcher/HotkeyManager.h"
#include "switcher/SwitcherBar.h"

// Switching between chats by position: the ordered list of the chat windows behind the bar's
// slots and the hot keys, each position's label, and what a position can be asked to do (pick,
// switch covering off or on, stack every chat onto one). The messenger's main window, titled
// "카카오톡", always comes first and is labelled "K"; the messenger's chats follow, then the
// windows of the other protected applications. Rebuilt after every tick of the tracker it
// belongs to (and is a child of).
class ChatSwitcher : public QObject {
    Q_OBJECT
  public:
    using WindowID = WindowTracker::WindowID;
    static constexpr double kPickGrace = 1.5;
    static constexpr const char* kMainTitle = "카카오톡";

    explicit ChatSwitcher(WindowTracker& tracker);
    ~ChatSwitcher() override;
    ChatSwitcher(const ChatSwitcher&) = delete;
    ChatSwitcher& operator=(const ChatSwitcher&) = delete;

    // `wins`: every chat window, the messenger's first; `protect`: the chat in use.
    void updateSwitcher(const std::vector<KWindow>& wins, std::optional<WindowID> protect);
    std::string label(int i) const;
    void pick(int i);
    void toggleCover(int i);
    void arrangeStack();
    // The chats the settings window may order and label: titled, without the main window.
    std::vector<ChatEntry> currentChats() const;
    // Rereads every chat setting the settings window stores, hot keys included.
    void reloadSettings();
    void hideBar();

    // The hot keys, made on first use.
    HotkeyManager& hotkeys();
    void applyHotkeyKeys();
    void onHotkey(char32_t c);

    std::vector<WindowID> order;       // every chat seen, in the order first seen
    std::vector<WindowID> switchList;  // the positions
    bool hasMain = false;              // position 0 is the main window
    std::vector<std::string> userOrder;
    Settings::StringMap customLabels;
    Settings::StringMap chatKeys;
    std::unique_ptr<SwitcherBar> bar;  // made when the first chat shows up

  signals:
    // The bar's settings button.
    void openSettingsRequested();

  private:
    void startHotkeys();
    void loadSettings();
    void applyModifiers();
    std::unique_ptr<SwitcherBar> makeBar();
    void rebuildOrder(const std::vector<KWindow>& wins);
    void rememberTitles(const std::vector<KWindow>& wins);
    std::vector<WindowID> arrangedList(std::optional<WindowID>& main) const;
    void showBar(int active);
    void fitBarWidth();
    void updateBadges(int active);
    void keepBarAboveCovers();
    std::string titleAt(int i) const;
    std::string keyAt(int i) const;
    bool isMessengers(WindowID id) const;
    bool validPosition(int i) const;

    WindowTracker& tracker_;
    std::unique_ptr<HotkeyManager> hotkeys_;
    // As the last update found them.
    std::map<WindowID, std::string> titles_;
    std::map<WindowID, std::string> apps_;
    std::set<WindowID> shownCovers_;  // covers on screen at the last update
};
