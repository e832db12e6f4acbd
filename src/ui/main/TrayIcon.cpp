#include "ui/main/TrayIcon.h"

#include <QSystemTrayIcon>

namespace mailmoat {

TSystemTrayIcon::TSystemTrayIcon() : Icon(std::make_unique<QSystemTrayIcon>()) {
  QObject::connect(Icon.get(), &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
    const bool click = reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick;
    if (click && OnActivated) OnActivated();
  });
}

TSystemTrayIcon::~TSystemTrayIcon() = default;

bool TSystemTrayIcon::Available() const {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void TSystemTrayIcon::SetIcon(const QIcon& icon) {
  Icon->setIcon(icon);
}

void TSystemTrayIcon::SetToolTip(const QString& text) {
  Icon->setToolTip(text);
}

void TSystemTrayIcon::SetMenu(QMenu* menu) {
  Icon->setContextMenu(menu);
}

void TSystemTrayIcon::SetVisible(bool visible) {
  Icon->setVisible(visible);
}

bool TSystemTrayIcon::Visible() const {
  return Icon->isVisible();
}

}  // namespace mailmoat
