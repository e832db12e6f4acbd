#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

// The GUI tests need no display: the offscreen platform unless the caller chose one (a
// developer may run them under Xvfb to watch).
int main(int argc, char** argv) {
  setenv("TZ", "UTC", 1);
  tzset();
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
