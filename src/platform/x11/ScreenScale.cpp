// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/ScreenScale.h"

#include <cmath>

#include <QGuiApplication>
#include <QScreen>

namespace platform::x11 {

ScreenScale::ScreenScale(std::vector<Screen> screens) : screens_(std::move(screens)) {
    for (const Screen& s : screens_) {
        identity_ = identity_ && s.ratio == 1;
    }
}

ScreenScale ScreenScale::current() {
    std::vector<Screen> screens;
    const QScreen* primary = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    if (!primary) {
        return {};
    }
    auto add = [&](const QScreen* q) {
        const QRect g = q->geometry();
        const double ratio = q->devicePixelRatio();
        screens.push_back({{static_cast<double>(g.x()), static_cast<double>(g.y()),
                            static_cast<double>(g.width()), static_cast<double>(g.height())},
                           ratio > 0 ? ratio : 1});
    };
    add(primary);
    for (const QScreen* q : QGuiApplication::screens()) {
        if (q != primary) {
            add(q);
        }
    }
    return ScreenScale(std::move(screens));
}

Rect ScreenScale::deviceGeometry(const Screen& s) const {
    return {s.logical.x, s.logical.y, std::round(s.logical.width * s.ratio),
            std::round(s.logical.height * s.ratio)};
}

// As Qt picks a window's screen: the one holding its centre, else one it overlaps, else the
// primary.
const ScreenScale::Screen* ScreenScale::screenForDevice(const Rect& device) const {
    const Point centre{device.x + device.width / 2, device.y + device.height / 2};
    const Screen* overlapping = nullptr;
    for (const Screen& s : screens_) {
        const Rect g = deviceGeometry(s);
        if (g.contains(centre)) {
            return &s;
        }
        const Rect common = g.intersected(device);
        if (!overlapping && !common.isNull() && common.area() > 0) {
            overlapping = &s;
        }
    }
    return overlapping ? overlapping : screens_.empty() ? nullptr : &screens_.front();
}

const ScreenScale::Screen* ScreenScale::screenForLogical(const Point& logical) const {
    for (const Screen& s : screens_) {
        if (s.logical.contains(logical)) {
            return &s;
        }
    }
    return screens_.empty() ? nullptr : &screens_.front();
}

Rect ScreenScale::toLogical(const Rect& device) const {
    const Screen* s = identity_ ? nullptr : screenForDevice(device);
    if (!s) {
        return device;
    }
    const double r = s->ratio;
    return {s->logical.x + (device.x - s->logical.x) / r,
            s->logical.y + (device.y - s->logical.y) / r, device.width / r, device.height / r};
}

Point ScreenScale::toLogical(const Point& device) const {
    const Screen* s = identity_ ? nullptr : screenForDevice({device.x, device.y, 0, 0});
    if (!s) {
        return device;
    }
    return {s->logical.x + (device.x - s->logical.x) / s->ratio,
            s->logical.y + (device.y - s->logical.y) / s->ratio};
}

Point ScreenScale::toDevice(const Point& logical) const {
    const Screen* s = identity_ ? nullptr : screenForLogical(logical);
    if (!s) {
        return logical;
    }
    return {s->logical.x + (logical.x - s->logical.x) * s->ratio,
            s->logical.y + (logical.y - s->logical.y) * s->ratio};
}

double ScreenScale::ratioAt(const Rect& device) const {
    const Screen* s = identity_ ? nullptr : screenForDevice(device);
    return s ? s->ratio : 1;
}

}  // namespace platform::x11
