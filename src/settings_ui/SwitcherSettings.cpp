#include "settings_ui/SwitcherSettings.h"

SwitcherSettings::SwitcherSettings(std::vector<std::string> chats, std::function<void()> onApply)
    : QWidget(nullptr, Qt::Window), onApply(std::move(onApply)), chats_(std::move(chats)) {
    setWindowTitle(QStringLiteral("테사보 설정"));
}
