#pragma once

#include <functional>

#include <QObject>

// Watches left and right mouse-downs delivered to this application (covers, the bar, menus)
// without consuming them.
class LocalClickMonitor : public QObject {
    Q_OBJECT
  public:
    explicit LocalClickMonitor(std::function<void()> onMouseDown);
    ~LocalClickMonitor() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void()> onMouseDown_;
};
