#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace mailmoat::test {

// Runs `action` on the next modal window that opens (polled from a timer, since the test's
// own code is blocked inside that window's exec()). Gives up silently after `timeoutMs`.
inline void WhenModal(std::function<void(QWidget*)> action, int timeoutMs = 5000) {
  auto* timer = new QTimer;
  auto waited = std::make_shared<int>(0);
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, waited, action, timeoutMs] {
    *waited += 20;
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      action(modal);
    } else if (*waited >= timeoutMs) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
}

}  // namespace mailmoat::test
