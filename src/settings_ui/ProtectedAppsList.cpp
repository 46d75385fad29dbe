#include "settings_ui/ProtectedAppsList.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "discovery/OnScreen.h"
#include "platform/Platform.h"

ProtectedAppsList::ProtectedAppsList(std::vector<std::string> names, QWidget* parent)
    : QWidget(parent), names_(std::move(names)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    list = new QListWidget;
    list->setToolTip(QStringLiteral("이 앱들의 창도 채팅처럼 가려요"));
    layout->addWidget(list, 1);
    auto* buttons = new QVBoxLayout;
    addButton = new QPushButton(QStringLiteral("추가…"));
    auto* menu = new QMenu(addButton);
    // Filled when it opens: the windows open then are the ones to choose from.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { fillMenu(menu); });
    addButton->setMenu(menu);
    removeButton = new QPushButton(QStringLiteral("빼기"));
    connect(removeButton, &QPushButton::clicked, this, [this] { removeApp(list->currentRow()); });
    buttons->addWidget(addButton);
    buttons->addWidget(removeButton);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    rebuild();
}

std::vector<platform::RunningApp> ProtectedAppsList::choices() const {
    std::vector<platform::RunningApp> out =
        platform::current().workspace().applicationsWithWindows();
    const auto messenger = Discovery::kakaoApp();
    std::erase_if(out, [&](const platform::RunningApp& app) {
        return (messenger && app.pid == messenger->pid) || listed(app.identifier);
    });
    return out;
}

void ProtectedAppsList::fillMenu(QMenu* menu) {
    menu->clear();
    const auto apps = choices();
    if (apps.empty()) {
        menu->addAction(QStringLiteral("추가할 앱 창이 없음"))->setEnabled(false);
        return;
    }
    for (const platform::RunningApp& app : apps) {
        const QString text = app.name == app.identifier
                                 ? QString::fromStdString(app.identifier)
                                 : QString::fromStdString(app.name) + QStringLiteral(" · ") +
                                       QString::fromStdString(app.identifier);
        connect(menu->addAction(text), &QAction::triggered, this,
                [this, cls = app.identifier] { addApp(cls); });
    }
}

bool ProtectedAppsList::listed(const std::string& windowClass) const {
    return std::any_of(names_.begin(), names_.end(), [&](const std::string& name) {
        return QString::fromStdString(name).compare(QString::fromStdString(windowClass),
                                                    Qt::CaseInsensitive) == 0;
    });
}

void ProtectedAppsList::addApp(const std::string& windowClass) {
    if (!windowClass.empty() && !listed(windowClass)) {
        names_.push_back(windowClass);
        rebuild();
        list->setCurrentRow(list->count() - 1);
    }
}

void ProtectedAppsList::removeApp(int row) {
    if (row >= 0 && static_cast<std::size_t>(row) < names_.size()) {
        names_.erase(names_.begin() + row);
        rebuild();
        list->setCurrentRow(std::min(row, list->count() - 1));
    }
}

void ProtectedAppsList::rebuild() {
    list->clear();
    for (const std::string& name : names_) {
        list->addItem(QString::fromStdString(name));
    }
    removeButton->setEnabled(!names_.empty());
}
