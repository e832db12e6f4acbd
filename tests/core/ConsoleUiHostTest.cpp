#include "core/ConsoleUiHost.h"

#include <gtest/gtest.h>
#include <thread>

namespace mailmoat {
namespace {

TEST(ConsoleUiHost, UnattendedAnswersNeverAgreeToDestroyAnything) {
  EXPECT_EQ(TConsoleUiHost::DefaultAnswer(mbOK | mbHelp, mbNone), mbOK);
  EXPECT_EQ(TConsoleUiHost::DefaultAnswer(mbYes | mbNo, mbNone), mbNo);
  EXPECT_EQ(TConsoleUiHost::DefaultAnswer(mbYes | mbNo | mbCancel, mbNone), mbNo);
  EXPECT_EQ(TConsoleUiHost::DefaultAnswer(mbYes | mbNo, mbYes), mbYes);
  EXPECT_EQ(TConsoleUiHost::DefaultAnswer(mbAbort | mbRetry | mbIgnore, mbNone), mbAbort);
  EXPECT_EQ(TConsoleUiHost::DefaultAnswer(mbOK, mbNo), mbOK);
}

TEST(ConsoleUiHost, BoxesGoToTheStreamAndTheLogAsOneLine) {
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* stream = open_memstream(&buffer, &size);
  std::vector<std::string> logged;
  {
    TConsoleUiHost host(stream);
    host.SetLogSink([&](TMsgKind, const std::string& text) { logged.push_back(text); });
    TUiHost& ui = host;
    EXPECT_EQ(ui.MessageBox(TMsgKind::Confirmation, "Delete Mailmoat Pro log file?", mbYes | mbNo), mbNo);
    ui.MessageBox(TMsgKind::Information, "first\r\nsecond\r\n\r\nthird", mbOK);
    // Nobody ticks the box or types an answer: the question comes again, the input is cancelled.
    bool ticked = true;
    EXPECT_EQ(ui.MessageBoxDontAsk(TMsgKind::Confirmation, "Terminate?", mbYes | mbNo, ticked), mbNo);
    EXPECT_FALSE(ticked);
    std::string value = "kept";
    EXPECT_FALSE(ui.InputBox("Valid Address", "Enter one of your email addresses:", value));
    EXPECT_EQ(value, "kept");
  }
  std::fclose(stream);
  EXPECT_EQ(std::string(buffer, size),
            "Question: Delete Mailmoat Pro log file?\nInformation: first second third\nQuestion: Terminate?\n");
  std::free(buffer);
  EXPECT_EQ(logged, (std::vector<std::string>{"Delete Mailmoat Pro log file?", "first second third", "Terminate?"}));
}

TEST(ConsoleUiHost, TimersRunFromProcessMessagesUntilStopped) {
  TConsoleUiHost host(stderr);
  int ticks = 0;
  const int id = host.StartTimer(1, [&] { ++ticks; });
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  host.ProcessMessages();
  EXPECT_EQ(ticks, 1);
  host.StopTimer(id);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  host.ProcessMessages();
  EXPECT_EQ(ticks, 1);
}

}  // namespace
}  // namespace mailmoat
