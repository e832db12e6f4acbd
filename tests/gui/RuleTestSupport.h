#pragma once

#include "core/dataConfig.h"
#include "gui/support/FindChild.h"
#include "gui/support/GuiTestHost.h"
#include "gui/support/ModalDriver.h"
#include "support/FakeDialer.h"
#include "support/TempDir.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace mailmoat::test {

// A configuration object over an empty temporary program directory, with the recording host.
class RuleWindowTest : public testing::Test {
protected:
  void SetUp() override { Config = std::make_unique<TConfigData>(TAppPaths::ForHome(Dir.Path()), Ui, Dialer); }

  TTempDir Dir;
  TGuiTestHost Ui;
  TFakeDialer Dialer;
  std::unique_ptr<TConfigData> Config;
};

}  // namespace mailmoat::test
