// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>
#include <QApplication>

namespace {
// The offscreen platform cannot raise windows or set their opacity and says so every time; the
// tests check those effects through the program's own state instead.
void quietOffscreenNotices(QtMsgType, const QMessageLogContext&, const QString& msg) {
    if (!msg.startsWith(QLatin1String("This plugin does not support")) &&
        !msg.contains(QLatin1String("systemTrayWindowChanged"))) {
        std::fprintf(stderr, "%s\n", qPrintable(msg));
    }
}
}  // namespace

// Widget tests need an application object; with no display they draw offscreen.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);  // unless a platform is named
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const auto dir = std::filesystem::temp_directory_path() / "tessavo-test-runtime";
        std::filesystem::create_directories(dir);
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    qInstallMessageHandler(quietOffscreenNotices);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
