// The main window as a tray program: hiding to the tray and back, the desktop without a tray,
// the window's stored place, the question about a dialled line at closing, and checks started
// by the minute timer.
#include "app/GuiApplication.h"
#include "core/IniFile.h"
#include "core/NewMailNotifier.h"
#include "platform/WindowList.h"
#include "support/MainWindowFixture.h"
#include "support/ModalDriver.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

// Made before the configuration it needs: forwards to the real notifier once that exists.
class TLateNotifier : public TRunNotifier {
public:
  void ShowProcessingSummary() override { Real->ShowProcessingSummary(); }
  void NotifyNewMail() override { Real->NotifyNewMail(); }
  std::unique_ptr<TNewMailNotifier> Real;
};

class TrayProgramTest : public test::TMainWindowFixture {
protected:
  ~TrayProgramTest() override { unsetenv("MAILMOAT_TIMER_MINUTE_MS"); }
  // Closes every "Mail Waiting!" and summary window as it opens, noting its text.
  void AnswerTheRunWindows() {
    auto* timer = new QTimer(Main.get());
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr) return;
      if (modal->objectName() == "frmMailWaiting") {
        Popups.push_back(modal->findChild<QLabel*>("lblMessage")->text());
        modal->findChild<QPushButton*>("btnOk")->click();
      } else if (modal->objectName() == "frmSummary") {
        Summaries.push_back(modal->findChild<QLabel*>("lblAccepted")->text());
        modal->findChild<QPushButton*>("btnClose")->click();
      }
    });
    timer->start();
  }

  std::string IniValue(const std::string& key) {
    return TIniFile::Load(Dir / "Mailmoat.ini").ReadString("Config", key, "");
  }

  std::unique_ptr<TWindowSystem> NoWindows = NoWindowSystem();
  TLateNotifier Late;
  std::vector<QString> Popups;
  std::vector<QString> Summaries;
};

TEST_F(TrayProgramTest, TheTrayHidesAndRestoresTheWindowAtItsStoredPlace) {
  // Stored far off every screen: the window comes back onto one.
  Start("[Config]\nUseRas=0\nToolTray=1\nLeft=-3000\nTop=40\nWidth=500\nHeight=300\n", true, false);
  EXPECT_EQ(Tray.Menu, Main->TrayMenu());
  EXPECT_EQ(Tray.ToolTip, "Mailmoat Pro v1.0");
  // ToolTray: shown once, then into the tray.
  QTRY_VERIFY(Main->HiddenInTray());
  EXPECT_FALSE(Main->isVisible());
  EXPECT_TRUE(Tray.Shown);

  Tray.Activate();
  EXPECT_TRUE(Main->isVisible());
  EXPECT_FALSE(Tray.Shown);
  EXPECT_FALSE(Main->HiddenInTray());
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(screen.contains(Main->pos())) << Main->pos().x();
  EXPECT_EQ(Main->size(), QSize(500, 300));

  // Minimising goes to the tray; the menu's first item brings the window back.
  Main->showMinimized();
  QTRY_VERIFY(Main->HiddenInTray() && !Main->isVisible());
  EXPECT_TRUE(Tray.Shown);
  Main->findChild<QAction*>("tmShow")->trigger();
  EXPECT_TRUE(Main->isVisible());
  EXPECT_FALSE(Main->isMinimized());

  // The icon turns while a run shows it and stops on the idle picture; the run sets the hints.
  View.SetTrayHint("Mailmoat Pro - Processing ...");
  EXPECT_EQ(Tray.ToolTip, "Mailmoat Pro - Processing ...");
  Main->HideToTray();
  const int before = Tray.IconChanges;
  View.AnimateTray(true);
  QTRY_VERIFY_WITH_TIMEOUT(Tray.IconChanges >= before + 2, 3000);
  View.AnimateTray(false);
  const int stopped = Tray.IconChanges;
  QTest::qWait(700);
  EXPECT_EQ(Tray.IconChanges, stopped);

  // Exit from the tray menu closes the hidden window as Exit does: the place is saved.
  Main->findChild<QAction*>("tmExit")->trigger();
  EXPECT_FALSE(Tray.Shown);
  EXPECT_EQ(IniValue("Width"), "500");
}

TEST_F(TrayProgramTest, WithoutATrayHidingMinimisesSoTheWindowStaysReachable) {
  Tray.Present = false;
  Start("[Config]\nUseRas=0\nToolTray=1\n", true, false);
  QTRY_VERIFY(Main->isMinimized());
  EXPECT_TRUE(Main->isVisible());
  EXPECT_TRUE(Main->HiddenInTray());
  EXPECT_FALSE(Tray.Shown);
  // The end of a run hides the window again: still only minimised.
  View.HideToTray();
  EXPECT_TRUE(Main->isVisible());
  // Brought back from the task bar, it is no longer "in the tray".
  Main->showNormal();
  QTRY_VERIFY(!Main->HiddenInTray());
}

TEST_F(TrayProgramTest, ClosingSavesThePlaceButNeverANegativePosition) {
  Start("[Config]\nUseRas=0\nLeft=120\nTop=80\nWidth=500\nHeight=300\n");
  Main->move(-40, 60);
  Main->resize(520, 310);
  QTRY_COMPARE(Config->Left, -40);
  Main->close();
  EXPECT_EQ(IniValue("Left"), "120");
  EXPECT_EQ(IniValue("Top"), "60");
  EXPECT_EQ(IniValue("Width"), "520");
  EXPECT_EQ(IniValue("Height"), "310");
  EXPECT_TRUE(Ui.Boxes.empty());
}

TEST_F(TrayProgramTest, ClosingOverALineTheProgramDialledAsksAndRemembersWhenTold) {
  Start("[Config]\nUseRas=1\n");
  Config->DialSettings.DisconnectWhenDone = false;
  Config->RasConnected = Config->WeDialed = true;
  Ui.SetNextAnswer(mbYes);
  Ui.SetNextDontAsk(true);
  Main->close();
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text,
            "You are currently connected to the internet.\r\nDo you want to terminate the connection?");
  EXPECT_EQ(Ui.Boxes[0].Buttons, mbYes | mbNo);
  EXPECT_TRUE(Ras->Dialer().HangUpOnDestroy);
  EXPECT_EQ(Config->Registry.ReadBool("Prompts", "RASCloseConnection"), true);

  // The next closing takes the stored answer without a box.
  Ras->Dialer().HangUpOnDestroy = false;
  Main->show();
  Main->close();
  EXPECT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_TRUE(Ras->Dialer().HangUpOnDestroy);

  // A line that was there before the program, or one set to hang up anyway: no question.
  Config->Registry.DeleteValue("Prompts", "RASCloseConnection");
  Config->WeDialed = false;
  Main->show();
  Main->close();
  EXPECT_EQ(Ui.Boxes.size(), 1u);
}

// The timer starts the checks by itself; the end of each run shows the summary, and "Mail
// Waiting!" only when the number of good messages changed.
TEST_F(TrayProgramTest, TimedEatsRemoveTheSpamAndTellOfTheSameGoodMailOnce) {
  REQUIRE_DOVECOT();
  setenv("MAILMOAT_TIMER_MINUTE_MS", "100", 1);
  RunNotifier = &Late;
  Start("[Config]\nLoggingLevel=Normal\nUseRas=0\nAutoMins=2\nAutoType=1\nPopup=1\nSummarizeStats=1\n", true, false);
  Late.Real = std::make_unique<TNewMailNotifier>(*Config, View, *NoWindows);
  AddMailbox(3);
  for (int i = 1; i <= 2; ++i)
    Server->AddMessage(User, std::to_string(1700000200 + i) + ".M1P1." + User, test::Mail(10 + i, "Lunch"));
  Main->EnableCheckCommands(true);
  AnswerTheRunWindows();
  ASSERT_TRUE(QTest::qWaitFor([this] { return Summaries.size() >= 2 && !Config->CheckInProgress; }, 60000));
  Main->close();

  EXPECT_EQ(Server->MessageCount(User), 2);
  EXPECT_EQ(Summaries[0], "2");
  EXPECT_EQ(Summaries[1], "2");
  EXPECT_EQ(Popups, std::vector<QString>{"Hey! You have 2 messages waiting in your mailbox!"});
  EXPECT_NE(test::ReadTextFile(Dir / "mmt.log").find("@ Automatic check and eat executing"), std::string::npos);
  EXPECT_EQ(Main->PanelText(TStatusPanel::NextCheck), "Check in 2 mins");
}

TEST_F(TrayProgramTest, ClosingTheSummaryWhileHiddenInTheTrayKeepsTheProgramRunning) {
  QApplication::setQuitOnLastWindowClosed(true);
  SetUpApplication();
  Start("[Config]\nUseRas=0\n", true, false);
  Main->HideToTray();
  ASSERT_FALSE(Main->isVisible());
  QTimer::singleShot(0, Main.get(), [this] {
    test::WhenModal([this](QWidget* summary) {
      Summaries.push_back(summary->windowTitle());
      summary->close();
    });
    TRunCounters counters;
    counters.Processed = 4;
    View.ShowSummary(counters, 4);
    // Had the program quit, the loop would have ended before this.
    QTimer::singleShot(300, [] { QCoreApplication::exit(7); });
  });
  EXPECT_EQ(QApplication::exec(), 7);
  EXPECT_EQ(Summaries, std::vector<QString>{"Mailmoat Pro Processing Summary"});
}

}  // namespace
}  // namespace mailmoat
