// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/LocalClickMonitor.h"

#include <QCoreApplication>
#include <QMouseEvent>

LocalClickMonitor::LocalClickMonitor(QObject* parent) : QObject(parent) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
    }
}

LocalClickMonitor::~LocalClickMonitor() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
}

bool LocalClickMonitor::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::NonClientAreaMouseButtonPress) {
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::LeftButton || button == Qt::RightButton) {
            emit mouseDown();
        }
    }
    return QObject::eventFilter(watched, event);
}
