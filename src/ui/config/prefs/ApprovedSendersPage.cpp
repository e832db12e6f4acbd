#include "ui/config/prefs/ApprovedSendersPage.h"

#include "core/UiHost.h"
#include "ui/common/QtText.h"
#include "ui/config/formAddrImport.h"
#include "ui/config/frmSenderEdit.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>
#include <utility>

namespace mailmoat {

namespace {

// An empty comment is shown and stored as one blank.
std::string ShownComment(const std::string& comment) {
  return comment.find_first_not_of(" \t") == std::string::npos ? " " : comment;
}

}  // namespace

TApprovedSendersPage::TApprovedSendersPage(TPrefsPageContext& context, QWidget* parent)
    : TPrefsSheet(context, "tabshtExcept", parent) {
  auto* Label1 = Explanation(
      "Here's where you can enter the email addresses and domains (e.g. example.com) from which you ALWAYS want to "
      "receive messages. These entries are processed first by Mailmoat, and if a match is found, the message is "
      "accepted and processing continues with the next message in the queue. If a match is not found, processing "
      "continues on the current message.",
      "Label1");
  lvSenders = ReportList("lvSenders", {"Address/Domain", "Comment"}, {150, 150});
  lvSenders->setSelectionMode(QAbstractItemView::ExtendedSelection);
  auto* btnAddException = Button("&Add", "btnAddException");
  btnChangeException = Button("&Change", "btnChangeException");
  btnDeleteException = Button("&Delete", "btnDeleteException");
  auto* btnImport = Button("&Import", "btnImport");
  PrintMenu(lvSenders, "pmSenders", "Mailmoat Pro - Approved Senders Report");

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {btnAddException, btnChangeException, btnDeleteException, btnImport}) buttons->addWidget(b);
  buttons->addStretch(1);
  auto* grid = new QGridLayout;
  grid->addWidget(Caption("Approved Senders:", "lblSenders", lvSenders), 0, 0);
  grid->addWidget(lvSenders, 1, 0);
  grid->addLayout(buttons, 1, 1);
  grid->setRowStretch(1, 1);
  grid->setColumnStretch(0, 1);
  auto* column = new QVBoxLayout(this);
  column->addWidget(Label1);
  column->addLayout(grid, 1);

  ShowSenders({}, false);
  connect(lvSenders, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateControls(); });
  connect(lvSenders, &QTreeWidget::itemDoubleClicked, this, [this] { ChangeSender(); });
  connect(btnAddException, &QPushButton::clicked, this, [this] { AddSender(); });
  connect(btnChangeException, &QPushButton::clicked, this, [this] { ChangeSender(); });
  connect(btnDeleteException, &QPushButton::clicked, this, [this] { DeleteSenders(); });
  connect(btnImport, &QPushButton::clicked, this, [this] { Import(); });
}

void TApprovedSendersPage::ShowSenders(const std::vector<std::size_t>& select, bool edited) {
  std::vector<ApprovedSenderRecord>& senders = Ctx.Prefs.ApprovedSenders;
  std::vector<std::size_t> order(senders.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&senders](std::size_t a, std::size_t b) {
    return QString::compare(TextToQString(senders[a].Address), TextToQString(senders[b].Address), Qt::CaseInsensitive) <
           0;
  });
  std::vector<std::size_t> selected;
  for (std::size_t row = 0; row < order.size(); ++row)
    if (std::find(select.begin(), select.end(), order[row]) != select.end()) selected.push_back(row);
  // After an edit the list is stored in the order shown; a list only looked at stays as
  // stored, so an OK without changes rewrites nothing.
  if (edited) {
    std::vector<ApprovedSenderRecord> sorted;
    for (std::size_t i : order) sorted.push_back(senders[i]);
    senders = std::move(sorted);
    std::iota(order.begin(), order.end(), std::size_t{0});
    MarkChanged();
  }

  lvSenders->clear();
  for (std::size_t row = 0; row < order.size(); ++row) {
    auto* item = new QTreeWidgetItem(lvSenders);
    item->setText(0, TextToQString(senders[order[row]].Address));
    item->setText(1, TextToQString(senders[order[row]].Name));
    item->setData(0, Qt::UserRole, static_cast<qulonglong>(order[row]));
    item->setSelected(std::find(selected.begin(), selected.end(), row) != selected.end());
  }
  lvSenders->resizeColumnToContents(0);
  lvSenders->setColumnWidth(0, std::max(150, lvSenders->columnWidth(0) + 12));
  UpdateControls();
}

std::vector<std::size_t> TApprovedSendersPage::SelectedSenders() const {
  std::vector<std::size_t> senders;
  for (int i = 0; i < lvSenders->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = lvSenders->topLevelItem(i);
    if (row->isSelected()) senders.push_back(row->data(0, Qt::UserRole).toULongLong());
  }
  return senders;
}

void TApprovedSendersPage::AddSender() {
  std::optional<ApprovedSenderRecord> entered = EditApprovedSender(Ctx.Ui, {}, this);
  if (!entered) return;
  entered->Name = ShownComment(entered->Name);
  Ctx.Prefs.ApprovedSenders.push_back(*entered);
  ShowSenders({Ctx.Prefs.ApprovedSenders.size() - 1}, true);
}

void TApprovedSendersPage::ChangeSender() {
  const std::vector<std::size_t> rows = SelectedSenders();
  if (rows.size() != 1) {
    Ctx.Ui.MessageBox(TMsgKind::Warning,
                      "Please select the record you wish to edit, selecting\r\nonly a single record.", mbOK);
    return;
  }
  ApprovedSenderRecord& sender = Ctx.Prefs.ApprovedSenders[rows.front()];
  std::optional<ApprovedSenderRecord> entered = EditApprovedSender(Ctx.Ui, sender, this);
  if (!entered) return;
  sender = {entered->Address, ShownComment(entered->Name)};
  ShowSenders(rows, true);
}

void TApprovedSendersPage::DeleteSenders() {
  const std::vector<std::size_t> rows = SelectedSenders();
  if (rows.empty()) return;
  const char* question =
      rows.size() == 1 ? "Delete the selected Approved Sender?" : "Delete the selected Approved Senders?";
  if (Ctx.Ui.MessageBox(TMsgKind::Confirmation, question, mbYes | mbNo, 0, "Confirm", mbNo) != mbYes) return;
  std::vector<ApprovedSenderRecord>& senders = Ctx.Prefs.ApprovedSenders;
  std::vector<ApprovedSenderRecord> kept;
  for (std::size_t i = 0; i < senders.size(); ++i)
    if (std::find(rows.begin(), rows.end(), i) == rows.end()) kept.push_back(senders[i]);
  senders = std::move(kept);
  ShowSenders({}, true);
}

void TApprovedSendersPage::Import() {
  // The import adds to the page's own list, so edits not saved yet stay.
  if (ImportApprovedSenders(Ctx.Prefs.ApprovedSenders, Ctx.Ui, this) > 0) ShowSenders({}, true);
}

void TApprovedSendersPage::UpdateControls() {
  const bool selected = !lvSenders->selectedItems().isEmpty();
  btnChangeException->setEnabled(selected);
  btnDeleteException->setEnabled(selected);
}

}  // namespace mailmoat
