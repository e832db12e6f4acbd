#include "ui/config/prefs/NotificationsPage.h"

#include "core/UiHost.h"
#include "ui/common/QtSound.h"
#include "ui/common/QtText.h"
#include "ui/config/ProfileBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace mailmoat {

namespace {

// Where a file chooser for `box` starts: the typed file's folder when it exists.
QString StartFolder(const QLineEdit* box, const QString& fallback) {
  const QString folder = QFileInfo(TypedPath(box)).path();
  return !TypedPath(box).isEmpty() && QFileInfo(folder).isDir() ? folder : fallback;
}

}  // namespace

TNotificationsPage::TNotificationsPage(TPrefsPageContext& context, QWidget* parent)
    : TPrefsSheet(context, "tabshtNotify", parent), Sound(std::make_unique<TQtSound>()) {
  TPreferences& p = Ctx.Prefs;
  auto* group = Group("Automatic Notifications", "grpNotify");
  auto* cbxPopup = BoundCheck("PopUp a &notification message when my mailbox contains new mail.", "cbxPopup", p.Popup);
  auto* cbxAlwaysShowPopUp = BoundCheck("Always show PopUp for new messages.", "cbxAlwaysShowPopUp", p.AlwaysPopup);
  auto* cbxDesktopNotify =
      BoundCheck("Show it as a desktop notification instead of a window.", "cbxDesktopNotify", p.DesktopNotify);
  cbxDesktopNotify->setToolTip(
      "The desktop's notification server shows the new-mail notice. Without one the window shows it;\n"
      "desktops without a tray always get the notification.");
  cbxPlayWav = BoundCheck("Play a &WAV file when my mailbox contains new mail.", "cbxPlayWav", p.PlayWav);
  fneWavFile = BoundEdit("fneWavFile", p.WavFile);
  lblWavPath = Caption("&Path:", "lblWavPath", fneWavFile);
  btnBrowseWav = BrowseButton("btnBrowseWav", "Choose the WAV file");
  btnPlay = new QToolButton(this);
  btnPlay->setObjectName("btnPlay");
  btnPlay->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
  btnPlay->setToolTip("Play WAV file");
  btnPlay->setAccessibleName("Play WAV file");

  cbxStartClient = BoundCheck("&Execute my  mail client software when my mailbox contains new mail.", "cbxStartClient",
                              p.StartClient);
  fneClient = BoundEdit("fneClient", p.ClientFile);
  fneClient->setToolTip("Path to your mail client software's executable. (required)\ne.g.: /usr/bin/thunderbird");
  auto* btnBrowseClient = BrowseButton("btnBrowseClient", "Choose the mail client program");
  auto* ebClientParams = BoundEdit("ebClientParams", p.ClientParams);
  ebClientParams->setToolTip("Any parameters necessary to startup your mail client software (optional)");
  auto* deClientFolder = BoundEdit("deClientFolder", p.ClientFolder);
  deClientFolder->setToolTip("Folder you want to start the mail client software in. (optional)");
  auto* btnBrowseFolder = BrowseButton("btnBrowseFolder", "Choose the folder to start in");
  auto* cbWinStyle = new QComboBox(this);
  cbWinStyle->setObjectName("cbWinStyle");
  cbWinStyle->addItems({"Normal", "Minimized", "Maximized", "Minimized - Not Active"});
  cbWinStyle->setToolTip("How you want your mail client to start. \ne.g. Minimized, Maximized, Normal, etc.");
  cbWinStyle->setCurrentIndex(static_cast<int>(p.ClientWindow));
  auto* lblClient = Caption("P&rogram Path:", "lblClient", fneClient);
  auto* lblClientParams = Caption("Para&meters (opt):", "lblClientParams", ebClientParams);
  auto* lblClientFolder = Caption("&Start In (opt):", "lblClientFolder", deClientFolder);
  auto* lblWinStyle = Caption("Window St&yle:", "lblWinStyle", cbWinStyle);
  ClientControls = {lblClient,       fneClient,      btnBrowseClient, lblClientParams, ebClientParams,
                    lblClientFolder, deClientFolder, btnBrowseFolder, lblWinStyle,     cbWinStyle};

  auto* grid = new QGridLayout(group);
  grid->setColumnMinimumWidth(0, 16);
  grid->setColumnStretch(2, 1);
  int row = 0;
  grid->addWidget(cbxPopup, row++, 0, 1, 4);
  grid->addWidget(cbxAlwaysShowPopUp, row++, 0, 1, 4);
  grid->addWidget(cbxDesktopNotify, row++, 0, 1, 4);
  grid->setRowMinimumHeight(row++, 6);
  grid->addWidget(cbxPlayWav, row++, 0, 1, 4);
  grid->addWidget(lblWavPath, row, 1);
  grid->addWidget(fneWavFile, row, 2);
  auto* wavButtons = new QHBoxLayout;
  wavButtons->addWidget(btnBrowseWav);
  wavButtons->addWidget(btnPlay);
  grid->addLayout(wavButtons, row++, 3);
  grid->setRowMinimumHeight(row++, 6);
  grid->addWidget(cbxStartClient, row++, 0, 1, 4);
  grid->addWidget(lblClient, row, 1);
  grid->addWidget(fneClient, row, 2);
  grid->addWidget(btnBrowseClient, row++, 3, Qt::AlignLeft);
  grid->addWidget(lblClientParams, row, 1);
  grid->addWidget(ebClientParams, row++, 2);
  grid->addWidget(lblClientFolder, row, 1);
  grid->addWidget(deClientFolder, row, 2);
  grid->addWidget(btnBrowseFolder, row++, 3, Qt::AlignLeft);
  grid->addWidget(lblWinStyle, row, 1);
  grid->addWidget(cbWinStyle, row++, 2, Qt::AlignLeft);

  auto* column = new QVBoxLayout(this);
  column->addWidget(group);
  column->addStretch(1);

  UpdateControls();
  connect(cbxPlayWav, &QCheckBox::toggled, this, [this] { UpdateControls(); });
  connect(fneWavFile, &QLineEdit::textChanged, this, [this] { UpdateControls(); });
  connect(cbxStartClient, &QCheckBox::toggled, this, [this] { UpdateControls(); });
  connect(btnBrowseWav, &QToolButton::clicked, this, [this] { BrowseWavFile(); });
  connect(btnPlay, &QToolButton::clicked, this, [this] { PlayWavFile(); });
  connect(btnBrowseClient, &QToolButton::clicked, this, [this] { BrowseProgram(); });
  connect(btnBrowseFolder, &QToolButton::clicked, this,
          [deClientFolder] { ChooseFolder(deClientFolder, "Start In", QDir::homePath()); });
  connect(cbWinStyle, &QComboBox::currentIndexChanged, this, [this](int index) {
    Ctx.Prefs.ClientWindow = static_cast<TClientWindow>(index);
    MarkChanged();
  });
}

TNotificationsPage::~TNotificationsPage() = default;

void TNotificationsPage::UpdateControls() {
  const bool wav = cbxPlayWav->isChecked();
  for (QWidget* control :
       {static_cast<QWidget*>(lblWavPath), static_cast<QWidget*>(fneWavFile), static_cast<QWidget*>(btnBrowseWav)})
    control->setEnabled(wav);
  btnPlay->setEnabled(wav && !TypedPath(fneWavFile).isEmpty());
  for (QWidget* control : ClientControls) control->setEnabled(cbxStartClient->isChecked());
}

void TNotificationsPage::BrowseWavFile() {
  const QString file = QFileDialog::getOpenFileName(window(), "WAV file", StartFolder(fneWavFile, QDir::homePath()),
                                                    "WAV Files (*.wav *.WAV);;All files (*)");
  if (!file.isEmpty()) fneWavFile->setText(file);
}

void TNotificationsPage::BrowseProgram() {
  // Any executable file is a program here, whatever its name.
  const QString file =
      QFileDialog::getOpenFileName(window(), "Program Path", StartFolder(fneClient, "/usr/bin"), "All files (*)");
  if (file.isEmpty()) return;
  if (!QFileInfo(file).isExecutable()) {
    Ctx.Ui.MessageBox(TMsgKind::Warning, "This file is not a program that can be started:\r\n" + QStringToText(file),
                      mbOK);
    return;
  }
  fneClient->setText(file);
}

void TNotificationsPage::PlayWavFile() {
  std::string error;
  if (!Sound->Play(QStringToText(TypedPath(fneWavFile)), error)) Ctx.Ui.MessageBox(TMsgKind::Error, error, mbOK);
}

}  // namespace mailmoat
