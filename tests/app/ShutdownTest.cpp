#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <QEventLoop>
#include <QTimer>

#include "SimFixture.h"
#include "app/DisplayLoss.h"
#include "app/SignalQuitter.h"
#include "platform/x11/X11Platform.h"

namespace {
// Runs the event loop until `done` holds or a second has passed.
template <typename Done>
bool runUntil(Done done) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.exit(0);
        }
    });
    poll.start(5);
    QTimer::singleShot(1000, &loop, [&] { loop.exit(1); });
    return loop.exec() == 0;
}

bool handledByDefault(int signal) {
    struct sigaction now {};
    ::sigaction(signal, nullptr, &now);
    return now.sa_handler == SIG_DFL;
}
}  // namespace

class ShutdownTest : public SimTest {
  protected:
    std::string debugLog() const {
        std::ifstream in(sim.model().temporaryDirectory + "/tessavo.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

// Each termination signal, a hang-up included, reaches the event loop rather than ending the
// process; once the quitter is gone the signals have their usual effect again.
TEST_F(ShutdownTest, TerminationSignalsReachTheEventLoopAndAreReleasedAfterwards) {
    {
        std::vector<int> heard;
        SignalQuitter quitter([&](int signal) { heard.push_back(signal); });
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            std::raise(signal);
            EXPECT_TRUE(runUntil([&] { return !heard.empty() && heard.back() == signal; }))
                << SignalQuitter::nameOf(signal);
        }
        EXPECT_EQ(heard, (std::vector<int>{SIGTERM, SIGINT, SIGHUP}));
    }
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        EXPECT_TRUE(handledByDefault(signal)) << SignalQuitter::nameOf(signal);
    }
}

// By default a signal is named in the debug log (and on standard error), in the form the
// end-to-end checks and users' scripts look for; that it then ends the program, with status 0,
// takes a running application and is checked end to end.
TEST_F(ShutdownTest, ByDefaultASignalIsNamedOnTheWayOut) {
    sim.model().environment.insert_or_assign("TESSAVO_DEBUG", std::string("1"));
    SignalQuitter quitter;
    std::raise(SIGHUP);
    EXPECT_TRUE(runUntil([&] { return debugLog().find("QUIT on SIGHUP\n") != std::string::npos; }))
        << debugLog();
    EXPECT_EQ(SignalQuitter::farewell(SIGHUP), "tessavo: SIGHUP 받음, 종료합니다");
    EXPECT_EQ(SignalQuitter::nameOf(SIGUSR1), "signal " + std::to_string(SIGUSR1));
}

// Only Qt's notices of a broken X connection end the program; its other messages do not.
TEST_F(ShutdownTest, OnlyABrokenConnectionIsTakenForALostDisplay) {
    EXPECT_TRUE(DisplayLoss::isConnectionBroken(
        QStringLiteral("The X11 connection broke (error 1). Did the X11 server die?")));
    EXPECT_TRUE(DisplayLoss::isConnectionBroken(
        QStringLiteral("The X11 connection broke: I/O error (code 1)")));
    EXPECT_FALSE(DisplayLoss::isConnectionBroken(QStringLiteral("could not connect to display")));
    EXPECT_FALSE(DisplayLoss::isConnectionBroken(QStringLiteral("QXcbConnection: XCB error: 3")));
}

// Whichever connection notices first, Qt's or the backend's, the process ends at once with the
// same status and line, and Qt's other warnings pass through untouched.
TEST_F(ShutdownTest, ALostDisplayEndsTheProcessWithItsOwnStatusFromEitherConnection) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto status = testing::ExitedWithCode(DisplayLoss::kExitStatus);
    const char* line = "X 디스플레이와의 연결이 끊겼습니다";
    EXPECT_EXIT(
        {
            DisplayLoss::install();
            qWarning("The X11 connection broke (error 1). Did the X11 server die?");
            std::_Exit(0);
        },
        status, line);
    EXPECT_EXIT(
        {
            DisplayLoss::install();
            platform::x11::displayLost();
            std::_Exit(0);
        },
        status, line);
    EXPECT_EXIT(
        {
            DisplayLoss::install();
            qWarning("something else");
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "something else");
}
