// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

#include <QEventLoop>
#include <QTimer>

// For tests on a real X server: lets the event loop deliver what the server sends. The loop
// sleeps between events as the program's own does, so work done before it sleeps runs too.
namespace X11EventLoop {

// Runs the loop until `stop` says so, looking every few milliseconds, or until `limit` passes.
template <class Pred>
void runUntil(Pred stop, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (stop() || std::chrono::steady_clock::now() >= end) {
            loop.quit();
        }
    });
    look.start(5);
    loop.exec();
}

// Until `done` or a few seconds pass.
template <class Pred>
bool waitFor(Pred done) {
    runUntil(done, std::chrono::seconds(5));
    return done();
}

// Gives an event that should not come the time it would take to arrive.
inline void settle() {
    runUntil([] { return false; }, std::chrono::milliseconds(400));
}

}  // namespace X11EventLoop
