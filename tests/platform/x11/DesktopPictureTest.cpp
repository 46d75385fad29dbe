#include "platform/x11/DesktopPicture.h"

#include <gtest/gtest.h>

namespace platform::x11 {

using Reader = std::optional<std::string> (*)(const std::string&);

struct PictureCase {
    Reader read;
    std::string input;
    std::optional<std::string> path;
};

// Each desktop's own setting, in the forms found on real systems, and what must not pass for a
// picture: a remote URL, a key outside the wallpaper's group.
TEST(DesktopPicture, ReadsEachDesktopsSettingAndRefusesWhatIsNoLocalFile) {
    const std::string xfce = R"(<property name="last-image" type="string" value=")";
    const PictureCase cases[] = {
        {DesktopPicture::fromGSettings, "'file:///usr/share/a%20b.png'\n", "/usr/share/a b.png"},
        {DesktopPicture::fromGSettings, "'https://x/p.png'", std::nullopt},
        {DesktopPicture::fromXfceChannel, xfce + "/usr/share/bg/한글.png\"/>",
         "/usr/share/bg/한글.png"},
        {DesktopPicture::fromPlasmaConfig,
         "[Containments][1][Wallpaper][org.kde.image][General]\nImage=file:///w/p.png\n",
         "/w/p.png"},
        {DesktopPicture::fromPlasmaConfig, "[General]\nImage=/w/p.png\n", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.read(c.input), c.path) << c.input;
    }
}

}  // namespace platform::x11
