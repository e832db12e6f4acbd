#include "ui/config/prefs/BlacklistsPage.h"

#include "core/Blacklists.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "filter/CaresResolver.h"
#include "ui/common/QtText.h"
#include "ui/config/dlgBlacklist.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace mailmoat {

namespace {

constexpr const char* DefaultsQuestion =
    "This option will delete all the current blacklist systems in \r\nMailmoat, and recreate with the default "
    "systems (which\r\nare currently RBL, DUL, ORBZ, RSS SPEWS, and SpamCop).\r\n\r\nNOTE: The use of the MAPS "
    "databases (RBL, DUL and RSS) now\r\nrequire subscriptions to use. If you do not have a current\r\nsubscription, "
    "all lookups to these databases will fail. For\r\nsubscription info, see http://www.mail-abuse.org"
    ".\r\n\r\nAre you sure you want to do this?";

// A zone typed as ".zone" would be asked as "2.0.0.127..zone", which no server answers.
std::string WithoutLeadingStop(const std::string& zone) {
  return zone.rfind('.', 0) == 0 ? zone.substr(1) : zone;
}

}  // namespace

TBlacklistsPage::TBlacklistsPage(TPrefsPageContext& context, QWidget* parent)
    : TPrefsSheet(context, "tabshtMapsDul", parent) {
  auto* Label2 = Explanation(
      "Blacklists are internet databases of known spammers, spam-friendly ISP's, open relay mail servers, dial-up "
      "users, etc. Checking blacklists can be very effective in eliminating spam, but can also substantially "
      "increase the time for processing messages.",
      "Label2");
  auto* Label3 = Explanation(
      "Check the box to enable a blacklist, uncheck to disable. Use the buttons to add, edit and remove entries from "
      "the list.",
      "Label3");
  lvBlackLists = ReportList("lvBlackLists", {"Blacklist System", "Lookup suffix"}, {0, 0});
  // Both columns as wide as their texts, scrolled sideways when the page is narrower.
  lvBlackLists->header()->setStretchLastSection(false);
  seRecdNum = BoundSpin("seRecdNum", 1, 9, Ctx.Prefs.BlacklistCheckNum);
  auto* btnAddBlacklist = Button("&Add", "btnAddBlacklist");
  btnChangeBlacklist = Button("&Change", "btnChangeBlacklist");
  btnDeleteBlacklist = Button("&Delete", "btnDeleteBlacklist");
  auto* btnBlacklistDefaults = Button("De&faults", "btnBlacklistDefaults");
  PrintMenu(lvBlackLists, "pmBlacklists", "Mailmoat Pro - BlackLists Report");

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {btnAddBlacklist, btnChangeBlacklist, btnDeleteBlacklist, btnBlacklistDefaults})
    buttons->addWidget(b);
  buttons->addStretch(1);
  auto* received = new QHBoxLayout;
  received->addWidget(Caption("Chec&k IP address in Received: header field:", "lblRecdNum", seRecdNum));
  received->addWidget(seRecdNum);
  received->addStretch(1);
  auto* grid = new QGridLayout;
  grid->addWidget(lvBlackLists, 0, 0);
  grid->addLayout(buttons, 0, 1);
  grid->setColumnStretch(0, 1);
  auto* column = new QVBoxLayout(this);
  column->addWidget(Label2);
  column->addWidget(Label3);
  column->addLayout(grid, 1);
  column->addLayout(received);

  ShowBlacklists(-1);
  connect(lvBlackLists, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateControls(); });
  connect(lvBlackLists, &QTreeWidget::itemDoubleClicked, this, [this] { ChangeBlacklist(); });
  connect(lvBlackLists, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* row) { RowChanged(row); });
  connect(btnAddBlacklist, &QPushButton::clicked, this, [this] { AddBlacklist(); });
  connect(btnChangeBlacklist, &QPushButton::clicked, this, [this] { ChangeBlacklist(); });
  connect(btnDeleteBlacklist, &QPushButton::clicked, this, [this] { DeleteBlacklist(); });
  connect(btnBlacklistDefaults, &QPushButton::clicked, this, [this] { RestoreDefaults(); });
}

void TBlacklistsPage::ShowBlacklists(int select) {
  const QSignalBlocker block(lvBlackLists);
  lvBlackLists->clear();
  for (const TBlacklistRec& blacklist : Ctx.Prefs.Blacklists) {
    auto* row = new QTreeWidgetItem(lvBlackLists);
    row->setText(0, TextToQString(blacklist.Name));
    row->setText(1, TextToQString(blacklist.LookupSuffix));
    row->setCheckState(0, blacklist.Enabled ? Qt::Checked : Qt::Unchecked);
  }
  if (select >= 0 && select < lvBlackLists->topLevelItemCount())
    lvBlackLists->setCurrentItem(lvBlackLists->topLevelItem(select));
  UpdateControls();
}

int TBlacklistsPage::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = lvBlackLists->selectedItems();
  return selected.isEmpty() ? -1 : lvBlackLists->indexOfTopLevelItem(selected.front());
}

std::string TBlacklistsPage::TestServer() const {
  TSettings settings;
  settings.DnsServer = Ctx.Prefs.DnsServer;
  return TCaresResolver::ConfiguredServer(settings);
}

void TBlacklistsPage::AddBlacklist() {
  std::optional<TBlacklistRec> entered = EditBlacklist(Ctx.Ui, TestServer(), {}, this);
  if (!entered) return;
  TBlacklistRec added;
  added.Name = entered->Name;
  added.LookupSuffix = WithoutLeadingStop(entered->LookupSuffix);
  Ctx.Prefs.Blacklists.push_back(added);
  ShowBlacklists(static_cast<int>(Ctx.Prefs.Blacklists.size()) - 1);
  MarkChanged();
}

void TBlacklistsPage::ChangeBlacklist() {
  const int row = SelectedRow();
  if (row < 0) return;
  TBlacklistRec& blacklist = Ctx.Prefs.Blacklists[static_cast<std::size_t>(row)];
  std::optional<TBlacklistRec> entered = EditBlacklist(Ctx.Ui, TestServer(), blacklist, this);
  if (!entered) return;
  blacklist.Name = entered->Name;
  // Changed as added, or every query would miss.
  blacklist.LookupSuffix = WithoutLeadingStop(entered->LookupSuffix);
  ShowBlacklists(row);
  MarkChanged();
}

void TBlacklistsPage::DeleteBlacklist() {
  const int row = SelectedRow();
  if (row < 0) return;
  if (Ctx.Ui.MessageBox(TMsgKind::Confirmation, "Delete selected blacklist record?", mbYes | mbNo) != mbYes) return;
  Ctx.Prefs.Blacklists.erase(Ctx.Prefs.Blacklists.begin() + row);
  ShowBlacklists(-1);
  MarkChanged();
}

void TBlacklistsPage::RestoreDefaults() {
  if (Ctx.Ui.MessageBox(TMsgKind::Confirmation, DefaultsQuestion, mbYes | mbNo) != mbYes) return;
  Ctx.Prefs.Blacklists = DefaultBlacklists();
  ShowBlacklists(-1);
  seRecdNum->setValue(1);
  MarkChanged();
}

void TBlacklistsPage::RowChanged(QTreeWidgetItem* row) {
  const int index = lvBlackLists->indexOfTopLevelItem(row);
  if (index < 0) return;
  bool& enabled = Ctx.Prefs.Blacklists[static_cast<std::size_t>(index)].Enabled;
  const bool ticked = row->checkState(0) == Qt::Checked;
  if (enabled == ticked) return;
  enabled = ticked;
  MarkChanged();
}

void TBlacklistsPage::UpdateControls() {
  const bool selected = SelectedRow() >= 0;
  btnChangeBlacklist->setEnabled(selected);
  btnDeleteBlacklist->setEnabled(selected);
}

}  // namespace mailmoat
