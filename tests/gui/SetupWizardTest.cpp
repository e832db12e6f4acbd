#include "core/SetupWizardModel.h"
#include "gui/support/FindChild.h"
#include "gui/support/MainWindowFixture.h"
#include "gui/support/ModalDriver.h"
#include "support/HomeSnapshot.h"
#include "ui/config/dialogSetupWizard.h"
#include "ui/config/frmProfileEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>

namespace mailmoat {
namespace {

using test::Child;
using test::Mail;
using test::ReadTextFile;

class SetupWizardTest : public test::TMainWindowFixture {
protected:
  // File | Setup Wizard opens the real wizard, with `Windows` standing in for the account
  // editor and the client settings.
  void OpenWizardFromTheMenu(std::function<void(TdlgSetupWizard&)> drive) {
    Openers.OnOpen = [this] { return ShowSetupWizard(*Config, Ui, Windows, Main.get()); };
    bool driven = false;
    test::WhenModal([&](QWidget* window) {
      auto* wizard = dynamic_cast<TdlgSetupWizard*>(window);
      ASSERT_NE(wizard, nullptr);
      drive(*wizard);
      driven = true;
    });
    Find<QAction>("mnuSetupWizard")->trigger();
    ASSERT_TRUE(driven);
  }
  // The account editor as a person fills it for a mailbox of the private Dovecot.
  bool FillProfile(ProfileRecord& profile) {
    EXPECT_TRUE(profile.Enabled);
    User = "u" + std::to_string(++UserCount);
    if (Server) Server->AddUser(User, "pw");
    profile.Name = "My mailbox";
    profile.Server = "127.0.0.1";
    profile.Port = static_cast<std::uint16_t>(Server ? Server->PlainPort : 110);
    profile.Login = User;
    profile.Password = "pw";
    return true;
  }
  static void Next(QWidget* wizard) { Child<QPushButton>(wizard, "btnNext")->click(); }
  static QString Page(TdlgSetupWizard& wizard) {
    return Child<QStackedWidget>(&wizard, "pgWizard")->currentWidget()->objectName();
  }
  std::string LastBox() const { return Ui.Boxes.empty() ? std::string() : Ui.Boxes.back().Text; }

  TSetupWizardWindows Windows{[this](ProfileRecord& p) { return FillProfile(p); }, [] { return false; }, {}};
};

TEST_F(SetupWizardTest, FromAnEmptyHomeTheWizardSetsUpAMailboxThatF3Checks) {
  REQUIRE_DOVECOT();
  Start("");
  ASSERT_TRUE(Config->NotSetUp);
  // Add opens the real account editor, typed into as a person would.
  Windows.EditProfile = [this](ProfileRecord& profile) {
    User = "u" + std::to_string(++UserCount);
    Server->AddUser(User, "pw");
    test::WhenModal([this](QWidget* editor) {
      EXPECT_EQ(editor->windowTitle(), "POP3 Account Editor");
      auto* save = Child<QPushButton>(editor, "btnOk");
      EXPECT_FALSE(save->isEnabled());
      QTest::keyClicks(Child<QLineEdit>(editor, "ebName"), "My mailbox");
      QTest::keyClicks(Child<QLineEdit>(editor, "ebServer"), "127.0.0.1");
      QTest::keyClicks(Child<QLineEdit>(editor, "ebLogin"), QString::fromStdString(User));
      QTest::keyClicks(Child<QLineEdit>(editor, "ebPassword"), "pw");
      Child<QSpinBox>(editor, "sePort")->setValue(Server->PlainPort);
      EXPECT_TRUE(save->isEnabled());
      save->click();
    });
    return EditProfile(*Config, Ui, profile, QApplication::activeModalWidget());
  };
  OpenWizardFromTheMenu([this](TdlgSetupWizard& wizard) {
    EXPECT_EQ(wizard.windowTitle(), "Mailmoat Pro Setup Wizard");
    auto* finish = Child<QPushButton>(&wizard, "btnFinish");
    EXPECT_FALSE(finish->isVisible());
    Next(&wizard);
    EXPECT_EQ(Page(wizard), "wmProfilesPage");
    EXPECT_FALSE(Child<QPushButton>(&wizard, "btnProfileEdit")->isEnabled());
    Child<QPushButton>(&wizard, "btnProfileAdd")->click();
    EXPECT_EQ(Child<QListWidget>(&wizard, "lbPop3Profiles")->item(0)->text(), "My mailbox");
    Next(&wizard);
    Child<QRadioButton>(&wizard, "rbAddrCheckStrict")->click();
    Next(&wizard);
    EXPECT_EQ(Page(wizard), "wmValidAddressesPage");
    Ui.SetNextInput("Joe@Example.ORG");
    Child<QPushButton>(&wizard, "btnAddValidAddr")->click();
    EXPECT_EQ(Child<QListWidget>(&wizard, "lbValidAddrs")->item(0)->text(), "joe@example.org");
    Next(&wizard);
    EXPECT_TRUE(Child<QRadioButton>(&wizard, "rbSpamCheck")->isChecked());
    Next(&wizard);
    // This computer dials; the user is on a network.
    auto* connection = Child<QComboBox>(&wizard, "cbConnectionType");
    EXPECT_EQ(connection->currentIndex(), 0);
    EXPECT_TRUE(Child<QGroupBox>(&wizard, "grpDunSettings")->isEnabled());
    connection->setCurrentIndex(1);
    EXPECT_FALSE(Child<QComboBox>(&wizard, "cmbDunProfiles")->isEnabled());
    Next(&wizard);
    Child<QCheckBox>(&wizard, "cbxPopup")->click();
    EXPECT_FALSE(Child<QLineEdit>(&wizard, "fneWavFile")->isEnabled());
    Next(&wizard);
    EXPECT_EQ(Page(wizard), "wmCompleteWizardPage1");
    EXPECT_TRUE(finish->isVisible());
    finish->click();
  });
  EXPECT_TRUE(Ui.Boxes.empty()) << LastBox();
  EXPECT_EQ(Find<QLabel>("lblServerName")->text(), "127.0.0.1");

  // What was saved is what the next start reads.
  const std::string ini = ReadTextFile(Dir / "Mailmoat.ini");
  for (const char* line : {"UseRas=0", "Strict=1", "Unknown=1", "Popup=1", "NumProfiles=1"})
    EXPECT_NE(ini.find(line), std::string::npos) << line;
  EXPECT_EQ(ReadTextFile(Dir / "validaddr.dat"), "joe@example.org\r\n");
  ASSERT_TRUE(std::filesystem::exists(Dir / "pop3prof.dat"));

  Server->AddMessage(User, "1700000001.M1P1." + User, Mail(1, "Lunch"));
  // The window system gives the focus back to the main window when the wizard goes.
  Main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Main.get()));
  QTest::keyClick(Main.get(), Qt::Key_F3);
  ASSERT_TRUE(WaitForRunEnd());
  EXPECT_EQ(Pop3->LastRunResult(), TCheckRunResult::Completed);
  EXPECT_TRUE(Pop3->ProfileFailures().empty());
  EXPECT_EQ(Config->Counters.Processed, 1);
  EXPECT_EQ(Config->Counters.Cleared(), 1);
}

TEST_F(SetupWizardTest, BackWithoutAProfileAndAClientWithoutSettingsKeepTheirPages) {
  Start();
  bool clientSet = false;
  Windows.EditClientSettings = [&clientSet] { return clientSet; };
  OpenWizardFromTheMenu([&](TdlgSetupWizard& wizard) {
    Next(&wizard);
    Child<QPushButton>(&wizard, "btnBack")->click();
    EXPECT_EQ(Page(wizard), "wmProfilesPage");
    EXPECT_EQ(LastBox().substr(0, 58), "You need to enter the information for at least one of your");
    EXPECT_EQ(wizard.focusWidget(), Child<QPushButton>(&wizard, "btnProfileAdd"));
    Ui.Boxes.clear();
    Child<QPushButton>(&wizard, "btnProfileAdd")->click();
    for (int page = 0; page < 5; ++page) Next(&wizard);
    EXPECT_EQ(Page(wizard), "wmNotificationsPage");

    auto* settings = Child<QPushButton>(&wizard, "btnEmailClientSettings");
    EXPECT_FALSE(settings->isEnabled());
    Child<QCheckBox>(&wizard, "cbxStartClient")->click();
    EXPECT_TRUE(settings->isEnabled());
    Next(&wizard);
    EXPECT_EQ(Page(wizard), "wmNotificationsPage");
    ASSERT_EQ(Ui.Boxes.size(), 1u);
    EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Warning);
    EXPECT_EQ(LastBox().substr(0, 58), "You have chosen to have Mailmoat Pro run your email client");
    EXPECT_EQ(wizard.focusWidget(), settings);
    // Settings dialogs cancelled count for nothing; one ended with OK lets the page go.
    settings->click();
    Next(&wizard);
    EXPECT_EQ(Ui.Boxes.size(), 2u);
    clientSet = true;
    settings->click();
    Next(&wizard);
    EXPECT_EQ(Page(wizard), "wmCompleteWizardPage1");
    Child<QPushButton>(&wizard, "btnCancel")->click();
  });
}

TEST_F(SetupWizardTest, CancelAfterChangingEveryPageLeavesEveryFileAsItWas) {
  REQUIRE_DOVECOT();
  // The settings file asks for dial-up, which this computer does not have.
  DialerAvailable = false;
  Start("[Config]\nUseRas=1\nPopup=1\nPlayWav=0\n");
  ASSERT_FALSE(Config->UseRas);
  AddMailbox(0);
  Config->SaveProfiles();
  Config->ValidAddresses = {"joe@example.org"};
  Config->SaveValidAddresses();
  Main->EnableCheckCommands(true);
  const std::vector<ProfileRecord> profiles = Config->Profiles;
  const test::THomeSnapshot before = test::THomeSnapshot::Take(Dir.Path());

  Windows.EditClientSettings = [this] {
    Config->ClientFile = "/usr/bin/thunderbird";
    return true;
  };
  OpenWizardFromTheMenu([this](TdlgSetupWizard& wizard) {
    Next(&wizard);
    Child<QPushButton>(&wizard, "btnProfileAdd")->click();
    Child<QListWidget>(&wizard, "lbPop3Profiles")->setCurrentRow(0);
    Ui.SetNextAnswer(mbYes);
    Child<QPushButton>(&wizard, "btnProfileDelete")->click();
    EXPECT_EQ(Child<QListWidget>(&wizard, "lbPop3Profiles")->count(), 1);
    Next(&wizard);
    Child<QRadioButton>(&wizard, "rbAddrCheckAnywhere")->click();
    Next(&wizard);
    Ui.SetNextInput("ann@example.org");
    Child<QPushButton>(&wizard, "btnAddValidAddr")->click();
    Child<QListWidget>(&wizard, "lbValidAddrs")->setCurrentRow(0);
    Ui.SetNextAnswer(mbYes);
    Child<QPushButton>(&wizard, "btnDeleteValidAddr")->click();
    Next(&wizard);
    Child<QRadioButton>(&wizard, "rbNoSpamCheck")->click();
    Next(&wizard);
    // Without dial-up the choice stays on the network.
    auto* connection = Child<QComboBox>(&wizard, "cbConnectionType");
    EXPECT_EQ(connection->currentIndex(), 1);
    connection->setCurrentIndex(0);
    EXPECT_EQ(connection->currentIndex(), 1);
    EXPECT_FALSE(Child<QLineEdit>(&wizard, "edtDunPassword")->isEnabled());
    Next(&wizard);
    Child<QCheckBox>(&wizard, "cbxPopup")->click();
    Child<QCheckBox>(&wizard, "cbxStartClient")->click();
    Child<QPushButton>(&wizard, "btnEmailClientSettings")->click();
    Child<QCheckBox>(&wizard, "cbxPlayWav")->click();
    Child<QLineEdit>(&wizard, "fneWavFile")->setText((Dir / "Mailmoat.ini").c_str());
    Next(&wizard);
    EXPECT_EQ(Page(wizard), "wmCompleteWizardPage1");
    Child<QPushButton>(&wizard, "btnCancel")->click();
  });

  EXPECT_EQ(before.ChangedIn(test::THomeSnapshot::Now(Dir.Path())), "");
  EXPECT_FALSE(Config->UseRas);
  EXPECT_EQ(Config->Profiles, profiles);
  EXPECT_EQ(Config->ValidAddresses, std::vector<std::string>{"joe@example.org"});
  EXPECT_TRUE(Config->Popup);
  EXPECT_EQ(Config->ClientFile, "");
}

}  // namespace
}  // namespace mailmoat
