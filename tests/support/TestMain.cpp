#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
  // Log time stamps are local time; one fixed zone makes the expected texts exact.
  setenv("TZ", "UTC", 1);
  tzset();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
