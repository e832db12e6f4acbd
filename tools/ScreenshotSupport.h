#pragma once

// What every picture of the screenshot tool needs: time for the window system to draw, and
// saving one widget as a PNG file.

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QString>
#include <QThread>
#include <QWidget>

#include <cstdio>

namespace mailmoat {

// Lets the window system draw for a moment.
inline void Settle(int ms = 300) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    QApplication::processEvents();
    QThread::msleep(10);
  }
}

inline bool SavePicture(QWidget& widget, const QString& file) {
  Settle();
  if (!widget.grab().save(file)) {
    std::fprintf(stderr, "screenshots: could not write %s\n", qPrintable(file));
    return false;
  }
  std::printf("screenshots: %s\n", qPrintable(file));
  return true;
}

}  // namespace mailmoat
