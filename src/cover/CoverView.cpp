#include "cover/CoverView.h"

#include "cover/CoverWindow.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

CoverView::CoverView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CoverView::setContent(DisguiseMode mode, const platform::Rect& windowScreenFrame,
                           std::vector<platform::Rect> holes) {
    if (mode == mode_ && windowScreenFrame == windowScreenFrame_ && holes == holes_) {
        return;
    }
    mode_ = mode;
    windowScreenFrame_ = windowScreenFrame;
    holes_ = std::move(holes);
    ++repaintRequests_;
    update();
}

void CoverView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0xFF, 0xFE, 0xF8));
    // Holes are see-through: clear them (view coordinates are y-up, Qt's are y-down).
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    for (const platform::Rect& h : holes_) {
        QPainterPath path;
        path.addRoundedRect(QRectF(h.x, height() - h.y - h.height, h.width, h.height), 12, 12);
        p.fillPath(path, Qt::transparent);
    }
}

void CoverView::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void CoverView::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->pos());
    pressed_ = false;
    auto* w = qobject_cast<CoverWindow*>(window());
    if (click && w && w->onReveal) {
        w->onReveal(*w);
    }
}
