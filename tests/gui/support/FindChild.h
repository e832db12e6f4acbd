#pragma once

#include <QWidget>

#include <gtest/gtest.h>

namespace mailmoat::test {

// The child of `window` named `name`; a test failure when there is none.
template <typename T>
T* Child(QWidget* window, const char* name) {
  T* widget = window->findChild<T*>(name);
  EXPECT_NE(widget, nullptr) << name;
  return widget;
}

}  // namespace mailmoat::test
