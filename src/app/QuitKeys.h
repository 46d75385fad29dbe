// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QAction;
class QMenu;

// Lets an open menu answer q and Ctrl+Q with its quit item. A tray menu is a pop-up of its
// own: the item's shortcut never reaches it, and its title has no mnemonic to match.
class QuitKeys : public QObject {
    Q_OBJECT
  public:
    // Watches `menu`, which owns the watcher.
    QuitKeys(QMenu& menu, QAction& quit);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QMenu& menu_;
    QAction& quit_;
};
