#include "ui/main/frmMailWaiting.h"

#include "ui/common/Icons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace mailmoat {

TfrmMailWaiting::TfrmMailWaiting(const QString& text, QWidget* parent) : QDialog(parent) {
  setObjectName("frmMailWaiting");
  setWindowTitle("Mail Waiting!");
  // A tool window that stays above the others, so it is seen over a full-screen program.
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* picture = new QLabel(this);
  picture->setObjectName("imgEnvelope");
  picture->setPixmap(EnvelopeIcon().pixmap(48, 48));
  picture->setAlignment(Qt::AlignTop);
  auto* message = new QLabel(text, this);
  message->setObjectName("lblMessage");
  message->setTextFormat(Qt::PlainText);
  message->setWordWrap(true);
  message->setStyleSheet("color: blue; font-weight: bold;");
  message->setMinimumWidth(220);
  auto* btnOk = new QPushButton("&Ok", this);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

  auto* top = new QHBoxLayout;
  top->addWidget(picture);
  top->addSpacing(10);
  top->addWidget(message, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk);
  buttons->addStretch(1);
  auto* column = new QVBoxLayout(this);
  column->addLayout(top);
  column->addLayout(buttons);
  column->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmMailWaiting::ShowModal(const QString& text, QWidget* parent) {
  TfrmMailWaiting window(text, parent);
  window.exec();
}

}  // namespace mailmoat
