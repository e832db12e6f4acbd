#include "core/FileCompress.h"
#include "core/RuleFiles.h"
#include "core/dataConfig.h"
#include "gui/support/FindChild.h"
#include "gui/support/GuiTestHost.h"
#include "gui/support/ModalDriver.h"
#include "integration/UpdateServer.h"
#include "support/FakeDialer.h"
#include "ui/update/formFilterUpdate.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

TRuleRec Rule(std::int32_t id, const std::string& expression, bool enabled) {
  TRuleRec rule;
  rule.RuleID = id;
  rule.Description = "Rule " + std::to_string(id);
  rule.HeaderField = "Subject";
  rule.Expression = expression;
  rule.Enabled = enabled;
  return rule;
}

class FilterUpdateWindowTest : public testing::Test {
protected:
  void SetUp() override {
    if (!test::TUpdateServer::Available()) GTEST_SKIP() << "no " << test::TUpdateServer::Python;
    Config = std::make_unique<TConfigData>(TAppPaths::ForHome(Dir.Path()), Ui, Dialer);
    WriteFileAtomic(Dir / "mmtrules.bin", CompressContainer(EncodeRules({Rule(1, "old", false)}, {})));
  }
  std::string RulesBytes() const { return ReadWholeFile(Dir / "mmtrules.bin"); }

  test::TTempDir Dir;
  test::TGuiTestHost Ui;
  test::TFakeDialer Dialer;
  std::unique_ptr<TConfigData> Config;
  test::TUpdateServer Server;
};

TEST_F(FilterUpdateWindowTest, UpdateMergesTheRulesAndClosesTheWindow) {
  ASSERT_TRUE(Server.Start()) << Server.LogText();
  Server.Serve(CompressContainer(EncodeRules({Rule(1, "new", true), Rule(2, "added", false)}, {})));
  Config->UpdateURL = Server.URL();
  test::WhenModal([](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), "Mailmoat Pro Filter Update");
    EXPECT_EQ(test::Child<QLabel>(window, "lblStatus")->text(), "<idle>");
    EXPECT_FALSE(test::Child<QPushButton>(window, "btnAbort")->isVisible());
    test::Child<QPushButton>(window, "btnUpdate")->click();
  });
  EXPECT_TRUE(ShowFilterUpdate(*Config, Ui, nullptr));
  const std::vector<TRuleRec> rules = DecodeRules(DecompressContainer(RulesBytes()));
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_EQ(rules[0].Expression, "new");
  EXPECT_FALSE(rules[0].Enabled);
  EXPECT_TRUE(rules[1].Enabled);
  EXPECT_EQ(Config->SysHeaderRules.size(), 2u);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text,
            "Your Mailmoat Pro filter rules have been updated successfully!\r\n"
            "1 rules updated and 1 new rules added");
}

TEST_F(FilterUpdateWindowTest, AbortAnsweredYesKeepsTheRulesAndTheWindow) {
  // The server waits before it answers, so Abort is pressed during the download.
  ASSERT_TRUE(Server.Start(1.5)) << Server.LogText();
  Server.Serve(CompressContainer(EncodeRules({Rule(2, "added", true)}, {})));
  Config->UpdateURL = Server.URL();
  const std::string before = RulesBytes();
  Ui.SetNextAnswer(mbYes);
  bool stayedOpen = false;
  test::WhenModal([&](QWidget* window) {
    auto* abort = test::Child<QPushButton>(window, "btnAbort");
    QTimer::singleShot(0, window, [&, window, abort] {
      ASSERT_TRUE(QTest::qWaitFor([&] { return abort->isVisible(); }, 5000));
      EXPECT_FALSE(test::Child<QPushButton>(window, "btnClose")->isEnabled());
      EXPECT_FALSE(window->close());  // busy: refuses
      QTest::keyClick(window, Qt::Key_Escape);
      EXPECT_TRUE(window->isVisible());
      abort->click();
    });
    test::Child<QPushButton>(window, "btnUpdate")->click();
    stayedOpen = window->isVisible() && !abort->isVisible() &&
                 test::Child<QPushButton>(window, "btnUpdate")->isEnabled() &&
                 test::Child<QLabel>(window, "lblStatus")->text() == "<idle>";
    test::Child<QPushButton>(window, "btnClose")->click();
  });
  EXPECT_FALSE(ShowFilterUpdate(*Config, Ui, nullptr));
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(RulesBytes(), before);
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Text, "Abort the filter rules update?");
}

TEST_F(FilterUpdateWindowTest, ProxySettingsAreSavedFromAdvanced) {
  test::WhenModal([](QWidget* window) {
    test::WhenModal([](QWidget* proxy) {
      EXPECT_EQ(proxy->windowTitle(), "Advanced - Proxy Server Settings");
      test::Child<QLineEdit>(proxy, "edtServer")->setText(" proxy.lan ");
      test::Child<QSpinBox>(proxy, "sePort")->setValue(3128);
      test::Child<QPushButton>(proxy, "btnClearAll")->click();
      EXPECT_EQ(test::Child<QSpinBox>(proxy, "sePort")->value(), 80);
      test::Child<QLineEdit>(proxy, "edtServer")->setText(" proxy.lan ");
      test::Child<QLineEdit>(proxy, "edtUserName")->setText("me");
      EXPECT_EQ(test::Child<QLineEdit>(proxy, "edtPassword")->echoMode(), QLineEdit::Password);
      test::Child<QPushButton>(proxy, "btnSave")->click();
    });
    test::Child<QPushButton>(window, "btnAdvanced")->click();
    test::Child<QPushButton>(window, "btnClose")->click();
  });
  EXPECT_FALSE(ShowFilterUpdate(*Config, Ui, nullptr));
  EXPECT_EQ(Config->UpdateProxy, (TUpdateProxySettings{"proxy.lan", "me", "", 80}));
  EXPECT_NE(test::ReadTextFile(Dir / "Mailmoat.ini").find("[UpdateProxy]\nServer=proxy.lan\n"), std::string::npos);
}

}  // namespace
}  // namespace mailmoat
