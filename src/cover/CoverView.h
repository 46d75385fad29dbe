// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QPointer>
#include <QTextDocument>
#include <QWidget>

#include "common/DisguiseMode.h"
#include "cover/CoverPainter.h"
#include "platform/Geometry.h"

class MemoEditor;
class TitlePrompt;

// The content of a cover: draws the disguise, hosts the memo editor and tells its window, by
// signals, what the mouse asks of the hidden chat. Its own coordinates have the origin at the
// bottom-left corner, y up; the title bar is the top 28 points.
class CoverView : public QWidget {
    Q_OBJECT
  public:
    enum class Zone { close, minimize, green, edit, menu, titlebar, body };

    // `chatID`: the chat under the cover, named in the log.
    explicit CoverView(QWidget* parent = nullptr, std::uint32_t chatID = 0);
    ~CoverView() override;

    // Takes what the cover shows; asks for a repaint only when something drawn changed.
    void setContent(DisguiseMode mode, const platform::Rect& windowScreenFrame,
                    std::vector<platform::Rect> holes);
    void setWindowScreenFrame(const platform::Rect& frame);

    Zone zone(platform::Point p) const;
    void toggleCheckbox(int line);
    void setEditing(bool editing);
    // Asks for a new memo title and returns at once; the title changes when the user confirms.
    void promptTitle();
    void setHovering(bool hovering);
    // The chat's switcher label and whether it is the active chat; repaints only on a change.
    void setBadge(const QString& label, bool active);
    const QString& badgeLabel() const { return badgeLabel_; }
    bool badgeActive() const { return badgeActive_; }

    DisguiseMode mode() const { return mode_; }
    const platform::Rect& windowScreenFrame() const { return windowScreenFrame_; }
    const std::vector<platform::Rect>& holes() const { return holes_; }
    QTextDocument& memoText() { return *memoText_; }
    const QString& memoTitle() const { return memoTitle_; }
    bool isEditing() const { return editing_; }
    const std::vector<CoverPainter::CheckboxHit>& checkboxRects() const { return checkboxRects_; }
    MemoEditor* editor() const { return editor_; }
    // How many repaints were asked for (an unchanged cover asks for none).
    int repaintRequests() const { return repaintRequests_; }

    // Takes the title the user entered; once the view is gone, calling it does nothing.
    using TitleAnswer = std::function<void(const QString& entered)>;
    // Opens a question for a new memo title without waiting for it, and calls `answer` if the
    // user confirms. The default opens a TitlePrompt over the view. Replaceable for tests.
    std::function<void(const QString& current, TitleAnswer answer)> askTitle;

    // The scene as the next paint pass will draw it.
    CoverPainter::Scene scene() const;

  signals:
    // A title bar press moved far enough to drag the chat; moves follow, then the end.
    void titleBarDragStarted();
    void titleBarDragMoved();
    void titleBarDragEnded();
    void closeClicked();
    void minimizeClicked();
    void editClicked();
    // A click on the page or the title bar asks to see the chat.
    void revealClicked();
    // Something is dragged over the view: the formats it offers, and whether among them are
    // files or pictures.
    void dragHovered(const std::string& types, bool filesOrPictures);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;

  private:
    platform::Point viewPoint(const QPointF& widgetPoint) const;
    bool inHole(platform::Point p) const;
    bool titleBarShown() const;
    void requestRepaint();
    void retryMissingPicture();
    void clickBody(platform::Point p);
    void onDragOver(const class QMimeData* data);
    void openTitlePrompt(const QString& current, TitleAnswer answer);
    void takeTitle(const QString& entered);

    const std::uint32_t chatID_;
    DisguiseMode mode_ = DisguiseMode::memo;
    platform::Rect windowScreenFrame_;
    std::vector<platform::Rect> holes_;
    std::unique_ptr<QTextDocument> memoText_;
    QString memoTitle_;
    bool editing_ = false;
    MemoEditor* editor_ = nullptr;  // made on the first edit; a child of the view
    QPointer<TitlePrompt> titlePrompt_;
    std::vector<CoverPainter::CheckboxHit> checkboxRects_;
    int pictureRetryWait_ = 0;  // syncs between tries for a missing picture; 0: not missing
    int pictureRetryIn_ = 0;
    bool hovering_ = false;
    QString badgeLabel_;
    bool badgeActive_ = false;
    Zone downZone_ = Zone::body;
    QPointF downPoint_;
    bool dragStarted_ = false;
    bool pressed_ = false;
    int repaintRequests_ = 0;
};
