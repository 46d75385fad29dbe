// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include <QWidget>

#include "platform/Workspace.h"

class QListWidget;
class QMenu;
class QPushButton;

// The applications protected besides the messenger, as the settings window edits them: a short
// list, a button that offers the applications with windows open now, and one that removes the
// chosen entry. Nothing is stored here; the window stores names() when it applies.
class ProtectedAppsList : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kButtonWidth = 84;
    static constexpr int kButtonHeight = 28;

    explicit ProtectedAppsList(std::vector<std::string> names, QWidget* parent = nullptr);

    const std::vector<std::string>& names() const { return names_; }
    // The applications with windows open now that are neither the messenger nor listed, by
    // class, with what people call them.
    std::vector<platform::RunningApp> choices() const;
    // Adds a class unless it is listed already (in any case).
    void addApp(const std::string& windowClass);
    void removeApp(int row);

    QListWidget* list = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* removeButton = nullptr;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void rebuild();
    void fillMenu(QMenu* menu);
    bool listed(const std::string& windowClass) const;

    std::vector<std::string> names_;
};
