// The main window over the real core: the check commands against a real Dovecot, Abort in the
// middle of a run and of a dial, Exit during a run, and the window's controls and texts.
#include "integration/TcpRelay.h"
#include "support/MainWindowFixture.h"
#include "support/ModalDriver.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <mutex>

namespace mailmoat {
namespace {

using test::TDovecotServer;

class MainWindowTest : public test::TMainWindowFixture {};

TEST_F(MainWindowTest, EveryControlHasItsNameAndText) {
  Start("[Config]\nUseRas=0\n", false);
  EXPECT_EQ(Main->windowTitle(), "Mailmoat Pro v1.0");
  EXPECT_EQ(Main->minimumSize(), QSize(414, 247));
  EXPECT_FALSE(Main->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(Label("lblCapServerName"), "Mail Server:");
  EXPECT_EQ(Label("lblCapPOPStatus"), "Current Status:");
  EXPECT_EQ(Label("lblCapMessageStatus"), "Current Activity:");
  EXPECT_EQ(Label("lblCapScanning"), "Processing Progress:");
  EXPECT_EQ(Label("lblMessageStatus"), "<none>");
  EXPECT_EQ(Find<QProgressBar>("pbScanning")->maximum(), 100);
  const struct {
    const char* Name;
    const char* Text;
    const char* Hint;
  } buttons[] = {{"btnCheckOnly", "Check Only", "Check Only for Spam  -  F3"},
                 {"btnCheckView", "Check && View", "Check and then View the message headers  -  F4"},
                 {"btnCheckEat", "Check && Eat", "Check for and Eat Spam  -  F2"},
                 {"btnAbort", "Abort Check", "Abort the current check in progress."}};
  for (const auto& b : buttons) {
    EXPECT_EQ(Find<QPushButton>(b.Name)->text(), b.Text);
    EXPECT_EQ(Find<QPushButton>(b.Name)->toolTip(), b.Hint);
  }
  EXPECT_TRUE(Find<QPushButton>("btnCheckView")->isDefault());
  EXPECT_FALSE(Find<QPushButton>("btnAbort")->isEnabled());

  // Each menu in order, dividers as "-", shortcuts after a tab.
  const auto menuText = [](QMenu* menu) {
    QStringList items;
    for (QAction* a : menu->actions())
      items << (a->isSeparator() ? QString("-")
                                 : a->text() + (a->shortcut().isEmpty() ? QString() : "\t" + a->shortcut().toString()));
    return items.join("|");
  };
  QStringList menus;
  for (QAction* top : Main->menuBar()->actions()) menus << top->text() + ": " + menuText(top->menu());
  EXPECT_EQ(menus.join("\n").toStdString(),
            "&File: &Preferences\tCtrl+P|&Setup Wizard|-|&Filter Rules Update|Filter Rules &Report|-|E&xit\tCtrl+X\n"
            "&Action: Check and &Eat Spam\tF2|&Check only for Spam\tF3|Check and Vie&w Headers\tF4|-|"
            "&Message Archive(s)\tCtrl+A|-|&Show Logfile\tCtrl+L|C&lear Logfile|Clear &Old Log Entries\tCtrl+Alt+L\n"
            "&Help: Help &Contents\tF1|&Frequently Asked Questions|&Support|&Online Resources|-|New &Version Check|"
            "&About Mailmoat Pro");
  EXPECT_EQ(menuText(Main->findChild<QMenu*>("mnuOnline")).toStdString(),
            "&Frequently Asked Questions|&Discussion Forums");
  EXPECT_EQ(menuText(Main->TrayMenu()).toStdString(),
            "&Show Mailmoat|&Preferences|&Filter Update|-|&Check for Spam|Check and &Eat Spam|Check and Vie&w Headers|"
            "A&bort Spam Check|-|Archived Messages|Display &Log File|Clea&r Log File|Clear &Old Log Entries|-|"
            "&About Mailmoat|-|E&xit Mailmoat");
  // Windows still to come: disabled, with the reason.
  for (const char* name : {"mnuPreferences", "mnuSetupWizard", "mnuRulesReport", "mnuArchive", "mnuVersionCheck",
                           "tmPreferences", "tmArchive"}) {
    EXPECT_FALSE(Find<QAction>(name)->isEnabled()) << name;
    EXPECT_EQ(Find<QAction>(name)->toolTip(), "Not available yet") << name;
  }

  EXPECT_EQ(Main->PanelText(TStatusPanel::Results), "Last Results - [none]");
  EXPECT_EQ(Main->PanelText(TStatusPanel::NextCheck), "Manual checks");
  EXPECT_EQ(Main->PanelText(TStatusPanel::Connection), "LAN");
  Main->resize(600, 300);
  QTRY_COMPARE(Find<QLabel>("sbNextCheck")->width(), 100);
  EXPECT_EQ(Find<QLabel>("sbConnection")->width(), 60);
  EXPECT_GT(Find<QLabel>("sbResults")->width(), 300);
  // The server line is a link only as the invitation; a server name never is one.
  Main->SetServerName("<b>pop.example.org</b>");
  EXPECT_EQ(Label("lblServerName"), "&lt;b&gt;pop.example.org&lt;/b&gt;");
}

TEST_F(MainWindowTest, WithoutAProfileEveryCheckCommandIsOffUntilThePreferencesAddOne) {
  Start("[Config]\nAutoMins=5\nUseRas=1\n");
  EXPECT_EQ(Label("lblServerName").toStdString(), "<a href=\"prefs\">&lt;n/a - setup in File | Preferences&gt;</a>");
  EXPECT_EQ(CheckCommandStates(), std::vector<bool>(11, false));
  // The run's end must not switch them on either.
  View.EnableCheckCommands(true);
  EXPECT_EQ(CheckCommandStates(), std::vector<bool>(11, false));
  EXPECT_EQ(Main->PanelText(TStatusPanel::NextCheck), "Check in 5 mins");
  EXPECT_EQ(Main->PanelText(TStatusPanel::Connection), "RAS");

  Openers.OnOpen = [this] {
    EXPECT_TRUE(Config->PrefsOpen);
    ProfileRecord p;
    p.Name = "Home";
    p.Server = "pop.example.org";
    Config->Profiles.push_back(p);
    Config->AutoMins = 0;
    Config->UseRas = false;
    return true;
  };
  emit Find<QLabel>("lblServerName")->linkActivated("prefs");
  ASSERT_EQ(Openers.Opened, std::vector<TWindowKind>{TWindowKind::Preferences});
  EXPECT_FALSE(Config->PrefsOpen);
  EXPECT_EQ(Label("lblServerName"), "pop.example.org");
  EXPECT_EQ(CheckCommandStates(), std::vector<bool>(11, true));
  EXPECT_EQ(Main->PanelText(TStatusPanel::NextCheck), "Manual Checks");
  EXPECT_EQ(Main->PanelText(TStatusPanel::Connection), "LAN");
  // Now a server name: clicking the label opens nothing.
  emit Find<QLabel>("lblServerName")->linkActivated("prefs");
  EXPECT_EQ(Openers.Opened.size(), 1u);
  // The version check lets events run during its download: no check may start meanwhile.
  Openers.OnOpen = [this] {
    EXPECT_EQ(CheckCommandStates(), std::vector<bool>(11, false));
    EXPECT_TRUE(Config->PrefsOpen);
    return false;
  };
  Find<QAction>("mnuVersionCheck")->trigger();
  EXPECT_EQ(Openers.Opened.back(), TWindowKind::VersionCheck);
  EXPECT_EQ(CheckCommandStates(), std::vector<bool>(11, true));
  EXPECT_FALSE(Config->PrefsOpen);
}

TEST_F(MainWindowTest, F2EatsTheSpamOfARealMailbox) {
  REQUIRE_DOVECOT();
  Start();
  AddMailbox(3);
  Main->EnableCheckCommands(true);
  QTest::keyClick(Main->windowHandle(), Qt::Key_F2);
  ASSERT_TRUE(WaitForRunEnd());
  EXPECT_EQ(Server->MessageCount(User), 0);
  EXPECT_EQ(Main->PanelText(TStatusPanel::Results), "Last Results: 3 checked; 3 eaten; 0 cleared");
  EXPECT_EQ(Label("lblPOPStatus"), "Spam check completed");
  EXPECT_EQ(Label("lblMessageStatus"), "<none>");
  EXPECT_FALSE(Find<QPushButton>("btnAbort")->isEnabled());
  EXPECT_EQ(CheckCommandStates(),
            std::vector<bool>({true, true, true, true, true, true, true, true, true, true, true}));
  // F4 lists the messages; closing the list with nothing ticked deletes nothing.
  AddMailbox(2);
  bool viewMode = false;
  OnceDuringRun([this] { return Config->CheckInProgress; }, [&] { viewMode = Config->CheckAndView; });
  QString listCaption;
  int listRows = -1;
  const std::size_t boxesBefore = Ui.Boxes.size();
  test::WhenModal(
      [&](QWidget* list) {
        listCaption = list->windowTitle();
        listRows = list->findChild<QTreeView*>("lvHeaders")->model()->rowCount();
        // The spam arrives ticked: untick it all before closing.
        list->findChild<QPushButton*>("btnUncheck")->click();
        list->findChild<QPushButton*>("btnClose")->click();
      },
      60000);
  QTest::keyClick(Main->windowHandle(), Qt::Key_F4);
  ASSERT_TRUE(QTest::qWaitFor([this] { return Config->Counters.Processed == 2 && !Config->CheckInProgress; }, 60000));
  EXPECT_TRUE(viewMode);
  EXPECT_EQ(listCaption, QString::fromStdString("Header Listing [Profile: Box " + User + "]"));
  EXPECT_EQ(listRows, 2);
  EXPECT_EQ(Ui.Boxes.size(), boxesBefore);  // no question: nothing was ticked
  EXPECT_EQ(Server->MessageCount(User), 2);
}

// Pressing Abort in the middle of a run over a slow line: the message under way is finished,
// the session logs out with QUIT (so the deletions so far are kept) and nothing else is read.
TEST_F(MainWindowTest, AbortStopsAfterTheCurrentMessageAndLogsOut) {
  REQUIRE_DOVECOT();
  Start();
  // One command at a time, so that the run dwells on each message long enough for the poll
  // below to see its status; Abort in a pipelined run is tested on the engine.
  Pop3->Pipelining = false;
  test::TTcpRelay relay(Server->PlainPort, std::chrono::milliseconds(40));
  std::mutex mutex;
  std::vector<std::string> commands;
  relay.SetClientRewrite([&](const std::string& line) {
    std::lock_guard lock(mutex);
    commands.push_back(line.substr(0, line.find(' ')));
    return line;
  });
  AddMailbox(6, relay.Port());
  Main->EnableCheckCommands(true);
  Ui.SetNextAnswer(mbYes);
  bool abortOffAfterYes = false;
  OnceDuringRun([this] { return Label("lblMessageStatus") == "Checking message 2 of 6"; },
                [&] {
                  Find<QPushButton>("btnAbort")->click();
                  abortOffAfterYes = !Find<QPushButton>("btnAbort")->isEnabled();
                });
  Find<QPushButton>("btnCheckEat")->click();
  ASSERT_TRUE(WaitForRunEnd());
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text, "Abort current check in progress?");
  EXPECT_EQ(Ui.Boxes[0].Buttons, mbYes | mbNo);
  EXPECT_TRUE(abortOffAfterYes);

  EXPECT_EQ(Pop3->LastRunResult(), TCheckRunResult::Aborted);
  EXPECT_EQ(Config->Counters.Processed, 2);
  EXPECT_EQ(Server->MessageCount(User), 4);
  std::lock_guard lock(mutex);
  EXPECT_EQ(commands.back(), "QUIT");
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "TOP"), 2);
  EXPECT_EQ(CheckCommandStates(), std::vector<bool>(11, true));
}

TEST_F(MainWindowTest, AbortDuringADialHangsUpTheLineTheProgramMadeAndChecksNothing) {
  Start("[Config]\nLoggingLevel=Normal\nUseRas=1\n");
  ProfileRecord p;
  p.Name = "Home";
  p.Server = "pop.invalid";
  Config->Profiles = {p};
  Main->EnableCheckCommands(true);
  Ui.SetNextAnswer(mbYes);
  std::vector<QString> whileDialling;
  Dialer->WhileDialling = [&] {
    whileDialling.push_back(Label("lblMessageStatus"));
    // The window stays live during the dial: a second check command is ignored ...
    Find<QPushButton>("btnCheckEat")->click();
    // ... and Abort is taken.
    Find<QPushButton>("btnAbort")->click();
  };
  QTest::keyClick(Main->windowHandle(), Qt::Key_F3);
  ASSERT_TRUE(QTest::qWaitFor([this] { return Dialer->HangUps > 0; }, 5000));
  QTest::qWait(100);

  EXPECT_EQ(whileDialling, std::vector<QString>{"Establishing Dial-Up Connection..."});
  EXPECT_EQ(Dialer->Dials.size(), 1u);
  EXPECT_EQ(Dialer->Disconnects, 1);
  EXPECT_FALSE(Dialer->Connected);
  EXPECT_EQ(Pop3->LastRunResult(), TCheckRunResult::NotRun);
  EXPECT_FALSE(Config->Dialing);
  EXPECT_FALSE(Config->AbortRequested);
  EXPECT_FALSE(Find<QPushButton>("btnAbort")->isEnabled());
  EXPECT_EQ(CheckCommandStates(), std::vector<bool>(11, true));
}

TEST_F(MainWindowTest, ExitDuringARunClosesOnlyAfterTheLogout) {
  REQUIRE_DOVECOT();
  Start();
  // As above: slow enough for the poll to see the second message's status.
  Pop3->Pipelining = false;
  test::TTcpRelay relay(Server->PlainPort, std::chrono::milliseconds(40));
  std::mutex mutex;
  bool quitSeen = false;
  relay.SetClientRewrite([&](const std::string& line) {
    std::lock_guard lock(mutex);
    if (line == "QUIT") quitSeen = true;
    return line;
  });
  AddMailbox(5, relay.Port());
  Main->EnableCheckCommands(true);
  bool stayedOpen = false;
  OnceDuringRun([this] { return Label("lblMessageStatus") == "Checking message 2 of 5"; },
                [&] {
                  Find<QAction>("mnuExit")->trigger();
                  stayedOpen = Main->isVisible() && Config->AbortRequested;
                });
  Find<QPushButton>("btnCheckOnly")->click();
  ASSERT_TRUE(QTest::qWaitFor([this] { return !Main->isVisible(); }, 30000));
  EXPECT_TRUE(stayedOpen);
  EXPECT_FALSE(Config->CheckInProgress);
  std::lock_guard lock(mutex);
  EXPECT_TRUE(quitSeen);
  EXPECT_EQ(Pop3->LastRunResult(), TCheckRunResult::Aborted);
}

// The log commands of the Action menu: their boxes, and the days dialog that remembers its
// number through the log and its place by itself.
TEST_F(MainWindowTest, TheLogCommandsAskAndRemember) {
  Start();
  std::filesystem::remove(Dir / "mmt.log");
  Find<QAction>("mnuShowLog")->trigger();
  Find<QAction>("mnuOldLog")->trigger();
  Find<QAction>("mnuClearLog")->trigger();
  ASSERT_EQ(Ui.Boxes.size(), 3u);
  EXPECT_EQ(Ui.Boxes[0].Text, "No log file currently exists to view.");
  EXPECT_EQ(Ui.Boxes[1].Text, "No log file currently exists. Trimming not needed.");
  EXPECT_EQ(Ui.Boxes[2].Text, "No Mailmoat Pro log file found.");

  test::WriteTextFile(Dir / "mmt.log", "01 Jan 2001 10:00:00 @ Old line\r\n");
  int firstDays = 0;
  test::WhenModal([&](QWidget* dialog) {
    EXPECT_EQ(dialog->windowTitle(), "Clear Old Log Entries . . .");
    auto* days = dialog->findChild<QSpinBox*>("seDaysOld");
    firstDays = days->value();
    EXPECT_EQ(days->maximum(), 999);
    days->setValue(30);
    dialog->move(40, 50);
    dialog->findChild<QPushButton*>("OKBtn")->click();
  });
  Find<QAction>("tmOldLog")->trigger();
  EXPECT_EQ(firstDays, 7);
  EXPECT_EQ(Config->Registry.ReadInteger("Settings", "TrimLogDays"), 30);
  EXPECT_EQ(test::ReadTextFile(Dir / "mmt.log"), "");  // the 2001 line is older than 30 days

  test::WriteTextFile(Dir / "mmt.log", "01 Jan 2001 10:00:00 @ Old line\r\n");
  QPoint place;
  test::WhenModal([&](QWidget* dialog) {
    firstDays = dialog->findChild<QSpinBox*>("seDaysOld")->value();
    place = dialog->pos();
    dialog->findChild<QPushButton*>("CancelBtn")->click();
  });
  Find<QAction>("mnuOldLog")->trigger();
  EXPECT_EQ(firstDays, 30);
  EXPECT_EQ(place, QPoint(40, 50));
  EXPECT_EQ(test::ReadTextFile(Dir / "mmt.log"), "01 Jan 2001 10:00:00 @ Old line\r\n");
}

}  // namespace
}  // namespace mailmoat
