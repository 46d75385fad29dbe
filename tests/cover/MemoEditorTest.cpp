// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include "SimFixture.h"
#include "cover/CoverStyle.h"
#include "cover/CoverView.h"
#include "cover/MemoEditor.h"

class MemoEditorTest : public SimTest {
  protected:
    MemoEditorTest() {
        view.resize(420, 560);
        view.setEditing(true);
    }
    MemoEditor& editor() { return *view.editor(); }
    QTextEdit& text() { return *editor().textView(); }
    QTextDocument& doc() { return *text().document(); }
    // Selects [from, to) of the edited text.
    void select(int from, int to) {
        QTextCursor c = text().textCursor();
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        text().setTextCursor(c);
    }
    QTextCharFormat formatAt(int position) {
        QTextCursor c(&doc());
        c.setPosition(position);
        return c.charFormat();
    }
    QFont fontAt(int position) { return formatAt(position).font(); }
    int lineStart(int line) { return doc().findBlockByNumber(line).position(); }
    // Puts the cursor at the end of line n and presses Return.
    void returnAtEndOf(int n) {
        select(lineStart(n + 1) - 1, lineStart(n + 1) - 1);
        QTest::keyClick(&text(), Qt::Key_Return);
    }

    CoverView view;
};

// The editor opens over the page and keeps what was typed across closing.
TEST_F(MemoEditorTest, WhatWasTypedOutlivesClosingAndReturnContinuesAChecklistOnly) {
    EXPECT_EQ(text().toPlainText(), view.memoText().toPlainText());
    select(lineStart(3) + 2, lineStart(3) + 4);
    editor().fmtBigger();
    text().moveCursor(QTextCursor::End);
    text().insertPlainText(QStringLiteral("끝"));
    view.setEditing(false);
    EXPECT_TRUE(view.memoText().toPlainText().endsWith(QStringLiteral("끝")));
    view.setEditing(true);
    EXPECT_EQ(fontAt(lineStart(3) + 3).pixelSize(), 17);

    returnAtEndOf(5);  // "☐ 책 반납"
    EXPECT_EQ(doc().findBlockByNumber(6).text(), QStringLiteral("☐ "));
    returnAtEndOf(0);  // the heading "할일"
    EXPECT_EQ(doc().findBlockByNumber(1).text(), QString());

    text().moveCursor(QTextCursor::End);
    text().insertPlainText(QStringLiteral("\n우유"));
    editor().fmtChecklist();
    EXPECT_EQ(doc().lastBlock().text(), QStringLiteral("☐ 우유"));
    editor().fmtChecklist();
    EXPECT_EQ(doc().lastBlock().text(), QStringLiteral("우유"));
}

TEST_F(MemoEditorTest, SizeButtonsStopAtNineAndKeepEachRunsOwnUnit) {
    const int start = lineStart(2) + 2;  // "우유, 계란, 빵 사기" in the 15-point memo font
    select(start, start);                // without a selection: nothing changes
    editor().fmtBigger();
    EXPECT_EQ(fontAt(start + 1).pixelSize(), 15);
    select(start, start + 2);
    std::vector<int> sizes;
    for (int i = 0; i < 4; ++i) {
        editor().fmtSmaller();
        sizes.push_back(fontAt(start + 1).pixelSize());
    }
    EXPECT_EQ(sizes, (std::vector<int>{13, 11, 9, 9}));
    editor().fmtBigger();
    EXPECT_EQ(fontAt(start + 1).pixelSize(), 11);
    EXPECT_EQ(fontAt(start + 3).pixelSize(), 15);  // outside the selection

    // Pasted rich text is sized in points; the memo's own text in pixels.
    QTextCursor end(&doc());
    end.movePosition(QTextCursor::End);
    const int pasted = end.position() + 1;
    end.insertHtml(QStringLiteral("<span style=\"font-size:12pt\">붙임</span>"));
    const int own = lineStart(6) + 3;
    select(own - 1, end.position());
    editor().fmtBigger();
    EXPECT_EQ(fontAt(pasted).pointSizeF(), 14);
    EXPECT_EQ(fontAt(own).pixelSize(), 17);
    for (int i = 0; i < 3; ++i) {
        editor().fmtSmaller();
    }
    EXPECT_EQ(fontAt(pasted).pointSizeF(), 9);  // 12, 10, then the floor
    EXPECT_EQ(fontAt(own).pixelSize(), 11);
}

TEST_F(MemoEditorTest, ColourCyclesAndBoldAndItalicToggleEachRunByItself) {
    select(lineStart(5) + 2, lineStart(5) + 4);
    const auto& palette = CoverStyle::palette();
    for (std::size_t i : {1u, 2u, 3u, 0u}) {  // red, blue, green, then the body colour
        editor().fmtColor();
        EXPECT_EQ(formatAt(lineStart(5) + 3).foreground().color(), palette[i]) << i;
    }
    // Line 0 is the bold heading; select it with the blank line and the next line's start.
    select(lineStart(0), lineStart(2) + 3);
    editor().fmtBold();
    EXPECT_LT(fontAt(lineStart(0) + 1).weight(), QFont::Bold);
    EXPECT_GE(fontAt(lineStart(2) + 2).weight(), QFont::Bold);
    select(lineStart(2), lineStart(2) + 3);
    editor().fmtItalic();
    EXPECT_TRUE(fontAt(lineStart(2) + 1).italic());
}
