#include "settings_ui/SwitcherSettings.h"

SwitcherSettings::SwitcherSettings(std::vector<std::string> chats)
    : QWidget(nullptr, Qt::Window), chats_(std::move(chats)) {
    setWindowTitle(QStringLiteral("테사보 설정"));
}
