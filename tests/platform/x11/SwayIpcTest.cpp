// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QTemporaryDir>

#include "platform/x11/SwayIpc.h"

using platform::x11::SwayIpc;

namespace {

std::string framed(const std::string& payload) {
    const std::uint32_t header[] = {static_cast<std::uint32_t>(payload.size()), 0};
    return "i3-ipc" + std::string(reinterpret_cast<const char*>(header), 8) + payload;
}

}  // namespace

// Each command goes out framed as sway reads it, and its answer says whether it worked. A
// compositor that hangs up (an empty answer here) fails that command only: the next connects
// again.
TEST(SwayIpc, CommandsAreFramedAnsweredAndSurviveAHangUp) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("sway.sock").toStdString();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strcpy(a.sun_path, path.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
    ::listen(listener, 4);
    std::vector<std::string> got;
    std::thread sway([&] {
        int fd = ::accept(listener, nullptr, nullptr);
        for (const char* answer : {R"([ { "success": true } ])", R"([{"success":false}])", "",
                                   R"([{"success":true}])"}) {
            char message[256];
            const ssize_t n = ::read(fd, message, sizeof(message));
            got.emplace_back(message, n > 0 ? static_cast<std::size_t>(n) : 0);
            if (!*answer) {
                ::close(fd);
                fd = ::accept(listener, nullptr, nullptr);
            } else if (::write(fd, framed(answer).data(), framed(answer).size()) < 0) {
                break;
            }
        }
        ::close(fd);
    });
    {
        SwayIpc ipc(path);
        EXPECT_TRUE(ipc.run("[id=7] border none"));
        EXPECT_FALSE(ipc.run("[id=8] border none"));
        EXPECT_FALSE(ipc.run("hang up"));
        EXPECT_TRUE(ipc.run("again"));
    }
    sway.join();
    ::close(listener);
    ASSERT_EQ(got.size(), 4U);
    EXPECT_EQ(got[0], framed("[id=7] border none"));
    EXPECT_EQ(got[3], framed("again"));
    EXPECT_FALSE(SwayIpc("").available());
    EXPECT_FALSE(SwayIpc(path + ".absent").run("anything"));
}
