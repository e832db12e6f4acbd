#include "core/dataConfig.h"
#include "gui/support/FindChild.h"
#include "gui/support/GuiTestHost.h"
#include "gui/support/ModalDriver.h"
#include "integration/SmtpServer.h"
#include "support/FakeDialer.h"
#include "ui/archive/formMessageArchive.h"
#include "ui/archive/formMsgReply.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>

namespace mailmoat {
namespace {

using test::Child;
using test::WriteTextFile;

std::string ArchivedMail(const std::string& from, const std::string& subject, const std::string& date) {
  return "From: " + from + "\r\nTo: joe@example.org\r\nDate: " + date + "\r\nSubject: " + subject +
         "\r\nX-SpamRejection3: Rule: " + subject + "\r\n\r\nBuy now.\r\n";
}

class MessageArchiveTest : public test::AiosmtpdTest {
protected:
  void SetUp() override {
    // Two profiles share one folder under two spellings; a third has a folder of its own.
    const std::filesystem::path shared = Dir / "arch";
    std::filesystem::create_directories(shared);
    std::filesystem::create_directories(Dir / "other");
    WriteTextFile(shared / "1.spam", ArchivedMail("Sam <sam@example.net>", "Pills", "Thu, 5 Dec 2024 10:00:00 +0000"));
    WriteTextFile(shared / "2.spam", ArchivedMail("amy@example.com", "Loans", "Fri, 6 Dec 2024 10:00:00 +0000"));
    WriteTextFile(Dir / "other" / "3.spam", ArchivedMail("bob@example.biz", "Watches", "1 Jan 2020 10:00:00 +0000"));
    for (const auto& [name, folder] : {std::pair{"Home", shared.string()}, std::pair{"Again", shared.string() + "/"},
                                       std::pair{"Work", (Dir / "other").string()}}) {
      ProfileRecord profile;
      profile.Name = name;
      profile.Archive = true;
      profile.ArchiveDir = folder;
      Config.Profiles.push_back(profile);
    }
  }
  QStringList Column(int column) const {
    QStringList texts;
    for (int i = 0; i < List->topLevelItemCount(); ++i) texts << List->topLevelItem(i)->text(column);
    return texts;
  }
  void Open() {
    Archive = std::make_unique<TfrmMsgArchive>(Config, Ui, Line, Windows);
    Archive->List();
    Archive->show();
    // The window's keys reach it only while it is active.
    Archive->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Archive.get()));
    List = Child<QTreeWidget>(Archive.get(), "lvMessages");
  }
  // Selects the one row of that subject; each listing reverses the date order, so rows move.
  void Select(const QString& subject) {
    const QList<QTreeWidgetItem*> found = List->findItems(subject, Qt::MatchExactly, 3);
    ASSERT_EQ(found.size(), 1);
    List->setCurrentItem(found.front());
    List->setFocus();
  }
  std::string LastBox() const { return Ui.Boxes.empty() ? std::string() : Ui.Boxes.back().Text; }

  test::TGuiTestHost Ui;
  test::TFakeDialer Dialer;
  TConfigData Config{TAppPaths::ForHome(Dir.Path()), Ui, Dialer};
  TDialUpLine Line{[] { return true; }, [] { return 0; }, [] {}, [](int) { return std::string(); }};
  std::vector<std::string> Viewed;
  TArchiveWindows Windows{[this](const std::string& path, QWidget*) { Viewed.push_back(path); },
                          [this](const std::string& path) { Viewed.push_back("source " + path); }};
  std::unique_ptr<TfrmMsgArchive> Archive;
  QTreeWidget* List = nullptr;
};

TEST_F(MessageArchiveTest, AllProfilesListSortDeleteAndApprove) {
  Open();
  auto* profiles = Child<QComboBox>(Archive.get(), "cbProfiles");
  EXPECT_EQ(profiles->currentText(), "All profiles");
  EXPECT_EQ(Archive->windowTitle(), "Mailmoat Pro - Message Archive [3 messages listed]");
  EXPECT_EQ(Column(3), QStringList({"Loans", "Pills", "Watches"}));
  EXPECT_EQ(Column(0).front(), "06 Dec 2024 10:00:00");
  EXPECT_FALSE(Child<QPushButton>(Archive.get(), "btnSpamCop")->isEnabled());
  // A click on a column sorts by it, A to Z; F5 lists again by date.
  emit List->header()->sectionClicked(1);
  EXPECT_EQ(Column(1), QStringList({" <amy@example.com>", " <bob@example.biz>", "Sam <sam@example.net>"}));
  QTest::keyClick(List, Qt::Key_F5);
  EXPECT_EQ(Column(3), QStringList({"Loans", "Pills", "Watches"}));

  List->setCurrentItem(List->topLevelItem(0));
  QTest::keyClick(List, Qt::Key_F12);
  QTest::keyClick(List, Qt::Key_F12, Qt::ShiftModifier);
  EXPECT_EQ(Viewed, (std::vector<std::string>{(Dir / "arch" / "2.spam").string(),
                                              "source " + (Dir / "arch" / "2.spam").string()}));
  Ui.SetNextAnswer(mbYes);
  QTest::keyClick(List, Qt::Key_Insert);
  EXPECT_EQ(Config.ApprovedSenders.at(0).Address, "amy@example.com");

  // Delete by Date takes every message before the day chosen.
  test::WhenModal([](QWidget* dialog) {
    EXPECT_EQ(dialog->windowTitle(), "Delete Archived Messages by Date");
    Child<QDateEdit>(dialog, "dtpDate")->setDate(QDate(2024, 12, 6));
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  QTest::keyClick(List, Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_EQ(Column(3), QStringList({"Loans"}));
  EXPECT_FALSE(std::filesystem::exists(Dir / "other" / "3.spam"));

  // One profile alone; Del asks about the single message.
  profiles->setCurrentText("Home");
  EXPECT_EQ(Archive->windowTitle(), "Mailmoat Pro - Message Archive [1 messages listed]");
  Select("Loans");
  Ui.SetNextAnswer(mbNo);
  QTest::keyClick(List, Qt::Key_Delete);
  EXPECT_EQ(LastBox(),
            "Delete this archived Message?\r\n\r\nFrom:  <amy@example.com>\r\nTo:  <joe@example.org>\r\n"
            "Subject: Loans");
  EXPECT_TRUE(std::filesystem::exists(Dir / "arch" / "2.spam"));
  Ui.SetNextAnswer(mbYes);
  Child<QPushButton>(Archive.get(), "btnDeleteAll")->click();
  EXPECT_EQ(LastBox(), "Delete ALL archived messages listed?");
  EXPECT_FALSE(std::filesystem::exists(Dir / "arch" / "2.spam"));
  EXPECT_FALSE(Archive->isVisible());
  // The next archive window opens where this one was.
  Archive->resize(700, 400);
  Archive->done(0);
  TfrmMsgArchive again(Config, Ui, Line, Windows);
  EXPECT_EQ(again.size(), QSize(700, 400));
}

TEST_F(MessageArchiveTest, RequeueAndReplyReachTheSmtpServer) {
  Start(false);
  Config.Requeue.SMTPServer = "127.0.0.1";
  Config.Requeue.SMTPPort = Port;
  Config.Requeue.SendTo = "joe@example.org";
  Config.Requeue.DeleteMsg = true;
  Open();
  Child<QComboBox>(Archive.get(), "cbProfiles")->setCurrentText("Work");
  List->setCurrentItem(List->topLevelItem(0));
  Ui.SetNextAnswer(mbYes);
  Child<QPushButton>(Archive.get(), "btnRequeue")->click();
  EXPECT_EQ(Ui.Boxes.at(0).Text, "Requeue all selected messages?");
  EXPECT_FALSE(std::filesystem::exists(Dir / "other" / "3.spam"));
  EXPECT_EQ(List->topLevelItemCount(), 0);

  Child<QComboBox>(Archive.get(), "cbProfiles")->setCurrentText("Home");
  Select("Pills");
  test::WhenModal([this](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), "Pills");
    EXPECT_EQ(Child<QLineEdit>(window, "edtTo")->text(), "sam@example.net");
    EXPECT_EQ(Child<QLineEdit>(window, "edtSubject")->text(), "Re: Pills");
    auto* from = Child<QLineEdit>(window, "edtFrom");
    EXPECT_EQ(window->focusWidget(), from);
    EXPECT_TRUE(Child<QPlainTextEdit>(window, "mmoReply")->toPlainText().contains("----- Original Message -----"));
    Child<QPushButton>(window, "btnSend")->click();
    EXPECT_EQ(LastBox().rfind("You need to enter a valid internet email address for the FROM", 0), 0u);
    QTest::keyClicks(from, "Joe <Joe@Example.ORG>");
    Child<QPushButton>(window, "btnSend")->click();
    EXPECT_FALSE(window->isVisible());
  });
  Child<QPushButton>(Archive.get(), "btnReply")->click();
  Server.Stop();
  const std::string reply = Received(2);
  EXPECT_EQ(reply.substr(0, reply.find("\nAUTH")), "FROM joe@example.org\nTO sam@example.net");
  EXPECT_NE(reply.find("\r\nTo: sam@example.net\r\nFrom: joe@example.org\r\nSubject: Re: Pills\r\nMessage-ID: <"),
            std::string::npos)
      << reply;
}

}  // namespace
}  // namespace mailmoat
