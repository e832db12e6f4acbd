#include "ui/config/frmProfileEditor.h"

#include "check/ConnectionTest.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "ui/common/QtText.h"
#include "ui/config/ProfileBoxes.h"
#include "ui/config/dlgProfileWizard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace mailmoat {

TfrmProfileEditor::TfrmProfileEditor(TConfigData& config, TUiHost& ui, QWidget* parent)
    : QDialog(parent), Config(config), Ui(ui) {
  setObjectName("frmProfileEditor");
  setWindowTitle("POP3 Account Editor");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setMinimumWidth(460);

  auto* grid = new QGridLayout;
  int row = 0;
  const auto box = [this, grid, &row](const char* name, const char* labelName, const char* text, int maxLength) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    auto* label = new QLabel(text, this);
    label->setObjectName(labelName);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1, 1, 2);
    ++row;
    connect(edit, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    return edit;
  };
  ebName = box("ebName", "lblName", "Profile &Name (must be unique):", MaxProfileName);
  ebServer = box("ebServer", "lblServer", "Fully &Qualified Server Name (e.g. pop.example.net):", MaxProfileServer);
  ebLogin = box("ebLogin", "lblLogin", "Your &login name for this server:", MaxProfileLogin);
  ebPassword = box("ebPassword", "lblPassword", "Login Pa&ssword:", MaxProfilePassword);
  ebPassword->setEchoMode(QLineEdit::Password);
  connect(ebServer, &QLineEdit::editingFinished, this, [this] { UpdateButtons(); });

  sePort = MakePortBox(this);
  cbSecurity = MakeSecurityBox(sePort, this);
  auto* lblPort = new QLabel("&Port:", this);
  lblPort->setObjectName("lblPort");
  lblPort->setBuddy(sePort);
  auto* lblSecurity = new QLabel("Se&curity:", this);
  lblSecurity->setObjectName("lblSecurity");
  lblSecurity->setBuddy(cbSecurity);
  auto* connection = new QHBoxLayout;
  connection->addWidget(sePort);
  connection->addSpacing(12);
  connection->addWidget(lblSecurity);
  connection->addWidget(cbSecurity);
  connection->addStretch(1);
  grid->addWidget(lblPort, row, 0);
  grid->addLayout(connection, row, 1, 1, 2);
  ++row;
  grid->setColumnStretch(1, 1);

  ckbxEnabled = new QCheckBox("This profile is enabled and will be screened for spam", this);
  ckbxEnabled->setObjectName("ckbxEnabled");
  ckbxArchive = new QCheckBox("Archive eaten (deleted) messages as text files", this);
  ckbxArchive->setObjectName("ckbxArchive");
  lblPath = new QLabel("Path for archived messages:", this);
  lblPath->setObjectName("lblPath");
  dedtArchivePath = new QLineEdit(this);
  dedtArchivePath->setObjectName("dedtArchivePath");
  dedtArchivePath->setMaxLength(MaxArchiveDir);
  lblPath->setBuddy(dedtArchivePath);
  btnBrowseArchive = new QToolButton(this);
  btnBrowseArchive->setObjectName("btnBrowseArchive");
  btnBrowseArchive->setText("...");
  btnBrowseArchive->setAccessibleName("Browse");
  btnBrowseArchive->setToolTip("Choose the folder for archived messages");
  connect(ckbxEnabled, &QCheckBox::toggled, this, [this] { UpdateButtons(); });
  connect(ckbxArchive, &QCheckBox::toggled, this, [this] { ArchiveChanged(); });
  connect(dedtArchivePath, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
  connect(btnBrowseArchive, &QToolButton::clicked, this, [this] { BrowseFolder(); });
  auto* pathRow = new QHBoxLayout;
  pathRow->addSpacing(20);
  pathRow->addWidget(dedtArchivePath, 1);
  pathRow->addWidget(btnBrowseArchive);

  btnWizard = new QPushButton("Profile &Wizard", this);
  btnWizard->setObjectName("btnWizard");
  btnTest = new QPushButton("&Test connection", this);
  btnTest->setObjectName("btnTest");
  btnTest->setToolTip("Log in to the server with these values and out again");
  btnOk = new QPushButton("Save", this);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  for (QPushButton* b : {btnWizard, btnTest, btnCancel}) b->setAutoDefault(false);
  connect(btnWizard, &QPushButton::clicked, this, [this] { RunWizard(); });
  connect(btnTest, &QPushButton::clicked, this, [this] { TestConnection(); });
  connect(btnOk, &QPushButton::clicked, this, [this] { Save(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [this] { Ui.ShowHelp(HelpTopic); });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnWizard);
  buttons->addWidget(btnTest);
  buttons->addStretch(1);
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);

  auto* column = new QVBoxLayout(this);
  column->addLayout(grid);
  column->addSpacing(6);
  column->addWidget(ckbxEnabled);
  column->addWidget(ckbxArchive);
  column->addWidget(lblPath);
  column->addLayout(pathRow);
  column->addSpacing(8);
  column->addStretch(1);
  column->addLayout(buttons);

  SetProfile(ProfileRecord{});
}

void TfrmProfileEditor::SetProfile(const ProfileRecord& profile) {
  Shown = profile;
  ebName->setText(TextToQString(profile.Name));
  ebServer->setText(TextToQString(profile.Server));
  ebLogin->setText(TextToQString(profile.Login));
  ebPassword->setText(TextToQString(profile.Password));
  sePort->setValue(profile.Port);
  ShowSecurity(cbSecurity, profile.Security);
  ckbxEnabled->setChecked(profile.Enabled);
  ckbxArchive->setChecked(profile.Archive);
  dedtArchivePath->setText(TextToQString(profile.ArchiveDir));
  ArchiveChanged();
}

ProfileRecord TfrmProfileEditor::Values() const {
  ProfileRecord profile = Shown;
  StoreTo(profile);
  return profile;
}

void TfrmProfileEditor::StoreTo(ProfileRecord& profile) const {
  profile.Name = QStringToText(ebName->text(), MaxProfileName);
  // A blank typed around a host name or a folder would make it unreachable.
  profile.Server = QStringToText(ebServer->text().trimmed(), MaxProfileServer);
  profile.Login = QStringToText(ebLogin->text(), MaxProfileLogin);
  profile.Password = QStringToText(ebPassword->text(), MaxProfilePassword);
  profile.Port = static_cast<std::uint16_t>(sePort->value());
  profile.Security = ChosenSecurity(cbSecurity);
  profile.Enabled = ckbxEnabled->isChecked();
  profile.Archive = ckbxArchive->isChecked();
  profile.ArchiveDir = QStringToText(dedtArchivePath->text().trimmed(), MaxArchiveDir);
}

bool TfrmProfileEditor::CanSave() const {
  // Blanks alone are no name, server, login or folder; a password may be anything.
  const auto given = [](const QLineEdit* box) { return !box->text().trimmed().isEmpty(); };
  return given(ebName) && given(ebServer) && given(ebLogin) && !ebPassword->text().isEmpty() &&
         (!ckbxArchive->isChecked() || given(dedtArchivePath));
}

void TfrmProfileEditor::UpdateButtons() {
  btnOk->setEnabled(!Testing && CanSave());
  btnTest->setEnabled(!Testing && !ebServer->text().trimmed().isEmpty() && !ebLogin->text().isEmpty());
  btnWizard->setEnabled(!Testing);
  btnCancel->setEnabled(!Testing);
}

void TfrmProfileEditor::ArchiveChanged() {
  const bool archive = ckbxArchive->isChecked();
  lblPath->setEnabled(archive);
  dedtArchivePath->setEnabled(archive);
  btnBrowseArchive->setEnabled(archive);
  UpdateButtons();
}

void TfrmProfileEditor::BrowseFolder() {
  ChooseFolder(dedtArchivePath, "Path for archived messages", TextToQString(Config.Paths.ProgramDir.string()));
}

void TfrmProfileEditor::RunWizard() {
  TdlgProfileWizard wizard(Config, Ui, this);
  wizard.SetProfile(Values());
  if (wizard.exec() != QDialog::Accepted) return;
  ProfileRecord profile = Values();
  wizard.StoreTo(profile);
  profile.Enabled = true;
  SetProfile(profile);
}

void TfrmProfileEditor::TestConnection() {
  if (Testing) return;
  // The test lets events run while it waits: every button that could end the dialog or
  // start a second test is off until it is over.
  Testing = true;
  UpdateButtons();
  Ui.SetBusyCursor(true);
  TConnectionTestResult result;
  try {
    result = TestProfileConnection(Values(), Config, [this] { Ui.ProcessMessages(); });
  } catch (const std::exception& e) {
    result = {false, e.what()};
  }
  Ui.SetBusyCursor(false);
  Testing = false;
  UpdateButtons();
  Ui.MessageBox(result.Ok ? TMsgKind::Information : TMsgKind::Error, result.Text, mbOK, 0, "Test connection");
}

void TfrmProfileEditor::Save() {
  if (Testing || !CanSave()) return;
  if (ckbxArchive->isChecked()) {
    const TPath folder = Config.ArchivePath(Values());
    if (!DirectoryExists(folder)) {
      const std::string text = "The folder " + folder.string() + " does not exist.\r\nCreate it now?";
      if (Ui.MessageBox(TMsgKind::Confirmation, text, mbYes | mbNo, 0, {}, mbYes) != mbYes) {
        dedtArchivePath->setFocus();
        return;
      }
      try {
        ForceDirectories(folder);
      } catch (const EInOutError& e) {
        Ui.MessageBox(TMsgKind::Error, e.what(), mbOK);
        dedtArchivePath->setFocus();
        return;
      }
    }
  }
  accept();
}

void TfrmProfileEditor::reject() {
  // Escape and the close box wait for a running test, which has its own time-out.
  if (!Testing) QDialog::reject();
}

bool EditProfile(TConfigData& config, TUiHost& ui, ProfileRecord& profile, QWidget* parent) {
  TfrmProfileEditor editor(config, ui, parent);
  editor.SetProfile(profile);
  if (editor.exec() != QDialog::Accepted) return false;
  editor.StoreTo(profile);
  return true;
}

}  // namespace mailmoat
