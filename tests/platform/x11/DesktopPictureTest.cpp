#include "platform/x11/DesktopPicture.h"

#include <gtest/gtest.h>

namespace platform::x11 {

using Reader = std::optional<std::string> (*)(const std::string&);

struct PictureCase {
    const char* what;
    Reader read;
    std::string input;
    std::optional<std::string> path;
};

// Each desktop's own setting, in the forms found on real systems, and what must not pass for a
// picture: an empty value, a relative path, a remote URL, the wrong group or key.
TEST(DesktopPicture, ReadsEachDesktopsSettingAndRefusesWhatIsNoLocalFile) {
    const std::string xfce = R"(<property name="last-image" type="string" value=")";
    const PictureCase cases[] = {
        {"gsettings uri", DesktopPicture::fromGSettings, "'file:///usr/share/a%20b.png'\n",
         "/usr/share/a b.png"},
        {"gsettings path", DesktopPicture::fromGSettings, "'/home/u/p.jpg'", "/home/u/p.jpg"},
        {"gsettings remote", DesktopPicture::fromGSettings, "'https://x/p.png'", std::nullopt},
        {"xfce", DesktopPicture::fromXfceChannel, xfce + "/usr/share/bg/한글.png\"/>",
         "/usr/share/bg/한글.png"},
        {"xfce other key", DesktopPicture::fromXfceChannel,
         R"(<property name="image-style" value="/x.png"/>)", std::nullopt},
        {"plasma", DesktopPicture::fromPlasmaConfig,
         "[Containments][1][Wallpaper][org.kde.image][General]\nImage=file:///w/p.png\n",
         "/w/p.png"},
        {"plasma other group", DesktopPicture::fromPlasmaConfig, "[General]\nImage=/w/p.png\n",
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.read(c.input), c.path);
    }
}

}  // namespace platform::x11
