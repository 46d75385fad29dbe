#pragma once

#include <vector>

#include <QWidget>

#include "app/DisguiseMode.h"
#include "platform/Geometry.h"

// The content of a cover: what it shows and where its see-through holes are. Until the
// disguises are drawn it paints a plain opaque page.
class CoverView : public QWidget {
    Q_OBJECT
  public:
    explicit CoverView(QWidget* parent = nullptr);

    DisguiseMode mode() const { return mode_; }
    // The cover's frame in screen coordinates (bottom-left origin, y up).
    const platform::Rect& windowScreenFrame() const { return windowScreenFrame_; }
    // Rectangles in view coordinates (origin at the cover's bottom-left corner, y up).
    const std::vector<platform::Rect>& holes() const { return holes_; }

    // Takes what the cover shows; asks for a repaint only when something drawn changed.
    void setContent(DisguiseMode mode, const platform::Rect& windowScreenFrame,
                    std::vector<platform::Rect> holes);
    void setEditing(bool editing) { editing_ = editing; }
    bool isEditing() const { return editing_; }
    // How many repaints were asked for (an unchanged cover asks for none).
    int repaintRequests() const { return repaintRequests_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    // A press and release on the cover reveal its chat.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    DisguiseMode mode_ = DisguiseMode::memo;
    platform::Rect windowScreenFrame_;
    std::vector<platform::Rect> holes_;
    bool editing_ = false;
    bool pressed_ = false;
    int repaintRequests_ = 0;
};
