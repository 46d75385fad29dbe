// SPDX-License-Identifier: GPL-3.0-or-later
#include "cover/Memo.h"

#include <QTextBlock>
#include <QTextCursor>

#include "cover/CoverStyle.h"

namespace Memo {

namespace {

QTextCharFormat lineFormat(const QFont& font, bool struck) {
    QTextCharFormat f;
    f.setFont(font);
    f.setForeground(CoverStyle::bodyColor());
    f.setFontStrikeOut(struck);
    return f;
}

}  // namespace

std::unique_ptr<QTextDocument> defaultMemo() {
    struct Line {
        const char* text;
        bool heading;
        bool struck;
    };
    static const Line lines[] = {
        {"할일", true, false},
        {"", false, false},
        {"☐ 우유, 계란, 빵 사기", false, false},
        {"☐ 회의 자료 정리 (오후 3시)", false, false},
        {"☑ 운동 30분", false, true},
        {"☐ 책 반납", false, false},
        {"☐ 정비소 전화", false, false},
    };
    auto doc = std::make_unique<QTextDocument>();
    QTextCursor cursor(doc.get());
    bool first = true;
    for (const Line& l : lines) {
        const QTextCharFormat format =
            lineFormat(l.heading ? CoverStyle::headingFont() : CoverStyle::memoFont(), l.struck);
        if (!first) {
            cursor.insertBlock(QTextBlockFormat(), format);
        } else {
            cursor.setBlockCharFormat(format);
        }
        first = false;
        cursor.insertText(QString::fromUtf8(l.text), format);
    }
    return doc;
}

bool isTicked(const QString& line) {
    return line.startsWith(kTickedBox);
}

bool isChecklist(const QString& line) {
    return line.startsWith(kOpenBox) || isTicked(line);
}

bool toggleCheckbox(QTextDocument& memo, int line) {
    const QTextBlock block = memo.findBlockByNumber(line);
    if (!block.isValid() || !isChecklist(block.text())) {
        return false;
    }
    const bool wasTicked = isTicked(block.text());
    QTextCursor cursor(block);
    cursor.beginEditBlock();
    // Swap the box character in place, keeping its formatting; the text length stays the same.
    cursor.setPosition(block.position());
    cursor.setPosition(block.position() + 1, QTextCursor::KeepAnchor);
    const QTextCharFormat boxFormat = cursor.charFormat();
    cursor.insertText(wasTicked ? QStringLiteral("☐") : QStringLiteral("☑"), boxFormat);
    const int restStart = block.position() + 2;
    const int restEnd = block.position() + block.length() - 1;
    if (restEnd > restStart) {
        cursor.setPosition(restStart);
        cursor.setPosition(restEnd, QTextCursor::KeepAnchor);
        QTextCharFormat strike;
        strike.setFontStrikeOut(!wasTicked);
        cursor.mergeCharFormat(strike);
    }
    cursor.endEditBlock();
    return true;
}

QString cleanTitle(const QString& entered) {
    const QString t = entered.trimmed();
    return t.isEmpty() ? kDefaultTitle : t;
}

}  // namespace Memo
