// The windows at the end of a run: the processing summary's texts and numbers, "Mail
// Waiting!" above the others, and the sound that never stops a notification.
#include "gui/support/GuiTestHost.h"
#include "gui/support/ModalDriver.h"
#include "support/TempDir.h"
#include "ui/common/QtSound.h"
#include "ui/main/frmMailWaiting.h"
#include "ui/main/frmSummary.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

TEST(NotificationWindows, TheSummaryListsEveryCountRightAlignedUnderItsLabel) {
  test::TGuiTestHost ui;
  TRunCounters c;
  c.Processed = 41;
  c.ApprovedSenders = 2;
  c.AlwaysAccept = 1;
  c.FailedHeaderRules = 9;
  c.FailedBodyRules = 3;
  c.BlacklistRejections = 4;
  c.NoValidAddresses = 5;
  c.Oversized = 1;
  c.Eaten = 22;
  TfrmSummary summary(c, 19, ui);
  EXPECT_EQ(summary.windowTitle(), "Mailmoat Pro Processing Summary");
  EXPECT_TRUE(summary.windowFlags() & Qt::Tool);
  EXPECT_EQ(summary.findChild<QLabel*>("lblIntro")->text(),
            "Below are the statistical results of the last processing done by Mailmoat Pro.");
  auto* grid = summary.findChild<QGridLayout*>();
  ASSERT_NE(grid, nullptr);
  QStringList rows;
  for (int r = 0; r < grid->rowCount(); ++r) {
    auto* label = qobject_cast<QLabel*>(grid->itemAtPosition(r, 0)->widget());
    auto* number = qobject_cast<QLabel*>(grid->itemAtPosition(r, 1)->widget());
    EXPECT_TRUE(number->alignment() & Qt::AlignRight);
    rows << label->text() + " " + number->text();
  }
  EXPECT_EQ(rows.join("|").toStdString(),
            "Total Messages Processed: 41|Approved Senders: 2|Always Accept Rules: 1|Failed Header Rule Checks: 9|"
            "Failed Body Rule Checks: 3|Black Listed Systems: 4|No Valid Addresses Found: 5|Oversized Messages: 1|"
            "Messages Deleted on Server: 22|Messages Accepted as non-Spam: 19");
  auto* close = summary.findChild<QPushButton*>("btnClose");
  EXPECT_EQ(close->text(), "Close");
  EXPECT_TRUE(close->isDefault());
  summary.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&summary));
  QTest::keyClick(&summary, Qt::Key_F1);
  EXPECT_EQ(ui.HelpTopics, std::vector<int>{5960});
}

TEST(NotificationWindows, MailWaitingStaysOnTopAndOkClosesIt) {
  bool seen = false;
  test::WhenModal([&](QWidget* window) {
    seen = true;
    EXPECT_EQ(window->windowTitle(), "Mail Waiting!");
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->windowFlags() & Qt::Tool);
    auto* text = window->findChild<QLabel*>("lblMessage");
    EXPECT_EQ(text->text(), "Hey! You have 3 messages waiting in your mailbox!");
    EXPECT_TRUE(text->wordWrap());
    EXPECT_FALSE(window->findChild<QLabel*>("imgEnvelope")->pixmap().isNull());
    window->findChild<QPushButton*>("btnOk")->click();
  });
  TfrmMailWaiting::ShowModal("Hey! You have 3 messages waiting in your mailbox!", nullptr);
  EXPECT_TRUE(seen);
}

TEST(NotificationWindows, ASoundThatCannotBeReadIsAnErrorAndOneThatWillNotPlayIsNot) {
  test::TTempDir dir;
  TQtSound sound;
  std::string error;
  EXPECT_FALSE(sound.Play((dir / "gone.wav").string(), error));
  EXPECT_NE(error.find("gone.wav"), std::string::npos);
  test::WriteTextFile(dir / "noise.wav", "this is not a wave file");
  error.clear();
  EXPECT_TRUE(sound.Play((dir / "noise.wav").string(), error));
  EXPECT_EQ(error, "");
}

}  // namespace
}  // namespace mailmoat
