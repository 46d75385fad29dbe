#pragma once

#include "platform/WindowServer.h"
#include "platform/x11/Session.h"

namespace platform::x11 {

// The window list of an X server: the root's viewable children front to back, each frame
// standing for the client inside it. The root background stands as the desktop window.
class X11WindowServer final : public WindowServer {
  public:
    static constexpr std::int64_t kDesktopLevel = -2147483623;
    static constexpr std::int64_t kFloatingLevel = 3;
    static constexpr std::int64_t kAboveLevel = 3;
    static constexpr std::int64_t kDockLevel = 20;
    static constexpr std::int64_t kPopupLevel = 101;
    // The desktop picture of screen i stands as window kDesktopWindowBase + i: X resource ids
    // never reach this range.
    static constexpr std::uint32_t kDesktopWindowBase = 0xE0000000;

    explicit X11WindowServer(Session& session) : s_(session) {}

    WindowInfoListPtr windowList(std::uint32_t options, std::uint32_t relativeTo) override;
    std::int64_t desktopWindowLevel() override { return kDesktopLevel; }
    std::optional<QImage> windowImage(std::uint32_t number) override;
    bool screenCaptureAllowed() override { return true; }
    void requestScreenCapture() override {}
    double secondsSinceLastInput() override;
    void keepOnFloatingLevel(std::uint64_t nativeWindow) override;
    void releaseFromFloatingLevel(std::uint64_t nativeWindow) override;
    void setBackground(std::uint64_t nativeWindow, std::optional<std::uint32_t> rgb) override;
    void flush() override;
    void onWindowsChanged(std::function<void()> handler) override;

    // The level a root child stands at; `c` is the client it frames, if any.
    static std::int64_t layerOf(const TopLevel& t, const Client* c, const Atoms& a,
                                const std::set<std::uint64_t>& floating);

  private:
    void appendDesktopWindows(WindowInfoList& list, std::uint32_t options,
                              std::uint32_t relativeTo);
    std::optional<QImage> desktopPicture(std::size_t screen);

    Session& s_;
    // Both lists a tick asks for come from one poll: build each once.
    struct Cached {
        std::uint64_t generation = 0;
        std::uint32_t options = 0;
        std::uint32_t relativeTo = 0;
        WindowInfoListPtr list;
    };
    Cached cache_;
};

}  // namespace platform::x11
