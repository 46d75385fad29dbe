#pragma once

#include <chrono>
#include <thread>

#include <QCoreApplication>

// For tests on a real X server: lets the event loop deliver what the server sends.
namespace X11EventLoop {

// Until `done` or a few seconds pass.
template <class Pred>
bool waitFor(Pred done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// Gives an event that should not come the time it would take to arrive.
inline void settle() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

}  // namespace X11EventLoop
