#include "ui/config/dlgSelectImport.h"

#include "core/UiHost.h"
#include "ui/common/FoldedTreeItem.h"
#include "ui/common/QtText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace mailmoat {

namespace {

constexpr int MaxImportedAddress = 255;

}  // namespace

TdlgSelectImport::TdlgSelectImport(std::vector<TAddrRecord>& candidates, TUiHost& ui, QWidget* parent)
    : QDialog(parent), Candidates(candidates), Ui(ui) {
  setObjectName("dlgSelectImport");
  setWindowTitle("Mailmoat Pro - Import Selection");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setMinimumSize(460, 360);

  auto* lblIntro = new QLabel(
      "Listed below are the names and email addresses found in selected address book or contact list. To select an "
      "entry for importing to the Mailmoat Pro Approved Senders list, place a check in the checkbox. To skip "
      "importing an entry, remove the check from the checkbox. Click Finish when you are ready to complete the "
      "import process. Double-click an entry to edit the email address.",
      this);
  lblIntro->setObjectName("lblIntro");
  lblIntro->setWordWrap(true);

  lvImportRecs = new QTreeWidget(this);
  lvImportRecs->setObjectName("lvImportRecs");
  lvImportRecs->setAccessibleName("Addresses found");
  lvImportRecs->setHeaderLabels({"E-Mail Address", "Name"});
  lvImportRecs->setRootIsDecorated(false);
  lvImportRecs->setColumnWidth(0, 225);
  lvImportRecs->setColumnWidth(1, 150);
  lvImportRecs->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (std::size_t i = 0; i < Candidates.size(); ++i) {
    auto* row = new TFoldedTreeItem(lvImportRecs);
    row->setText(0, TextToQString(Candidates[i].Address));
    row->setText(1, TextToQString(Candidates[i].Name));
    row->setData(0, Qt::UserRole, static_cast<int>(i));
    row->setCheckState(0, Qt::Checked);
  }
  lvImportRecs->sortItems(0, Qt::AscendingOrder);
  lvImportRecs->header()->setSectionsClickable(true);
  connect(lvImportRecs->header(), &QHeaderView::sectionClicked, this,
          [this](int column) { lvImportRecs->sortItems(column, Qt::AscendingOrder); });
  connect(lvImportRecs, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* row) { EditAddress(row); });

  const auto button = [this](const char* text, const char* name) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
  };
  QPushButton* btnCheckAll = button("&Check All", "btnCheckAll");
  QPushButton* btnUncheckAll = button("&Uncheck All", "btnUncheckAll");
  QPushButton* OKBtn = button("&Finish", "OKBtn");
  OKBtn->setDefault(true);
  QPushButton* CancelBtn = button("Cancel", "CancelBtn");
  connect(btnCheckAll, &QPushButton::clicked, this, [this] { CheckEvery(true); });
  connect(btnUncheckAll, &QPushButton::clicked, this, [this] { CheckEvery(false); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { Finish(); });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnCheckAll);
  buttons->addWidget(btnUncheckAll);
  buttons->addStretch(1);
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  auto* column = new QVBoxLayout(this);
  column->addWidget(lblIntro);
  column->addWidget(lvImportRecs, 1);
  column->addLayout(buttons);
  lvImportRecs->setFocus();
}

void TdlgSelectImport::CheckEvery(bool on) {
  for (int i = 0; i < lvImportRecs->topLevelItemCount(); ++i)
    lvImportRecs->topLevelItem(i)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

void TdlgSelectImport::EditAddress(QTreeWidgetItem* row) {
  std::string address = QStringToText(row->text(0));
  if (Ui.InputBox("Edit Email Address", "Edit address:", address)) row->setText(0, TextToQString(address));
}

void TdlgSelectImport::Finish() {
  for (int i = 0; i < lvImportRecs->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = lvImportRecs->topLevelItem(i);
    TAddrRecord& candidate = Candidates[static_cast<std::size_t>(row->data(0, Qt::UserRole).toInt())];
    candidate.Selected = row->checkState(0) == Qt::Checked;
    candidate.Address = QStringToText(row->text(0), MaxImportedAddress);
  }
  accept();
}

}  // namespace mailmoat
