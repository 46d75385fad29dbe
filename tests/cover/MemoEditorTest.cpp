#include <QCoreApplication>
#include <QKeyEvent>
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
    // Selects [from, to) of the edited text.
    void select(int from, int to) {
        QTextCursor c = text().textCursor();
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        text().setTextCursor(c);
    }
    QTextCharFormat formatAt(int position) {
        QTextCursor c(text().document());
        c.setPosition(position);
        return c.charFormat();
    }
    int lineStart(int line) { return text().document()->findBlockByNumber(line).position(); }
    void pressReturn() {
        QKeyEvent e(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QCoreApplication::sendEvent(&text(), &e);
    }

    CoverView view;
};

TEST_F(MemoEditorTest, OpensOverThePageWithTheToolbarUnderTheTitleBar) {
    EXPECT_EQ(text().geometry(), QRect(14, 64, 420 - 28, 560 - 70));
    EXPECT_EQ(editor().toolbar()->geometry(), QRect(0, 28, 420, 32));
    EXPECT_EQ(text().toPlainText(), view.memoText().toPlainText());
    EXPECT_TRUE(view.checkboxRects().empty());
}

TEST_F(MemoEditorTest, SmallerStopsAtNine) {
    const int start = lineStart(2) + 2;  // "우유, 계란, 빵 사기" in the 15-point memo font
    select(start, start + 2);
    std::vector<int> sizes;
    for (int i = 0; i < 4; ++i) {
        editor().fmtSmaller();
        sizes.push_back(formatAt(start + 1).font().pixelSize());
    }
    EXPECT_EQ(sizes, (std::vector<int>{13, 11, 9, 9}));
    editor().fmtBigger();
    EXPECT_EQ(formatAt(start + 1).font().pixelSize(), 11);
    EXPECT_EQ(formatAt(start + 3).font().pixelSize(), 15);  // outside the selection
}

TEST_F(MemoEditorTest, SizeButtonsKeepEachRunsOwnUnit) {
    // Pasted rich text is sized in points; the memo's own text in pixels.
    QTextCursor end(text().document());
    end.movePosition(QTextCursor::End);
    const int pasted = end.position() + 1;
    end.insertHtml(QStringLiteral("<span style=\"font-size:12pt\">붙임</span>"));
    const int own = lineStart(6) + 3;
    select(own - 1, end.position());
    editor().fmtBigger();
    EXPECT_EQ(formatAt(pasted).font().pointSizeF(), 14);
    EXPECT_EQ(formatAt(own).font().pixelSize(), 17);
    for (int i = 0; i < 3; ++i) {
        editor().fmtSmaller();
    }
    EXPECT_EQ(formatAt(pasted).font().pointSizeF(), 9);  // 12, 10, then the floor
    EXPECT_EQ(formatAt(own).font().pixelSize(), 11);
}

TEST_F(MemoEditorTest, ColourCyclesRedBlueGreenThenBody) {
    select(lineStart(5) + 2, lineStart(5) + 4);
    const auto& palette = CoverStyle::palette();
    for (std::size_t i : {1u, 2u, 3u, 0u}) {
        editor().fmtColor();
        EXPECT_EQ(formatAt(lineStart(5) + 3).foreground().color(), palette[i]) << i;
    }
    EXPECT_EQ(editor().colorIdx(), 0);
}

TEST_F(MemoEditorTest, BoldTogglesEachRunByItself) {
    // Line 0 is the bold heading; select it with the blank line and the next line's start.
    select(lineStart(0), lineStart(2) + 3);
    editor().fmtBold();
    EXPECT_LT(formatAt(lineStart(0) + 1).font().weight(), QFont::Bold);
    EXPECT_GE(formatAt(lineStart(2) + 2).font().weight(), QFont::Bold);
    select(lineStart(2), lineStart(2) + 3);
    editor().fmtItalic();
    EXPECT_TRUE(formatAt(lineStart(2) + 1).font().italic());
}

TEST_F(MemoEditorTest, ChecklistButtonAddsAndRemovesTheBox) {
    QTextCursor end(text().document());
    end.movePosition(QTextCursor::End);
    end.insertText(QStringLiteral("\n우유"));
    text().setTextCursor(end);
    editor().fmtChecklist();
    EXPECT_EQ(text().document()->lastBlock().text(), QStringLiteral("☐ 우유"));
    editor().fmtChecklist();
    EXPECT_EQ(text().document()->lastBlock().text(), QStringLiteral("우유"));
}

TEST_F(MemoEditorTest, ReturnContinuesAChecklistOnly) {
    QTextCursor c(text().document()->findBlockByNumber(5));
    c.movePosition(QTextCursor::EndOfBlock);  // end of "☐ 책 반납"
    text().setTextCursor(c);
    pressReturn();
    EXPECT_EQ(text().document()->findBlockByNumber(6).text(), QStringLiteral("☐ "));
    c = QTextCursor(text().document()->findBlockByNumber(0));
    c.movePosition(QTextCursor::EndOfBlock);  // end of the heading "할일"
    text().setTextCursor(c);
    pressReturn();
    EXPECT_EQ(text().document()->findBlockByNumber(1).text(), QString());
    EXPECT_EQ(text().document()->findBlockByNumber(0).text(), QStringLiteral("할일"));
}

TEST_F(MemoEditorTest, EditsAndFormattingSurviveClosingAndReopening) {
    select(lineStart(3) + 2, lineStart(3) + 4);
    editor().fmtBigger();
    QTextCursor c(text().document());
    c.movePosition(QTextCursor::End);
    c.insertText(QStringLiteral("끝"));
    view.setEditing(false);
    EXPECT_TRUE(view.memoText().toPlainText().endsWith(QStringLiteral("끝")));
    view.setEditing(true);
    EXPECT_EQ(formatAt(lineStart(3) + 3).font().pixelSize(), 17);
    EXPECT_TRUE(text().toPlainText().endsWith(QStringLiteral("끝")));
}

TEST_F(MemoEditorTest, OpeningAndClosingWithoutTypingChangesNothing) {
    const QString before = view.memoText().toPlainText();
    view.setEditing(false);
    view.setEditing(true);
    view.setEditing(false);
    EXPECT_EQ(view.memoText().toPlainText(), before);
}

TEST_F(MemoEditorTest, FormattingWithoutASelectionDoesNothing) {
    select(lineStart(2) + 3, lineStart(2) + 3);
    editor().fmtBigger();
    editor().fmtColor();
    EXPECT_EQ(editor().colorIdx(), 0);
    EXPECT_EQ(formatAt(lineStart(2) + 3).font().pixelSize(), 15);
}
