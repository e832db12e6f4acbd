#include "gui/RuleTestSupport.h"
#include "gui/support/MainWindowFixture.h"
#include "integration/DovecotServer.h"
#include "integration/TcpRelay.h"
#include "mail/TestCertificates.h"
#include "ui/config/dlgClientSettings.h"
#include "ui/config/dlgProfileWizard.h"
#include "ui/config/frmProfileEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <filesystem>

namespace mailmoat {
namespace {

using test::Child;

class AccountWindowsTest : public test::RuleWindowTest {
protected:
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : Ui.Boxes) texts.push_back(box.Text);
    return texts;
  }
  static QLineEdit* Edit(QWidget* window, const char* name) { return Child<QLineEdit>(window, name); }
  static QPushButton* Button(QWidget* window, const char* name) { return Child<QPushButton>(window, name); }
};

TEST_F(AccountWindowsTest, SaveWaitsForEveryBoxAndAFolderWhenArchiving) {
  ProfileRecord profile;
  profile.Reserved[3] = 9;
  const std::filesystem::path folder = Dir / "archive";
  test::WhenModal([&](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), "POP3 Account Editor");
    QPushButton* save = Button(window, "btnOk");
    auto* archive = Child<QCheckBox>(window, "ckbxArchive");
    QLineEdit* path = Edit(window, "dedtArchivePath");
    auto* port = Child<QSpinBox>(window, "sePort");
    EXPECT_TRUE(Child<QCheckBox>(window, "ckbxEnabled")->isChecked());
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(path->isEnabled());
    EXPECT_EQ(port->text(), "Default");
    QTest::keyClicks(Edit(window, "ebName"), "Home");
    QTest::keyClicks(Edit(window, "ebServer"), " pop.example.net ");
    QTest::keyClicks(Edit(window, "ebLogin"), "joe");
    EXPECT_FALSE(save->isEnabled());
    QTest::keyClicks(Edit(window, "ebPassword"), "secret");
    EXPECT_EQ(Edit(window, "ebPassword")->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(save->isEnabled());
    archive->click();
    EXPECT_TRUE(path->isEnabled());
    EXPECT_FALSE(save->isEnabled());
    QTest::keyClicks(path, "  ");
    EXPECT_FALSE(save->isEnabled());
    path->setText(QString::fromStdString(folder.string()));
    EXPECT_TRUE(save->isEnabled());
    Child<QComboBox>(window, "cbSecurity")->setCurrentIndex(2);
    EXPECT_EQ(port->value(), 995);
    // A folder that is not there is made only when the user agrees.
    Ui.SetNextAnswer(mbNo);
    save->click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(std::filesystem::exists(folder));
    Ui.SetNextAnswer(mbYes);
    save->click();
  });
  ASSERT_TRUE(EditProfile(*Config, Ui, profile, nullptr));
  const std::string question = "The folder " + folder.string() + " does not exist.\r\nCreate it now?";
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{question, question}));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(profile.Name, "Home");
  EXPECT_EQ(profile.Server, "pop.example.net");
  EXPECT_EQ(profile.Login, "joe");
  EXPECT_EQ(profile.Password, "secret");
  EXPECT_TRUE(profile.Enabled);
  EXPECT_TRUE(profile.Archive);
  EXPECT_EQ(profile.ArchiveDir, folder.string());
  EXPECT_EQ(profile.Port, 995);
  EXPECT_EQ(profile.Security, TProfileSecurity::ImplicitTls);
  EXPECT_EQ(profile.Reserved[3], 9);

  // Escape leaves the profile as it was.
  const ProfileRecord saved = profile;
  test::WhenModal([](QWidget* window) {
    EXPECT_EQ(Edit(window, "ebName")->text(), "Home");
    Edit(window, "ebName")->setText("Changed");
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_FALSE(EditProfile(*Config, Ui, profile, nullptr));
  EXPECT_EQ(profile, saved);
}

TEST_F(AccountWindowsTest, TheProfileWizardKeepsEachIncompletePageAndFillsTheEditor) {
  ProfileRecord profile;
  profile.Name = "Old name";
  profile.Enabled = false;
  profile.Reserved[0] = 5;
  const std::filesystem::path nested = Dir / "mail" / "archive" / "home";
  test::WriteTextFile(Dir / "plain-file", "x");
  test::WhenModal([&](QWidget* editor) {
    EXPECT_FALSE(Child<QCheckBox>(editor, "ckbxEnabled")->isChecked());
    test::WhenModal([&](QWidget* window) {
      auto* wizard = dynamic_cast<TdlgProfileWizard*>(window);
      ASSERT_NE(wizard, nullptr);
      EXPECT_EQ(window->windowTitle(), "Mailmoat Pro POP3 Profile Wizard");
      EXPECT_EQ(wizard->CurrentPage(), wizard->PageName);
      QPushButton* next = Button(window, "btnNext");
      QPushButton* back = Button(window, "btnBack");
      EXPECT_FALSE(Button(window, "btnFinish")->isVisible());
      QLineEdit* name = Edit(window, "edtName");
      EXPECT_EQ(name->text(), "Old name");
      name->clear();
      next->click();
      EXPECT_EQ(wizard->CurrentPage(), wizard->PageName);
      // The window's focus widget: whether the window itself is active is up to the desktop.
      EXPECT_EQ(window->focusWidget(), name);
      QTest::keyClicks(name, "Home");
      next->click();
      ASSERT_EQ(wizard->CurrentPage(), wizard->PageServer);
      // Back is checked as Next is.
      back->click();
      EXPECT_EQ(wizard->CurrentPage(), wizard->PageServer);
      QTest::keyClicks(Edit(window, "edtMailServer"), "127.0.0.1");
      Child<QComboBox>(window, "cbSecurity")->setCurrentIndex(1);
      Child<QSpinBox>(window, "sePort")->setValue(1100);
      next->click();
      ASSERT_EQ(wizard->CurrentPage(), wizard->PageLogon);
      QTest::keyClicks(Edit(window, "edtUsername"), "joe");
      next->click();
      EXPECT_EQ(wizard->CurrentPage(), wizard->PageLogon);
      EXPECT_EQ(window->focusWidget(), Edit(window, "edtPassword"));
      QTest::keyClicks(Edit(window, "edtPassword"), "secret");
      next->click();
      ASSERT_EQ(wizard->CurrentPage(), wizard->PageArchive);
      QLineEdit* folder = Edit(window, "deArchiveFolder");
      EXPECT_FALSE(folder->isEnabled());
      Child<QCheckBox>(window, "ckArchive")->click();
      EXPECT_TRUE(folder->isEnabled());
      next->click();
      back->click();
      EXPECT_EQ(wizard->CurrentPage(), wizard->PageArchive);
      // A folder that cannot be made is reported and keeps the page.
      folder->setText(QString::fromStdString((Dir / "plain-file" / "archive").string()));
      next->click();
      EXPECT_EQ(wizard->CurrentPage(), wizard->PageArchive);
      folder->setText(QString::fromStdString(nested.string()));
      next->click();
      ASSERT_EQ(wizard->CurrentPage(), wizard->PageComplete);
      EXPECT_TRUE(std::filesystem::is_directory(nested));
      EXPECT_TRUE(Button(window, "btnFinish")->isVisible());
      Button(window, "btnFinish")->click();
    });
    Button(editor, "btnWizard")->click();
    EXPECT_EQ(Edit(editor, "ebName")->text(), "Home");
    EXPECT_EQ(Edit(editor, "ebServer")->text(), "127.0.0.1");
    EXPECT_EQ(Edit(editor, "ebLogin")->text(), "joe");
    EXPECT_EQ(Edit(editor, "ebPassword")->text(), "secret");
    EXPECT_TRUE(Child<QCheckBox>(editor, "ckbxArchive")->isChecked());
    EXPECT_TRUE(Edit(editor, "dedtArchivePath")->isEnabled());
    EXPECT_TRUE(Child<QCheckBox>(editor, "ckbxEnabled")->isChecked());
    Button(editor, "btnOk")->click();
  });
  ASSERT_TRUE(EditProfile(*Config, Ui, profile, nullptr));
  ASSERT_EQ(Ui.Boxes.size(), 6u);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(Ui.Boxes[i].Kind, TMsgKind::Warning) << i;
  EXPECT_EQ(BoxTexts()[0], "Please enter a display name first.");
  EXPECT_EQ(BoxTexts()[1], "Please enter the name or IP of the mail server first.");
  EXPECT_EQ(BoxTexts()[2], "Please enter your account name and password first.");
  EXPECT_EQ(BoxTexts()[3], "Please enter or select the archive directory first.");
  EXPECT_EQ(BoxTexts()[4], "Please enter or select the archive directory first.");
  EXPECT_EQ(Ui.Boxes[5].Kind, TMsgKind::Error);
  EXPECT_EQ(BoxTexts()[5].rfind("Cannot create directory " + (Dir / "plain-file" / "archive").string(), 0), 0u)
      << BoxTexts()[5];
  EXPECT_EQ(profile.Name, "Home");
  EXPECT_EQ(profile.Server, "127.0.0.1");
  EXPECT_EQ(profile.Port, 1100);
  EXPECT_EQ(profile.Security, TProfileSecurity::Stls);
  EXPECT_EQ(profile.Login, "joe");
  EXPECT_EQ(profile.Password, "secret");
  EXPECT_TRUE(profile.Enabled);
  EXPECT_TRUE(profile.Archive);
  EXPECT_EQ(profile.ArchiveDir, nested.string());
  EXPECT_EQ(profile.Reserved[0], 5);
}

TEST_F(AccountWindowsTest, ClientSettingsStoreTheWindowStyleCodes) {
  Config->ClientWin = 5;
  const std::filesystem::path program = Dir / "mailer";
  test::WriteTextFile(program, "#!/bin/sh\n");
  test::WhenModal([&](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), "E-Mail Client Software Settings");
    EXPECT_EQ(Child<QComboBox>(window, "cbWinStyle")->currentText(), "Normal");
    QPushButton* ok = Button(window, "btnOK");
    ok->click();
    Edit(window, "fneClient")->setText(QString::fromStdString("\"" + (Dir / "missing").string() + "\""));
    ok->click();
    Edit(window, "fneClient")->setText(QString::fromStdString("\"" + program.string() + "\""));
    Edit(window, "ebClientParams")->setText("-mail \"a b\"");
    Edit(window, "deClientFolder")->setText(QString::fromStdString(Dir.Path().string()));
    Button(window, "btnHelp")->click();
    ok->click();
  });
  ASSERT_TRUE(EditClientSettings(*Config, Ui, nullptr));
  EXPECT_EQ(BoxTexts(),
            (std::vector<std::string>{
                "Please enter or select the program file of your email client software.",
                "Unable to locate the program file of your email client software:\r\n" + (Dir / "missing").string()}));
  EXPECT_EQ(Ui.HelpTopics, (std::vector<int>{50}));
  EXPECT_EQ(Config->ClientFile, program.string());
  EXPECT_EQ(Config->ClientParams, "-mail \"a b\"");
  EXPECT_EQ(Config->ClientFolder, Dir.Path().string());
  EXPECT_EQ(Config->ClientWin, 1);

  // A program named as on a command line is found on the search path.
  test::WhenModal([](QWidget* window) {
    Edit(window, "fneClient")->setText("sh");
    Edit(window, "deClientFolder")->clear();
    Child<QComboBox>(window, "cbWinStyle")->setCurrentText("Minimized - Not Active");
    Button(window, "btnOK")->click();
  });
  ASSERT_TRUE(EditClientSettings(*Config, Ui, nullptr));
  EXPECT_EQ(Config->ClientWin, 7);
  EXPECT_EQ(std::filesystem::path(Config->ClientFile).filename(), "sh");
  EXPECT_TRUE(std::filesystem::path(Config->ClientFile).is_absolute());
  EXPECT_EQ(Config->ClientFolder, "");

  test::WhenModal([](QWidget* window) {
    EXPECT_EQ(Child<QComboBox>(window, "cbWinStyle")->currentText(), "Minimized - Not Active");
    Child<QComboBox>(window, "cbWinStyle")->setCurrentText("Maximized");
    QTest::keyClick(window, Qt::Key_Escape);
  });
  EXPECT_FALSE(EditClientSettings(*Config, Ui, nullptr));
  EXPECT_EQ(Config->ClientWin, 7);
}

// One Dovecot for the suite, with the test CA's certificate for localhost and 127.0.0.1.
class AccountConnectionTest : public AccountWindowsTest {
protected:
  static void SetUpTestSuite() {
    if (!test::TDovecotServer::Available()) return;
    Server = std::make_unique<test::TDovecotServer>();
    const test::TTestCertificates& certs = test::TTestCertificates::Get();
    if (!Server->Start(certs.ServerCert(), certs.ServerKey())) Server.reset();
  }
  static void TearDownTestSuite() { Server.reset(); }
  void SetUp() override {
    AccountWindowsTest::SetUp();
    Config->TlsCaFile = test::TTestCertificates::Get().CaFile();
  }
  static void FillLogin(QWidget* window, const char* server, int port) {
    Edit(window, "ebServer")->setText(server);
    Edit(window, "ebLogin")->setText("joe");
    Edit(window, "ebPassword")->setText("secret");
    Child<QSpinBox>(window, "sePort")->setValue(port);
  }

  static inline std::unique_ptr<test::TDovecotServer> Server;
};

TEST_F(AccountConnectionTest, TestConnectionLogsInWhileTheWindowStaysAlive) {
  REQUIRE_DOVECOT();
  // A slow line, so that the test surely waits and lets events run.
  test::TTcpRelay relay(Server->PlainPort, std::chrono::milliseconds(100));
  bool lockedDuringTest = false;
  test::WhenModal([&](QWidget* window) {
    FillLogin(window, "127.0.0.1", relay.Port());
    Edit(window, "ebName")->setText("Home");
    QPushButton* testButton = Button(window, "btnTest");
    QTimer::singleShot(0, window, [&, window, testButton] {
      lockedDuringTest = !testButton->isEnabled() && !Button(window, "btnOk")->isEnabled() &&
                         !Button(window, "btnCancel")->isEnabled() && !Button(window, "btnWizard")->isEnabled();
      testButton->click();
      dynamic_cast<QDialog*>(window)->reject();
    });
    testButton->click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(testButton->isEnabled());
    Button(window, "btnCancel")->click();
  });
  ProfileRecord profile;
  EXPECT_FALSE(EditProfile(*Config, Ui, profile, nullptr));
  EXPECT_TRUE(lockedDuringTest);
  EXPECT_EQ(Ui.CursorCalls, (std::vector<bool>{true, false}));
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Information);
  EXPECT_EQ(Ui.Boxes[0].Caption, "Test connection");
  EXPECT_EQ(Ui.Boxes[0].Text, "Logged in to 127.0.0.1 and out again: 0 messages waiting.");
}

TEST_F(AccountConnectionTest, TestConnectionTellsACertificateForAnotherName) {
  REQUIRE_DOVECOT();
  test::WhenModal([&](QWidget* window) {
    // 127.0.0.2 is this machine too, but the certificate names only localhost and 127.0.0.1.
    Child<QComboBox>(window, "cbSecurity")->setCurrentIndex(2);
    FillLogin(window, "127.0.0.2", Server->TlsPort);
    Button(window, "btnTest")->click();
    Button(window, "btnCancel")->click();
  });
  ProfileRecord profile;
  EXPECT_FALSE(EditProfile(*Config, Ui, profile, nullptr));
  ASSERT_EQ(Ui.Boxes.size(), 1u);
  if (Ui.Boxes[0].Text.find("[10061]") != std::string::npos) GTEST_SKIP() << "Dovecot listens on 127.0.0.1 only";
  EXPECT_EQ(Ui.Boxes[0].Kind, TMsgKind::Error);
  EXPECT_EQ(Ui.Boxes[0].Text.rfind(
                "The connection to 127.0.0.2 failed:\r\nThe TLS certificate of 127.0.0.2 was refused: ", 0),
            0u)
      << Ui.Boxes[0].Text;
}

}  // namespace
}  // namespace mailmoat
