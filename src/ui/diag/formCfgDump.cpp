#include "ui/diag/formCfgDump.h"

#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "ui/common/QtText.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace mailmoat {

namespace {
constexpr const char* DefaultFileName = "mmtdump.txt";
constexpr const char* IdleSection = "n/a";
}  // namespace

TfrmCfgDump::TfrmCfgDump(const TConfigData& config, TUiHost& ui, const TDumpWindow& window, QWidget* parent)
    : QDialog(parent), Config(config), Ui(ui), Window(window) {
  setObjectName("frmCfgDump");
  setWindowTitle("Create Configuration Dump . . . .");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setMinimumWidth(480);

  auto* gbOptions = new QGroupBox("Options", this);
  gbOptions->setObjectName("gbOptions");
  fneDumpFilename = new QLineEdit(gbOptions);
  fneDumpFilename->setObjectName("fneDumpFilename");
  // The program's own folder is not writable here; its data folder is the user's.
  fneDumpFilename->setText(TextToQString(Config.DataFile(DefaultFileName).string()));
  auto* lblDumpFilename = new QLabel("Create File:", gbOptions);
  lblDumpFilename->setObjectName("lblDumpFilename");
  lblDumpFilename->setBuddy(fneDumpFilename);
  auto* btnBrowse = new QToolButton(gbOptions);
  btnBrowse->setObjectName("btnBrowseDump");
  btnBrowse->setText("...");
  btnBrowse->setAccessibleName("Browse");
  btnBrowse->setToolTip("Choose the file to create");
  connect(btnBrowse, &QToolButton::clicked, this, [this] { Browse(); });
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(lblDumpFilename);
  fileRow->addWidget(fneDumpFilename, 1);
  fileRow->addWidget(btnBrowse);

  rbBasic = new QRadioButton("Include only basic hardware and network information in the dump file.", gbOptions);
  rbBasic->setObjectName("rbBasic");
  rbDetailed = new QRadioButton("Include detailed hardware and network information in the dump file.", gbOptions);
  rbDetailed->setObjectName("rbDetailed");
  RadioButton1 = new QRadioButton("Do NOT include any hardware or network information in the dump file.", gbOptions);
  RadioButton1->setObjectName("RadioButton1");
  RadioButton1->setChecked(true);
  auto* options = new QVBoxLayout(gbOptions);
  options->addLayout(fileRow);
  options->addWidget(rbBasic);
  options->addWidget(rbDetailed);
  options->addWidget(RadioButton1);

  auto* gbProgress = new QGroupBox("Progress", this);
  gbProgress->setObjectName("gbProgress");
  auto* lblProcessingCaption = new QLabel("Processing:", gbProgress);
  lblProcessingCaption->setObjectName("lblProcessingCaption");
  lblProcessing = new QLabel(IdleSection, gbProgress);
  lblProcessing->setObjectName("lblProcessing");
  lblProcessing->setTextFormat(Qt::PlainText);
  pbProgress = new QProgressBar(gbProgress);
  pbProgress->setObjectName("pbProgress");
  pbProgress->setRange(0, 100);
  pbProgress->setValue(0);
  lblProcessingCaption->setBuddy(pbProgress);
  auto* sectionRow = new QHBoxLayout;
  sectionRow->addWidget(lblProcessingCaption);
  sectionRow->addWidget(lblProcessing, 1);
  auto* progress = new QVBoxLayout(gbProgress);
  progress->addLayout(sectionRow);
  progress->addWidget(pbProgress);

  btnCreateFile = new QPushButton("Create File", this);
  btnCreateFile->setObjectName("btnCreateFile");
  btnCreateFile->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setAutoDefault(false);
  connect(btnCreateFile, &QPushButton::clicked, this, [this] { CreateFile(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [this] { Ui.ShowHelp(CfgDumpHelpTopic); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnCreateFile);
  buttons->addWidget(btnCancel);

  auto* column = new QVBoxLayout(this);
  column->addWidget(gbOptions);
  column->addWidget(gbProgress);
  column->addStretch(1);
  column->addLayout(buttons);
}

TPath TfrmCfgDump::DumpFile() const {
  QString text = fneDumpFilename->text().trimmed();
  // As a shell would read it: no folder named "~" is wanted.
  if (text == "~" || text.startsWith("~/")) text.replace(0, 1, QDir::homePath());
  const TPath typed(QStringToText(text));
  return typed.is_absolute() ? typed : Config.Paths.ProgramDir / typed;
}

TDumpLevel TfrmCfgDump::Level() const {
  if (rbDetailed->isChecked()) return TDumpLevel::Detailed;
  if (rbBasic->isChecked()) return TDumpLevel::Basic;
  return TDumpLevel::None;
}

void TfrmCfgDump::Browse() {
  QFileDialog dialog(this, "Create File", QFileInfo(TextToQString(DumpFile().string())).path());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter("Text Files (*.txt)");
  dialog.setDefaultSuffix("txt");
  dialog.selectFile(QFileInfo(fneDumpFilename->text()).fileName());
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    fneDumpFilename->setText(dialog.selectedFiles().constFirst());
}

void TfrmCfgDump::SetBusyLook(bool busy) {
  Busy = busy;
  btnCreateFile->setEnabled(!busy);
  btnCancel->setEnabled(!busy);
  fneDumpFilename->setReadOnly(busy);
}

void TfrmCfgDump::CreateFile() {
  if (Busy) return;
  if (fneDumpFilename->text().trimmed().isEmpty()) {
    Ui.MessageBox(TMsgKind::Error, "Please enter the name of the file to create.", mbOK);
    fneDumpFilename->setFocus();
    return;
  }
  const TPath file = DumpFile();
  pbProgress->setRange(0, 100);
  pbProgress->setValue(0);
  SetBusyLook(true);
  Ui.SetBusyCursor(true);
  TDumpProgress progress;
  // The report is put together in one go; letting events through at each section is what
  // shows its name and the bar moving.
  progress.Section = [this](const std::string& section) {
    lblProcessing->setText(TextToQString(section));
    Ui.ProcessMessages();
  };
  progress.Position = [this](int position) {
    pbProgress->setValue(position);
    Ui.ProcessMessages();
  };
  std::string failure;
  try {
    WriteConfigDump(Config, file, Level(), Window, progress);
  } catch (const std::exception& e) {
    failure = "The dump file " + file.string() + " could not be written:\r\n" + e.what();
  }
  Ui.SetBusyCursor(false);
  SetBusyLook(false);
  btnCancel->setText("Close");
  if (!failure.empty()) {
    // A full bar would read as a dump that was made.
    pbProgress->setValue(0);
    lblProcessing->setText(IdleSection);
    Ui.MessageBox(TMsgKind::Error, failure, mbOK);
    fneDumpFilename->setFocus();
    return;
  }
  if (Ui.MessageBox(TMsgKind::Information, ConfigDumpCompletedText(), mbYes | mbNo) != mbYes) return;
  if (!Ui.OpenFile(file.string()))
    Ui.MessageBox(TMsgKind::Error, "The dump file " + file.string() + " could not be opened.", mbOK);
}

void TfrmCfgDump::reject() {
  if (Busy) return;
  QDialog::reject();
}

void TfrmCfgDump::closeEvent(QCloseEvent* event) {
  if (Busy) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void ShowConfigDump(const TConfigData& config, TUiHost& ui, const TDumpWindow& window, QWidget* parent) {
  TfrmCfgDump dump(config, ui, window, parent);
  dump.exec();
}

}  // namespace mailmoat
