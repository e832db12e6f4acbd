#include "ui/common/DesktopNotifications.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>

namespace mailmoat {

namespace {

const char Service[] = "org.freedesktop.Notifications";
const char Path[] = "/org/freedesktop/Notifications";
const char Interface[] = "org.freedesktop.Notifications";

// One connection per object, closed with it, so each sees the bus of its own time.
QString ConnectionName(const void* owner) {
  return QString("mailmoat-notifications-%1").arg(reinterpret_cast<quintptr>(owner));
}

}  // namespace

TDesktopNotifications::TDesktopNotifications(QObject* parent)
    : QObject(parent),
      Bus(QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), ConnectionName(this))) {
}

TDesktopNotifications::~TDesktopNotifications() {
  QDBusConnection::disconnectFromBus(Bus.name());
}

bool TDesktopNotifications::Available() const {
  if (!Bus.isConnected() || Bus.interface() == nullptr) return false;
  // Also a server the bus would start on demand counts.
  const QDBusReply<bool> owned = Bus.interface()->isServiceRegistered(Service);
  if (owned.isValid() && owned.value()) return true;
  const QDBusReply<QStringList> activatable = Bus.interface()->activatableServiceNames();
  return activatable.isValid() && activatable.value().contains(Service);
}

bool TDesktopNotifications::Notify(const QString& summary, const QString& body) {
  if (!Available()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, "Notify");
  const QStringList actions;
  const QVariantMap hints{{"desktop-entry", QString("mailmoat")}, {"category", QString("email.arrived")}};
  // Each notice replaces the one before, as the window shows only the latest count.
  call << QString("mailmoat") << LastId << QString("mail-unread") << summary << body << actions << hints << qint32(-1);
  auto* watcher = new QDBusPendingCallWatcher(Bus.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, summary, body] {
    const QDBusPendingReply<uint> reply = *watcher;
    watcher->deleteLater();
    if (reply.isError()) {
      if (OnFailed) OnFailed(summary, body);
      return;
    }
    LastId = reply.value();
  });
  return true;
}

}  // namespace mailmoat
