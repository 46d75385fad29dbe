#pragma once

#include <QWidget>

// The floating switcher bar. For now only its window exists, so the engine can hide it; its
// slots and buttons come with the chat switcher.
class SwitcherBar : public QWidget {
    Q_OBJECT
  public:
    SwitcherBar();
    void orderOut() { hide(); }
};
