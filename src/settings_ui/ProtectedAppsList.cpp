// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_ui/ProtectedAppsList.h"

#include <algorithm>

#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include "discovery/OnScreen.h"
#include "platform/Platform.h"

ProtectedAppsList::ProtectedAppsList(std::vector<std::string> names, QWidget* parent)
    : QWidget(parent), names_(std::move(names)) {
    list = new QListWidget(this);
    list->setToolTip(QStringLiteral("이 앱들의 창도 채팅처럼 가려요"));
    addButton = new QPushButton(QStringLiteral("추가…"), this);
    auto* menu = new QMenu(addButton);
    // Filled when it opens: the windows open then are the ones to choose from.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { fillMenu(menu); });
    addButton->setMenu(menu);
    removeButton = new QPushButton(QStringLiteral("빼기"), this);
    connect(removeButton, &QPushButton::clicked, this, [this] { removeApp(list->currentRow()); });
    rebuild();
}

// Fixed places, as everywhere in the settings window: the list, and the buttons at its right.
void ProtectedAppsList::resizeEvent(QResizeEvent*) {
    const int buttons = kButtonWidth + 8;
    list->setGeometry(0, 0, std::max(0, width() - buttons), height());
    addButton->setGeometry(width() - kButtonWidth, 0, kButtonWidth, kButtonHeight);
    removeButton->setGeometry(width() - kButtonWidth, kButtonHeight + 8, kButtonWidth,
                              kButtonHeight);
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
