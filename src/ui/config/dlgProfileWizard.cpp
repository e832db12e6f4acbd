#include "ui/config/dlgProfileWizard.h"

#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "ui/common/QtText.h"
#include "ui/common/WizardPages.h"
#include "ui/config/ProfileBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace mailmoat {

namespace {

constexpr const char* WizardCaption = "POP3 Profile Setup Wizard";

QLabel* WrappedLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setWordWrap(true);
  return label;
}

QLineEdit* Box(const char* name, int maxLength, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setMaxLength(maxLength);
  return edit;
}

QLabel* BuddyLabel(const char* text, const char* name, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setBuddy(buddy);
  return label;
}

bool Given(const QLineEdit* box) {
  return !box->text().trimmed().isEmpty();
}

}  // namespace

TdlgProfileWizard::TdlgProfileWizard(TConfigData& config, TUiHost& ui, QWidget* parent)
    : TWizardFrame(parent), Config(config), Ui(ui) {
  setObjectName("dlgProfileWizard");
  setWindowTitle("Mailmoat Pro POP3 Profile Wizard");
  setMinimumSize(520, 380);
  if (auto* pages = findChild<QStackedWidget*>("pgWizard")) pages->setAccessibleName(WizardCaption);

  QVBoxLayout* body = nullptr;
  QWidget* namePage = WizardInteriorPage("wpDisplayName", "Display Name", {}, body, WizardCaption);
  edtName = Box("edtName", MaxProfileName, namePage);
  body->addWidget(WrappedLabel(
      "This is the text that will be displayed in the status bar and in the Mailmoat Pro log file when the mailbox "
      "defined by this profile is being checked for spam. This can be any text you want, but must be unique - it "
      "cannot be the same as is used in another POP3 profile in Mailmoat Pro. (You may enter up to 24 characters)",
      "lblNameText", namePage));
  body->addSpacing(12);
  body->addWidget(BuddyLabel("&Display Name:", "lblName", edtName, namePage));
  body->addWidget(edtName);
  body->addWidget(WrappedLabel("For example: My Mail Account", "lblNameExample", namePage));
  body->addStretch(1);

  QWidget* serverPage = WizardInteriorPage("wpServerName", "E-mail Server Name", {}, body, WizardCaption);
  edtMailServer = Box("edtMailServer", MaxProfileServer, serverPage);
  sePort = MakePortBox(serverPage);
  cbSecurity = MakeSecurityBox(sePort, serverPage);
  body->addWidget(WrappedLabel(
      "This is the name (or IP address) of the POP3 mail server at your ISP where you retrieve your email. This is "
      "the same as you use in your email software (e.g. Eudora, Outlook Express, etc) for the Incoming or POP3 mail "
      "server.",
      "lblServerText", serverPage));
  body->addSpacing(12);
  body->addWidget(BuddyLabel("&Incoming (POP3) mail server:", "lblMailServer", edtMailServer, serverPage));
  body->addWidget(edtMailServer);
  body->addWidget(WrappedLabel("For example: pop.example.net or mail.example.org", "lblServerExample", serverPage));
  body->addSpacing(12);
  auto* connection = new QHBoxLayout;
  connection->addWidget(BuddyLabel("&Port:", "lblPort", sePort, serverPage));
  connection->addWidget(sePort);
  connection->addSpacing(12);
  connection->addWidget(BuddyLabel("Se&curity:", "lblSecurity", cbSecurity, serverPage));
  connection->addWidget(cbSecurity);
  connection->addStretch(1);
  body->addLayout(connection);
  body->addStretch(1);

  QWidget* logonPage = WizardInteriorPage("wpLogon", "Internet Mail Account Logon", {}, body, WizardCaption);
  edtUsername = Box("edtUsername", MaxProfileLogin, logonPage);
  edtPassword = Box("edtPassword", MaxProfilePassword, logonPage);
  edtPassword->setEchoMode(QLineEdit::Password);
  body->addWidget(WrappedLabel(
      "Type the account name (user name) and password that your Internet Service Provider (ISP) has given you for "
      "accessing your e-mail.",
      "lblLogonText", logonPage));
  body->addSpacing(12);
  auto* logon = new QFormLayout;
  logon->addRow(BuddyLabel("Account name (user name):", "lblUsername", edtUsername, logonPage), edtUsername);
  logon->addRow(BuddyLabel("Password:", "lblPassword", edtPassword, logonPage), edtPassword);
  body->addLayout(logon);
  body->addStretch(1);

  QWidget* archivePage = WizardInteriorPage("wpArchive", "Rejected Message Archiving", {}, body, WizardCaption);
  ckArchive = new QCheckBox("&Archive all rejected messages to the following directory (folder):", archivePage);
  ckArchive->setObjectName("ckArchive");
  deArchiveFolder = Box("deArchiveFolder", MaxArchiveDir, archivePage);
  deArchiveFolder->setAccessibleName("Archive directory");
  btnBrowseArchive = new QToolButton(archivePage);
  btnBrowseArchive->setObjectName("btnBrowseArchive");
  btnBrowseArchive->setText("...");
  btnBrowseArchive->setAccessibleName("Browse");
  btnBrowseArchive->setToolTip("Choose the archive directory");
  body->addWidget(WrappedLabel(
      "With Mailmoat Pro, you have the option of having rejected messages retrieved and saved to a text file on your "
      "system before deleting from the mail server. If you wish to enable this option, check the checkbox below, and "
      "select the directory to save the messages to.",
      "lblArchiveText", archivePage));
  body->addSpacing(8);
  body->addWidget(ckArchive);
  auto* folderRow = new QHBoxLayout;
  folderRow->addSpacing(20);
  folderRow->addWidget(deArchiveFolder, 1);
  folderRow->addWidget(btnBrowseArchive);
  body->addLayout(folderRow);
  body->addSpacing(8);
  body->addWidget(WrappedLabel(
      "Please note: It is not recommended that you use the Mailmoat Pro directory for your account archive "
      "directories. It is recommended that you create an archive directory specifically for this purpose - unique "
      "to each account you have setup in Mailmoat.",
      "lblArchiveNote", archivePage));
  body->addStretch(1);
  const auto archiveChanged = [this] {
    deArchiveFolder->setEnabled(ckArchive->isChecked());
    btnBrowseArchive->setEnabled(ckArchive->isChecked());
  };
  connect(ckArchive, &QCheckBox::toggled, this, archiveChanged);
  connect(btnBrowseArchive, &QToolButton::clicked, this, [this] { BrowseFolder(); });
  archiveChanged();

  QWidget* completePage = WizardOuterPage(
      "wpComplete", "Congratulations!",
      "You have successfully entered all the information required\nto setup your Mailmoat Pro POP3 Profile.\n\n"
      "To save this new profile, click Finish, and then click the \nSave button on the previous window.");

  PageName = AddPage(namePage);
  PageServer = AddPage(serverPage);
  PageLogon = AddPage(logonPage);
  PageArchive = AddPage(archivePage);
  PageComplete = AddPage(completePage, {true, false, true});
  AddRoute(RouteDefault, {PageName, PageServer, PageLogon, PageArchive, PageComplete});
  SetEnterHook([this](int page) { EnterPage(page); });
  // Finish is checked like Next: the last page has nothing to check.
  SetLeaveHook([this](int from, int, bool) { return LeavePage(from); });

  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [this] { Ui.ShowHelp(HelpTopic); });
}

void TdlgProfileWizard::SetProfile(const ProfileRecord& profile) {
  edtName->setText(TextToQString(profile.Name));
  edtMailServer->setText(TextToQString(profile.Server));
  sePort->setValue(profile.Port);
  ShowSecurity(cbSecurity, profile.Security);
  edtUsername->setText(TextToQString(profile.Login));
  edtPassword->setText(TextToQString(profile.Password));
  ckArchive->setChecked(profile.Archive);
  deArchiveFolder->setText(TextToQString(profile.ArchiveDir));
}

void TdlgProfileWizard::StoreTo(ProfileRecord& profile) const {
  profile.Name = QStringToText(edtName->text(), MaxProfileName);
  profile.Server = QStringToText(edtMailServer->text().trimmed(), MaxProfileServer);
  profile.Port = static_cast<std::uint16_t>(sePort->value());
  profile.Security = ChosenSecurity(cbSecurity);
  profile.Login = QStringToText(edtUsername->text(), MaxProfileLogin);
  profile.Password = QStringToText(edtPassword->text(), MaxProfilePassword);
  profile.Archive = ckArchive->isChecked();
  // Without archiving the folder the profile had is kept for the next time it is ticked.
  if (profile.Archive) profile.ArchiveDir = QStringToText(deArchiveFolder->text().trimmed(), MaxArchiveDir);
}

void TdlgProfileWizard::EnterPage(int page) {
  if (auto* finish = findChild<QPushButton*>("btnFinish")) finish->setVisible(page == PageComplete);
  if (page == PageName) edtName->setFocus();
  if (page == PageServer) edtMailServer->setFocus();
  if (page == PageLogon) edtUsername->setFocus();
  if (page == PageArchive) ckArchive->setFocus();
}

bool TdlgProfileWizard::Refuse(const char* text, QWidget* focus) {
  Ui.MessageBox(TMsgKind::Warning, text, mbOK);
  if (focus != nullptr) focus->setFocus();
  return false;
}

bool TdlgProfileWizard::LeavePage(int from) {
  if (from == PageName && !Given(edtName)) return Refuse("Please enter a display name first.", edtName);
  if (from == PageServer && !Given(edtMailServer))
    return Refuse("Please enter the name or IP of the mail server first.", edtMailServer);
  if (from == PageLogon && (!Given(edtUsername) || edtPassword->text().isEmpty()))
    return Refuse("Please enter your account name and password first.", Given(edtUsername) ? edtPassword : edtUsername);
  if (from == PageArchive && ckArchive->isChecked()) {
    if (!Given(deArchiveFolder)) return Refuse("Please enter or select the archive directory first.", deArchiveFolder);
    return MakeArchiveFolder();
  }
  return true;
}

bool TdlgProfileWizard::MakeArchiveFolder() {
  ProfileRecord profile;
  StoreTo(profile);
  const TPath folder = Config.ArchivePath(profile);
  if (DirectoryExists(folder)) return true;
  try {
    ForceDirectories(folder);
    return true;
  } catch (const EInOutError& e) {
    Ui.MessageBox(TMsgKind::Error, e.what(), mbOK);
    deArchiveFolder->setFocus();
    return false;
  }
}

void TdlgProfileWizard::BrowseFolder() {
  ChooseFolder(deArchiveFolder, "Archive directory", TextToQString(Config.Paths.ProgramDir.string()));
}

}  // namespace mailmoat
