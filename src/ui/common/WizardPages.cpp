#include "ui/common/WizardPages.h"

#include "ui/common/Icons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace mailmoat {

QWidget* WizardOuterPage(const char* name, const QString& title, const QString& subtitle) {
  auto* page = new QWidget;
  page->setObjectName(name);
  auto* picture = new QLabel(page);
  picture->setObjectName("imgPicture");
  picture->setPixmap(ProgramIcon().pixmap(96, 96));
  picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  picture->setMinimumWidth(130);
  auto* lblTitle = new QLabel(title, page);
  lblTitle->setObjectName("lblTitle");
  QFont big = lblTitle->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.4);
  lblTitle->setFont(big);
  auto* lblSubtitle = new QLabel(subtitle, page);
  lblSubtitle->setObjectName("lblSubtitle");
  auto* text = new QVBoxLayout;
  text->addWidget(lblTitle);
  text->addSpacing(12);
  text->addWidget(lblSubtitle);
  text->addStretch(1);
  auto* row = new QHBoxLayout(page);
  row->addWidget(picture);
  row->addLayout(text, 1);
  return page;
}

QWidget* WizardInteriorPage(const char* name, const QString& title, const QString& subtitle, QVBoxLayout*& body,
                            const QString& caption) {
  auto* page = new QWidget;
  page->setObjectName(name);
  auto* band = new QWidget(page);
  band->setObjectName("pnlBand");
  band->setAutoFillBackground(true);
  QPalette palette = band->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Base));
  band->setPalette(palette);
  auto* lblTitle = new QLabel(title, band);
  lblTitle->setObjectName("lblTitle");
  QFont bold = lblTitle->font();
  bold.setBold(true);
  lblTitle->setFont(bold);
  auto* bandColumn = new QVBoxLayout(band);
  if (!caption.isEmpty()) {
    auto* lblCaption = new QLabel(caption, band);
    lblCaption->setObjectName("lblWizardCaption");
    QPalette grey = lblCaption->palette();
    grey.setColor(QPalette::WindowText, grey.color(QPalette::Disabled, QPalette::WindowText));
    lblCaption->setPalette(grey);
    bandColumn->addWidget(lblCaption);
  }
  bandColumn->addWidget(lblTitle);
  if (!subtitle.isEmpty()) {
    auto* lblSubtitle = new QLabel(subtitle, band);
    lblSubtitle->setObjectName("lblSubtitle");
    lblSubtitle->setIndent(16);
    bandColumn->addWidget(lblSubtitle);
  }
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(band);
  body = new QVBoxLayout;
  body->setContentsMargins(24, 12, 24, 0);
  column->addLayout(body, 1);
  return page;
}

}  // namespace mailmoat
