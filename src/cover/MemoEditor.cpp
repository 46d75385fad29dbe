// SPDX-License-Identifier: GPL-3.0-or-later
#include "cover/MemoEditor.h"

#include <algorithm>
#include <vector>

#include <QKeyEvent>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "cover/CoverStyle.h"
#include "cover/Memo.h"

namespace style = CoverStyle;

namespace {

constexpr double kSmallestSize = 9;

// The text view hands Return to the editor first.
class MemoTextEdit : public QTextEdit {
  public:
    MemoTextEdit(QWidget* parent, MemoEditor& editor) : QTextEdit(parent), editor_(editor) {}

  protected:
    void keyPressEvent(QKeyEvent* e) override {
        const bool newline = (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
                             !(e->modifiers() & Qt::ShiftModifier);
        if (newline && editor_.insertNewline()) {
            return;
        }
        QTextEdit::keyPressEvent(e);
    }

  private:
    MemoEditor& editor_;
};

QTextCharFormat bodyFormat() {
    QTextCharFormat f;
    f.setFont(style::memoFont());
    f.setForeground(style::bodyColor());
    return f;
}

// A run's size is in the unit it was given in: pixels for the memo's own text, usually points
// for pasted rich text. Resizing keeps that unit.
double sizeOf(const QFont& f) {
    return f.pixelSize() > 0 ? f.pixelSize() : f.pointSizeF();
}

QFont resized(QFont f, double size) {
    if (f.pixelSize() > 0) {
        f.setPixelSize(static_cast<int>(size));
    } else {
        f.setPointSizeF(size);
    }
    return f;
}

}  // namespace

MemoEditor::MemoEditor(QWidget* host) : QObject(host), host_(host) {}

MemoEditor::~MemoEditor() = default;

void MemoEditor::makeTextView() {
    textView_ = new MemoTextEdit(host_, *this);
    textView_->setAcceptRichText(true);
    textView_->setUndoRedoEnabled(true);
    textView_->setFrameShape(QFrame::NoFrame);
    textView_->setStyleSheet(QStringLiteral("QTextEdit { background: white; }"));
}

void MemoEditor::makeToolbar() {
    toolbar_ = new QWidget(host_);
    toolbar_->setAutoFillBackground(true);
    QPalette pal = toolbar_->palette();
    pal.setColor(QPalette::Window, style::grey(0.96));
    toolbar_->setPalette(pal);
    const struct {
        int x;
        const char* title;
        void (MemoEditor::*action)();
    } buttons[] = {{6, "B", &MemoEditor::fmtBold},      {44, "I", &MemoEditor::fmtItalic},
                   {82, "A−", &MemoEditor::fmtSmaller}, {120, "A+", &MemoEditor::fmtBigger},
                   {158, "색", &MemoEditor::fmtColor},  {196, "☑", &MemoEditor::fmtChecklist}};
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(b.title), toolbar_);
        button->setGeometry(b.x, 3, 34, 26);
        button->setFont(style::systemFont(12, QFont::DemiBold));
        button->setFocusPolicy(Qt::NoFocus);  // the selection stays where it is
        connect(button, &QPushButton::clicked, this, b.action);
    }
}

void MemoEditor::open(const QTextDocument& memo, QSizeF size) {
    if (!textView_) {
        makeTextView();
    }
    // The copy is the text view's child, so the text view deletes the previous one itself.
    QTextDocument* copy = memo.clone(textView_);
    copy->setDocumentMargin(6);
    textView_->setDocument(copy);
    textView_->setCurrentCharFormat(bodyFormat());
    // View (14, 6, W − 28, H − 70) in the host's y-up space.
    const double w = std::max(1.0, size.width() - 28);
    const double h = std::max(1.0, size.height() - 70);
    textView_->setGeometry(QRectF(14, size.height() - 6 - h, w, h).toRect());
    textView_->show();
    if (!toolbar_) {
        makeToolbar();
    }
    toolbar_->setGeometry(QRectF(0, style::kTitleBarHeight, size.width(), 32).toRect());
    toolbar_->show();
    textView_->setFocus();
}

std::unique_ptr<QTextDocument> MemoEditor::close() {
    std::unique_ptr<QTextDocument> edited(textView_ ? textView_->document()->clone()
                                                    : new QTextDocument);
    if (textView_) {
        textView_->hide();
    }
    if (toolbar_) {
        toolbar_->hide();
    }
    return edited;
}

// Each run of the selection decides for itself: bold runs lose bold, the others gain it.
void MemoEditor::toggleTrait(bool bold) {
    if (!textView_ || !textView_->textCursor().hasSelection()) {
        return;
    }
    eachFontInSelection([bold](QFont f) {
        if (bold) {
            f.setBold(f.weight() < QFont::Bold);
        } else {
            f.setItalic(!f.italic());
        }
        return f;
    });
}

template <class Fn>
void MemoEditor::eachFontInSelection(Fn transform) {
    const QTextCursor selection = textView_->textCursor();
    const int start = selection.selectionStart();
    const int end = selection.selectionEnd();
    QTextDocument* doc = textView_->document();
    // The runs are collected first: changing a run splits and merges the fragments walked.
    struct Run {
        int from, to;
        QFont font;
    };
    std::vector<Run> runs;
    for (QTextBlock block = doc->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const int from = std::max(start, frag.position());
            const int to = std::min(end, frag.position() + frag.length());
            if (from >= to) {
                continue;
            }
            const QTextCharFormat format = frag.charFormat();
            const bool hasFont = format.hasProperty(QTextFormat::FontPixelSize) ||
                                 format.hasProperty(QTextFormat::FontPointSize) ||
                                 format.hasProperty(QTextFormat::FontFamilies);
            runs.push_back({from, to, hasFont ? format.font() : style::memoFont()});
        }
    }
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    for (const Run& run : runs) {
        QTextCharFormat next;
        next.setFont(transform(run.font));
        cursor.setPosition(run.from);
        cursor.setPosition(run.to, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(next);
    }
    cursor.endEditBlock();
}

void MemoEditor::fmtBold() {
    toggleTrait(true);
}

void MemoEditor::fmtItalic() {
    toggleTrait(false);
}

void MemoEditor::fmtSmaller() {
    if (textView_ && textView_->textCursor().hasSelection()) {
        eachFontInSelection(
            [](const QFont& f) { return resized(f, std::max(sizeOf(f) - 2, kSmallestSize)); });
    }
}

void MemoEditor::fmtBigger() {
    if (textView_ && textView_->textCursor().hasSelection()) {
        eachFontInSelection([](const QFont& f) { return resized(f, sizeOf(f) + 2); });
    }
}

void MemoEditor::fmtColor() {
    if (!textView_ || !textView_->textCursor().hasSelection()) {
        return;
    }
    colorIdx_ = (colorIdx_ + 1) % static_cast<int>(style::palette().size());
    QTextCharFormat colour;
    colour.setForeground(style::palette()[static_cast<std::size_t>(colorIdx_)]);
    textView_->textCursor().mergeCharFormat(colour);
}

void MemoEditor::fmtChecklist() {
    if (!textView_) {
        return;
    }
    const QTextBlock block =
        textView_->document()->findBlock(textView_->textCursor().selectionStart());
    QTextCursor cursor(block);
    if (Memo::isChecklist(block.text())) {
        cursor.setPosition(block.position() + 2, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    } else {
        cursor.insertText(Memo::kOpenBox, bodyFormat());
    }
}

bool MemoEditor::insertNewline() {
    if (!textView_) {
        return false;
    }
    QTextCursor cursor = textView_->textCursor();
    QTextDocument* doc = textView_->document();
    const int at = std::min(cursor.selectionStart(), doc->characterCount() - 1);
    if (!Memo::isChecklist(doc->findBlock(at).text())) {
        return false;
    }
    cursor.insertText(QStringLiteral("\n") + Memo::kOpenBox);
    textView_->setTextCursor(cursor);
    return true;
}
