#include "ui/main/frmSummary.h"

#include "core/UiHost.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace mailmoat {

TfrmSummary::TfrmSummary(const TRunCounters& counters, int waiting, TUiHost& ui, QWidget* parent) : QDialog(parent) {
  setObjectName("frmSummary");
  setWindowTitle("Mailmoat Pro Processing Summary");
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* intro = new QLabel("Below are the statistical results of the last processing done by Mailmoat Pro.", this);
  intro->setObjectName("lblIntro");
  intro->setWordWrap(true);

  const struct {
    const char* Label;
    const char* Name;
    int Number;
  } rows[] = {
      {"Total Messages Processed:", "lblProcessed", counters.Processed},
      {"Approved Senders:", "lblApproved", counters.ApprovedSenders},
      {"Always Accept Rules:", "lblAlwaysAccept", counters.AlwaysAccept},
      {"Failed Header Rule Checks:", "lblFailedHeader", counters.FailedHeaderRules},
      {"Failed Body Rule Checks:", "lblFailedBody", counters.FailedBodyRules},
      {"Black Listed Systems:", "lblBlacklisted", counters.BlacklistRejections},
      {"No Valid Addresses Found:", "lblNoValidAddress", counters.NoValidAddresses},
      {"Oversized Messages:", "lblOversized", counters.Oversized},
      {"Messages Deleted on Server:", "lblDeleted", counters.Eaten},
      {"Messages Accepted as non-Spam:", "lblAccepted", waiting},
  };
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(16);
  int r = 0;
  for (const auto& row : rows) {
    auto* caption = new QLabel(row.Label, this);
    caption->setObjectName(QString(row.Name).replace("lbl", "lblCap"));
    auto* number = new QLabel(QString::number(row.Number), this);
    number->setObjectName(row.Name);
    number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The total and the result stand out from the stages between them.
    if (r == 0 || r == 9) {
      QFont bold = caption->font();
      bold.setBold(true);
      caption->setFont(bold);
      number->setFont(bold);
    }
    grid->addWidget(caption, r, 0);
    grid->addWidget(number, r, 1);
    ++r;
  }
  grid->setColumnStretch(0, 1);
  grid->setColumnMinimumWidth(1, 48);

  auto* btnClose = new QPushButton("Close", this);
  btnClose->setObjectName("btnClose");
  btnClose->setDefault(true);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [host = &ui] { host->ShowHelp(HelpTopic); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnClose);
  auto* column = new QVBoxLayout(this);
  column->addWidget(intro);
  column->addSpacing(6);
  column->addLayout(grid);
  column->addSpacing(6);
  column->addLayout(buttons);
  column->setSizeConstraint(QLayout::SetFixedSize);
  intro->setMaximumWidth(300);
}

void TfrmSummary::ShowModal(const TRunCounters& counters, int waiting, TUiHost& ui, QWidget* parent) {
  TfrmSummary window(counters, waiting, ui, parent);
  window.exec();
}

}  // namespace mailmoat
