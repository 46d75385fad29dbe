// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CoverStacking.h"

#include <cstdlib>
#include <string_view>

namespace platform {

namespace {

bool set(const char* value) {
    return value && *value;
}

}  // namespace

CoverStackingChoice chooseCoverStacking(const char* override, const char* sessionType,
                                        const char* waylandDisplay) {
    const std::string_view chosen = set(override) ? override : "";
    if (chosen == "floating" || chosen == "stacked") {
        return {chosen == "stacked" ? CoverStacking::aboveChat : CoverStacking::floating,
                std::string("TESSAVO_COVERS=") + override};
    }
    // A session type names the session the user logged into; a Wayland display alone may be a
    // nested compositor started inside an X11 session.
    const std::string_view type = set(sessionType) ? sessionType : "";
    if (type == "wayland" || type == "x11") {
        return {type == "wayland" ? CoverStacking::aboveChat : CoverStacking::floating,
                std::string("XDG_SESSION_TYPE=") + sessionType};
    }
    if (set(waylandDisplay)) {
        return {CoverStacking::aboveChat, std::string("WAYLAND_DISPLAY=") + waylandDisplay};
    }
    return {CoverStacking::floating, "no Wayland display"};
}

CoverStackingChoice chooseCoverStacking() {
    return chooseCoverStacking(std::getenv("TESSAVO_COVERS"), std::getenv("XDG_SESSION_TYPE"),
                               std::getenv("WAYLAND_DISPLAY"));
}

}  // namespace platform
