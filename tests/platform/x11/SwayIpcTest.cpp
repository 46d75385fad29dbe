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

// A compositor's command socket that answers each command with the next of `answers` (an empty
// one: it hangs up instead) and keeps what it was sent.
class FakeSway {
  public:
    explicit FakeSway(std::vector<std::string> answers) : answers_(std::move(answers)) {
        path = dir_.filePath("sway.sock").toStdString();
        listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strcpy(a.sun_path, path.c_str());
        ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        ::listen(listener_, 4);
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeSway() {
        done();
        ::close(listener_);
    }
    // Waits until every answer was given; `got` may be read from then on.
    void done() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    std::string path;
    std::vector<std::string> got;  // each message as sent: header and payload

  private:
    void serve() {
        int fd = ::accept(listener_, nullptr, nullptr);
        for (const std::string& answer : answers_) {
            char message[512];
            const ssize_t n = ::read(fd, message, sizeof(message));
            got.emplace_back(message, n > 0 ? static_cast<std::size_t>(n) : 0);
            if (answer.empty()) {
                ::close(fd);
                fd = ::accept(listener_, nullptr, nullptr);
                continue;
            }
            std::string reply("i3-ipc");
            const auto length = static_cast<std::uint32_t>(answer.size());
            const std::uint32_t type = 0;
            reply.append(reinterpret_cast<const char*>(&length), 4);
            reply.append(reinterpret_cast<const char*>(&type), 4);
            ::write(fd, (reply + answer).data(), reply.size() + answer.size());
        }
        ::close(fd);
    }

    QTemporaryDir dir_;
    std::vector<std::string> answers_;
    int listener_ = -1;
    std::thread thread_;
};

std::string framed(const std::string& command) {
    std::string m("i3-ipc");
    const auto length = static_cast<std::uint32_t>(command.size());
    const std::uint32_t type = 0;
    m.append(reinterpret_cast<const char*>(&length), 4);
    m.append(reinterpret_cast<const char*>(&type), 4);
    return m + command;
}

}  // namespace

// Each command goes out framed as sway reads it; its answer says whether it worked. A
// compositor that hangs up fails that command only: the next one connects again.
TEST(SwayIpc, CommandsAreFramedAnsweredAndSurviveAHangUp) {
    FakeSway sway({R"([ { "success": true } ])", R"([ { "success": false, "error": "x" } ])", "",
                   R"([{"success":true}])"});
    {
        SwayIpc ipc(sway.path);
        EXPECT_TRUE(ipc.run("[id=7] border none"));
        EXPECT_FALSE(ipc.run("[id=8] border none"));
        EXPECT_FALSE(ipc.run("hang up"));
        EXPECT_TRUE(ipc.run("again"));
    }
    sway.done();
    ASSERT_EQ(sway.got.size(), 4U);
    EXPECT_EQ(sway.got[0], framed("[id=7] border none"));
    EXPECT_EQ(sway.got[3], framed("again"));
    EXPECT_FALSE(SwayIpc("").available());
    EXPECT_FALSE(SwayIpc(sway.path + ".absent").run("anything"));
}
