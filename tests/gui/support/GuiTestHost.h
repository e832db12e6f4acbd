#pragma once

#include "support/RecordingUiHost.h"

#include <QCoreApplication>
#include <QTimer>

#include <functional>
#include <map>

namespace mailmoat::test {

// The recording host with a live event loop: boxes are recorded and answered from the
// script, while ProcessMessages and the timers are Qt's, so a check run started from a
// window lets the test press buttons in the middle of it.
class TGuiTestHost : public TRecordingUiHost {
public:
  ~TGuiTestHost() override {
    for (auto& [id, timer] : QtTimers) delete timer;
  }
  void ProcessMessages() override {
    ++ProcessMessagesCalls;
    QCoreApplication::processEvents();
  }
  int StartTimer(int intervalMs, std::function<void()> callback) override {
    const int id = TRecordingUiHost::StartTimer(intervalMs, callback);
    auto* timer = new QTimer;
    timer->setInterval(intervalMs);
    QObject::connect(timer, &QTimer::timeout, [callback] { callback(); });
    timer->start();
    QtTimers[id] = timer;
    return id;
  }
  void StopTimer(int id) override {
    TRecordingUiHost::StopTimer(id);
    auto it = QtTimers.find(id);
    if (it == QtTimers.end()) return;
    // May be called from inside the timer's own callback.
    it->second->stop();
    it->second->deleteLater();
    QtTimers.erase(it);
  }

private:
  std::map<int, QTimer*> QtTimers;
};

}  // namespace mailmoat::test
