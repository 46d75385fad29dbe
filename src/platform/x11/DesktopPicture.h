// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

// The desktop picture file that the desktop environment shows, read from its own settings.
namespace platform::x11::DesktopPicture {

// GNOME, Cinnamon, MATE and Budgie: the output of `gsettings get ... picture-uri`.
std::optional<std::string> fromGSettings(const std::string& output);
// Xfce: the xfce4-desktop channel file.
std::optional<std::string> fromXfceChannel(const std::string& xml);
// KDE Plasma: plasma-org.kde.plasma.desktop-appletsrc.
std::optional<std::string> fromPlasmaConfig(const std::string& config);

// Tries every desktop environment's setting in turn; absent when none names a file.
std::optional<std::string> find(const std::string& configHome);

}  // namespace platform::x11::DesktopPicture
