// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QMouseEvent>

#include "SimFixture.h"
#include "common/Settings.h"
#include "platform/QtCoords.h"
#include "switcher/SwitcherBar.h"

using namespace platform;
using Kind = SwitcherBarView::Hit::Kind;

class SwitcherBarTest : public SimTest {
  protected:
    SwitcherBarTest() {
        bar.view->setContent(2, -1, {}, {"K", "1"});
        bar.setContentWidth(SwitcherBarView::widthFor(2));
        QObject::connect(&bar, &SwitcherBar::pickRequested,
                         [this](int i) { events.push_back("pick " + std::to_string(i)); });
        QObject::connect(&bar, &SwitcherBar::toggleCoverRequested,
                         [this](int i) { events.push_back("toggle " + std::to_string(i)); });
        QObject::connect(&bar, &SwitcherBar::arrangeRequested,
                         [this] { events.push_back("arrange"); });
    }
    SwitcherBarView::Hit hit(double x) const { return bar.view->hit(x); }
    // A mouse event at view x, with the mouse at `screen` (desktop coordinates) where given.
    void send(QEvent::Type type, Qt::MouseButton button, double x,
              std::optional<Point> screen = std::nullopt) {
        const QPointF at(x, 17);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        const QPointF global = screen ? QtCoords::toQt(*screen) : bar.view->mapToGlobal(at);
        QMouseEvent e(type, at, global, button, held, Qt::NoModifier);
        QApplication::sendEvent(bar.view, &e);
    }
    void click(Qt::MouseButton button, double x) {
        send(QEvent::MouseButtonPress, button, x);
        send(QEvent::MouseButtonRelease, button, x);
    }
    // The server's idea of the mouse stays put: the bar follows the events alone.
    void dragBy(double x, Point by) {
        sim.model().mouse = {500, 500};
        send(QEvent::MouseButtonPress, Qt::LeftButton, x, Point{500, 500});
        send(QEvent::MouseMove, Qt::LeftButton, x, Point{500 + by.x, 500 + by.y});
        send(QEvent::MouseButtonRelease, Qt::LeftButton, x);
    }

    SwitcherBar bar;
    std::vector<std::string> events;
};

TEST_F(SwitcherBarTest, OnlyTheHorizontalPositionDecidesWhatIsHit) {
    EXPECT_EQ(hit(50), (SwitcherBarView::Hit{Kind::slot, 0}));  // between two slots: the lower
    EXPECT_EQ(hit(51), (SwitcherBarView::Hit{Kind::slot, 1}));
    EXPECT_EQ(hit(114), (SwitcherBarView::Hit{Kind::arrange}));  // in both buttons' reach
    EXPECT_EQ(hit(143), (SwitcherBarView::Hit{Kind::none}));
    click(Qt::RightButton, 35);
    click(Qt::RightButton, 100);  // the right button means nothing to buttons and grips
    EXPECT_EQ(events, (std::vector<std::string>{"toggle 0"}));
    bar.view->setContent(3, 0, {}, {"K"});
    EXPECT_EQ(bar.view->labelAt(2), "3");
}

TEST_F(SwitcherBarTest, GripsDragTheBarAndStoreWhereItWasLeft) {
    bar.setFrameOrigin({200, 400});
    dragBy(5, {40, -30});
    EXPECT_EQ(bar.frameOrigin(), (Point{240, 370}));
    dragBy(158, {-10, 0});  // the right grip
    EXPECT_EQ(bar.frameOrigin(), (Point{230, 370}));
    // A press on a grip without a move still ends in storing the origin, and picks nothing.
    Settings::d().setDouble(Settings::key::kBarX, 0);
    click(Qt::LeftButton, 5);
    // As settings files keep it: the bottom-left corner, up from the primary screen's bottom.
    EXPECT_EQ(Settings::barOrigin(), (Point{230, 900 - 370 - 34}));
    // A press on a slot is no drag.
    dragBy(35, {50, 50});
    EXPECT_EQ(bar.frameOrigin(), (Point{230, 370}));
    EXPECT_EQ(events, (std::vector<std::string>{"pick 0"}));
}

TEST_F(SwitcherBarTest, DragsSnapToTheVisibleAreasEdgesAndCentre) {
    // The visible area is 0..1440 wide and 25..900 high (a dock along the top).
    const double w = bar.frame().width;
    EXPECT_EQ(bar.snapped({10, 400}).x, 0);
    EXPECT_EQ(bar.snapped({18, 400}).x, 18);  // exactly 18 away: stays
    EXPECT_EQ(bar.snapped({1440 - w - 17, 400}).x, 1440 - w);
    EXPECT_EQ(bar.snapped({720 - w / 2 + 17.9, 400}).x, 720 - w / 2);
    EXPECT_EQ(bar.snapped({600, 25 + 5}).y, 25);
    EXPECT_EQ(bar.snapped({600, 900 - 34 - 7}).y, 900 - 34);

    // Off every screen, the main screen is the reference; with none, nothing snaps.
    EXPECT_EQ(bar.snapped({-500, 30}), (Point{-500, 25}));
    sim.model().screens.clear();
    EXPECT_EQ(bar.snapped({5, 5}), (Point{5, 5}));
}
