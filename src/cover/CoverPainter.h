// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include <QPainter>
#include <QRegion>
#include <QString>

#include "common/DisguiseMode.h"
#include "platform/Geometry.h"

class QTextDocument;

// How a cover looks: a notepad window with a to-do memo, or the piece of desktop picture
// beneath it, with see-through holes. Geometry is in view coordinates (origin bottom-left,
// y up), converted to the painter's top-left space only where drawing happens.
namespace CoverPainter {

struct CheckboxHit {
    platform::Rect rect;  // view coordinates
    int line = 0;
    friend bool operator==(const CheckboxHit&, const CheckboxHit&) = default;
};

// Everything one paint pass reads.
struct Scene {
    DisguiseMode mode = DisguiseMode::memo;
    double width = 0;
    double height = 0;
    const QTextDocument* memo = nullptr;
    QString title;
    bool editing = false;
    bool showTitleBar = true;  // wallpaper covers show it only under the mouse, by default
    std::vector<platform::Rect> holes;
    platform::Rect windowScreenFrame;  // the cover's own frame, in desktop coordinates
    QString badgeLabel;                // the chat's switcher label; empty: no badge
    bool badgeActive = false;
};

// What one paint pass leaves behind for the view.
struct Painted {
    std::vector<CheckboxHit> checkboxes;  // the checkboxes of the memo page
    bool pictureMissing = false;          // the desktop picture could not be captured: try again
};

// The whole cover.
Painted paint(QPainter& p, const Scene& s);

void drawTitleBar(QPainter& p, const Scene& s);
void drawBadge(QPainter& p, const Scene& s);
std::vector<CheckboxHit> drawMemo(QPainter& p, const Scene& s);
// False when the live desktop picture could not be had (a file or a plain colour stands in).
bool drawWallpaper(QPainter& p, const Scene& s);
void punchHoles(QPainter& p, const Scene& s);
void drawCheckbox(QPainter& p, const QRectF& box, bool checked);

// The pixels a cover shows: its rounded page minus its holes, drawn with exactly the paths and
// edges that paint() uses, so a window shape made from it matches the painting to the pixel.
QImage coverageMask(double width, double height, const std::vector<platform::Rect>& holes);

// The same pixels as a region, for a window's shape, at a cost that follows the corners and
// holes rather than the page's area: only the areas around them are drawn.
QRegion coverageRegion(int width, int height, const std::vector<platform::Rect>& holes);

// A view rectangle in the painter's space.
QRectF toPainter(const platform::Rect& r, double viewHeight);

}  // namespace CoverPainter
