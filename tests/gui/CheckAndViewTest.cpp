// Check-and-view runs against Dovecot, driven from the message list as a user would: rows
// ticked with the space bar, the list closed, the deletion confirmed.
#include "integration/TcpRelay.h"
#include "support/MainWindowFixture.h"
#include "support/ModalDriver.h"
#include "ui/review/HdrListModel.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <filesystem>
#include <mutex>

namespace mailmoat {
namespace {

using test::WhenModal;

class CheckAndViewTest : public test::TMainWindowFixture {
protected:
  // A mailbox of four messages ("Pills 1" to "Pills 4") behind a relay that records the
  // commands, archiving into Dir/spam.
  void StartWithRelay(const std::string& ini) {
    Start(ini);
    Relay = std::make_unique<test::TTcpRelay>(Server->PlainPort, std::chrono::milliseconds(0));
    Relay->SetClientRewrite([this](const std::string& line) { return Record(line); });
    AddMailbox(4, Relay->Port());
    Config->Profiles.back().Archive = true;
    Config->Profiles.back().ArchiveDir = (Dir / "spam").string();
    Main->EnableCheckCommands(true);
  }
  std::string Record(const std::string& line) {
    std::lock_guard lock(Mutex);
    Commands.push_back(line);
    return Rewrite ? Rewrite(line) : line;
  }
  std::vector<std::string> Verbs() {
    std::lock_guard lock(Mutex);
    std::vector<std::string> verbs;
    for (const std::string& c : Commands) verbs.push_back(c.substr(0, c.find(' ')));
    return verbs;
  }
  // Ticks the rows showing these subjects the way a user does: select, then Space.
  static void TickSubjects(QWidget* list, const std::vector<QString>& subjects) {
    auto* view = list->findChild<QTreeView*>("lvHeaders");
    for (int row = 0; row < view->model()->rowCount(); ++row) {
      const QModelIndex subject = view->model()->index(row, THdrListModel::colSubject);
      if (std::find(subjects.begin(), subjects.end(), subject.data().toString()) == subjects.end()) continue;
      view->setCurrentIndex(view->model()->index(row, 0));
      QTest::keyClick(view, Qt::Key_Space);
    }
  }
  std::vector<std::string> ArchiveFiles() const {
    std::vector<std::string> names;
    if (!std::filesystem::exists(Dir / "spam")) return names;
    for (const auto& e : std::filesystem::directory_iterator(Dir / "spam"))
      names.push_back(e.path().filename().string());
    return names;
  }
  std::string MessageName(int n) const { return std::to_string(1700000100 + n) + ".M1P1." + User; }

  std::unique_ptr<test::TTcpRelay> Relay;
  std::mutex Mutex;
  std::vector<std::string> Commands;
  std::function<std::string(const std::string&)> Rewrite;
};

TEST_F(CheckAndViewTest, TickingTwoRowsAndClosingDeletesExactlyThoseAfterArchivingThem) {
  REQUIRE_DOVECOT();
  StartWithRelay("[Config]\nLoggingLevel=Verbose\nUseRas=0\n");
  std::vector<bool> arrived;
  std::vector<bool> marksAtClose;
  WhenModal(
      [&](QWidget* list) {
        for (const THdrRec& rec : Config->HdrRecList) arrived.push_back(rec.DeleteMark);
        list->findChild<QPushButton*>("btnUncheck")->click();
        TickSubjects(list, {"Pills 4", "Pills 2"});
        for (const THdrRec& rec : Config->HdrRecList) marksAtClose.push_back(rec.DeleteMark);
        list->findChild<QPushButton*>("btnClose")->click();
      },
      60000);
  Ui.SetNextAnswer(mbYes);
  Find<QPushButton>("btnCheckView")->click();
  ASSERT_TRUE(WaitForRunEnd());

  EXPECT_EQ(arrived, std::vector<bool>(4, true));  // spam arrives ticked
  EXPECT_EQ(marksAtClose, (std::vector<bool>{false, true, false, true}));
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text, "Delete all checked messages from 127.0.0.1?");
  EXPECT_EQ(Server->Messages(User), (std::vector<std::string>{MessageName(1), MessageName(3)}));
  EXPECT_EQ(Config->Counters.Eaten, 2);
  const std::vector<std::string> files = ArchiveFiles();
  ASSERT_EQ(files.size(), 2u);
  std::string archived;
  for (const std::string& f : files) archived += test::ReadTextFile(Dir / "spam" / f);
  EXPECT_NE(archived.find("Subject: Pills 2"), std::string::npos);
  EXPECT_NE(archived.find("Subject: Pills 4"), std::string::npos);
  EXPECT_EQ(archived.find("Subject: Pills 1"), std::string::npos);
  const std::vector<std::string> verbs = Verbs();
  EXPECT_EQ(std::count(verbs.begin(), verbs.end(), "DELE"), 2);
  EXPECT_TRUE(Config->HdrRecList.empty());
}

// Another client changed the mailbox while the list was open: the server now numbers the
// second message differently (the relay asks for the third one's UIDL in its place). That
// message is kept and the user is told; the first is still deleted.
TEST_F(CheckAndViewTest, ARowWhoseUidlChangedMeanwhileIsKeptAndReported) {
  REQUIRE_DOVECOT();
  StartWithRelay("[Config]\nLoggingLevel=Normal\nUseRas=0\nCheckUIDL=1\n");
  WhenModal(
      [&](QWidget* list) {
        list->findChild<QPushButton*>("btnUncheck")->click();
        TickSubjects(list, {"Pills 1", "Pills 2"});
        std::lock_guard lock(Mutex);
        Rewrite = [](const std::string& line) { return line == "UIDL 2" ? std::string("UIDL 3") : line; };
        list->findChild<QPushButton*>("btnClose")->click();
      },
      60000);
  Ui.SetNextAnswer(mbYes);
  Find<QPushButton>("btnCheckView")->click();
  ASSERT_TRUE(WaitForRunEnd());

  EXPECT_EQ(Server->Messages(User), (std::vector<std::string>{MessageName(2), MessageName(3), MessageName(4)}));
  ASSERT_EQ(Ui.Boxes.size(), 2u);
  EXPECT_EQ(Ui.Boxes[1].Kind, TMsgKind::Warning);
  EXPECT_EQ(Ui.Boxes[1].Text.rfind("1 message(s) could not be deleted from the mail server due to a \r\n", 0), 0u)
      << Ui.Boxes[1].Text;
  EXPECT_TRUE(Logged("! UIDL mismatch: orig = "));
  EXPECT_TRUE(Logged("! Skipping deletion of message index 1"));
  // Only the deleted message is archived: the kept one's number now names another message.
  ASSERT_EQ(ArchiveFiles().size(), 1u);
  EXPECT_NE(test::ReadTextFile(Dir / "spam" / ArchiveFiles()[0]).find("Subject: Pills 1"), std::string::npos);
}

// The list left alone for 40 seconds: the session is kept with STAT and NOOP in turn (the
// interval shortened to one second), and a deletion after that still goes through.
TEST_F(CheckAndViewTest, AnIdleListKeepsTheSessionAlive) {
  REQUIRE_DOVECOT();
  StartWithRelay("[Config]\nLoggingLevel=Normal\nUseRas=0\n");
  Pop3->KeepAliveIntervalMs = 1000;
  QElapsedTimer open;
  qint64 openMs = 0;
  WhenModal(
      [&](QWidget* list) {
        open.start();
        list->findChild<QPushButton*>("btnUncheck")->click();
        TickSubjects(list, {"Pills 3"});
        QTimer::singleShot(40000, Qt::PreciseTimer, list, [&, list] {
          openMs = open.elapsed();
          list->findChild<QPushButton*>("btnClose")->click();
        });
      },
      60000);
  Ui.SetNextAnswer(mbYes);
  Find<QPushButton>("btnCheckView")->click();
  ASSERT_TRUE(QTest::qWaitFor(
      [this] { return !Config->CheckInProgress && Pop3->LastRunResult() != TCheckRunResult::NotRun; }, 120000));

  EXPECT_GE(openMs, 40000);
  std::vector<std::string> verbs = Verbs();
  // The keep-alive commands: every STAT and NOOP after the login's own STAT.
  const auto firstTop = std::find(verbs.begin(), verbs.end(), "TOP");
  const auto firstDele = std::find(verbs.begin(), verbs.end(), "DELE");
  ASSERT_NE(firstDele, verbs.end());
  std::vector<std::string> keepAlive;
  std::copy_if(firstTop, firstDele, std::back_inserter(keepAlive),
               [](const std::string& v) { return v == "STAT" || v == "NOOP"; });
  ASSERT_GE(keepAlive.size(), 30u);
  for (std::size_t i = 0; i < keepAlive.size(); ++i) EXPECT_EQ(keepAlive[i], i % 2 == 0 ? "STAT" : "NOOP") << i;
  EXPECT_EQ(verbs.back(), "QUIT");
  EXPECT_EQ(Server->Messages(User), (std::vector<std::string>{MessageName(1), MessageName(2), MessageName(4)}));
}

}  // namespace
}  // namespace mailmoat
