#include "app/Application.h"

#include "check/FakePop3Server.h"
#include "filter/FilterTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace mailmoat {
namespace {

using test::TFakePop3Server;

TEST(ProgramOptions, HomeAndArgumentsInAnyOrder) {
  TProgramOptions o = ParseProgramOptions({"mailmoat", "quick", "--home", "/tmp/x", "EAT"});
  EXPECT_EQ(o.Home, "/tmp/x");
  EXPECT_EQ(o.Args, (std::vector<std::string>{"quick", "EAT"}));
  EXPECT_TRUE(o.Error.empty());

  o = ParseProgramOptions({"mailmoat", "--home=/srv/mm"});
  EXPECT_EQ(o.Home, "/srv/mm");
  EXPECT_TRUE(o.Args.empty());

  o = ParseProgramOptions({"mailmoat", "--", "--home"});
  EXPECT_EQ(o.Args, std::vector<std::string>{"--home"});
}

TEST(ProgramOptions, BadOptionsAreUsageErrors) {
  EXPECT_EQ(ParseProgramOptions({"mailmoat", "--frobnicate"}).Error, "unknown option --frobnicate");
  EXPECT_EQ(ParseProgramOptions({"mailmoat", "-q"}).Error, "unknown option -q");
  EXPECT_EQ(ParseProgramOptions({"mailmoat", "--home"}).Error, "--home needs a directory");
  EXPECT_EQ(ParseProgramOptions({"mailmoat", "--home="}).Error, "--home needs a directory");
  EXPECT_EQ(RunApplication({"mailmoat", "--frobnicate"}), 2);
  EXPECT_NE(UsageText().find("mailmoat [--home DIR] [--headless] [quick [eat]]"), std::string::npos);
}

// The window opens only with a display and a build that has it; dump never opens it, quick
// falls back to the terminal, and nothing else runs without one.
TEST(ProgramOptions, TheWindowNeedsADisplayAndDumpNeverOpensIt) {
  const auto mode = [](std::vector<std::string> argv, bool built, const char* display, const char* wayland) {
    argv.insert(argv.begin(), "mailmoat");
    return ChooseRunMode(ParseProgramOptions(argv), built, [=](const char* name) {
      return std::string(name) == "DISPLAY" ? display : std::string(name) == "WAYLAND_DISPLAY" ? wayland : nullptr;
    });
  };
  EXPECT_EQ(mode({}, true, ":0", nullptr), TRunMode::Window);
  EXPECT_EQ(mode({}, true, nullptr, "wayland-0"), TRunMode::Window);
  EXPECT_EQ(mode({}, true, "", nullptr), TRunMode::NoDisplay);
  EXPECT_EQ(mode({}, false, ":0", nullptr), TRunMode::NoDisplay);
  EXPECT_EQ(mode({"--headless"}, true, ":0", nullptr), TRunMode::NoDisplay);
  EXPECT_EQ(mode({"QUICK", "eat"}, true, ":0", nullptr), TRunMode::Window);
  EXPECT_EQ(mode({"quick", "--headless"}, true, ":0", nullptr), TRunMode::Headless);
  EXPECT_EQ(mode({"quick"}, true, nullptr, nullptr), TRunMode::Headless);
  EXPECT_EQ(mode({"dump", "f.txt"}, true, ":0", nullptr), TRunMode::Headless);
}

// The program run as cron runs it, over a home written the way the preferences write it:
// "quick view" has no window for the list, so it checks every mailbox and deletes nothing; a
// mailbox whose login fails makes the run fail for cron although the other one was checked.
class QuickCheckRun : public test::FilterTest {};

TEST_F(QuickCheckRun, ViewChecksWithoutEatingAndFailsForAMailboxThatCannotLogIn) {
  const auto mail = [](const std::string& subject) {
    return "From: sam@example.net\r\nTo: joe@example.org\r\nSubject: " + subject + "\r\n\r\nHi\r\n";
  };
  TFakePop3Server server({mail("Cheap pills"), mail("Lunch on Friday")});
  for (const char* name : {"Home", "Work"}) {
    ProfileRecord profile;
    profile.Name = name;
    profile.Server = "127.0.0.1";
    profile.Login = "joe";
    profile.Password = name == std::string("Home") ? "secret" : "wrong";
    profile.Port = static_cast<std::uint16_t>(server.Port());
    Config->Profiles.push_back(profile);
  }
  Config->LoggingLevel = LogLevel::Normal;
  Config->UseRas = false;
  Config->ValidAddresses = {"joe@example.org"};
  Config->SysHeaderRules = {test::Rule("Pills in the subject", "Subject", "(?i)pills")};
  Config->SaveProfiles();
  Config->SaveValidAddresses();
  ASSERT_TRUE(Config->SaveRules());
  ASSERT_TRUE(Config->SaveSettings());
  Config.reset();

  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(RunApplication({"mailmoat", "--headless", "--home", Dir.Path().string(), "quick", "View"}), 1);
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string err = testing::internal::GetCapturedStderr();

  EXPECT_NE(out.find("checked 2, eaten 0, cleared 1\n"), std::string::npos) << out;
  EXPECT_EQ(server.Remaining().size(), 2u);
  const std::string note = "mailmoat: check and view needs the window, so this run only checks and deletes nothing\n";
  EXPECT_THAT(err, testing::StartsWith(note + "mailmoat: profile \"Work\" could not be checked: "));
  EXPECT_THAT(err, testing::HasSubstr("invalid password"));
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
  // The quick check starts as the automatic-check timer starts a check-only run.
  std::vector<std::string> starts;
  for (const std::string& line : LogLines())
    if (line.rfind("@ Quick ", 0) == 0 || line.rfind("@ Automatic ", 0) == 0) starts.push_back(line);
  EXPECT_EQ(starts, (std::vector<std::string>{
                        "@ Quick check and quit executing", "@ Quick check will NOT eat rejected messages",
                        "@ Automatic check only executing", "@ Quick check completed - terminating application"}));
}

}  // namespace
}  // namespace mailmoat
