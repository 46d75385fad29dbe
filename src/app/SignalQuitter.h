// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into an orderly quit of the event loop, so the usual shutdown
// runs and no cover is left on screen. Signal handlers may only write to a pipe; the loop reads it.
class SignalQuitter : public QObject {
    Q_OBJECT
  public:
    // What the event loop does with each signal that came.
    using Handler = std::function<void(int signal)>;

    explicit SignalQuitter(Handler handler = &SignalQuitter::quitOn);
    ~SignalQuitter() override;
    SignalQuitter(const SignalQuitter&) = delete;
    SignalQuitter& operator=(const SignalQuitter&) = delete;

    // Says which signal ended the program (standard error and the debug log), then quits.
    static void quitOn(int signal);
    // "SIGHUP" and the like; "signal N" for one not handled here.
    static std::string nameOf(int signal);
    // The line on standard error, without its line feed.
    static std::string farewell(int signal);

  private:
    void onSignal();

    Handler handler_;
    std::unique_ptr<QSocketNotifier> notifier_;
};
