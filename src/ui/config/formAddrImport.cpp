#include "ui/config/formAddrImport.h"

#include "core/UiHost.h"
#include "ui/config/ProfileBoxes.h"
#include "ui/config/dlgSelectImport.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace mailmoat {

namespace {

constexpr const char* BuildingText = "Building import list ...";

}  // namespace

TdlgAddrImport::TdlgAddrImport(std::vector<ApprovedSenderRecord>& senders, TUiHost& ui, TPath home, QWidget* parent)
    : QDialog(parent), Senders(senders), Ui(ui), Home(std::move(home)) {
  setObjectName("dlgAddrImport");
  setWindowTitle("Mailmoat Pro - Address Import");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setMinimumWidth(460);

  auto* lblIntro = new QLabel(
      "To import email addresses and/or domains to the Mailmoat Pro Approved Senders list, select the appropriate "
      "options below and click the Import button.",
      this);
  lblIntro->setObjectName("lblIntro");
  lblIntro->setWordWrap(true);

  cbSource = new QComboBox(this);
  cbSource->setObjectName("cbSource");
  cbSource->addItems({"Thunderbird Address Book", "Specific address book file (vCard or abook.sqlite)",
                      "Folder of vCard files", "Comma-delimited text file"});
  auto* lblSource = new QLabel("&Import from:", this);
  lblSource->setObjectName("lblSource");
  lblSource->setBuddy(cbSource);
  feWabFile = new QLineEdit(this);
  feWabFile->setObjectName("feWabFile");
  lblFile = new QLabel("&Specific File:", this);
  lblFile->setObjectName("lblFile");
  lblFile->setBuddy(feWabFile);
  btnBrowse = MakeBrowseButton("btnBrowse", "Choose the file to import", this);
  connect(btnBrowse, &QToolButton::clicked, this, [this] { Browse(); });

  rbAddAll = new QRadioButton("Add &all addresses that don't already exist in Senders list.", this);
  rbAddAll->setObjectName("rbAddAll");
  rbAddAll->setChecked(true);
  rbSelect = new QRadioButton("Add only those email addresses which I will &select.", this);
  rbSelect->setObjectName("rbSelect");

  btnImport = new QPushButton("&Import", this);
  btnImport->setObjectName("btnImport");
  btnImport->setAutoDefault(false);
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  // Return must not start an import by a slip; it cancels, as Escape does.
  btnCancel->setDefault(true);
  connect(btnImport, &QPushButton::clicked, this, [this] { Import(); });
  connect(btnCancel, &QPushButton::clicked, this, &TdlgAddrImport::reject);

  auto* grid = new QGridLayout;
  grid->addWidget(lblSource, 0, 0);
  grid->addWidget(cbSource, 0, 1, 1, 2);
  grid->addWidget(lblFile, 1, 0);
  grid->addWidget(feWabFile, 1, 1);
  grid->addWidget(btnBrowse, 1, 2);
  grid->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnImport);
  buttons->addWidget(btnCancel);
  auto* column = new QVBoxLayout(this);
  column->addWidget(lblIntro);
  column->addLayout(grid);
  column->addWidget(rbAddAll);
  column->addWidget(rbSelect);
  column->addStretch(1);
  column->addLayout(buttons);
  column->setSizeConstraint(QLayout::SetMinimumSize);

  cbSource->setCurrentIndex(AddressBookFile);
  connect(cbSource, &QComboBox::currentIndexChanged, this, [this] { SourceChanged(); });
  SourceChanged();
}

void TdlgAddrImport::SourceChanged() {
  const int source = cbSource->currentIndex();
  const bool needsPath = source != ThunderbirdBook;
  for (QWidget* w : std::initializer_list<QWidget*>{lblFile, feWabFile, btnBrowse}) w->setEnabled(needsPath);
  lblFile->setText(source == VCardFolder ? "&Specific Folder:" : "&Specific File:");
  btnBrowse->setToolTip(source == VCardFolder ? "Choose the folder of vCard files" : "Choose the file to import");
}

void TdlgAddrImport::Browse() {
  const QString typed = TypedPath(feWabFile);
  QString start = typed.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) : typed;
  if (!QFileInfo(start).exists()) start = QDir::homePath();
  QString chosen;
  switch (cbSource->currentIndex()) {
    case VCardFolder: chosen = QFileDialog::getExistingDirectory(this, "Folder of vCard files", start); break;
    case TextFile:
      chosen =
          QFileDialog::getOpenFileName(this, "Text file", start, "CSV File (*.csv);;TXT File (*.txt);;Any File (*)");
      break;
    default:
      chosen = QFileDialog::getOpenFileName(this, "Address book", start,
                                            "Address books (*.vcf *.sqlite);;vCard files (*.vcf);;Any File (*)");
      break;
  }
  if (!chosen.isEmpty()) feWabFile->setText(QDir::toNativeSeparators(chosen));
}

bool TdlgAddrImport::Refuse(const char* text, QWidget* focus) {
  Ui.MessageBox(TMsgKind::Warning, text, mbOK);
  focus->setFocus(Qt::OtherFocusReason);
  return false;
}

bool TdlgAddrImport::ReadSource(std::vector<TAddrRecord>& candidates) {
  const int source = cbSource->currentIndex();
  if (source == ThunderbirdBook) {
    const std::vector<TPath> books = ThunderbirdAddressBooks(Home);
    if (books.empty())
      return Refuse("No Thunderbird address book was found in your home folder.\r\nChoose another source to import.",
                    cbSource);
    for (const TPath& book : books) {
      std::vector<TAddrRecord> found = ReadThunderbirdBook(book);
      candidates.insert(candidates.end(), found.begin(), found.end());
    }
    return true;
  }
  const QString typed = TypedPath(feWabFile).remove('"');
  const TPath path(QFile::encodeName(typed).toStdString());
  const QFileInfo info(typed);
  switch (source) {
    case VCardFolder:
      if (!info.isDir())
        return Refuse("Unable to locate the specified folder.\r\nPlease browse to the folder you wish to import.",
                      feWabFile);
      candidates = ReadVCardFolder(path);
      return true;
    case TextFile:
      if (!info.isFile())
        return Refuse(
            "Unable to locate specified file. Please browse to locate\r\nthe file you wish to import into Mailmoat "
            "Pro.",
            feWabFile);
      candidates = ReadTextAddresses(ReadWholeFile(path));
      return true;
    default:
      if (!info.isFile())
        return Refuse("Unable to locate the specified address book.\r\nPlease browse to the file you wish to import.",
                      feWabFile);
      candidates = ReadAddressBookFile(path);
      return true;
  }
}

void TdlgAddrImport::Import() {
  if (cbSource->currentIndex() < 0) {
    Refuse("Select the import source first.", cbSource);
    return;
  }
  std::vector<TAddrRecord> candidates;
  SetBusy(true);
  Ui.BusySetCaption(BuildingText);
  Ui.BusyShow();
  bool read = false;
  try {
    read = ReadSource(candidates);
  } catch (const std::exception& e) {
    Ui.BusyHide();
    SetBusy(false);
    Ui.MessageBox(TMsgKind::Error, e.what(), mbOK);
    done(Rejected);
    return;
  }
  Ui.BusyHide();
  if (!read) {
    SetBusy(false);
    return;
  }
  bool add = true;
  if (candidates.empty()) {
    Ui.MessageBox(TMsgKind::Error, "No addresses found in import source.", mbOK);
    add = false;
  } else if (rbSelect->isChecked()) {
    TdlgSelectImport pick(candidates, Ui, this);
    add = pick.exec() == QDialog::Accepted;
  }
  if (add) {
    Ui.BusySetCaption("Importing email addresses ...");
    Ui.BusyShow();
    Counts = AddImportedSenders(Senders, candidates);
    Ui.BusyHide();
  }
  SetBusy(false);
  if (Counts.Imported > 0 || Counts.Duplicates > 0)
    Ui.MessageBox(TMsgKind::Information,
                  "Import Results:\r\nImported Addresses: " + std::to_string(Counts.Imported) +
                      "\r\nDuped Addresses: " + std::to_string(Counts.Duplicates),
                  mbOK);
  done(Accepted);
}

void TdlgAddrImport::SetBusy(bool busy) {
  Busy = busy;
  btnImport->setEnabled(!busy);
  btnCancel->setEnabled(!busy);
  Ui.SetBusyCursor(busy);
}

void TdlgAddrImport::closeEvent(QCloseEvent* event) {
  if (Busy) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TdlgAddrImport::reject() {
  if (!Busy) QDialog::reject();
}

int ImportApprovedSenders(std::vector<ApprovedSenderRecord>& senders, TUiHost& ui, QWidget* parent) {
  TdlgAddrImport dialog(senders, ui, QFile::encodeName(QDir::homePath()).toStdString(), parent);
  dialog.exec();
  return dialog.Imported();
}

}  // namespace mailmoat
