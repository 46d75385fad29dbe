// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/DesktopPicture.h"

#include <gtest/gtest.h>

namespace platform::x11 {

// Each desktop's own setting, in the forms found on real systems, and what must not pass for a
// picture: a remote URL, a key outside the wallpaper's group.
TEST(DesktopPicture, ReadsEachDesktopsSettingAndRefusesWhatIsNoLocalFile) {
    const std::string xfce = R"(<property name="last-image" type="string" value=")";
    using Reader = std::optional<std::string> (*)(const std::string&);
    const std::tuple<Reader, std::string, std::optional<std::string>> cases[] = {
        {DesktopPicture::fromGSettings, "'file:///usr/share/a%20b.png'\n", "/usr/share/a b.png"},
        {DesktopPicture::fromGSettings, "'https://x/p.png'", std::nullopt},
        {DesktopPicture::fromXfceChannel, xfce + "/usr/share/bg/한글.png\"/>",
         "/usr/share/bg/한글.png"},
        {DesktopPicture::fromPlasmaConfig,
         "[Containments][1][Wallpaper][org.kde.image][General]\nImage=file:///w/p.png\n",
         "/w/p.png"},
        {DesktopPicture::fromPlasmaConfig, "[General]\nImage=/w/p.png\n", std::nullopt},
    };
    for (const auto& [read, input, path] : cases) {
        EXPECT_EQ(read(input), path) << input;
    }
}

}  // namespace platform::x11
