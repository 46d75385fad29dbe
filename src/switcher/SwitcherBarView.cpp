// SPDX-License-Identifier: GPL-3.0-or-later
#include "switcher/SwitcherBarView.h"

#include <cmath>

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include "cover/CoverStyle.h"
#include "platform/QtCoords.h"

namespace {

constexpr double kButtonGap = 6;
constexpr double kButtonWidth = 28;

QColor activeBlue() {
    return CoverStyle::rgb(0.2, 0.55, 1.0);
}

QColor offOrange() {
    QColor c = CoverStyle::rgb(1.0, 0.55, 0.1);
    c.setAlphaF(0.95);
    return c;
}

QColor whiteAlpha(double alpha) {
    QColor c = Qt::white;
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

void drawGripDots(QPainter& p, double x, double cy) {
    p.setPen(Qt::NoPen);
    p.setBrush(CoverStyle::grey(0.55));
    for (const double dy : {-7.0, 0.0, 7.0}) {
        p.drawEllipse(QPointF(x, cy + dy), 1.5, 1.5);
    }
}

// Two joined squares, the arrange sign. Drawn as shapes: few desktop fonts have the character.
void drawArrangeGlyph(QPainter& p, double x, double cy) {
    p.setPen(QPen(CoverStyle::grey(0.85), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(x - 6, cy - 6, 8, 8));
    p.drawRect(QRectF(x - 2, cy - 2, 8, 8));
}

void drawGlyph(QPainter& p, const QString& glyph, double x, double cy) {
    const QFont font = CoverStyle::systemFont(15);
    const QSizeF size = QFontMetricsF(font).size(0, glyph);
    p.setFont(font);
    p.setPen(CoverStyle::grey(0.85));
    p.drawText(QRectF(x - size.width() / 2, cy - size.height() / 2, size.width(), size.height()),
               Qt::AlignCenter, glyph);
}

}  // namespace

SwitcherBarView::SwitcherBarView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

double SwitcherBarView::widthFor(int count) {
    return kSlotWidth * count + kLeftMargin + kButtonGap + 2 * kButtonWidth + 4 + kGripWidth;
}

double SwitcherBarView::slotCentre(int i) {
    return kLeftMargin + kSlotWidth * i + kSlotWidth / 2;
}

double SwitcherBarView::arrangeCentre(int count) {
    return kSlotWidth * count + 40;
}

double SwitcherBarView::settingsCentre(int count) {
    return kSlotWidth * count + 68;
}

SwitcherBarView::Hit SwitcherBarView::hit(double x) const {
    for (int i = 0; i < count; ++i) {
        if (std::abs(x - slotCentre(i)) <= kSlotRadius) {
            return {Hit::Kind::slot, i};
        }
    }
    if (std::abs(x - arrangeCentre(count)) <= kButtonRadius) {
        return {Hit::Kind::arrange};
    }
    if (std::abs(x - settingsCentre(count)) <= kButtonRadius) {
        return {Hit::Kind::settings};
    }
    return {};
}

void SwitcherBarView::setContent(int newCount, int newActive, std::set<int> newCoverOff,
                                 std::vector<QString> newLabels) {
    if (newCount == count && newActive == active && newCoverOff == coverOff &&
        newLabels == labels) {
        return;
    }
    count = newCount;
    active = newActive;
    coverOff = std::move(newCoverOff);
    labels = std::move(newLabels);
    ++repaintRequests;
    update();
}

QString SwitcherBarView::labelAt(int i) const {
    if (i >= 0 && static_cast<std::size_t>(i) < labels.size()) {
        return labels[static_cast<std::size_t>(i)];
    }
    return QString::number(i + 1);
}

// The bar is symmetric about its horizontal centre line, so the view's y-up coordinates and
// the painter's y-down ones agree on every vertical centre used here.
void SwitcherBarView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), CoverStyle::grey(0.16));
    p.setRenderHint(QPainter::Antialiasing);
    const double W = width();
    const double cy = height() / 2.0;
    drawGripDots(p, kGripWidth / 2, cy);
    drawGripDots(p, W - kGripWidth / 2, cy);
    for (int i = 0; i < count; ++i) {
        drawSlot(p, i, cy);
    }
    drawArrangeGlyph(p, arrangeCentre(count), cy);
    drawGlyph(p, QStringLiteral("⚙"), settingsCentre(count), cy);
}

void SwitcherBarView::drawSlot(QPainter& p, int i, double cy) const {
    const double cx = slotCentre(i);
    const QRectF disc(cx - 12, cy - 12, 24, 24);
    QColor fill = CoverStyle::grey(0.3);
    if (i == active) {
        fill = activeBlue();  // the active colour wins over the switched-off one
    } else if (coverOff.contains(i)) {
        fill = offOrange();
    }
    p.setBrush(fill);
    p.setPen(QPen(i == active ? QColor(Qt::white) : whiteAlpha(0.5), 1));
    p.drawEllipse(disc);
    const QFont font = CoverStyle::systemFont(13, QFont::Bold);
    const double h = QFontMetricsF(font).height();
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(cx - 12, cy - h / 2, 24, h), Qt::AlignCenter, labelAt(i));
}

void SwitcherBarView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const double x = event->position().x();
    dragging = x < kGripWidth || x > width() - kGripWidth;
    if (dragging) {
        lastMouse = QtCoords::fromQt(event->globalPosition());
    }
}

// The event carries where the mouse is: asking the server on every move would cost a round
// trip each.
void SwitcherBarView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging) {
        return;
    }
    const platform::Point m = QtCoords::fromQt(event->globalPosition());
    const platform::Point from = lastMouse;
    lastMouse = m;
    emit gripDragged(from, m);
}

void SwitcherBarView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        releaseLeft(event->position().x());
        return;
    }
    if (event->button() == Qt::RightButton) {
        if (const Hit h = hit(event->position().x()); h.kind == Hit::Kind::slot) {
            emit slotRightClicked(h.slot);
        }
    }
}

void SwitcherBarView::releaseLeft(double x) {
    if (dragging) {
        dragging = false;
        emit gripReleased();
        return;
    }
    const Hit h = hit(x);
    if (h.kind == Hit::Kind::slot) {
        emit slotClicked(h.slot);
    } else if (h.kind == Hit::Kind::arrange) {
        emit arrangeClicked();
    } else if (h.kind == Hit::Kind::settings) {
        emit settingsClicked();
    }
}
