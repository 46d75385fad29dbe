// SPDX-License-Identifier: GPL-3.0-or-later
#include <csignal>

#include <gtest/gtest.h>

#include "app/DisplayLoss.h"
#include "app/SignalQuitter.h"

// Only Qt's notices of a broken X connection end the program; its other messages do not. (A
// signal's or a lost display's way out is checked end to end.)
TEST(Shutdown, OnlyABrokenConnectionIsTakenForALostDisplayAndAnySignalHasAName) {
    EXPECT_TRUE(DisplayLoss::isConnectionBroken(
        QStringLiteral("The X11 connection broke (error 1). Did the X11 server die?")));
    EXPECT_TRUE(DisplayLoss::isConnectionBroken(
        QStringLiteral("The X11 connection broke: I/O error (code 1)")));
    EXPECT_FALSE(DisplayLoss::isConnectionBroken(QStringLiteral("could not connect to display")));
    EXPECT_FALSE(DisplayLoss::isConnectionBroken(QStringLiteral("QXcbConnection: XCB error: 3")));
    EXPECT_EQ(SignalQuitter::nameOf(SIGUSR1), "signal " + std::to_string(SIGUSR1));
}
