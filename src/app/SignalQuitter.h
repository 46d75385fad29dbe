#pragma once

#include <memory>

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into an orderly quit of the event loop, so the usual shutdown runs
// and no cover is left on screen. Signal handlers may only write to a pipe; the loop reads it.
class SignalQuitter : public QObject {
    Q_OBJECT
  public:
    SignalQuitter();
    ~SignalQuitter() override;

  private:
    void onSignal();

    std::unique_ptr<QSocketNotifier> notifier_;
};
