// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include <QColor>
#include <QFont>

// The look shared by every cover: colours, fonts and the title-bar geometry (view coordinates,
// origin bottom-left, y up; H is the view's height).
namespace CoverStyle {

inline constexpr double kTitleBarHeight = 28;
inline constexpr double kCornerRadius = 12;
inline constexpr double kLightCentresX[3] = {16, 36, 56};
inline constexpr double kLightHalf = 8;  // a light's hit square reaches 8 from its centre
inline constexpr double kEditGlyphFromRight = 52;
inline constexpr double kMenuGlyphFromRight = 76;
inline constexpr double kGlyphHitSize = 28;  // the 16-point glyph box grown by 6 on every side

QColor bodyColor();
// The colours the editor's colour button cycles through, starting with the body colour.
const std::array<QColor, 4>& palette();
QColor accentBlue();
QColor grey(double whiteLevel);
QColor rgb(double r, double g, double b);

// The memo's fonts: the notepad's own where installed, else a Korean font of the system, so
// Hangul always renders. Sizes are in pixels, which equal points on an unscaled display.
QFont memoFont();
QFont headingFont();
// The interface font at a size and weight, also with Hangul.
QFont systemFont(double pixelSize, QFont::Weight weight = QFont::Normal);

}  // namespace CoverStyle
