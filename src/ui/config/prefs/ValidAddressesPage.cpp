#include "ui/config/prefs/ValidAddressesPage.h"

#include "core/UiHost.h"
#include "ui/common/QtText.h"
#include "ui/common/ReportPrinter.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace mailmoat {

namespace {

bool AlphabeticalOrder(const QString& a, const QString& b) {
  const int folded = QString::compare(a, b, Qt::CaseInsensitive);
  return folded != 0 ? folded < 0 : a < b;
}

std::string AlreadyExistsText(const QString& address) {
  return "The address " + QStringToText(address) + "\r\nalready exists";
}

}  // namespace

TValidAddressesPage::TValidAddressesPage(TPrefsPageContext& context, QWidget* parent)
    : TPrefsSheet(context, "tabshtAddrs", parent) {
  TPreferences& p = Ctx.Prefs;
  auto* Label6 = Explanation(
      "Address checking verifies that each email you receive is specifically addressed to you. To use address "
      "checking, enter ALL your email addresses at which you receive email on ALL accounts. All messages without one "
      "of these will be rejected. To use regular expressions for processing, check the box at the bottom of this "
      "tab. See Help for more information on this option.",
      "Label6");

  editEmailAddress = new QLineEdit(this);
  editEmailAddress->setObjectName("editEmailAddress");
  lbAddresses = new QListWidget(this);
  lbAddresses->setObjectName("lbAddresses");
  lbAddresses->setContextMenuPolicy(Qt::CustomContextMenu);
  btnAddAddress = Button("&Add", "btnAddAddress");
  btnChange = Button("&Change", "btnChange");
  btnDeleteAddress = Button("&Delete", "btnDeleteAddress");

  grpAddrCheck = Group("Address Checking Type", "grpAddrCheck");
  AddrCheckChoices = new QButtonGroup(this);
  auto* checkColumn = new QVBoxLayout(grpAddrCheck);
  const auto choice = [this, checkColumn](const char* text, const char* name, TAddressCheckChoice id) {
    auto* radio = new QRadioButton(text, grpAddrCheck);
    radio->setObjectName(name);
    AddrCheckChoices->addButton(radio, static_cast<int>(id));
    checkColumn->addWidget(radio);
  };
  choice("&Disabled", "rbDisabled", TAddressCheckChoice::Disabled);
  choice("Standard - all &headers", "rbStdCheck", TAddressCheckChoice::Anywhere);
  choice("&Strict - To/CC/X-Rcpt-To Fields", "rbStrictCheck", TAddressCheckChoice::Strict);
  AddrCheckChoices->button(static_cast<int>(p.AddressCheck))->setChecked(true);
  auto* cbxRegEx = BoundCheck("Use regular expression processing when checking for valid addresses.", "cbxRegEx",
                              p.RegExAddressCheck);

  pmAddresses = new QMenu(this);
  pmAddresses->setObjectName("pmAddresses");
  QAction* print = pmAddresses->addAction("&Print List");
  print->setObjectName("mnuPrintList");
  print->setShortcut(QKeySequence("Ctrl+P"));
  QAction* preview = pmAddresses->addAction("Print Pre&view");
  preview->setObjectName("mnuPrintPreview");
  preview->setShortcut(QKeySequence("Ctrl+V"));
  for (QAction* action : {print, preview}) {
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    lbAddresses->addAction(action);
  }
  connect(lbAddresses, &QListWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { pmAddresses->popup(lbAddresses->viewport()->mapToGlobal(at)); });
  connect(print, &QAction::triggered, this, [this] { Print(false); });
  connect(preview, &QAction::triggered, this, [this] { Print(true); });

  auto* grid = new QGridLayout;
  grid->addWidget(Caption("&Email Address:", "lblEmailAddress", editEmailAddress), 0, 0);
  grid->addWidget(editEmailAddress, 1, 0);
  grid->addWidget(Caption("&Acceptable Email Addresses:", "lblAddresses", lbAddresses), 2, 0);
  grid->addWidget(lbAddresses, 3, 0, 2, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(btnAddAddress);
  buttons->addWidget(btnChange);
  buttons->addWidget(btnDeleteAddress);
  buttons->addStretch(1);
  grid->addLayout(buttons, 1, 1, 3, 1);
  grid->addWidget(grpAddrCheck, 4, 1, Qt::AlignBottom);
  grid->setRowStretch(3, 1);
  grid->setColumnStretch(0, 1);

  auto* column = new QVBoxLayout(this);
  column->addWidget(Label6);
  column->addLayout(grid, 1);
  column->addWidget(cbxRegEx);

  ShowAddresses({});
  connect(editEmailAddress, &QLineEdit::textChanged, this, [this] { UpdateControls(); });
  connect(editEmailAddress, &QLineEdit::returnPressed, this, [this] {
    if (btnAddAddress->isEnabled()) AddAddress();
  });
  connect(lbAddresses, &QListWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
  connect(btnAddAddress, &QPushButton::clicked, this, [this] { AddAddress(); });
  connect(btnChange, &QPushButton::clicked, this, [this] { ChangeAddress(); });
  connect(btnDeleteAddress, &QPushButton::clicked, this, [this] { DeleteAddress(); });
  connect(AddrCheckChoices, &QButtonGroup::idToggled, this, [this](int id, bool on) {
    if (!on) return;
    Ctx.Prefs.AddressCheck = static_cast<TAddressCheckChoice>(id);
    MarkChanged();
  });
}

void TValidAddressesPage::ShowAddresses(const QString& select) {
  QStringList shown;
  for (const std::string& address : Ctx.Prefs.Addresses) shown << TextToQString(address);
  std::sort(shown.begin(), shown.end(), AlphabeticalOrder);
  const QSignalBlocker block(lbAddresses);
  lbAddresses->clear();
  lbAddresses->addItems(shown);
  const int row = static_cast<int>(shown.indexOf(select));
  lbAddresses->setCurrentRow(row);
  if (row < 0) lbAddresses->clearSelection();
  SelectionChanged();
}

void TValidAddressesPage::StoreAddresses(QStringList addresses, const QString& select) {
  // The list as shown is what is stored: in alphabetical order.
  std::sort(addresses.begin(), addresses.end(), AlphabeticalOrder);
  Ctx.Prefs.Addresses.clear();
  for (const QString& address : addresses) Ctx.Prefs.Addresses.push_back(QStringToText(address));
  if (addresses.isEmpty()) AddrCheckChoices->button(static_cast<int>(TAddressCheckChoice::Disabled))->setChecked(true);
  ShowAddresses(select);
  MarkChanged();
}

QStringList TValidAddressesPage::Shown() const {
  QStringList addresses;
  for (int i = 0; i < lbAddresses->count(); ++i) addresses << lbAddresses->item(i)->text();
  return addresses;
}

int TValidAddressesPage::SelectedRow() const {
  const QList<QListWidgetItem*> selected = lbAddresses->selectedItems();
  return selected.isEmpty() ? -1 : lbAddresses->row(selected.front());
}

bool TValidAddressesPage::Listed(const QString& address, int except) const {
  const QStringList addresses = Shown();
  for (int i = 0; i < addresses.size(); ++i)
    if (i != except && QString::compare(addresses[i], address, Qt::CaseInsensitive) == 0) return true;
  return false;
}

void TValidAddressesPage::AddAddress() {
  const QString typed = editEmailAddress->text();
  if (typed.isEmpty()) return;
  if (Listed(typed, -1)) {
    Ctx.Ui.MessageBox(TMsgKind::Information, AlreadyExistsText(typed), mbOK);
    return;
  }
  StoreAddresses(Shown() << typed, {});
  editEmailAddress->clear();
  editEmailAddress->setFocus(Qt::OtherFocusReason);
}

void TValidAddressesPage::ChangeAddress() {
  const int row = SelectedRow();
  const QString typed = editEmailAddress->text();
  if (row < 0 || typed.isEmpty()) return;
  // Changing an entry only in letter case is no duplicate of itself.
  if (Listed(typed, row)) {
    Ctx.Ui.MessageBox(TMsgKind::Information, AlreadyExistsText(typed), mbOK);
    return;
  }
  QStringList addresses = Shown();
  addresses[row] = typed;
  StoreAddresses(addresses, typed);
}

void TValidAddressesPage::DeleteAddress() {
  const int row = SelectedRow();
  if (row < 0) return;
  QStringList addresses = Shown();
  addresses.removeAt(row);
  StoreAddresses(addresses, {});
  editEmailAddress->setFocus(Qt::OtherFocusReason);
}

void TValidAddressesPage::SelectionChanged() {
  const QList<QListWidgetItem*> selected = lbAddresses->selectedItems();
  editEmailAddress->setText(selected.isEmpty() ? QString() : selected.front()->text());
  UpdateControls();
}

void TValidAddressesPage::UpdateControls() {
  const bool selected = !lbAddresses->selectedItems().isEmpty();
  btnAddAddress->setEnabled(!editEmailAddress->text().isEmpty());
  btnChange->setEnabled(selected);
  btnDeleteAddress->setEnabled(selected);
  grpAddrCheck->setEnabled(lbAddresses->count() > 0);
}

void TValidAddressesPage::Print(bool preview) {
  TPrintTable table;
  table.Title = "Mailmoat Pro - Valid E-Mail Addresses Report";
  table.Columns = {"E-Mail Address"};
  for (int i = 0; i < lbAddresses->count(); ++i) table.Rows.push_back({lbAddresses->item(i)->text()});
  if (preview) {
    PreviewTable(this, table);
  } else {
    PrintTableAsked(this, table);
  }
}

}  // namespace mailmoat
