#pragma once

#include <string>
#include <vector>

#include <QWidget>

// The settings window: it opens with the current chats and says through applied() that it
// stored new settings.
class SwitcherSettings : public QWidget {
    Q_OBJECT
  public:
    explicit SwitcherSettings(std::vector<std::string> chats);

    const std::vector<std::string>& chats() const { return chats_; }

  signals:
    void applied();

  private:
    std::vector<std::string> chats_;
};
