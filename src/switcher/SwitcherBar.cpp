// SPDX-License-Identifier: GPL-3.0-or-later
#include "switcher/SwitcherBar.h"

#include <cmath>

#include <QBitmap>
#include <QPainter>
#include <QResizeEvent>

#include "common/Settings.h"
#include "platform/Platform.h"
#include "platform/QtCoords.h"

namespace {
constexpr double kCornerRadius = 10;
}  // namespace

SwitcherBar::SwitcherBar()
    // Unmanaged by the window manager, like the covers: on every desktop, outside the task
    // bar, pager and window cycling, never focused, and kept on the floating level.
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::BypassWindowManagerHint),
      view(new SwitcherBarView(this)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("tessavo switcher"));
    applyFrame(frame_);
    connect(view, &SwitcherBarView::slotClicked, this, &SwitcherBar::pickRequested);
    connect(view, &SwitcherBarView::slotRightClicked, this, &SwitcherBar::toggleCoverRequested);
    connect(view, &SwitcherBarView::arrangeClicked, this, &SwitcherBar::arrangeRequested);
    connect(view, &SwitcherBarView::settingsClicked, this, &SwitcherBar::settingsRequested);
    connect(view, &SwitcherBarView::gripDragged, this, &SwitcherBar::dragBy);
    connect(view, &SwitcherBarView::gripReleased, this, &SwitcherBar::saveOrigin);
}

SwitcherBar::~SwitcherBar() {
    if (nativeId_ != 0) {
        platform::current().windowServer().release(nativeId_);
    }
}

std::uint64_t SwitcherBar::nativeId() {
    if (nativeId_ == 0) {
        nativeId_ = static_cast<std::uint64_t>(winId());
        platform::current().windowServer().keepOnFloatingLevel(nativeId_);
        // The bar's own grey until it is painted.
        platform::current().windowServer().setBackground(nativeId_, 0x292929);
    }
    return nativeId_;
}

platform::Rect SwitcherBar::frame() const {
    return frame_;
}

platform::Point SwitcherBar::frameOrigin() const {
    return {frame_.x, frame_.y};
}

void SwitcherBar::setFrameOrigin(platform::Point p) {
    applyFrame({p.x, p.y, frame_.width, frame_.height});
}

void SwitcherBar::setContentWidth(double width) {
    applyFrame({frame_.x, frame_.y, width, frame_.height});
}

// The frame is kept in desktop coordinates as given, so moving and resizing never drift by
// the rounding to Qt's whole pixels.
void SwitcherBar::applyFrame(const platform::Rect& f) {
    frame_ = f;
    setGeometry(QtCoords::toQt(f));
    view->setGeometry(rect());  // at once, also while the bar is hidden
}

void SwitcherBar::dragBy(platform::Point from, platform::Point to) {
    const platform::Point o = frameOrigin();
    setFrameOrigin(snapped({o.x + to.x - from.x, o.y + to.y - from.y}));
}

void SwitcherBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Rounded corners by shape, so they are clear without a compositor too.
    QBitmap mask(size());
    mask.fill(Qt::color0);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::color1);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(rect(), kCornerRadius, kCornerRadius);
    p.end();
    setMask(mask);
}

void SwitcherBar::orderFront() {
    nativeId();
    show();
    raise();
    platform::current().windowServer().flush();
}

bool SwitcherBar::isOnAnyScreen(platform::Point p) const {
    const platform::Rect r{p.x, p.y, frame_.width, frame_.height};
    for (const platform::Screen& s : platform::current().screens().screens()) {
        if (r.intersects(s.frame)) {
            return true;
        }
    }
    return false;
}

void SwitcherBar::placeInitially() {
    if (const auto saved = storedOrigin(); saved && isOnAnyScreen(*saved)) {
        setFrameOrigin(*saved);
        return;
    }
    const auto main = platform::current().screens().mainScreen();
    if (!main) {
        return;
    }
    // The visible area, so a panel or menu bar along the top never hides the bar.
    const platform::Rect& v = main->visibleFrame;
    setFrameOrigin({v.midX() - frame_.width / 2, v.minY() + kTopGap});
}

platform::Point SwitcherBar::snapped(platform::Point p) const {
    const platform::Rect r{p.x, p.y, frame_.width, frame_.height};
    auto& screens = platform::current().screens();
    std::optional<platform::Screen> reference;
    for (const platform::Screen& s : screens.screens()) {
        if (r.intersects(s.frame)) {
            reference = s;
            break;
        }
    }
    if (!reference) {
        reference = screens.mainScreen();
    }
    if (!reference) {
        return p;
    }
    const platform::Rect& v = reference->visibleFrame;
    double x = p.x;
    // A later rule wins: the centre beats the right edge, which beats the left.
    if (std::abs(r.minX() - v.minX()) < kSnapDistance) {
        x = v.minX();
    }
    if (std::abs(r.maxX() - v.maxX()) < kSnapDistance) {
        x = v.maxX() - r.width;
    }
    if (std::abs(r.midX() - v.midX()) < kSnapDistance) {
        x = v.midX() - r.width / 2;
    }
    double y = p.y;
    // The bottom edge beats the top.
    if (std::abs(r.minY() - v.minY()) < kSnapDistance) {
        y = v.minY();
    }
    if (std::abs(r.maxY() - v.maxY()) < kSnapDistance) {
        y = v.maxY() - r.height;
    }
    return {x, y};
}

// The stored origin is the bar's bottom-left corner measured upwards from the primary screen's
// bottom edge, as settings files have always kept it.
double SwitcherBar::flippedY(double y) const {
    const auto primary = platform::current().screens().primaryFrame();
    return (primary ? primary->height : 0) - y - frame_.height;
}

std::optional<platform::Point> SwitcherBar::storedOrigin() const {
    const auto saved = Settings::barOrigin();
    if (!saved) {
        return std::nullopt;
    }
    return platform::Point{saved->x, flippedY(saved->y)};
}

void SwitcherBar::saveOrigin() {
    Settings::d().setDouble(Settings::key::kBarX, frame_.x);
    Settings::d().setDouble(Settings::key::kBarY, flippedY(frame_.y));
}
