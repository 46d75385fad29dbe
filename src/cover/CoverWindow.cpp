// SPDX-License-Identifier: GPL-3.0-or-later
#include "cover/CoverWindow.h"

#include <algorithm>

#include <QBitmap>
#include <QEvent>
#include <QGuiApplication>
#include <QPainterPath>
#include <QRegion>
#include <QResizeEvent>
#include <QWindow>

#include "common/Log.h"
#include "common/Settings.h"
#include "cover/CoverPainter.h"
#include "platform/Platform.h"
#include "platform/QtCoords.h"

namespace {

// Wallpaper covers reach past the chat window so its drop shadow is hidden too.
constexpr double kWallpaperMargin = 18;

bool stackedWithChat() {
    return platform::current().windowServer().coverStacking() == platform::CoverStacking::aboveChat;
}

// Floating: unmanaged by the window manager (so its geometry is exactly ours and it sits above
// full-screen windows too), kept on the floating level by the platform. A stays-on-top hint
// would be ignored by the window manager and only cost round trips per cover. Stacked with its
// chat: a window the manager stacks like any other, so that what comes in front of the chat
// comes in front of the cover too; a dialog, which managers keep above the window it belongs
// to and float (a utility window of an inactive program is hidden by KWin).
Qt::WindowFlags coverFlags() {
    const Qt::WindowFlags flags =
        Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint;
    return stackedWithChat() ? flags | Qt::Dialog : flags | Qt::Tool | Qt::BypassWindowManagerHint;
}

std::string decimalText(double v) {
    QString s = QString::number(v, 'g', 6);
    if (!s.contains('.') && !s.contains('e')) {
        s += ".0";
    }
    return s.toStdString();
}

}  // namespace

CoverWindow::CoverWindow(const KWindow& target)
    : QWidget(nullptr, coverFlags()),
      targetID(target.id),
      chat(target.ref()),
      cover(new CoverView(this, target.id)),
      stackedWithChat_(stackedWithChat()) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("tessavo cover"));
    setFocusPolicy(Qt::NoFocus);
    connectView();
}

void CoverWindow::connectView() {
    connect(cover, &CoverView::titleBarDragStarted, this, &CoverWindow::beginDrag);
    connect(cover, &CoverView::titleBarDragMoved, this, &CoverWindow::dragMoved);
    connect(cover, &CoverView::titleBarDragEnded, this, &CoverWindow::endDrag);
    connect(cover, &CoverView::closeClicked, this, &CoverWindow::closeChat);
    connect(cover, &CoverView::minimizeClicked, this, &CoverWindow::minimizeChat);
    connect(cover, &CoverView::editClicked, this, &CoverWindow::editClicked);
    connect(cover, &CoverView::revealClicked, this, &CoverWindow::clickedToReveal);
    connect(cover, &CoverView::dragHovered, this, &CoverWindow::dragHovered);
}

CoverWindow::~CoverWindow() {
    if (nativeId_ != 0) {
        platform::current().windowServer().release(nativeId_);
    }
}

std::uint64_t CoverWindow::nativeId() {
    if (nativeId_ == 0) {
        nativeId_ = static_cast<std::uint64_t>(winId());
        auto& server = platform::current().windowServer();
        if (stackedWithChat_) {
            server.stackAbove(nativeId_, targetID, frame_);
        } else {
            server.keepOnFloatingLevel(nativeId_);
        }
    }
    return nativeId_;
}

platform::Rect CoverWindow::targetFrame(const KWindow& to, DisguiseMode mode) const {
    platform::Rect f = to.frame;
    if (mode == DisguiseMode::wallpaper &&
        !Settings::d().boolForKey(Settings::key::kWallpaperTightFit)) {
        f = {f.x - kWallpaperMargin, f.y - kWallpaperMargin, f.width + 2 * kWallpaperMargin,
             f.height + 2 * kWallpaperMargin};
    }
    return onScreens(f);
}

// A window may be far larger than every screen (a chat resized to 20000 x 20000, say), and a
// cover's pixels cost four bytes each: a cover only ever spans what can be seen of its chat.
platform::Rect CoverWindow::onScreens(const platform::Rect& f) {
    // Nearly every chat lies on the primary screen: that needs no screen list.
    if (const auto primary = platform::current().screens().primaryFrame();
        primary && f.minX() >= primary->minX() - kWallpaperMargin &&
        f.minY() >= primary->minY() - kWallpaperMargin &&
        f.maxX() <= primary->maxX() + kWallpaperMargin &&
        f.maxY() <= primary->maxY() + kWallpaperMargin) {
        return f;
    }
    const auto screens = platform::current().screens().screens();
    if (screens.empty()) {
        return f;
    }
    double left = screens.front().frame.minX(), top = screens.front().frame.minY();
    double right = screens.front().frame.maxX(), bottom = screens.front().frame.maxY();
    for (const platform::Screen& s : screens) {
        left = std::min(left, s.frame.minX());
        top = std::min(top, s.frame.minY());
        right = std::max(right, s.frame.maxX());
        bottom = std::max(bottom, s.frame.maxY());
    }
    const platform::Rect desktop{left - kWallpaperMargin, top - kWallpaperMargin,
                                 right - left + 2 * kWallpaperMargin,
                                 bottom - top + 2 * kWallpaperMargin};
    const platform::Rect seen = f.intersected(desktop);
    if (seen.isNull() || seen.area() <= 0) {
        return {f.x, f.y, std::min(f.width, 1.0), std::min(f.height, 1.0)};  // nothing to see
    }
    return seen;
}

// What the window shows where it has not been painted yet: mapped, moved onto new ground or
// enlarged, it covers the chat at once instead of showing it until the first paint lands.
void CoverWindow::showsFirst(DisguiseMode mode) {
    if (background_ == mode) {
        return;
    }
    background_ = mode;
    const std::optional<std::uint32_t> page =
        mode == DisguiseMode::memo ? std::optional<std::uint32_t>(0xFFFFFF) : std::nullopt;
    platform::current().windowServer().setBackground(nativeId(), page);
}

void CoverWindow::sync(const KWindow& to, DisguiseMode mode, bool covered,
                       const std::vector<platform::Rect>& holes) {
    chat = to.ref();
    // A file drag took the cover away so the drop reaches the chat; it returns only when the
    // chat must be covered again.
    if (fileDragging) {
        if (!covered) {
            if (isVisible()) {
                orderOut();
            }
            return;
        }
        fileDragging = false;
    }
    // Placed before its window is made, a new cover's window is made where it belongs: no move
    // and no round trips for one.
    const platform::Rect f = targetFrame(to, mode);
    if (!isDragging && !(frame_ == f)) {
        setFrame(f);
    }
    showsFirst(mode);
    if (covered) {
        std::vector<platform::Rect> local;
        local.reserve(holes.size());
        // The view draws with its origin at its bottom-left corner.
        for (const platform::Rect& h : holes) {
            local.push_back({h.x - f.x, f.maxY() - h.maxY(), h.width, h.height});
        }
        cover->setContent(mode, f, std::move(local));
    }
    setAlpha(covered ? 1.0 : 0.0);
    // Stacked with its chat, a cover that must not show is taken down: a compositor may ignore
    // its shape, and what is unmapped shows nowhere.
    if (stackedWithChat_ && !covered) {
        if (isVisible()) {
            orderOut();
        }
        return;
    }
    // The window's shape leaves the holes out, and a shaped-away area takes no clicks: what
    // lies in front of the chat stays usable, while a click on the visible page still lands
    // on the cover rather than in the chat nobody can see.
    setIgnoresMouseEvents(!covered);
    // Shaped while still unmapped, a new cover costs the server one pass over the windows it
    // overlaps instead of two.
    applyShape();
    if (!isVisible()) {
        orderFront();
    }
}

void CoverWindow::applyShape() {
    const auto& holes = cover->holes();
    if (alpha_ == shapedAlpha_ && holes == shapedHoles_ && size() == shapedSize_) {
        return;
    }
    shapedAlpha_ = alpha_;
    shapedHoles_ = holes;
    shapedSize_ = size();
    QRegion visible;
    if (alpha_ == 0.0) {
        // An empty region would remove the shape altogether; one pixel outside the window
        // leaves nothing of it on screen.
        visible = QRegion(-1, -1, 1, 1);
    } else {
        // Rounded corners and holes are cut by the shape, so they work without a compositor.
        visible = CoverPainter::coverageRegion(width(), height(), holes);
    }
    if (visible.isEmpty()) {
        clearMask();
    } else {
        setMask(visible);
    }
    platform::current().windowServer().flush();
}

void CoverWindow::setAlpha(double alpha) {
    if (alpha == alpha_) {
        return;
    }
    alpha_ = alpha;
    setWindowOpacity(alpha);
    applyShape();
}

void CoverWindow::setIgnoresMouseEvents(bool ignore) {
    if (ignore == ignoresMouseEvents_) {
        return;
    }
    ignoresMouseEvents_ = ignore;
    setAttribute(Qt::WA_TransparentForMouseEvents, ignore);
    if (QWindow* w = windowHandle()) {
        w->setFlag(Qt::WindowTransparentForInput, ignore);
    }
    platform::current().windowServer().flush();
}

void CoverWindow::setFrame(const platform::Rect& frame) {
    frame_ = frame;
    setGeometry(QtCoords::toQt(frame));
    if (stackedWithChat_ && isVisible()) {
        platform::current().windowServer().stackAbove(nativeId(), targetID, frame);
    }
}

void CoverWindow::orderFront() {
    nativeId();
    if (QWindow* w = windowHandle()) {
        w->setFlag(Qt::WindowTransparentForInput, ignoresMouseEvents_);
    }
    show();
    if (stackedWithChat_) {
        // Raised to the top it would hide what the user put in front of the chat.
        platform::current().windowServer().stackAbove(nativeId_, targetID, frame_);
    } else {
        raise();
    }
    platform::current().windowServer().flush();
}

void CoverWindow::beginDrag() {
    isDragging = true;
    auto& p = platform::current();
    dragStartMouse = p.input().mouseLocation();
    const auto start = p.appWindows().frameOf(chat);
    dragStartPos.reset();
    dragStartCoverFrame = frame_;
    // A chat whose place is unknown could not be put back where the user drops it: it stays.
    if (start) {
        dragStartPos = platform::Point{start->x, start->y};
        p.appWindows().move(chat, kParkPosition);
    }
}

void CoverWindow::dragMoved() {
    const platform::Point mouse = platform::current().input().mouseLocation();
    const platform::Rect& start = dragStartCoverFrame;
    const platform::Rect moved{start.x + mouse.x - dragStartMouse.x,
                               start.y + mouse.y - dragStartMouse.y, start.width, start.height};
    // A wallpaper cover keeps showing the piece of desktop under its new place.
    cover->setWindowScreenFrame(moved);
    setFrame(moved);
}

void CoverWindow::endDrag() {
    isDragging = false;
    auto& p = platform::current();
    const platform::Point now = p.input().mouseLocation();
    if (!dragStartPos) {
        return;
    }
    const double dx = now.x - dragStartMouse.x;
    const double dy = now.y - dragStartMouse.y;
    p.appWindows().move(chat, platform::Point{dragStartPos->x + dx, dragStartPos->y + dy});
}

void CoverWindow::closeChat() {
    platform::current().appWindows().close(chat);
}

void CoverWindow::minimizeChat() {
    platform::current().appWindows().minimize(chat);
}

void CoverWindow::dragHovered(const std::string& types, bool filesOrPictures) {
    Log::line("DRAG ENTER types=" + types + " alpha=" + decimalText(alpha()) +
              " editing=" + (isEditing ? "true" : "false"));
    if (alpha() > 0.5 && !isEditing && filesOrPictures) {
        Log::line("DRAG REVEAL → triggerFileDrag");
        fileDragStarted();
    }
}

void CoverWindow::clickedToReveal() {
    emit revealRequested();
}

void CoverWindow::fileDragStarted() {
    fileDragging = true;
    emit fileDragged();
    orderOut();
}

void CoverWindow::editClicked() {
    isEditing = !isEditing;
    if (isEditing) {
        makeKeyAndOrderFront();
    }
    cover->setEditing(isEditing);
}

bool CoverWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowDeactivate) {
        resignKey();
    }
    return QWidget::event(e);
}

void CoverWindow::makeKeyAndOrderFront() {
    if (!canBecomeKey()) {
        return;
    }
    if (QWindow* w = windowHandle()) {
        w->setFlag(Qt::WindowDoesNotAcceptFocus, false);
    }
    orderFront();
    activateWindow();
}

void CoverWindow::resignKey() {
    if (isEditing) {
        isEditing = false;
        cover->setEditing(false);
    }
    if (QWindow* w = windowHandle()) {
        w->setFlag(Qt::WindowDoesNotAcceptFocus, true);
    }
}

void CoverWindow::resizeEvent(QResizeEvent* e) {
    cover->setGeometry(0, 0, e->size().width(), e->size().height());
    QWidget::resizeEvent(e);
}
