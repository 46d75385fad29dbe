// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window's commit rules for a chat's label and hot key, over any typed text (as
// UTF-8 and as raw UTF-16, lone surrogates included).

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include <QString>
#include <QTextBoundaryFinder>

#include "FuzzSupport.h"
#include "settings_ui/SwitcherSettings.h"

namespace {

int graphemes(const QString& s) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    int n = 0;
    for (qsizetype end = finder.toNextBoundary(); end >= 0; end = finder.toNextBoundary()) {
        // A cut inside a surrogate pair splits no character.
        if (end == s.size() || !s[end - 1].isHighSurrogate() || !s[end].isLowSurrogate()) {
            ++n;
        }
    }
    return n;
}

// Any white space, the ideographic space of a Korean input method included.
bool whiteSpace(QChar c) {
    return c.isSpace();
}

bool blank(const QString& s) {
    for (const QChar c : s) {
        if (!whiteSpace(c)) {
            return false;
        }
    }
    return true;
}

void checkLabel(const QString& typed) {
    const std::optional<QString> label = SwitcherSettings::normalisedLabel(typed);
    FUZZ_CHECK(label.has_value() == !blank(typed));
    if (!label) {
        return;
    }
    // Trimmed, at most two characters, taken from what was typed, and stable once stored.
    FUZZ_CHECK(!label->isEmpty());
    FUZZ_CHECK(!whiteSpace(label->front()) && !whiteSpace(label->back()));
    FUZZ_CHECK(graphemes(*label) <= 2);
    FUZZ_CHECK(typed.contains(*label));
    FUZZ_CHECK(SwitcherSettings::normalisedLabel(*label) == label);
    if (typed.isValidUtf16()) {
        FUZZ_CHECK(label->isValidUtf16());
    }
}

void checkKey(const QString& typed) {
    const std::optional<QString> key = SwitcherSettings::normalisedKey(typed);
    if (blank(typed)) {
        FUZZ_CHECK(!key);
    }
    if (!key) {
        return;
    }
    // One character, upper-cased, a letter or digit, and never the main window's K: the
    // switcher goes by the key's first code point.
    FUZZ_CHECK(graphemes(*key) == 1);
    FUZZ_CHECK(key->toUpper() == *key);
    const std::u32string points = key->toStdU32String();
    FUZZ_CHECK(!points.empty());
    FUZZ_CHECK(QChar::isLetterOrNumber(points.front()));
    FUZZ_CHECK(points.front() != U'K');
    FUZZ_CHECK(SwitcherSettings::normalisedKey(*key) == key);
    if (typed.isValidUtf16()) {
        FUZZ_CHECK(key->isValidUtf16());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) {
        return 0;  // a field holds a few characters; longer text only slows the search
    }
    const QString utf8 =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkLabel(utf8);
    checkKey(utf8);

    QString utf16(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(utf16.data(), data, size / 2 * 2);
    checkLabel(utf16);
    checkKey(utf16);
    return 0;
}
