// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

// Watches left and right mouse-downs delivered to this application (covers, the bar, menus)
// without consuming them.
class LocalClickMonitor : public QObject {
    Q_OBJECT
  public:
    explicit LocalClickMonitor(QObject* parent);
    ~LocalClickMonitor() override;

  signals:
    void mouseDown();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
