// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QuitKeys.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>

namespace {
bool isQuitKey(const QKeyEvent& e) {
    const auto mods = e.modifiers() & ~Qt::KeypadModifier;
    return e.key() == Qt::Key_Q && (mods == Qt::NoModifier || mods == Qt::ControlModifier);
}
}  // namespace

QuitKeys::QuitKeys(QMenu& menu, QAction& quit) : QObject(&menu), menu_(menu), quit_(quit) {
    menu.installEventFilter(this);
}

bool QuitKeys::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (watched == &menu_ && (type == QEvent::KeyPress || type == QEvent::ShortcutOverride) &&
        isQuitKey(*static_cast<QKeyEvent*>(event))) {
        if (type == QEvent::ShortcutOverride) {
            event->accept();  // the key press comes here rather than to a shortcut elsewhere
            return true;
        }
        menu_.close();
        quit_.trigger();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
