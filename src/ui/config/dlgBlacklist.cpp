#include "ui/config/dlgBlacklist.h"

#include "core/UiHost.h"
#include "filter/BlacklistLookup.h"
#include "filter/CaresResolver.h"
#include "ui/common/QtText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace mailmoat {

namespace {

constexpr int MaxBlacklistText = 80;

}  // namespace

TdlgBlacklist::TdlgBlacklist(TUiHost& ui, std::string dnsServer, QWidget* parent)
    : QDialog(parent), Ui(ui), DnsServer(std::move(dnsServer)) {
  setObjectName("dlgBlacklist");
  setWindowTitle("Blacklist System Editor");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setMinimumWidth(380);

  edtName = new QLineEdit(this);
  edtName->setObjectName("edtName");
  edtName->setMaxLength(MaxBlacklistText);
  edtSuffix = new QLineEdit(this);
  edtSuffix->setObjectName("edtSuffix");
  edtSuffix->setMaxLength(MaxBlacklistText);
  auto* lblName = new QLabel("&Display name for this system:", this);
  lblName->setObjectName("lblName");
  lblName->setBuddy(edtName);
  auto* lblSuffix = new QLabel("&Suffix to add to the IP address for queries:", this);
  lblSuffix->setObjectName("lblSuffix");
  lblSuffix->setBuddy(edtSuffix);

  btnTest = new QPushButton("&Test", this);
  btnTest->setObjectName("btnTest");
  btnTest->setAutoDefault(false);
  OKBtn = new QPushButton("OK", this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setDefault(true);
  auto* CancelBtn = new QPushButton("Cancel", this);
  CancelBtn->setObjectName("CancelBtn");
  CancelBtn->setAutoDefault(false);
  connect(btnTest, &QPushButton::clicked, this, [this] { Test(); });
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  for (QLineEdit* box : {edtName, edtSuffix}) connect(box, &QLineEdit::textChanged, this, [this] { FieldsChanged(); });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnTest);
  buttons->addStretch(1);
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  auto* column = new QVBoxLayout(this);
  column->addWidget(lblName);
  column->addWidget(edtName);
  column->addWidget(lblSuffix);
  column->addWidget(edtSuffix);
  column->addStretch(1);
  column->addLayout(buttons);
  FieldsChanged();
  edtName->setFocus();
}

void TdlgBlacklist::Show(const std::string& name, const std::string& suffix) {
  edtName->setText(TextToQString(name));
  edtSuffix->setText(TextToQString(suffix));
}

std::string TdlgBlacklist::Name() const {
  return QStringToText(edtName->text(), MaxBlacklistText);
}

std::string TdlgBlacklist::Suffix() const {
  return QStringToText(edtSuffix->text(), MaxBlacklistText);
}

void TdlgBlacklist::FieldsChanged() {
  const bool suffix = !edtSuffix->text().isEmpty();
  OKBtn->setEnabled(suffix && !edtName->text().isEmpty());
  btnTest->setEnabled(suffix);
}

void TdlgBlacklist::Test() {
  Ui.SetBusyCursor(true);
  bool listed = false;
  std::string fault;
  try {
    TCaresResolver resolver([this] { Ui.ProcessMessages(); }, DnsServer);
    listed = TestBlacklistSuffix(resolver, Suffix());
  } catch (const std::exception& e) {
    // A DNS server setting that is no address: say why the test could not even start.
    fault = e.what();
  }
  Ui.SetBusyCursor(false);
  if (listed) {
    Ui.MessageBox(TMsgKind::Information, "Test Succeeded!", mbOK);
  } else {
    Ui.MessageBox(TMsgKind::Error,
                  "Test failed! Check the suffix for correct syntax." + (fault.empty() ? "" : "\r\n\r\n" + fault),
                  mbOK);
  }
}

std::optional<TBlacklistRec> EditBlacklist(TUiHost& ui, const std::string& dnsServer, const TBlacklistRec& shown,
                                           QWidget* parent) {
  TdlgBlacklist dialog(ui, dnsServer, parent);
  dialog.Show(shown.Name, shown.LookupSuffix);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  TBlacklistRec entered = shown;
  entered.Name = dialog.Name();
  entered.LookupSuffix = dialog.Suffix();
  return entered;
}

}  // namespace mailmoat
