#include "platform/WindowList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace mailmoat {
namespace {

// Sets DISPLAY for the length of a scope.
class TDisplayVariable {
public:
  explicit TDisplayVariable(const char* value) {
    if (const char* old = std::getenv("DISPLAY")) Saved = old;
    if (value)
      ::setenv("DISPLAY", value, 1);
    else
      ::unsetenv("DISPLAY");
  }
  ~TDisplayVariable() {
    if (Saved)
      ::setenv("DISPLAY", Saved->c_str(), 1);
    else
      ::unsetenv("DISPLAY");
  }

private:
  std::optional<std::string> Saved;
};

TEST(WindowSystem, WithoutADisplayThereAreNoWindowsAndNothingComesToFront) {
  for (const char* display : {static_cast<const char*>(nullptr), "", ":9876"}) {
    TDisplayVariable variable(display);
    const auto windows = CreateWindowSystem();
    EXPECT_TRUE(windows->Snapshot().empty());
    EXPECT_FALSE(windows->BringWindowToFront(42));
    windows->RaiseWindow(42);
  }
}

}  // namespace
}  // namespace mailmoat
