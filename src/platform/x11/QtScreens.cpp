#include "platform/x11/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace platform::x11 {

namespace {

// Screen coordinates are anchored to the primary screen's bottom-left corner, y up.
Rect toScreenSpace(const QRect& g, const QRect& primary) {
    return {static_cast<double>(g.x() - primary.x()),
            static_cast<double>((primary.y() + primary.height()) - (g.y() + g.height())),
            static_cast<double>(g.width()), static_cast<double>(g.height())};
}

Screen describe(const QScreen* s, const QRect& primary, std::uint32_t number) {
    return {toScreenSpace(s->geometry(), primary), toScreenSpace(s->availableGeometry(), primary),
            number};
}

}  // namespace

std::vector<Screen> QtScreens::screens() {
    std::vector<Screen> out;
    const QScreen* primary = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    if (!primary) {
        return out;
    }
    const QRect p = primary->geometry();
    const auto all = QGuiApplication::screens();
    out.push_back(describe(primary, p, static_cast<std::uint32_t>(all.indexOf(primary) + 1)));
    for (int i = 0; i < all.size(); ++i) {
        if (all[i] != primary) {
            out.push_back(describe(all[i], p, static_cast<std::uint32_t>(i + 1)));
        }
    }
    return out;
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
