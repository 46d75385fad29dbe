// SPDX-License-Identifier: GPL-3.0-or-later
#include "cover/CoverView.h"

#include <cmath>

#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include "common/Log.h"
#include "common/Settings.h"
#include "cover/CoverStyle.h"
#include "cover/Memo.h"
#include "cover/MemoEditor.h"
#include "cover/TitlePrompt.h"
#include "platform/QtCoords.h"

using platform::Point;
using platform::Rect;
namespace style = CoverStyle;

namespace {

// A title bar press that moves this far becomes a drag of the chat.
constexpr double kDragThreshold = 4;

std::string holesText(const std::vector<Rect>& holes) {
    std::string out = "[";
    for (std::size_t i = 0; i < holes.size(); ++i) {
        const Rect& h = holes[i];
        out += (i ? ", \"(" : "\"(") + Log::whole(h.x) + "," + Log::whole(h.y) + " " +
               Log::whole(h.width) + "x" + Log::whole(h.height) + ")\"";
    }
    return out + "]";
}

bool draggableContent(const QMimeData* data) {
    if (!data) {
        return false;
    }
    if (data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile()) {
                return true;
            }
        }
    }
    if (data->hasImage()) {
        return true;
    }
    for (const QString& format : data->formats()) {
        if (format.startsWith(QLatin1String("image/")) || format == QLatin1String("public.image")) {
            return true;
        }
    }
    return false;
}

}  // namespace

CoverView::CoverView(QWidget* parent, std::uint32_t chatID)
    : QWidget(parent),
      askTitle([this](const QString& current, TitleAnswer answer) {
          openTitlePrompt(current, std::move(answer));
      }),
      chatID_(chatID),
      memoText_(Memo::defaultMemo()),
      memoTitle_(Memo::kDefaultTitle) {
    setAcceptDrops(true);
    Log::line(std::string("DRAG register types on view (window=") + (parent ? "true" : "false") +
              ")");
}

// An open question goes first, while the view it answers to is still whole.
CoverView::~CoverView() {
    delete titlePrompt_;
}

void CoverView::requestRepaint() {
    ++repaintRequests_;
    update();
}

void CoverView::setBadge(const QString& label, bool active) {
    if (label == badgeLabel_ && active == badgeActive_) {
        return;
    }
    badgeLabel_ = label;
    badgeActive_ = active;
    requestRepaint();
}

void CoverView::setContent(DisguiseMode mode, const Rect& windowScreenFrame,
                           std::vector<Rect> holes) {
    // A page moved whole looks the same: only the desktop picture depends on where it is.
    if (mode == mode_ && windowScreenFrame.width == windowScreenFrame_.width &&
        windowScreenFrame.height == windowScreenFrame_.height && holes == holes_) {
        setWindowScreenFrame(windowScreenFrame);
        retryMissingPicture();
        return;
    }
    if (mode != mode_ && editing_) {
        setEditing(false);
    }
    mode_ = mode;
    windowScreenFrame_ = windowScreenFrame;
    holes_ = std::move(holes);
    requestRepaint();
}

void CoverView::setWindowScreenFrame(const Rect& frame) {
    if (frame == windowScreenFrame_) {
        return;
    }
    windowScreenFrame_ = frame;
    if (mode_ == DisguiseMode::wallpaper) {
        requestRepaint();  // the piece of desktop under the cover moved
    }
}

bool CoverView::titleBarShown() const {
    return mode_ == DisguiseMode::memo || hovering_ ||
           Settings::d().boolForKey(Settings::key::kWallpaperTitleAlways);
}

CoverPainter::Scene CoverView::scene() const {
    CoverPainter::Scene s;
    s.mode = mode_;
    s.width = width();
    s.height = height();
    s.memo = memoText_.get();
    s.title = memoTitle_;
    s.editing = editing_;
    s.showTitleBar = titleBarShown();
    s.holes = holes_;
    s.windowScreenFrame = windowScreenFrame_;
    s.badgeLabel = badgeLabel_;
    s.badgeActive = badgeActive_;
    return s;
}

void CoverView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    auto painted = CoverPainter::paint(p, scene());
    checkboxRects_ = std::move(painted.checkboxes);
    if (!painted.pictureMissing) {
        pictureRetryWait_ = 0;
    } else if (pictureRetryWait_ == 0) {
        pictureRetryWait_ = 1;
        pictureRetryIn_ = 1;
    }
}

// A desktop picture that could not be captured (none set yet at login, say) is asked for again
// at the next sync, then ever less often, up to every 32nd, so a desktop without one costs
// next to nothing.
void CoverView::retryMissingPicture() {
    if (mode_ != DisguiseMode::wallpaper || pictureRetryWait_ == 0 || --pictureRetryIn_ > 0) {
        return;
    }
    pictureRetryWait_ = std::min(pictureRetryWait_ * 2, 32);
    pictureRetryIn_ = pictureRetryWait_;
    requestRepaint();
}

CoverView::Zone CoverView::zone(Point p) const {
    const double W = width();
    const double H = height();
    if (mode_ == DisguiseMode::wallpaper && !titleBarShown()) {
        return Zone::body;
    }
    if (p.y < H - style::kTitleBarHeight) {
        return Zone::body;
    }
    const double size = style::kGlyphHitSize;
    if (Rect{W - style::kMenuGlyphFromRight - 14, H - size, size, size}.contains(p)) {
        return Zone::menu;
    }
    if (Rect{W - style::kEditGlyphFromRight - 14, H - size, size, size}.contains(p)) {
        return Zone::edit;
    }
    const Zone lights[3] = {Zone::close, Zone::minimize, Zone::green};
    for (int i = 0; i < 3; ++i) {
        if (std::abs(p.x - style::kLightCentresX[i]) <= style::kLightHalf &&
            std::abs(p.y - (H - 14)) <= style::kLightHalf) {
            return lights[i];
        }
    }
    return Zone::titlebar;
}

Point CoverView::viewPoint(const QPointF& q) const {
    return {q.x(), height() - q.y()};
}

bool CoverView::inHole(Point p) const {
    return std::any_of(holes_.begin(), holes_.end(), [&](const Rect& h) { return h.contains(p); });
}

void CoverView::mousePressEvent(QMouseEvent* event) {
    const Point p = viewPoint(event->position());
    // What shows through a hole is not the cover's: let the press go past it.
    if (event->button() != Qt::LeftButton || inHole(p)) {
        event->ignore();
        return;
    }
    pressed_ = true;
    downZone_ = zone(p);
    dragStarted_ = false;
    downPoint_ = event->scenePosition();
}

void CoverView::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_ || downZone_ != Zone::titlebar) {
        return;
    }
    if (!dragStarted_) {
        const QPointF d = event->scenePosition() - downPoint_;
        if (std::hypot(d.x(), d.y()) < kDragThreshold) {
            return;
        }
        dragStarted_ = true;
        emit titleBarDragStarted();
    }
    emit titleBarDragMoved();
}

void CoverView::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressed_ || event->button() != Qt::LeftButton) {
        return;
    }
    pressed_ = false;
    if (dragStarted_) {
        emit titleBarDragEnded();
    }
    const Point p = viewPoint(event->position());
    const Zone release = zone(p);
    switch (downZone_) {
        case Zone::close:
            if (release == Zone::close) {
                emit closeClicked();
            }
            break;
        case Zone::minimize:
            if (release == Zone::minimize) {
                emit minimizeClicked();
            }
            break;
        case Zone::green:
            break;
        case Zone::edit:
            if (release == Zone::edit) {
                emit editClicked();
            }
            break;
        case Zone::menu:
            if (release == Zone::menu) {
                promptTitle();
            }
            break;
        case Zone::titlebar:
            if (!dragStarted_ && !editing_) {
                emit revealClicked();
            }
            break;
        case Zone::body:
            if (!editing_) {
                clickBody(p);
            }
            break;
    }
}

void CoverView::clickBody(Point p) {
    for (const auto& box : checkboxRects_) {
        if (box.rect.contains(p)) {
            toggleCheckbox(box.line);
            return;
        }
    }
    Log::line("CLICK→reveal cover=" + std::to_string(chatID_) + " p=(" + Log::whole(p.x) + "," +
              Log::whole(p.y) + ") holes=" + holesText(holes_) +
              " inHole=" + (inHole(p) ? "true" : "false"));
    emit revealClicked();
}

void CoverView::toggleCheckbox(int line) {
    if (Memo::toggleCheckbox(*memoText_, line)) {
        requestRepaint();
    }
}

void CoverView::setHovering(bool hovering) {
    if (hovering == hovering_) {
        return;
    }
    hovering_ = hovering;
    if (mode_ == DisguiseMode::wallpaper) {
        requestRepaint();  // the title bar comes and goes with the mouse
    }
}

void CoverView::enterEvent(QEnterEvent*) {
    setHovering(true);
}

void CoverView::leaveEvent(QEvent*) {
    setHovering(false);
}

void CoverView::setEditing(bool editing) {
    if (mode_ == DisguiseMode::wallpaper || editing == editing_) {
        return;
    }
    editing_ = editing;
    if (!editor_) {
        editor_ = new MemoEditor(this);
    }
    if (editing) {
        editor_->open(*memoText_, QSizeF(width(), height()));
    } else {
        memoText_ = editor_->close();
    }
    requestRepaint();
}

void CoverView::promptTitle() {
    if (!askTitle) {
        return;
    }
    // The answer may come after the chat, and with it this cover, has gone.
    askTitle(memoTitle_, [self = QPointer<CoverView>(this)](const QString& entered) {
        if (self) {
            self->takeTitle(entered);
        }
    });
}

// The question is the view's child and answers in a slot of the view: when the cover goes, the
// question goes with it and no answer can reach a destroyed view.
void CoverView::openTitlePrompt(const QString& current, TitleAnswer answer) {
    delete titlePrompt_;  // one question at a time
    titlePrompt_ = new TitlePrompt(current, this);
    connect(titlePrompt_, &TitlePrompt::confirmed, this, std::move(answer));
    titlePrompt_->present();
}

void CoverView::takeTitle(const QString& entered) {
    memoTitle_ = Memo::cleanTitle(entered);
    requestRepaint();
}

void CoverView::dragEnterEvent(QDragEnterEvent* event) {
    onDragOver(event->mimeData());
    event->ignore();  // the cover never takes the drop
}

void CoverView::dragMoveEvent(QDragMoveEvent* event) {
    onDragOver(event->mimeData());
    event->ignore();
}

// What is dragged over the cover, for its window to step aside for files or pictures.
void CoverView::onDragOver(const QMimeData* data) {
    std::string types = "[";
    if (data) {
        const QStringList formats = data->formats();
        for (int i = 0; i < formats.size(); ++i) {
            types += (i ? ", " : "") + formats[i].toStdString();
        }
    }
    types += "]";
    emit dragHovered(types, draggableContent(data));
}
