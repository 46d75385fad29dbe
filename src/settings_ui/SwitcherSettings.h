#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QWidget>

// The settings window: it opens with the current chats and applies through its callback.
class SwitcherSettings : public QWidget {
    Q_OBJECT
  public:
    SwitcherSettings(std::vector<std::string> chats, std::function<void()> onApply);

    const std::vector<std::string>& chats() const { return chats_; }
    std::function<void()> onApply;

  private:
    std::vector<std::string> chats_;
};
