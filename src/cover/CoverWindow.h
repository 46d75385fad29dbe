// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QWidget>

#include "common/DisguiseMode.h"
#include "cover/CoverView.h"
#include "discovery/AX.h"
#include "platform/Geometry.h"

// The borderless overlay over one chat window. It floats above ordinary windows or sits directly
// above its chat, as the session needs; never takes focus unless its memo is being edited; and
// is either covering (opaque, takes clicks unless a hole overlaps it) or out of sight and
// click-through.
class CoverWindow : public QWidget {
    Q_OBJECT
  public:
    explicit CoverWindow(const KWindow& target);
    ~CoverWindow() override;

    // Lays the cover over `to` and makes it cover or not; see the comments in the source.
    void sync(const KWindow& to, DisguiseMode mode, bool covered,
              const std::vector<platform::Rect>& holes);
    // A title-bar drag of the cover moves the chat: park it while the cover follows the mouse,
    // then put it back moved by the mouse distance.
    void beginDrag();
    void dragMoved();
    void endDrag();

    // What the user did on the cover, as its view reports it.
    void clickedToReveal();
    // Files or pictures were dragged onto the covering cover: it steps aside for the drop.
    void fileDragStarted();
    // The edit button: editing starts, taking keyboard focus, or ends.
    void editClicked();

    // Window state in the program's terms.
    double alpha() const { return alpha_; }
    void setAlpha(double alpha);
    bool ignoresMouseEvents() const { return ignoresMouseEvents_; }
    void setIgnoresMouseEvents(bool ignore);
    // The frame in desktop coordinates.
    platform::Rect frame() const { return frame_; }
    void setFrame(const platform::Rect& frame);
    void orderFront();
    void orderOut() { hide(); }
    bool canBecomeKey() const { return isEditing; }
    // Takes keyboard focus for the memo editor; only while editing.
    void makeKeyAndOrderFront();

    const std::uint32_t targetID;
    platform::WindowRef chat;
    bool fileDragging = false;
    CoverView* const cover;
    bool isEditing = false;
    platform::Point dragStartMouse;
    std::optional<platform::Point> dragStartPos;  // absent: the chat's place was unreadable
    platform::Rect dragStartCoverFrame;
    bool isDragging = false;

    // Where a dragged chat waits: far outside every screen, yet within the 16-bit coordinates
    // that X11 can represent.
    static constexpr platform::Point kParkPosition{30000, 30000};

  signals:
    // The user clicked the cover to see the chat.
    void revealRequested();
    // Files are being dragged onto the cover, which then steps out of their way.
    void fileDragged();

  protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    void connectView();
    void closeChat();
    void minimizeChat();
    // Files or pictures dragged onto a covering cover: reveal the chat and step out of the way,
    // so the drop lands in the chat.
    void dragHovered(const std::string& types, bool filesOrPictures);
    void resignKey();
    // Makes the window system show exactly the covering part: nothing at alpha 0, else the
    // cover minus its holes. Shapes work without a compositor; opacity needs one.
    void applyShape();
    std::uint64_t nativeId();
    platform::Rect targetFrame(const KWindow& to, DisguiseMode mode) const;
    void showsFirst(DisguiseMode mode);
    static platform::Rect onScreens(const platform::Rect& frame);

    double alpha_ = 1.0;
    bool ignoresMouseEvents_ = false;
    platform::Rect frame_;
    std::vector<platform::Rect> shapedHoles_;
    double shapedAlpha_ = -1;
    QSize shapedSize_;
    std::uint64_t nativeId_ = 0;
    std::optional<DisguiseMode> background_;  // the look the window's background was set for
    const bool stackedWithChat_;              // as the session's covers are, for its lifetime
};
