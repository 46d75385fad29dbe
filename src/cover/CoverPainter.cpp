// SPDX-License-Identifier: GPL-3.0-or-later
#include "cover/CoverPainter.h"

#include <algorithm>
#include <cmath>

#include <QBitmap>
#include <QPainterPath>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "cover/CoverStyle.h"
#include "cover/Memo.h"
#include "cover/Wallpaper.h"
#include "platform/Platform.h"

namespace CoverPainter {

using platform::Rect;
namespace style = CoverStyle;

namespace {

constexpr double kLineHeight = 27;
constexpr double kFirstLineTop = 42;  // title bar 28 + top margin 14

void drawCentred(QPainter& p, const QString& text, const QFont& font, const QColor& colour,
                 QPointF centre) {
    p.setFont(font);
    p.setPen(colour);
    const QRectF box = QFontMetricsF(font).boundingRect(text);
    p.drawText(QRectF(centre.x() - box.width() / 2, centre.y() - box.height() / 2, box.width(),
                      box.height()),
               Qt::AlignCenter, text);
}

// One memo line's text with the runs it has in the memo, laid out on a single row.
void drawLineText(QPainter& p, const QTextBlock& block, int skip, const QRectF& box) {
    const QString text = block.text().mid(skip);
    QTextLayout layout(text, style::memoFont());
    QList<QTextLayout::FormatRange> ranges;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        const int start = std::max(0, f.position() - block.position() - skip);
        const int end = f.position() - block.position() - skip + f.length();
        if (end > start) {
            ranges.append({start, end - start, f.charFormat()});
        }
    }
    layout.setFormats(ranges);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
        line.setLineWidth(box.width());
    }
    layout.endLayout();
    p.save();
    p.setClipRect(box, Qt::IntersectClip);
    p.setPen(style::bodyColor());
    layout.draw(&p, box.topLeft());
    p.restore();
}

// The box drawn for a picture: the screen itself for a capture; for a file, the picture
// scaled to fill the screen with its proportions kept, centred, the overflow cut.
Rect pictureTarget(const platform::Rect& screen, const QSize& size) {
    if (size.width() <= 0 || size.height() <= 0) {
        return screen;
    }
    const double s = std::max(screen.width / size.width(), screen.height / size.height());
    const double w = size.width() * s;
    const double h = size.height() * s;
    return {screen.x + (screen.width - w) / 2, screen.y + (screen.height - h) / 2, w, h};
}

QPainterPath pagePath(double width, double height) {
    QPainterPath page;
    page.addRoundedRect(QRectF(0, 0, width, height), style::kCornerRadius, style::kCornerRadius);
    return page;
}

// Every hole that reaches into the cover, whole, with rounded corners.
QPainterPath holesPath(double width, double height, const std::vector<Rect>& holes) {
    const Rect bounds{0, 0, width, height};
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const Rect& h : holes) {
        if (!h.intersected(bounds).isNull()) {
            path.addRoundedRect(toPainter(h, height), style::kCornerRadius, style::kCornerRadius);
        }
    }
    return path;
}

}  // namespace

QImage coverageMask(double width, double height, const std::vector<Rect>& holes) {
    QImage mask(static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height)),
                QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillPath(pagePath(width, height), Qt::black);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillPath(holesPath(width, height, holes), Qt::transparent);
    return mask;
}

namespace {
// The coverage inside one area of the page, drawn on its own: a translation by whole pixels
// leaves every edge on the same pixels.
QRegion coverageWithin(const QRect& area, int width, int height, const std::vector<Rect>& holes) {
    QImage mask(area.size(), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.translate(-area.x(), -area.y());
    p.fillPath(pagePath(width, height), Qt::black);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillPath(holesPath(width, height, holes), Qt::transparent);
    p.end();
    QRegion drawn(QBitmap::fromImage(mask.createAlphaMask()));
    drawn.translate(area.topLeft());
    return drawn;
}
}  // namespace

// Away from the page's rounded corners and its holes the page covers every pixel: only those
// areas are drawn, each with a pixel of margin around a hole for its fractional edges.
QRegion coverageRegion(int width, int height, const std::vector<Rect>& holes) {
    if (width <= 0 || height <= 0) {
        return {};
    }
    const QRect page(0, 0, width, height);
    const int corner = static_cast<int>(std::ceil(style::kCornerRadius)) + 1;
    std::vector<QRect> areas = {QRect(0, 0, corner, corner),
                                QRect(width - corner, 0, corner, corner),
                                QRect(0, height - corner, corner, corner),
                                QRect(width - corner, height - corner, corner, corner)};
    const Rect bounds{0, 0, static_cast<double>(width), static_cast<double>(height)};
    for (const Rect& h : holes) {
        if (h.intersected(bounds).isNull()) {
            continue;
        }
        const QRectF r = toPainter(h, height);
        areas.push_back(QRect(QPoint(static_cast<int>(std::floor(r.left())) - 1,
                                     static_cast<int>(std::floor(r.top())) - 1),
                              QPoint(static_cast<int>(std::ceil(r.right())) + 1,
                                     static_cast<int>(std::ceil(r.bottom())) + 1)));
    }
    QRegion region(page);
    for (const QRect& a : areas) {
        const QRect area = a.intersected(page);
        if (!area.isEmpty()) {
            region -= area;
            region += coverageWithin(area, width, height, holes);
        }
    }
    return region;
}

QRectF toPainter(const Rect& r, double viewHeight) {
    return QRectF(r.x, viewHeight - r.y - r.height, r.width, r.height);
}

Painted paint(QPainter& p, const Scene& s) {
    // Hard edges for the corners and holes: without a compositor a half-transparent edge
    // pixel shows dark, and the window's shape is cut along the very same edges.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setClipPath(pagePath(s.width, s.height));
    Painted painted;
    if (s.mode == DisguiseMode::memo) {
        painted.checkboxes = drawMemo(p, s);
        drawTitleBar(p, s);
    } else {
        painted.pictureMissing = !drawWallpaper(p, s);
        if (s.showTitleBar) {
            drawTitleBar(p, s);
        }
    }
    punchHoles(p, s);
    return painted;
}

void drawTitleBar(QPainter& p, const Scene& s) {
    const double W = s.width;
    p.fillRect(QRectF(0, 0, W, style::kTitleBarHeight), style::grey(0.93));
    p.fillRect(QRectF(0, style::kTitleBarHeight - 1, W, 1), style::grey(0.80));
    // Smooth edges only for the shapes inside the bar, clear of the cover's corners.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QColor lights[3] = {style::rgb(1.0, 0.37, 0.34), style::rgb(1.0, 0.74, 0.18),
                              style::rgb(0.16, 0.78, 0.25)};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        p.setBrush(lights[i]);
        p.drawEllipse(QRectF(style::kLightCentresX[i] - 6, 14 - 6, 12, 12));
    }
    p.setFont(style::systemFont(12, QFont::Medium));
    p.setPen(style::grey(0.35));
    p.drawText(QRectF(70, 7, std::max(1.0, W - 180), 14), Qt::AlignCenter, s.title);
    drawCentred(p, QStringLiteral("✎"), style::systemFont(13),
                s.editing ? style::accentBlue() : style::grey(0.45),
                QPointF(W - style::kEditGlyphFromRight, 14));
    drawCentred(p, QStringLiteral("⋯"), style::systemFont(15, QFont::Bold), style::grey(0.45),
                QPointF(W - style::kMenuGlyphFromRight, 14));
    drawBadge(p, s);
    p.restore();
}

// The chat's switcher label in a small disc at the bar's right end, blue for the active chat.
void drawBadge(QPainter& p, const Scene& s) {
    if (s.badgeLabel.isEmpty()) {
        return;
    }
    const QRectF disc(s.width - 28, 5, 18, 18);
    p.setPen(Qt::NoPen);
    p.setBrush(s.badgeActive ? style::accentBlue() : style::grey(0.55));
    p.drawEllipse(disc);
    const QFont font = style::systemFont(11, QFont::Bold);
    const double h = QFontMetricsF(font).height();
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(disc.left(), disc.center().y() - h / 2, disc.width(), h), Qt::AlignCenter,
               s.badgeLabel);
}

std::vector<CheckboxHit> drawMemo(QPainter& p, const Scene& s) {
    p.fillRect(QRectF(0, 0, s.width, s.height), Qt::white);
    std::vector<CheckboxHit> boxes;
    if (s.editing || !s.memo) {
        return boxes;
    }
    int i = 0;
    for (QTextBlock block = s.memo->begin(); block.isValid(); block = block.next(), ++i) {
        const double y = s.height - kFirstLineTop - kLineHeight * i;
        // Rows below the page are not drawn, but their checkboxes are still recorded: the hit
        // list covers every checklist line of the memo.
        const bool onPage = y > 0;  // the row reaches up to y − 1
        const QString line = block.text();
        double x = 22;
        int skip = 0;
        if (Memo::isChecklist(line)) {
            if (onPage) {
                drawCheckbox(p, toPainter({22, y - 18, 16, 16}, s.height), Memo::isTicked(line));
            }
            boxes.push_back({{16, y - 24, 28, 28}, i});
            x = 46;
            skip = 2;
        }
        if (onPage && line.size() > skip) {
            drawLineText(p, block, skip,
                         toPainter({x, y - 21, std::max(1.0, s.width - x - 14), 20}, s.height));
        }
    }
    return boxes;
}

void drawCheckbox(QPainter& p, const QRectF& r, bool checked) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath box;
    box.addRoundedRect(r, 3, 3);
    if (checked) {
        p.fillPath(box, style::accentBlue());
        // The tick, in the painter's y-down space.
        QPainterPath tick;
        tick.moveTo(r.left() + 3.5, r.center().y());
        tick.lineTo(r.left() + 0.42 * r.width(), r.bottom() - 3.5);
        tick.lineTo(r.right() - 3, r.top() + 3.5);
        p.strokePath(tick, QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    } else {
        p.fillPath(box, Qt::white);
        p.strokePath(box, QPen(style::grey(0.6), 1.5));
    }
    p.restore();
}

bool drawWallpaper(QPainter& p, const Scene& s) {
    const QColor fallback = QColor::fromRgbF(0.12, 0.13, 0.16);
    const QRectF bounds(0, 0, s.width, s.height);
    auto& screens = platform::current().screens();
    std::optional<platform::Screen> screen;
    for (const platform::Screen& candidate : screens.screens()) {
        // A screen the cover only touches along an edge has nothing of it to show.
        const Rect common = candidate.frame.intersected(s.windowScreenFrame);
        if (!common.isNull() && common.area() > 0) {
            screen = candidate;
            break;
        }
    }
    if (!screen) {
        screen = screens.mainScreen();
    }
    if (!screen) {
        p.fillRect(bounds, fallback);
        return false;
    }
    QImage image;
    Rect target = screen->frame;
    bool live = false;
    if (auto picture = Wallpaper::captured(*screen)) {
        image = picture->image;
        live = true;
    } else if (auto file = Wallpaper::fileImage(*screen)) {
        image = *file;
        target = pictureTarget(screen->frame, image.size());
    } else {
        p.fillRect(bounds, fallback);
        return false;
    }
    // Both in desktop coordinates, as the painter's are: no flip.
    const QRectF local(target.x - s.windowScreenFrame.x, target.y - s.windowScreenFrame.y,
                       target.width, target.height);
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(local, image);
    p.restore();
    return live;
}

void punchHoles(QPainter& p, const Scene& s) {
    if (s.holes.empty()) {
        return;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillPath(holesPath(s.width, s.height, s.holes), Qt::transparent);
    p.restore();
}

}  // namespace CoverPainter
