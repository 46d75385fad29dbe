// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SignalQuitter.h"

#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include "common/Log.h"

namespace {
// The write end is used from the signal handler, which can reach nothing else.
int g_pipe[2] = {-1, -1};

// A hang-up (the terminal or session went away) ends the program like a request to terminate:
// by default it would kill it outright and leave its covers to the server's cleanup.
constexpr int kHandled[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onTerminationSignal(int signal) {
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const auto n = ::write(g_pipe[1], &byte, 1);
}
}  // namespace

SignalQuitter::SignalQuitter(Handler handler) : handler_(std::move(handler)) {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalQuitter::onSignal);
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (const int signal : kHandled) {
        ::sigaction(signal, &sa, nullptr);
    }
}

SignalQuitter::~SignalQuitter() {
    for (const int signal : kHandled) {
        std::signal(signal, SIG_DFL);
    }
    notifier_.reset();
    for (int& fd : g_pipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

std::string SignalQuitter::nameOf(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "signal " + std::to_string(signal);
    }
}

std::string SignalQuitter::farewell(int signal) {
    return "tessavo: " + nameOf(signal) + " 받음, 종료합니다";
}

void SignalQuitter::quitOn(int signal) {
    std::fprintf(stderr, "%s\n", farewell(signal).c_str());
    std::fflush(stderr);
    Log::line("QUIT on " + nameOf(signal));
    QCoreApplication::quit();
}

void SignalQuitter::onSignal() {
    unsigned char buffer[16];
    ssize_t n = 0;
    while ((n = ::read(g_pipe[0], buffer, sizeof buffer)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            if (handler_) {
                handler_(buffer[i]);
            }
        }
    }
}
