#include "ui/config/prefs/SpamCopPage.h"

#include "ui/common/QtText.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace mailmoat {

namespace {
constexpr int AddressChars = 255;
}  // namespace

TSpamCopPage::TSpamCopPage(TPrefsPageContext& context, QWidget* parent)
    : TPrefsSheet(context, "tabshtSpamCop", parent) {
  TPreferences& p = Ctx.Prefs;
  edtSpamCopAddr = BoundEdit("edtSpamCopAddr", p.SpamCopReport, AddressChars);
  edtSpamCopFrom = BoundEdit("edtSpamCopFrom", p.SpamCopFrom, AddressChars);

  auto* column = new QVBoxLayout(this);
  column->addWidget(Explanation(
      "SpamCop is an automated tool for reporting spam. You will need to signup to use SpamCop - there are free and "
      "subscription plans available. Enter the information below provided by SpamCop when you signed up. Click Help "
      "for more information on the SpamCop integration in Mailmoat Pro.",
      "lblSpamCopIntro"));
  column->addSpacing(6);
  column->addWidget(Explanation(
      "After you complete the signup procedure for SpamCop, you will be given an email address to forward spam to "
      "for processing. Enter that address below as well as the email address you used when you signed up for "
      "SpamCop.",
      "lblSpamCopAddresses"));
  column->addSpacing(6);
  column->addWidget(Caption("&SMTP E-Mail Forwarding Address:", "lblSpamCopAddr", edtSpamCopAddr));
  column->addWidget(edtSpamCopAddr);
  column->addWidget(Caption("SMTP E-Mail &From Address:", "lblSpamCopFrom", edtSpamCopFrom));
  column->addWidget(edtSpamCopFrom);
  column->addSpacing(12);
  column->addWidget(Explanation(
      "Note: You must also complete the information on the Requeue/Reply Settings tab for your SMTP (outbound) mail "
      "server to enable SpamCop complaints support.",
      "lblSpamCopNote"));
  column->addStretch(1);
}

QLineEdit* TSpamCopPage::FieldBox(TPrefsField field) {
  switch (field) {
    case TPrefsField::SpamCopReport: return edtSpamCopAddr;
    case TPrefsField::SpamCopFrom: return edtSpamCopFrom;
  }
  return nullptr;
}

void TSpamCopPage::ShowSaved() {
  // The save trims both boxes; the boxes show what it stored.
  edtSpamCopAddr->setText(TextToQString(Ctx.Prefs.SpamCopReport));
  edtSpamCopFrom->setText(TextToQString(Ctx.Prefs.SpamCopFrom));
}

}  // namespace mailmoat
