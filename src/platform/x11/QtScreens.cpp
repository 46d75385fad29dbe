// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace platform::x11 {

namespace {

// Desktop coordinates are anchored to the primary screen's top-left corner.
Rect toDesktop(const QRect& g, const QRect& primary) {
    return {static_cast<double>(g.x() - primary.x()), static_cast<double>(g.y() - primary.y()),
            static_cast<double>(g.width()), static_cast<double>(g.height())};
}

Screen describe(const QScreen* s, const QRect& primary, std::uint32_t number) {
    return {toDesktop(s->geometry(), primary), toDesktop(s->availableGeometry(), primary), number};
}

}  // namespace

std::vector<Screen> QtScreens::screens() {
    return current();
}

std::optional<Rect> QtScreens::primaryFrame() {
    const auto& all = current();
    return all.empty() ? std::nullopt : std::optional<Rect>(all.front().frame);
}

const std::vector<Screen>& QtScreens::current() {
    if (!watcher_) {
        watch();
    }
    if (!stale_) {
        return screens_;
    }
    screens_.clear();
    const QScreen* primary = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    if (!primary) {
        return screens_;  // no application yet, or no screen: ask again next time
    }
    const QRect p = primary->geometry();
    const auto all = QGuiApplication::screens();
    screens_.push_back(describe(primary, p, static_cast<std::uint32_t>(all.indexOf(primary) + 1)));
    for (int i = 0; i < all.size(); ++i) {
        if (all[i] != primary) {
            screens_.push_back(describe(all[i], p, static_cast<std::uint32_t>(i + 1)));
        }
    }
    stale_ = !watcher_;
    return screens_;
}

// Any change to any screen (added, removed, moved, resized, panels changed, another primary)
// makes the kept list stale.
void QtScreens::watch() {
    if (!qGuiApp) {
        return;
    }
    watcher_ = std::make_unique<QObject>();
    auto stale = [this] { stale_ = true; };
    auto follow = [this, stale](QScreen* s) {
        QObject::connect(s, &QScreen::geometryChanged, watcher_.get(), stale);
        QObject::connect(s, &QScreen::availableGeometryChanged, watcher_.get(), stale);
    };
    for (QScreen* s : QGuiApplication::screens()) {
        follow(s);
    }
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, watcher_.get(),
                     [stale, follow](QScreen* s) {
                         follow(s);
                         stale();
                     });
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, watcher_.get(), stale);
    QObject::connect(qGuiApp, &QGuiApplication::primaryScreenChanged, watcher_.get(), stale);
    stale_ = true;
}

std::optional<Screen> QtScreens::mainScreen() {
    const QScreen* primary = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    if (!primary) {
        return std::nullopt;
    }
    const QWindow* focus = QGuiApplication::focusWindow();
    const QScreen* s = focus && focus->screen() ? focus->screen() : primary;
    const auto all = QGuiApplication::screens();
    return describe(s, primary->geometry(), static_cast<std::uint32_t>(all.indexOf(s) + 1));
}

}  // namespace platform::x11
