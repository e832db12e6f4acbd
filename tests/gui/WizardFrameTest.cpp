#include "support/ModalDriver.h"
#include "ui/common/WizardFrame.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

// A wizard of four pages whose first page chooses between two routes, as the rule builder's
// does, with a hook that can hold a page in either direction.
class WizardFrameTest : public testing::Test {
protected:
  WizardFrameTest() {
    for (const char* name : {"choice", "header", "body", "done"}) frame.AddPage(new QLabel(name));
    frame.SetFlags(3, {true, false, true});
    frame.AddRoute("header", {0, 1, 3});
    frame.AddRoute("body", {0, 2, 3});
    frame.SetLeaveHook([this](int from, int to, bool forward) {
      moves.push_back(std::to_string(from) + (forward ? ">" : "<") + std::to_string(to));
      return !(from == hold && forward == holdForward);
    });
  }
  bool Enabled(const char* name) { return frame.findChild<QPushButton*>(name)->isEnabled(); }

  TWizardFrame frame;
  std::vector<std::string> moves;
  int hold = -1;
  bool holdForward = true;
};

TEST_F(WizardFrameTest, RoutesFlagsAndAHookThatCanRefuseBack) {
  frame.Restart();
  EXPECT_EQ(frame.CurrentPage(), 0);
  EXPECT_FALSE(Enabled("btnBack"));
  EXPECT_TRUE(Enabled("btnNext"));
  EXPECT_FALSE(Enabled("btnFinish"));
  frame.UseRoute("body");
  frame.findChild<QPushButton*>("btnNext")->click();
  EXPECT_EQ(frame.CurrentPage(), 2);

  hold = 2;
  holdForward = false;  // a page that must not be left backwards
  EXPECT_FALSE(frame.Back());
  EXPECT_EQ(frame.CurrentPage(), 2);
  EXPECT_TRUE(frame.Next());
  EXPECT_EQ(frame.CurrentPage(), 3);
  EXPECT_FALSE(Enabled("btnNext"));
  EXPECT_TRUE(Enabled("btnFinish"));
  EXPECT_TRUE(frame.findChild<QPushButton*>("btnFinish")->isDefault());
  EXPECT_EQ(moves, (std::vector<std::string>{"0>2", "2<0", "2>3"}));

  // Switching the route on a page the new route lacks starts it over.
  frame.UseRoute("header");
  EXPECT_EQ(frame.CurrentPage(), 3);
  EXPECT_TRUE(frame.Back());
  EXPECT_EQ(frame.CurrentPage(), 1);

  hold = 1;
  holdForward = true;
  EXPECT_FALSE(frame.Next());
  EXPECT_FALSE(frame.Finish());  // page 1 cannot finish
}

TEST_F(WizardFrameTest, FinishAsksTheHookAndEscapeCancels) {
  frame.Restart();
  frame.Next();
  frame.Next();
  test::WhenModal([](QWidget* dialog) { dialog->findChild<QPushButton*>("btnFinish")->click(); });
  EXPECT_EQ(frame.exec(), QDialog::Accepted);
  EXPECT_EQ(moves.back(), "3>-1");

  TWizardFrame other;
  other.AddPage(new QLabel("only"), {true, true, true});
  other.AddRoute("main", {0});
  test::WhenModal([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
  EXPECT_EQ(other.exec(), QDialog::Rejected);
}

}  // namespace
}  // namespace mailmoat
