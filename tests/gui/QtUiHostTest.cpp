// The Qt host drives real boxes: its Help loop, the delayed busy dialog and guarded timers.
#include "support/ModalDriver.h"
#include "ui/common/A11yIds.h"
#include "ui/common/HelpWindow.h"
#include "ui/common/QtUiHost.h"

#include "support/RecordingUiHost.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <stdexcept>

namespace mailmoat {
namespace {

using test::WhenModal;

QAbstractButton* ButtonOf(QWidget* box, QMessageBox::StandardButton which) {
  auto* messageBox = qobject_cast<QMessageBox*>(box);
  return messageBox != nullptr ? messageBox->button(which) : nullptr;
}

TEST(QtUiHost, HelpShowsTheTopicAndKeepsTheBox) {
  TQtUiHost ui;
  std::vector<int> topics;
  ui.SetHelpHandler([&topics](int topic) { topics.push_back(topic); });
  QString text;
  bool okIsDefault = false;
  bool plain = false;
  WhenModal([&](QWidget* box) {
    text = qobject_cast<QMessageBox*>(box)->text();
    plain = qobject_cast<QMessageBox*>(box)->textFormat() == Qt::PlainText;
    ButtonOf(box, QMessageBox::Help)->click();
    // The same question again, answered now.
    WhenModal([&](QWidget* again) {
      okIsDefault = qobject_cast<QMessageBox*>(again)->defaultButton() == ButtonOf(again, QMessageBox::Ok);
      ButtonOf(again, QMessageBox::Ok)->click();
    });
  });
  EXPECT_EQ(ui.MessageBox(TMsgKind::Information, "-ERR <b>No</b> accounts.\r\nSet one up.", mbOK | mbHelp, 50), mbOK);
  EXPECT_EQ(topics, std::vector<int>{50});
  // A server's reply is shown as it came, never as markup.
  EXPECT_EQ(text, "-ERR <b>No</b> accounts.\nSet one up.");
  EXPECT_TRUE(plain);
  EXPECT_TRUE(okIsDefault);

  // Escape answers No in a Yes/No question; the tick of "Don't ask me this again." comes back.
  WhenModal([](QWidget* box) {
    box->findChild<QCheckBox*>("cbDontAsk")->setChecked(true);
    QTest::keyClick(box, Qt::Key_Escape);
  });
  bool dontAsk = false;
  EXPECT_EQ(ui.MessageBoxDontAsk(TMsgKind::Confirmation, "Close the connection?", mbYes | mbNo, dontAsk), mbNo);
  EXPECT_TRUE(dontAsk);
}

TEST(QtUiHost, TheBusyDialogAppearsOnlyAfterASecond) {
  TQtUiHost ui;
  ui.BusySetCaption("Trimming log file . . .");
  ui.BusySetMax(10);
  ui.BusyShow();
  ui.BusyStep();
  QTest::qWait(500);
  EXPECT_FALSE(ui.BusyDialog()->isVisible());
  EXPECT_TRUE(QTest::qWaitFor([&] { return ui.BusyDialog()->isVisible(); }, 2000));
  EXPECT_GE(ui.BusyDialog()->width(), 250);
  ui.BusyHide();
  EXPECT_FALSE(ui.BusyDialog()->isVisible());
  // An operation shorter than the delay never shows it.
  ui.BusyShow();
  QTest::qWait(200);
  ui.BusyHide();
  QTest::qWait(1000);
  EXPECT_FALSE(ui.BusyDialog()->isVisible());
}

TEST(QtUiHost, ATimerThatThrowsIsReportedOnceAndOneMayStopItself) {
  TQtUiHost ui;
  std::vector<std::string> errors;
  ui.SetErrorSink([&errors](const std::string& text) { errors.push_back(text); });
  int calls = 0;
  int callsWhileBoxOpen = 0;
  WhenModal([&](QWidget* box) {
    // Ticks keep coming while the error box is open; none may start another run.
    QTest::qWait(100);
    callsWhileBoxOpen = calls;
    ButtonOf(box, QMessageBox::Ok)->click();
    WhenModal([](QWidget* next) { ButtonOf(next, QMessageBox::Ok)->click(); });
  });
  int throwing = 0;
  throwing = ui.StartTimer(10, [&] {
    if (++calls > 1) ui.StopTimer(throwing);
    throw std::runtime_error("keep-alive failed");
  });
  int ticks = 0;
  int counting = 0;
  counting = ui.StartTimer(10, [&] {
    if (++ticks == 3) ui.StopTimer(counting);
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return errors.size() == 2 && ticks == 3; }, 3000));
  QTest::qWait(100);
  EXPECT_EQ(callsWhileBoxOpen, 1);
  EXPECT_EQ(errors, (std::vector<std::string>{"keep-alive failed", "keep-alive failed"}));
  EXPECT_EQ(ticks, 3);
}

TEST(HelpWindow, TopicsLinksAndWebAddresses) {
  ASSERT_FALSE(HelpDirectory().isEmpty()) << "the help pages were not copied into the build tree";
  EXPECT_TRUE(HelpPageFile(20).endsWith("/20.html"));
  EXPECT_TRUE(HelpPageFile(5960).endsWith("/5960.html"));
  EXPECT_TRUE(HelpPageFile(100).endsWith("/100.html"));
  EXPECT_TRUE(HelpPageFile(999).endsWith("/10.html"));  // a topic without a page shows the contents

  test::TRecordingUiHost ui;
  THelpWindow help(ui);
  help.ShowTopic(40);
  auto* browser = help.findChild<QTextBrowser*>("tbHelp");
  EXPECT_TRUE(help.isVisible());
  EXPECT_TRUE(browser->source().path().endsWith("/40.html"));
  EXPECT_TRUE(browser->toPlainText().contains("Abort current check in progress?"));
  emit browser->anchorClicked(QUrl("20.html"));
  EXPECT_TRUE(browser->source().path().endsWith("/20.html"));
  emit browser->anchorClicked(QUrl("file:///etc/passwd"));  // nothing outside the help folder
  EXPECT_TRUE(browser->source().path().endsWith("/20.html"));
  emit browser->anchorClicked(QUrl("https://mailmoat.example.org/faq/"));
  EXPECT_EQ(ui.OpenedUrls, std::vector<std::string>{"https://mailmoat.example.org/faq/"});
  EXPECT_TRUE(browser->source().path().endsWith("/20.html"));
  help.findChild<QPushButton*>("btnBack")->click();
  EXPECT_TRUE(browser->source().path().endsWith("/40.html"));
}

TEST(A11yIds, ObjectNamesBecomeDescriptionsOnlyWhenAsked) {
  QWidget plain;
  plain.setObjectName("btnPlain");
  plain.show();
  EXPECT_TRUE(plain.accessibleDescription().isEmpty());

  qputenv("MAILMOAT_A11Y_IDS", "1");
  InstallA11yIds(*qApp);
  qunsetenv("MAILMOAT_A11Y_IDS");
  QWidget named;
  named.setObjectName("btnCheckEat");
  QWidget described;
  described.setObjectName("btnOther");
  described.setAccessibleDescription("Deletes the spam");
  named.show();
  described.show();
  EXPECT_EQ(named.accessibleDescription(), "btnCheckEat");
  EXPECT_EQ(described.accessibleDescription(), "Deletes the spam");
}

}  // namespace
}  // namespace mailmoat
