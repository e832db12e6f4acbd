#include "ui/config/frmSenderEdit.h"

#include "core/UiHost.h"
#include "ui/common/QtText.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mailmoat {

namespace {

constexpr int MaxSenderText = 255;

}  // namespace

TfrmSenderEdit::TfrmSenderEdit(TUiHost& ui, QWidget* parent) : QDialog(parent), Ui(ui) {
  setObjectName("frmSenderEdit");
  setWindowTitle("Approved Sender Edit");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setMinimumWidth(380);

  edtAddress = new QLineEdit(this);
  edtAddress->setObjectName("edtAddress");
  edtAddress->setMaxLength(MaxSenderText);
  edtComment = new QLineEdit(this);
  edtComment->setObjectName("edtComment");
  edtComment->setMaxLength(MaxSenderText);
  auto* lblAddress = new QLabel("&Email Address or Domain Name:", this);
  lblAddress->setObjectName("lblAddress");
  lblAddress->setBuddy(edtAddress);
  auto* lblComment = new QLabel("Comment (optional):", this);
  lblComment->setObjectName("lblComment");
  lblComment->setBuddy(edtComment);
  auto* lblNote = new QLabel("(Note: regular expression syntax is supported for the address/domain field)", this);
  lblNote->setObjectName("lblNote");
  lblNote->setWordWrap(true);

  btnOk = new QPushButton("OK", this);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);
  btnOk->setEnabled(false);
  auto* btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setAutoDefault(false);
  connect(btnOk, &QPushButton::clicked, this, [this] { Ok(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(edtAddress, &QLineEdit::textChanged, this,
          [this](const QString& text) { btnOk->setEnabled(!text.trimmed().isEmpty()); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* column = new QVBoxLayout(this);
  column->addWidget(lblAddress);
  column->addWidget(edtAddress);
  column->addWidget(lblComment);
  column->addWidget(edtComment);
  column->addWidget(lblNote);
  column->addStretch(1);
  column->addLayout(buttons);
  edtAddress->setFocus();
}

void TfrmSenderEdit::Show(const ApprovedSenderRecord& sender) {
  edtAddress->setText(TextToQString(sender.Address));
  edtComment->setText(TextToQString(sender.Name));
}

ApprovedSenderRecord TfrmSenderEdit::Entered() const {
  return {QStringToText(edtAddress->text(), MaxSenderText), QStringToText(edtComment->text(), MaxSenderText)};
}

void TfrmSenderEdit::Ok() {
  const QString address = edtAddress->text();
  if (address.contains(' ') || address.contains('[') || address.contains(']')) {
    Ui.MessageBox(TMsgKind::Warning,
                  "The text entered includes characters not allowed in email addresses/domains. Please enter\r\nenter "
                  "only valid email addresses or domains for this option.",
                  mbOK, 0, "Format Error");
    edtAddress->selectAll();
    edtAddress->setFocus(Qt::OtherFocusReason);
    return;
  }
  accept();
}

std::optional<ApprovedSenderRecord> EditApprovedSender(TUiHost& ui, const ApprovedSenderRecord& shown,
                                                       QWidget* parent) {
  TfrmSenderEdit dialog(ui, parent);
  dialog.Show(shown);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Entered();
}

}  // namespace mailmoat
