#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>

namespace mailmoat {

// Notices through the desktop's notification server (org.freedesktop.Notifications on the
// session bus). The call is sent without waiting for its answer, so a slow server never
// holds up the window; a server that turns the notice down is told through OnFailed.
class TDesktopNotifications : public QObject {
public:
  // Connects to the session bus that DBUS_SESSION_BUS_ADDRESS names, on a connection of its
  // own; without that variable there is no desktop session to notify.
  explicit TDesktopNotifications(QObject* parent = nullptr);
  ~TDesktopNotifications() override;
  TDesktopNotifications(const TDesktopNotifications&) = delete;
  TDesktopNotifications& operator=(const TDesktopNotifications&) = delete;

  // Whether a notification server is on the bus now.
  bool Available() const;
  // Sends the notice with the program's name and icon. Returns false when there is no server
  // to send it to.
  bool Notify(const QString& summary, const QString& body);

  // The server answered the notice with an error: `summary` and `body` are those not shown.
  std::function<void(const QString& summary, const QString& body)> OnFailed;

private:
  QDBusConnection Bus;
  uint LastId = 0;
};

}  // namespace mailmoat
