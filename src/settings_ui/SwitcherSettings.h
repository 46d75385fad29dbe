#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QWidget>

// The settings window. For now it opens with the current chats and an apply callback; its
// controls come with the settings window work.
class SwitcherSettings : public QWidget {
    Q_OBJECT
  public:
    SwitcherSettings(std::vector<std::string> chats, std::function<void()> onApply);

    const std::vector<std::string>& chats() const { return chats_; }
    std::function<void()> onApply;

  private:
    std::vector<std::string> chats_;
};
