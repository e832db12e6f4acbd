// The new-mail notification and the processing summary: when each of the three ways acts,
// finding the e-mail program's window, and starting the program.
#include "core/NewMailNotifier.h"
#include "core/StoreTestSupport.h"
#include "support/RecordingCheckView.h"

#include <gmock/gmock.h>

#include <cerrno>
#include <chrono>
#include <sys/stat.h>
#include <thread>

namespace mailmoat {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

class TFakeWindows : public TWindowSystem {
public:
  std::vector<TWindowInfo> Windows;
  bool FrontSucceeds = true;
  std::vector<std::string> Calls;

  std::vector<TWindowInfo> Snapshot() override { return Windows; }
  bool BringWindowToFront(TWindowId id) override {
    Calls.push_back("front " + std::to_string(id));
    return FrontSucceeds;
  }
  void RaiseWindow(TWindowId id) override { Calls.push_back("raise " + std::to_string(id)); }
};

const char StartBoxText[] = "The following error occurred trying to run your email client software :\r\n";

class NewMailNotifierTest : public test::StoreTest {
protected:
  void SetUp() override {
    Config = NewConfig();
    Config->ConfigDataCreate();
    Ui.Boxes.clear();
    Config->LoggingLevel = LogLevel::Normal;
    ClientFile = (Dir / "Mailreader").string();
    test::WriteTextFile(ClientFile, "");
    Notifier = std::make_unique<TNewMailNotifier>(
        *Config, View, Windows, [this] { return Processes; },
        [this](const std::string& program, const std::vector<std::string>& args, const std::string& dir) {
          std::string call = program + " in " + dir + ":";
          for (const std::string& a : args) call += " [" + a + "]";
          Starts.push_back(call);
          return StartResult;
        });
  }
  // A run that leaves `good` messages of `processed` and turns `ways` on ("popup", "sound",
  // "client"), nothing else.
  void Run(int processed, int good, std::initializer_list<std::string> ways) {
    Config->Counters = TRunCounters{};
    Config->Counters.Processed = processed;
    Config->Counters.FailedHeaderRules = processed - good;
    Config->CleanCount = good;
    Config->Popup = Config->PlayWav = Config->StartClient = false;
    for (const std::string& w : ways) {
      if (w == "popup") Config->Popup = true;
      if (w == "sound") Config->PlayWav = true;
      if (w == "client") Config->StartClient = true;
    }
    Config->NotifyEnabled = Config->Popup || Config->PlayWav || Config->StartClient;
    Config->WAVFile = "/sounds/new.wav";
    Config->ClientFile = ClientFile;
    Notifier->NotifyNewMail();
  }
  void ClientRuns(const std::string& path, std::vector<TWindowInfo> windows) {
    Processes = {{"/usr/bin/bash", 10}, {path, 42}};
    Windows.Windows = std::move(windows);
  }
  int Popups() const { return View.CountPrefix("mail waiting: "); }
  int Sounds() const { return View.CountPrefix("sound: "); }

  test::TRecordingCheckView View;
  TFakeWindows Windows;
  std::vector<TProcessEntry> Processes;
  std::vector<std::string> Starts;
  TStartError StartResult;
  std::string ClientFile;
  std::unique_ptr<TConfigData> Config;
  std::unique_ptr<TNewMailNotifier> Notifier;
};

TEST_F(NewMailNotifierTest, NothingHappensWithEveryWayOffOrNoGoodMail) {
  Run(3, 3, {});
  Run(4, 0, {"popup", "sound", "client"});  // every message rejected
  Run(0, 0, {"popup", "sound", "client"});
  EXPECT_THAT(View.Calls, IsEmpty());
  EXPECT_THAT(Starts, IsEmpty());
  EXPECT_THAT(Ui.Boxes, IsEmpty());
}

TEST_F(NewMailNotifierTest, WaitingCountsApprovedAndEatenMessagesOnce) {
  TRunCounters c;
  c.Processed = 10;
  c.Eaten = 3;  // among the rejections below
  c.ApprovedSenders = 2;
  c.AlwaysAccept = 1;
  c.FailedHeaderRules = 1;
  c.FailedBodyRules = 1;
  c.NoValidAddresses = 1;
  c.Oversized = 1;
  c.BlacklistRejections = 1;
  EXPECT_EQ(TNewMailNotifier::WaitingCount(c), 5);
}

TEST_F(NewMailNotifierTest, ThePopupShowsOnceForTheSameCountWhileTheSoundPlaysEveryRun) {
  Run(5, 3, {"popup", "sound"});
  Run(4, 3, {"popup", "sound"});
  EXPECT_EQ(Popups(), 1);
  EXPECT_TRUE(View.Has("mail waiting: Hey! You have 3 messages waiting in your mailbox!"));
  EXPECT_EQ(Sounds(), 2);
  EXPECT_TRUE(View.Has("sound: /sounds/new.wav"));
  EXPECT_EQ(Config->LastPopupCount, 3);
  Run(4, 4, {"popup"});
  EXPECT_EQ(Popups(), 2);
}

TEST_F(NewMailNotifierTest, WithTheEmailProgramThePopupNeedsAlwaysPopup) {
  Run(3, 3, {"popup", "client"});
  EXPECT_EQ(Popups(), 0);
  EXPECT_EQ(Config->LastPopupCount, 3);  // decided all the same
  EXPECT_EQ(Starts.size(), 1u);

  Config->AlwaysPopup = true;
  Run(2, 2, {"popup", "client"});
  EXPECT_EQ(Popups(), 1);
  EXPECT_EQ(Starts.size(), 2u);
}

TEST_F(NewMailNotifierTest, ASoundFileThatCannotBeOpenedIsLoggedAndTheRestGoesOn) {
  View.SoundError = "No such file or directory";
  Config->AlwaysPopup = true;
  Run(2, 2, {"popup", "sound", "client"});
  EXPECT_THAT(Log(), HasSubstr("! Unable to play sound file /sounds/new.wav: No such file or directory"));
  EXPECT_EQ(Popups(), 1);
  EXPECT_EQ(Starts.size(), 1u);
  EXPECT_THAT(Ui.Boxes, IsEmpty());
}

TEST_F(NewMailNotifierTest, AMissingClientFileIsShownAfterTheSoundAndPopup) {
  ClientFile.clear();
  Run(1, 1, {"popup", "sound", "client"});
  ClientFile = (Dir / "gone").string();
  Config->LastPopupCount = 0;
  Run(1, 1, {"popup", "sound", "client"});
  ASSERT_EQ(Ui.Boxes.size(), 2u);
  EXPECT_EQ(Ui.Boxes[0].Text, "You need to select the email software filename for notifications to succeed");
  EXPECT_EQ(Ui.Boxes[1].Text, "Specified email client file not found:\r\n" + (Dir / "gone").string());
  for (const test::TRecordedBox& box : Ui.Boxes) {
    EXPECT_EQ(box.Kind, TMsgKind::Error);
    EXPECT_EQ(box.Buttons, mbOK | mbHelp);
    EXPECT_EQ(box.HelpContext, 100);
  }
  EXPECT_EQ(Sounds(), 2);
  EXPECT_EQ(Popups(), 0);  // StartClient is on and AlwaysPopup off
  EXPECT_THAT(Starts, IsEmpty());
}

TEST_F(NewMailNotifierTest, ARunningClientIsBroughtToFrontOnlyForNormalAndMaximisedWindows) {
  ClientRuns("/opt/reader/MailReader", {{7, "Calculator"}, {9, "Inbox - Mailreader"}});
  for (const int show : {1, 2, 3, 0, 6}) {
    Config->ClientWin = show;
    Run(1, 1, {"client"});
  }
  EXPECT_THAT(Windows.Calls, ElementsAre("front 9", "front 9"));
  EXPECT_THAT(Starts, IsEmpty());

  Windows.FrontSucceeds = false;  // the window manager refused: at least put it on top
  Config->ClientWin = 1;
  Run(1, 1, {"client"});
  EXPECT_THAT(Windows.Calls, ElementsAre("front 9", "front 9", "front 9", "raise 9"));
}

TEST_F(NewMailNotifierTest, TheCaptionOfAnUnknownProgramIsItsNameWithOnlyTheFirstLetterAsItIs) {
  EXPECT_EQ(TNewMailNotifier::CaptionText("/usr/bin/mailreader"), "mailreader");
  EXPECT_EQ(TNewMailNotifier::CaptionText("/opt/MailReader"), "Mailreader");
  EXPECT_EQ(TNewMailNotifier::CaptionText("/opt/SYLPH.EXE"), "Sylph");
  EXPECT_EQ(TNewMailNotifier::CaptionText("/opt/mutt"), "mutt");  // no extension: nothing is cut
  EXPECT_EQ(TNewMailNotifier::CaptionText("/mnt/c/Program Files/Outlook.exe"), "Outlook");
  EXPECT_EQ(TNewMailNotifier::CaptionText("msimn.exe"), "Outlook Express");
  EXPECT_EQ(TNewMailNotifier::CaptionText("EUDORA.EXE"), "Eudora");
  EXPECT_EQ(TNewMailNotifier::CaptionText("pegasus.exe"), "Pegasus");

  // The search is case-sensitive: "MAILREADER" and "mailreader" do not count.
  ClientFile = (Dir / "MAILREADER.BIN").string();
  test::WriteTextFile(ClientFile, "");
  ClientRuns("/usr/lib/mailreader.bin", {{3, "MAILREADER"}, {4, "mailreader - news"}, {5, "Drafts - Mailreader"}});
  Run(1, 1, {"client"});
  EXPECT_THAT(Windows.Calls, ElementsAre("front 5"));
}

TEST_F(NewMailNotifierTest, AClientWithoutItsWindowIsStartedAndAWindowOpenedSinceStartUpIsFound) {
  ClientRuns("/usr/bin/mailreader", {{5, "Terminal"}});
  Config->ClientParams = "-compose \"to=a b\"  x";
  Config->ClientFolder = "/home/me";
  Run(1, 1, {"client"});
  EXPECT_THAT(Starts, ElementsAre(ClientFile + " in /home/me: [-compose] [to=a b] [x]"));

  // The program started by the first notification has its window now: it is not started again.
  Windows.Windows.push_back({8, "Inbox - Mailreader"});
  Run(1, 1, {"client"});
  EXPECT_EQ(Starts.size(), 1u);
  EXPECT_THAT(Windows.Calls, ElementsAre("front 8"));
}

TEST_F(NewMailNotifierTest, StartFailuresAreLoggedAndShownWithTheirText) {
  struct TCase {
    TStartError Error;
    std::string Text;
  };
  const TCase cases[] = {
      {{ENOENT, false}, "Specified file was not found"},
      {{ENOENT, true}, "Specified path was not found"},
      {{ENOTDIR, false}, "Specified path was not found"},
      {{EACCES, false}, "Access denied to specified file"},
      {{ENOMEM, false}, "Not enough memory available to execute mail client software"},
      {{ENOEXEC, false}, "EXE file is invalid. Not a Win32 executable."},
      {{ETXTBSY, false}, "Sharing violation"},
      {{EAGAIN, false}, "Out of memory or system resources"},
      {{EIO, false}, "Input/output error"},
  };
  for (const TCase& c : cases) {
    Ui.Boxes.clear();
    StartResult = c.Error;
    Run(1, 1, {"client"});
    ASSERT_EQ(Ui.Boxes.size(), 1u) << c.Text;
    EXPECT_EQ(Ui.Boxes[0].Text, StartBoxText + c.Text);
    EXPECT_EQ(Ui.Boxes[0].Caption, "Error Executing Email Client Software");
    EXPECT_EQ(Ui.Boxes[0].Buttons, mbOK | mbHelp);
    EXPECT_THAT(Log(), HasSubstr("! Error starting mail client: " + c.Text + "\r\n"));
  }
  EXPECT_EQ(TNewMailNotifier::StartErrorText(27), "Filename association incomplete or invalid");
  EXPECT_EQ(TNewMailNotifier::StartErrorText(31), "No file association exists for specified file");
  EXPECT_EQ(TNewMailNotifier::StartErrorText(32), "Specified Dynamic Link Library (DLL) not found");
  EXPECT_EQ(TNewMailNotifier::StartErrorText(19), "Unknown error code: 19");
}

TEST_F(NewMailNotifierTest, TheSummaryShowsOnlyAfterARunThatProcessedMail) {
  Notifier->ShowProcessingSummary();
  EXPECT_THAT(View.Calls, IsEmpty());
  Config->Counters.Processed = 4;
  Config->Counters.Oversized = 1;
  Notifier->ShowProcessingSummary();
  EXPECT_THAT(View.Calls, ElementsAre("summary: 4 processed, 3 waiting"));
}

// The real start, without a shell: the arguments arrive as split, in the chosen folder.
TEST(NewMailNotifierStart, TheProgramStartsInItsFolderAndFailuresCarryTheirTexts) {
  test::TTempDir dir;
  test::TRecordingUiHost ui;
  test::TFakeDialer dialer;
  dialer.Unavailable = false;
  TConfigData config(TAppPaths::ForHome(dir.Path()), ui, dialer);
  config.ConfigDataCreate();
  ui.Boxes.clear();
  test::TRecordingCheckView view;
  TFakeWindows windows;
  TNewMailNotifier notifier(config, view, windows, [] { return std::vector<TProcessEntry>{}; });

  std::filesystem::create_directories(dir / "work");
  const std::filesystem::path client = dir / "client.sh";
  test::WriteTextFile(client,
                      "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > out.tmp\nmv out.tmp out\n");
  ::chmod(client.c_str(), 0755);
  config.Counters.Processed = 1;
  config.NotifyEnabled = config.StartClient = true;
  config.ClientFile = client.string();
  config.ClientParams = "\"$HOME; rm -rf x\" 'y'";
  config.ClientFolder = (dir / "work").string();
  notifier.NotifyNewMail();
  const std::filesystem::path out = dir / "work" / "out";
  for (int i = 0; i < 500 && !std::filesystem::exists(out); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(test::ReadTextFile(out), (dir / "work").string() + "\n[$HOME; rm -rf x]\n['y']\n");
  EXPECT_THAT(ui.Boxes, IsEmpty());

  config.ClientFolder = (dir / "missing").string();
  notifier.NotifyNewMail();
  config.ClientFolder.clear();
  ::chmod(client.c_str(), 0644);
  notifier.NotifyNewMail();
  test::WriteTextFile(client, "echo no interpreter line\n");
  ::chmod(client.c_str(), 0755);
  notifier.NotifyNewMail();
  ASSERT_EQ(ui.Boxes.size(), 3u);
  EXPECT_EQ(ui.Boxes[0].Text, StartBoxText + std::string("Specified path was not found"));
  EXPECT_EQ(ui.Boxes[1].Text, StartBoxText + std::string("Access denied to specified file"));
  EXPECT_EQ(ui.Boxes[2].Text, StartBoxText + std::string("EXE file is invalid. Not a Win32 executable."));
}

}  // namespace
}  // namespace mailmoat
