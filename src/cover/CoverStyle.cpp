// SPDX-License-Identifier: GPL-3.0-or-later
#include "cover/CoverStyle.h"

#include <QFontDatabase>
#include <QStringList>

namespace CoverStyle {

namespace {

// Families tried in order: the notepad's own, then Korean fonts common on Linux desktops.
QString koreanFamily() {
    static const QString chosen = [] {
        const QStringList wanted = {"Apple SD Gothic Neo", "AppleSDGothicNeo", "Noto Sans CJK KR",
                                    "Noto Sans KR",        "NanumGothic",      "Nanum Gothic",
                                    "NanumBarunGothic",    "UnDotum",          "Baekmuk Gulim"};
        const QStringList installed = QFontDatabase::families();
        for (const QString& family : wanted) {
            if (installed.contains(family, Qt::CaseInsensitive)) {
                return family;
            }
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return chosen;
}

QFont makeFont(double pixelSize, QFont::Weight weight) {
    QFont f(koreanFamily());
    f.setPixelSize(static_cast<int>(pixelSize));
    f.setWeight(weight);
    return f;
}

}  // namespace

QColor grey(double whiteLevel) {
    return QColor::fromRgbF(whiteLevel, whiteLevel, whiteLevel);
}

QColor rgb(double r, double g, double b) {
    return QColor::fromRgbF(r, g, b);
}

QColor bodyColor() {
    return grey(0.15);
}

QColor accentBlue() {
    return rgb(0.2, 0.55, 1.0);
}

const std::array<QColor, 4>& palette() {
    static const std::array<QColor, 4> colours = {bodyColor(), rgb(0.85, 0.18, 0.18),
                                                  rgb(0.13, 0.40, 0.85), rgb(0.13, 0.55, 0.20)};
    return colours;
}

QFont memoFont() {
    return makeFont(15, QFont::Normal);
}

QFont headingFont() {
    return makeFont(16, QFont::Bold);
}

QFont systemFont(double pixelSize, QFont::Weight weight) {
    return makeFont(pixelSize, weight);
}

}  // namespace CoverStyle
