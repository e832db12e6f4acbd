#include "ui/review/dlgRulesReport.h"

#include "core/RulesReport.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "ui/common/QtText.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace mailmoat {

TdlgRulesReport::TdlgRulesReport(TConfigData& config, TUiHost& ui, QWidget* parent)
    : QDialog(parent), Config(config), Ui(ui) {
  setObjectName("dlgRulesReport");
  setWindowTitle("Filter Rules Report");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setMinimumWidth(420);

  auto* lblIntro = new QLabel(
      "Select the rules that you would like to include in this report and click the Generate button to continue.",
      this);
  lblIntro->setObjectName("lblIntro");
  lblIntro->setWordWrap(true);
  const auto check = [this](const char* text, const char* name) {
    auto* box = new QCheckBox(text, this);
    box->setObjectName(name);
    box->setChecked(true);
    return box;
  };
  ckSystemHdr = check("Include System &Header Rules", "ckSystemHdr");
  ckSystemBody = check("Include System &Body Rules", "ckSystemBody");
  ckUser = check("Include all &User Defined Rules", "ckUser");

  feReportFile = new QLineEdit(this);
  feReportFile->setObjectName("feReportFile");
  feReportFile->setText(TextToQString(Config.DataFile(DefaultRulesReportFileName).string()));
  auto* lblFile = new QLabel("&Save to:", this);
  lblFile->setObjectName("lblFile");
  lblFile->setBuddy(feReportFile);
  auto* btnBrowse = new QToolButton(this);
  btnBrowse->setObjectName("btnBrowse");
  btnBrowse->setText("...");
  btnBrowse->setAccessibleName("Browse");
  btnBrowse->setToolTip("Choose the report file");
  connect(btnBrowse, &QToolButton::clicked, this, [this] { Browse(); });
  ckOpen = check("&Open Report in the text editor when done", "ckOpen");

  auto* btnGenerate = new QPushButton("&Generate", this);
  btnGenerate->setObjectName("btnGenerate");
  btnGenerate->setDefault(true);
  auto* btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setAutoDefault(false);
  connect(btnGenerate, &QPushButton::clicked, this, [this] {
    // Nothing may escape a slot: whatever the report could not do is said in a box.
    try {
      if (Generate()) accept();
    } catch (const std::exception& e) {
      Config.TryWriteLog(std::string("! ") + e.what());
      Ui.MessageBox(TMsgKind::Error, e.what(), mbOK);
    }
  });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(lblFile);
  fileRow->addWidget(feReportFile, 1);
  fileRow->addWidget(btnBrowse);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnGenerate);
  buttons->addWidget(btnCancel);
  auto* column = new QVBoxLayout(this);
  column->addWidget(lblIntro);
  column->addSpacing(6);
  column->addWidget(ckSystemHdr);
  column->addWidget(ckSystemBody);
  column->addWidget(ckUser);
  column->addSpacing(6);
  column->addLayout(fileRow);
  column->addWidget(ckOpen);
  column->addStretch(1);
  column->addLayout(buttons);
}

bool TdlgRulesReport::Generate() {
  if (feReportFile->text().trimmed().isEmpty()) {
    feReportFile->setText(TextToQString(Config.DataFile(DefaultRulesReportFileName).string()));
  }
  TRulesReportOptions options;
  options.SystemHeader = ckSystemHdr->isChecked();
  options.SystemBody = ckSystemBody->isChecked();
  options.User = ckUser->isChecked();
  options.FileName = QStringToText(feReportFile->text().trimmed());
  options.OpenWhenDone = ckOpen->isChecked();
  return Config.CreateRulesReport(options);
}

void TdlgRulesReport::Browse() {
  QFileDialog dialog(this, "Save to", feReportFile->text(), "Text Files (*.txt)");
  dialog.setObjectName("dlgReportFile");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix("txt");
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    feReportFile->setText(dialog.selectedFiles().first());
  }
}

void ShowRulesReport(TConfigData& config, TUiHost& ui, QWidget* parent) {
  TdlgRulesReport dialog(config, ui, parent);
  dialog.exec();
}

}  // namespace mailmoat
