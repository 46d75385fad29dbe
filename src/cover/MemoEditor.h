// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include <QObject>
#include <QSizeF>

class QTextDocument;
class QTextEdit;
class QWidget;

// Editing a cover's memo in place: a rich-text view over the page and a formatting toolbar
// under the title bar. Both are made on the first opening and kept for the next.
class MemoEditor : public QObject {
    Q_OBJECT
  public:
    explicit MemoEditor(QWidget* host);
    ~MemoEditor() override;

    // Shows the editor over a page of `viewSize` with a copy of `memo`, ready for typing.
    void open(const QTextDocument& memo, QSizeF viewSize);
    // Hides it and hands back what was edited.
    std::unique_ptr<QTextDocument> close();

    QTextEdit* textView() const { return textView_; }
    QWidget* toolbar() const { return toolbar_; }
    int colorIdx() const { return colorIdx_; }

    void fmtBold();
    void fmtItalic();
    void fmtSmaller();
    void fmtBigger();
    void fmtColor();
    void fmtChecklist();
    // Return on a checklist line continues the checklist; true when it was handled here.
    bool insertNewline();

  private:
    void makeTextView();
    void makeToolbar();
    void toggleTrait(bool bold);
    template <class Fn>
    void eachFontInSelection(Fn transform);

    QWidget* host_;
    QTextEdit* textView_ = nullptr;
    QWidget* toolbar_ = nullptr;
    int colorIdx_ = 0;
};
