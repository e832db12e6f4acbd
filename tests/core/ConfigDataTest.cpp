#include "core/CommandLine.h"
#include "core/IniFile.h"
#include "core/dataConfig.h"
#include "platform/Errors.h"
#include "support/ConfigFixture.h"

#include <gtest/gtest.h>
#include <set>

namespace mailmoat {
namespace {

using test::ReadTextFile;
using test::TTempDir;
using test::WriteTextFile;

using ConfigDataTest = test::ConfigFixture;

TEST_F(ConfigDataTest, FreshStartShowsTheNoAccountsBoxOnceBehindTheHourglass) {
  auto config = NewConfig();
  config->ConfigDataCreate();
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Information);
  EXPECT_EQ(Ui.Boxes[0].Buttons, TMsgButtons(mbOK | mbHelp));
  EXPECT_EQ(Ui.Boxes[0].HelpContext, 50);
  EXPECT_EQ(Ui.Boxes[0].Text,
            "Mailmoat was unable to load any information about your email\r\n"
            "accounts. If you have not yet setup Mailmoat, you will need to\r\n"
            "do so before you can use Mailmoat to clean out the spam.\r\n\r\n"
            "To setup Mailmoat, click the File menu on the main Mailmoat\r\n"
            "window, and then select either Preferences, or the Setup Wizard.");
  EXPECT_EQ(Ui.CursorCalls, (std::vector<bool>{true, false}));
  EXPECT_FALSE(config->TerminateRequested);
  // Loading writes nothing but the lock.
  EXPECT_FALSE(FileExists(Dir / "Mailmoat.ini"));
  EXPECT_FALSE(FileExists(Dir / "mmt.log"));
}

TEST_F(ConfigDataTest, StartUpResetsTheRunStateAndDerivesNotification) {
  WriteTextFile(Dir / "Mailmoat.ini", "[Config]\nPopup=0\nPlayWav=1\nWAVFile=/x.wav\n");
  auto config = NewConfig();
  config->QuickMode = config->AbortRequested = config->WeDialed = config->Dialing = true;
  config->Counters.Eaten = 3;
  config->CleanCount = 4;
  config->LastPopupCount = 5;
  config->HdrRecList.resize(2);
  config->ConfigDataCreate();
  EXPECT_FALSE(config->QuickMode || config->AbortRequested || config->WeDialed || config->Dialing);
  EXPECT_EQ(config->Counters.Eaten, 0);
  EXPECT_EQ(config->CleanCount, 0);
  EXPECT_EQ(config->LastPopupCount, 0);
  EXPECT_TRUE(config->HdrRecList.empty());
  EXPECT_TRUE(config->NotifyEnabled);
}

TEST_F(ConfigDataTest, DialUpAvailabilityDecidesTheNetworkFlags) {
  const struct {
    const char* Ini;
    bool Unavailable, ParamsFail;
    bool UseRas, RasAvailable, RasConnected;
    int ParamCalls;
  } cases[] = {
      {"", true, false, false, false, true, 0},                      // no dial-up service here
      {"[Config]\nUseRas=0\n", true, false, false, false, true, 0},  //
      {"[Config]\nUseRas=0\n", false, false, false, true, false, 0},
      {"[Config]\nUseRas=1\n", false, false, true, true, false, 1},
      {"[Config]\nUseRas=1\n", false, true, false, false, true, 1},  // entry cannot be read
  };
  for (const auto& c : cases) {
    WriteTextFile(Dir / "Mailmoat.ini", c.Ini);
    Dialer.Unavailable = c.Unavailable;
    Dialer.ParamsFail = c.ParamsFail;
    Dialer.EntriesAsked.clear();
    auto config = NewConfig();
    config->ConfigDataCreate();
    EXPECT_EQ(config->UseRas, c.UseRas) << c.Ini << c.Unavailable << c.ParamsFail;
    EXPECT_EQ(config->RasAvailable, c.RasAvailable) << c.Ini << c.Unavailable << c.ParamsFail;
    EXPECT_EQ(config->RasConnected, c.RasConnected) << c.Ini << c.Unavailable << c.ParamsFail;
    EXPECT_EQ(Dialer.EntriesAsked.size(), static_cast<size_t>(c.ParamCalls));
  }
}

TEST_F(ConfigDataTest, SecondCopyOverTheSameDirectoryEndsAfterItsBox) {
  auto first = NewConfig();
  first->ConfigDataCreate();
  Ui.Boxes.clear();

  auto second = NewConfig();
  second->ConfigDataCreate();
  EXPECT_TRUE(second->TerminateRequested);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Information);
  EXPECT_EQ(Ui.Boxes[0].Buttons, TMsgButtons(mbOK));
  EXPECT_EQ(Ui.Boxes[0].Text, "Mailmoat Pro is already running on your system.\r\n This instance will now close.");
  EXPECT_EQ(Ui.CursorCalls.back(), false);

  // Another directory is another installation.
  TTempDir other;
  auto elsewhere = NewConfig(other.Path());
  elsewhere->ConfigDataCreate();
  EXPECT_FALSE(elsewhere->TerminateRequested);

  first.reset();
  auto third = NewConfig();
  third->ConfigDataCreate();
  EXPECT_FALSE(third->TerminateRequested);
}

class ArchiveFixUpTest : public ConfigDataTest {
protected:
  ProfileRecord Profile(const std::string& dir) {
    ProfileRecord p;
    p.Name = "Home";
    p.ArchiveDir = dir;
    p.Archive = false;  // fixed up whether or not the profile archives
    return p;
  }
};

TEST_F(ArchiveFixUpTest, RenamesOldMessageFilesButNotTheKnownTextFiles) {
  const TPath archive = Dir / "archive";
  std::filesystem::create_directories(archive);
  for (const char* name : {"readme.txt", "History.TXT", "goodaddr.txt", "License.txt", "01022003.txt", "Upper.TXT",
                           "notes.text", "clash.txt", "clash.spam"}) {
    WriteTextFile(archive / name, name);
  }
  auto config = NewConfig();
  config->Profiles.push_back(Profile(archive.string()));
  config->ArchiveFixUp();
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(archive)) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"readme.txt", "History.TXT", "goodaddr.txt", "License.txt", "01022003.spam",
                                          "Upper.spam", "notes.text", "clash.txt", "clash.spam"}));
  EXPECT_EQ(ReadTextFile(archive / "clash.spam"), "clash.spam");

  // New text files are renamed again at every start until FixUpDone is set.
  WriteTextFile(archive / "later.txt", "x");
  config->ArchiveFixUp();
  EXPECT_TRUE(FileExists(archive / "later.spam"));
  config->Registry.WriteBool(TRegistry::RootKey, "FixUpDone", true);
  WriteTextFile(archive / "after.txt", "x");
  config->ArchiveFixUp();
  EXPECT_TRUE(FileExists(archive / "after.txt"));
}

TEST_F(ArchiveFixUpTest, CreatesMissingArchiveDirectoriesButNotFromShortPaths) {
  auto config = NewConfig();
  config->Profiles = {Profile((Dir / "a" / "b" / "c").string()), Profile("rel/spam"), Profile(""), Profile("c:")};
  config->ArchiveFixUp();
  EXPECT_TRUE(DirectoryExists(Dir / "a" / "b" / "c"));
  EXPECT_TRUE(DirectoryExists(Dir / "rel" / "spam"));
  EXPECT_FALSE(DirectoryExists(Dir / "c:"));
}

TEST_F(ArchiveFixUpTest, NothingHappensWithoutProfiles) {
  WriteTextFile(Dir / "stray.txt", "x");
  auto config = NewConfig();
  config->ArchiveFixUp();
  EXPECT_TRUE(FileExists(Dir / "stray.txt"));
}

TEST_F(ConfigDataTest, QuickCommandLineInAnyCaseChangesSettingsInMemoryOnly) {
  WriteTextFile(Dir / "Mailmoat.ini", "[Config]\nAutoView=1\nAutoType=0\nToolTray=0\nCheckOnStart=0\n");
  const std::string before = ReadTextFile(Dir / "Mailmoat.ini");
  auto config = NewConfig();
  config->ConfigDataCreate();
  EXPECT_TRUE(ApplyCommandLine(*config, {"QUICK", "Eat", "ignored"}));
  EXPECT_TRUE(config->QuickMode);
  EXPECT_TRUE(config->AutoType);
  EXPECT_FALSE(config->AutoView);
  EXPECT_TRUE(config->ToolTray);
  EXPECT_TRUE(config->CheckOnStart);
  EXPECT_EQ(ReadTextFile(Dir / "Mailmoat.ini"), before);
  const std::string log = ReadTextFile(Dir / "mmt.log");
  EXPECT_EQ(log,
            "08 Dec 2026 13:05:09 @ Quick check and quit executing\r\n"
            "08 Dec 2026 13:05:09 @ Quick check will eat rejected messages\r\n");
}

TEST_F(ConfigDataTest, QuickWithoutEatDoesNotEatAndOtherArgumentsAreIgnored) {
  auto config = NewConfig();
  config->AutoType = true;
  EXPECT_TRUE(ApplyCommandLine(*config, {"quick", "eats"}));
  EXPECT_FALSE(config->AutoType);
  EXPECT_NE(ReadTextFile(Dir / "mmt.log").find("@ Quick check will NOT eat rejected messages\r\n"), std::string::npos);

  auto plain = NewConfig();
  plain->AutoType = true;
  EXPECT_FALSE(ApplyCommandLine(*plain, {"eat", "quick"}));
  EXPECT_FALSE(ApplyCommandLine(*plain, {}));
  EXPECT_FALSE(plain->QuickMode);
  EXPECT_TRUE(plain->AutoType);
}

}  // namespace
}  // namespace mailmoat
