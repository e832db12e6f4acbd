#include "ui/config/dlgClientSettings.h"

#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "platform/FileSystem.h"
#include "ui/common/QtText.h"
#include "ui/config/ProfileBoxes.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

namespace mailmoat {

namespace {

// The show-window codes the notifier passes on when it starts the client.
constexpr std::array<int, 4> WinStyleCodes = {1, 2, 3, 7};

}  // namespace

int WinStyleIndex(int code) {
  for (std::size_t i = 0; i < WinStyleCodes.size(); ++i)
    if (WinStyleCodes[i] == code) return static_cast<int>(i);
  return 0;
}

int WinStyleCode(int index) {
  return index >= 0 && index < static_cast<int>(WinStyleCodes.size()) ? WinStyleCodes[static_cast<std::size_t>(index)]
                                                                      : WinStyleCodes[0];
}

TdlgClientSettings::TdlgClientSettings(TConfigData& config, TUiHost& ui, QWidget* parent)
    : QDialog(parent), Config(config), Ui(ui) {
  setObjectName("dlgClientSettings");
  setWindowTitle("E-Mail Client Software Settings");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setMinimumWidth(460);

  auto* lblText = new QLabel(
      "For Mailmoat Pro to start your email client software, the following information must be completed. Please "
      "refer to Help for details on these fields.\n\nComplete the information below and click OK when done.",
      this);
  lblText->setObjectName("lblText");
  lblText->setWordWrap(true);

  const auto lineEdit = [this](const char* name, const std::string& value, const char* hint) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setText(TextToQString(value));
    edit->setToolTip(hint);
    return edit;
  };
  fneClient = lineEdit("fneClient", Config.ClientFile,
                       "Path to your mail client software's executable. (required)\ne.g.: /usr/bin/thunderbird");
  ebClientParams = lineEdit("ebClientParams", Config.ClientParams,
                            "Any parameters necessary to startup your mail client software (optional)");
  deClientFolder = lineEdit("deClientFolder", Config.ClientFolder,
                            "Folder you want to start the mail client software in. (optional)");
  cbWinStyle = new QComboBox(this);
  cbWinStyle->setObjectName("cbWinStyle");
  cbWinStyle->addItems({"Normal", "Minimized", "Maximized", "Minimized - Not Active"});
  cbWinStyle->setToolTip("How you want your mail client to start. \ne.g. Minimized, Maximized, Normal, etc.");
  cbWinStyle->setCurrentIndex(WinStyleIndex(Config.ClientWin));

  auto* btnBrowseClient = MakeBrowseButton("btnBrowseClient", "Choose the mail client program", this);
  auto* btnBrowseFolder = MakeBrowseButton("btnBrowseFolder", "Choose the folder to start in", this);
  connect(btnBrowseClient, &QToolButton::clicked, this, [this] { BrowseProgram(); });
  connect(btnBrowseFolder, &QToolButton::clicked, this,
          [this] { ChooseFolder(deClientFolder, "Start In", QDir::homePath()); });
  const auto withButton = [](QLineEdit* edit, QToolButton* button) {
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(button);
    return row;
  };

  auto* form = new QFormLayout;
  const auto label = [this](const char* text, const char* name, QWidget* buddy) {
    auto* l = new QLabel(text, this);
    l->setObjectName(name);
    l->setBuddy(buddy);
    return l;
  };
  form->addRow(label("P&rogram Path:", "lblClient", fneClient), withButton(fneClient, btnBrowseClient));
  form->addRow(label("Para&meters (opt):", "lblClientParams", ebClientParams), ebClientParams);
  form->addRow(label("&Start In (opt):", "lblClientFolder", deClientFolder),
               withButton(deClientFolder, btnBrowseFolder));
  form->addRow(label("Window St&yle:", "lblWinStyle", cbWinStyle), cbWinStyle);

  auto* btnOK = new QPushButton("OK", this);
  btnOK->setObjectName("btnOK");
  btnOK->setDefault(true);
  auto* btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  auto* btnHelp = new QPushButton("&Help", this);
  btnHelp->setObjectName("btnHelp");
  for (QPushButton* b : {btnCancel, btnHelp}) b->setAutoDefault(false);
  connect(btnOK, &QPushButton::clicked, this, [this] { Save(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnHelp, &QPushButton::clicked, this, [this] { Ui.ShowHelp(HelpTopic); });
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [this] { Ui.ShowHelp(HelpTopic); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  buttons->addWidget(btnHelp);

  auto* column = new QVBoxLayout(this);
  column->addWidget(lblText);
  column->addSpacing(6);
  column->addLayout(form);
  column->addSpacing(8);
  column->addStretch(1);
  column->addLayout(buttons);
}

void TdlgClientSettings::BrowseProgram() {
  const QString typed = TypedPath(fneClient);
  const QString start = typed.isEmpty() ? QString("/usr/bin") : QFileInfo(typed).path();
  const QString chosen = QFileDialog::getOpenFileName(this, "Program Path", start);
  if (!chosen.isEmpty()) fneClient->setText(chosen);
}

void TdlgClientSettings::Save() {
  QString program = TypedPath(fneClient);
  // A program named as on a command line is stored with its path, which the notifier needs.
  if (!program.isEmpty() && !program.contains(QLatin1Char('/'))) {
    const QString found = QStandardPaths::findExecutable(program);
    if (!found.isEmpty()) program = found;
  }
  const QString folder = TypedPath(deClientFolder);
  // The notifier would find out only when mail is waiting, with nobody at the screen.
  if (program.isEmpty()) {
    Ui.MessageBox(TMsgKind::Warning, "Please enter or select the program file of your email client software.", mbOK);
    fneClient->setFocus();
    return;
  }
  if (!FileExists(QStringToText(program))) {
    Ui.MessageBox(TMsgKind::Warning,
                  "Unable to locate the program file of your email client software:\r\n" + QStringToText(program),
                  mbOK);
    fneClient->setFocus();
    return;
  }
  if (!folder.isEmpty() && !DirectoryExists(QStringToText(folder))) {
    Ui.MessageBox(TMsgKind::Warning,
                  "Unable to locate the folder to start your email client software in:\r\n" + QStringToText(folder),
                  mbOK);
    deClientFolder->setFocus();
    return;
  }
  Config.ClientFile = QStringToText(program);
  Config.ClientParams = QStringToText(ebClientParams->text());
  Config.ClientFolder = QStringToText(folder);
  Config.ClientWin = WinStyleCode(cbWinStyle->currentIndex());
  accept();
}

bool EditClientSettings(TConfigData& config, TUiHost& ui, QWidget* parent) {
  TdlgClientSettings dialog(config, ui, parent);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace mailmoat
