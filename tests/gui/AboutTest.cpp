#include "support/RecordingUiHost.h"
#include "ui/main/frmAboutMmt.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

TEST(About, VersionAndBuildTimeTexts) {
  EXPECT_EQ(AboutVersionText("2.4.1.17"), "Version 2.4.1 (Build 17)");
  EXPECT_EQ(AboutVersionText("2.4.1"), "Version 2.4.1");
  // The tests run in UTC: 16 Mar 2002 01:50, 13:05 and 00:30.
  EXPECT_EQ(CompiledText(1016243400), "Compiled: Sat 16 Mar 2002 1:50 AM");
  EXPECT_EQ(CompiledText(1016283900), "Compiled: Sat 16 Mar 2002 1:05 PM");
  EXPECT_EQ(CompiledText(1016238600), "Compiled: Sat 16 Mar 2002 12:30 AM");
  // The build's own time: after this code was written, not in the future.
  EXPECT_GT(BuildTime(), 1700000000);
  EXPECT_LE(BuildTime(), std::time(nullptr));

  test::TRecordingUiHost ui;
  TfrmAboutMmt about(ui);
  EXPECT_EQ(about.windowTitle(), "About Mailmoat Pro");
  EXPECT_EQ(about.findChild<QLabel*>("lblVersion")->text(), "Version 1.0.0 (Build 0)");
  EXPECT_EQ(about.findChild<QLabel*>("lblCompiled")->text().toStdString(), CompiledText(BuildTime()));
  EXPECT_EQ(about.findChild<QPushButton*>("btnOK")->text(), "&OK");
  EXPECT_TRUE(about.findChild<QPushButton*>("btnOK")->isDefault());
  about.findChild<QPushButton*>("btnWebSite")->click();
  EXPECT_EQ(ui.OpenedUrls, std::vector<std::string>{"https://mailmoat.example.org/"});
}

}  // namespace
}  // namespace mailmoat
