#include "ui/config/ProfileBoxes.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>

namespace mailmoat {

namespace {
constexpr int ImplicitTlsPort = 995;
// The choice before the current one, to tell a change away from TLS from the start.
constexpr const char* ShownProperty = "shownSecurity";
}  // namespace

void ChooseFolder(QLineEdit* box, const QString& caption, const QString& base) {
  const QString typed = box->text().trimmed();
  QString start = typed.isEmpty() ? base : QDir(base).absoluteFilePath(typed);
  while (!QFileInfo(start).isDir()) {
    const QString up = QFileInfo(start).path();
    if (up == start) {
      start = base;
      break;
    }
    start = up;
  }
  const QString chosen = QFileDialog::getExistingDirectory(box->window(), caption, start);
  if (!chosen.isEmpty()) box->setText(QDir::toNativeSeparators(chosen));
}

QToolButton* MakeBrowseButton(const char* name, const char* hint, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText("...");
  button->setAccessibleName("Browse");
  button->setToolTip(hint);
  return button;
}

QString TypedPath(const QLineEdit* box) {
  return box->text().remove(QLatin1Char('"')).trimmed();
}

QSpinBox* MakePortBox(QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setObjectName("sePort");
  box->setRange(0, 65535);
  box->setSpecialValueText("Default");
  box->setToolTip("The server's POP3 port; Default uses the port of the settings (usually 110)");
  return box;
}

QComboBox* MakeSecurityBox(QSpinBox* port, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName("cbSecurity");
  box->addItems({"None", "STLS", "TLS from the start"});
  box->setToolTip(
      "None: plain text. STLS: the connection is encrypted after the greeting (the server must offer it).\n"
      "TLS from the start: encrypted from the first byte, usually on port 995.");
  box->setProperty(ShownProperty, 0);
  QObject::connect(box, &QComboBox::currentIndexChanged, box, [box, port](int now) {
    const auto implicit = static_cast<int>(TProfileSecurity::ImplicitTls);
    const int previous = box->property(ShownProperty).toInt();
    box->setProperty(ShownProperty, now);
    if (now == implicit && port->value() == 0) port->setValue(ImplicitTlsPort);
    if (previous == implicit && now != implicit && port->value() == ImplicitTlsPort) port->setValue(0);
  });
  return box;
}

void ShowSecurity(QComboBox* box, TProfileSecurity security) {
  const int index = static_cast<int>(security);
  // Showing a stored value is no choice: the port stays as stored.
  const QSignalBlocker block(box);
  box->setCurrentIndex(index < box->count() ? index : 0);
  box->setProperty(ShownProperty, box->currentIndex());
}

TProfileSecurity ChosenSecurity(const QComboBox* box) {
  return static_cast<TProfileSecurity>(box->currentIndex() < 0 ? 0 : box->currentIndex());
}

}  // namespace mailmoat
