// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QList>
#include <QString>
#include <QWidget>

#include "common/Settings.h"
#include "settings_ui/ProtectedAppsList.h"
#include "switcher/ChatEntry.h"

class QAction;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// The settings window: order, label and hot key of each open chat, the applications protected
// besides the messenger, the idle time, the hot-key modifiers and the two desktop-picture
// options. Nothing is stored until "적용"; then every
// setting shown is written at once, applied() tells the program and the window closes. Its
// close button stores nothing.
class SwitcherSettings : public QWidget {
    Q_OBJECT
  public:
    struct IdleOption {
        const char* title;
        std::int64_t seconds;
    };
    struct ModOption {
        const char* title;
        std::uint32_t mask;
        const char* keys;  // the keys' names on this desktop
    };
    static const std::array<IdleOption, 6> idleOptions;
    static const std::array<ModOption, 6> modOptions;
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 560;

    // `chats`: the open chats in switcher order, without the main window.
    explicit SwitcherSettings(std::vector<ChatEntry> chats);

    // Shows `current`, the chats open now in switcher order, as when the open window is brought
    // forward: an order of chats since closed must never be applied.
    void refreshChats(std::vector<ChatEntry> current);

    // A label as stored: trimmed, at most two characters; absent when nothing is left.
    static std::optional<QString> normalisedLabel(const QString& typed);
    // A hot key as stored: one upper-case letter or digit other than K; absent otherwise.
    static std::optional<QString> normalisedKey(const QString& typed);

    // Puts the status menu's actions into the window, for a desktop without a tray.
    void setMenuActions(const QList<QAction*>& actions);

    void rowUp(int i);
    void rowDown(int i);
    void applyTapped();
    void commitFields();

    std::vector<ChatEntry> chats;
    Settings::StringMap labels;
    Settings::StringMap keys;
    struct Row {
        std::string chatKey;  // what the chat's entries are stored under
        QLineEdit* label;
        QLineEdit* key;
    };
    std::vector<Row> rows;
    QWidget* listStack = nullptr;
    QComboBox* idlePopup = nullptr;
    QComboBox* modPopup = nullptr;
    QCheckBox* wallTitleCheck = nullptr;
    QCheckBox* wallFitCheck = nullptr;
    QWidget* menuStrip = nullptr;  // only where the desktop has no tray
    ProtectedAppsList* apps = nullptr;

  signals:
    void applied();

  private:
    void buildUI();
    void rebuildRows();
    QWidget* makeRow(int i, const ChatEntry& chat);
    // Whether rows i and i + 1 may trade places: the messenger's chats always come first.
    bool swappable(std::size_t i) const;
    QPushButton* miniButton(const QString& title, void (SwitcherSettings::*action)(int), int tag);
    void place(QWidget* w, int x, int y, int width, int height) const;
    void selectStored();

    QVBoxLayout* listLayout_ = nullptr;
    int top_ = 0;  // room above the content for the menu strip
};
