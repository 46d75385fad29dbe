// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <set>
#include <vector>

#include <QString>
#include <QWidget>

#include "platform/Geometry.h"

// The bar's content: a grip at each end, one round slot per chat with its label, then the
// arrange and settings buttons. Only the horizontal position decides what a click hits.
class SwitcherBarView : public QWidget {
    Q_OBJECT
  public:
    static constexpr double kHeight = 34;
    static constexpr double kGripWidth = 16;
    static constexpr double kLeftMargin = 20;
    static constexpr double kSlotWidth = 30;
    static constexpr double kSlotRadius = 15;
    static constexpr double kButtonRadius = 14;

    // What a horizontal position in the view hits.
    struct Hit {
        enum class Kind { none, slot, arrange, settings } kind = Kind::none;
        int slot = -1;
        friend bool operator==(const Hit&, const Hit&) = default;
    };

    explicit SwitcherBarView(QWidget* parent);

    // The bar's width for `count` slots.
    static double widthFor(int count);
    static double slotCentre(int i);
    static double arrangeCentre(int count);
    static double settingsCentre(int count);
    // Slots first, then the arrange button, then the settings button; grips are tested by
    // button-down alone.
    Hit hit(double x) const;

    // Takes what the bar shows; repaints only when something drawn changed.
    void setContent(int count, int active, std::set<int> coverOff, std::vector<QString> labels);
    QString labelAt(int i) const;

    int count = 0;
    int active = -1;
    std::set<int> coverOff;
    std::vector<QString> labels;
    bool dragging = false;
    platform::Point lastMouse;  // desktop coordinates, at the previous drag step
    int repaintRequests = 0;    // how many repaints were asked for

  signals:
    void slotClicked(int slot);
    void slotRightClicked(int slot);
    void arrangeClicked();
    void settingsClicked();
    // A grip is dragged; the mouse moved `from` `to` (screen coordinates) since the last step.
    void gripDragged(platform::Point from, platform::Point to);
    void gripReleased();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void drawSlot(class QPainter& p, int i, double cy) const;
    void releaseLeft(double x);
};
