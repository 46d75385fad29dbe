// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

#include <QWidget>

#include "platform/Geometry.h"
#include "switcher/SwitcherBarView.h"

// The floating switcher: a small frameless strip above ordinary windows that never takes the
// keyboard focus. It shows what the chat switcher hands its view and reports clicks through
// its signals; it keeps no chat state of its own. Its frame is in desktop coordinates.
class SwitcherBar : public QWidget {
    Q_OBJECT
  public:
    // Drags snap to an edge or the centre line of the visible area closer than this.
    static constexpr double kSnapDistance = 18;
    // The first placement leaves this much room below the screen's top edge.
    static constexpr double kTopGap = 6;

    SwitcherBar();
    ~SwitcherBar() override;
    SwitcherBar(const SwitcherBar&) = delete;
    SwitcherBar& operator=(const SwitcherBar&) = delete;

    // The stored origin when it still lies on a screen, else the top centre of the main screen.
    void placeInitially();
    bool isOnAnyScreen(platform::Point p) const;
    // Where a dragged origin lands after snapping to the visible area's edges and centre.
    platform::Point snapped(platform::Point p) const;
    void saveOrigin();

    platform::Rect frame() const;
    platform::Point frameOrigin() const;
    void setFrameOrigin(platform::Point p);
    void setContentWidth(double width);
    // Shows the bar without activating anything, above every other floating window.
    void orderFront();

    SwitcherBarView* const view;
    bool placed = false;

  signals:
    // A left click on a slot.
    void pickRequested(int slot);
    // A right click on a slot.
    void toggleCoverRequested(int slot);
    void arrangeRequested();
    void settingsRequested();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void applyFrame(const platform::Rect& f);
    // The stored origin, in desktop coordinates; and the flip between the two.
    std::optional<platform::Point> storedOrigin() const;
    double flippedY(double y) const;
    void dragBy(platform::Point from, platform::Point to);
    std::uint64_t nativeId();

    platform::Rect frame_{0, 0, 240, SwitcherBarView::kHeight};
    std::uint64_t nativeId_ = 0;
};
