// "Mail Waiting!" as a desktop notification, against a notification server stand-in on a
// private session bus: chosen in the settings, taken by itself on a desktop without a tray,
// and the window again when no server takes the notice.
#include "core/NewMailNotifier.h"
#include "platform/WindowList.h"
#include "support/MainWindowFixture.h"
#include "support/SessionBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QLabel>
#include <QMutex>
#include <QMutexLocker>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

// Serves org.freedesktop.Notifications on its own connection and notes each Notify call.
// Qt may hand the calls over on its bus thread, so the notes are guarded.
class TNotificationServer : public QDBusVirtualObject {
public:
  struct TNotice {
    QString AppName;
    uint ReplacesId = 0;
    QString Icon;
    QString Summary;
    QString Body;
  };

  explicit TNotificationServer(const std::string& address)
      : Bus(QDBusConnection::connectToBus(QString::fromStdString(address), "stand-in")) {
    Registered = Bus.registerService("org.freedesktop.Notifications") &&
                 Bus.registerVirtualObject("/org/freedesktop/Notifications", this);
  }
  ~TNotificationServer() override {
    Bus.unregisterObject("/org/freedesktop/Notifications");
    Bus.unregisterService("org.freedesktop.Notifications");
    QDBusConnection::disconnectFromBus("stand-in");
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != "Notify" || message.arguments().size() != 8) return false;
    const QList<QVariant> a = message.arguments();
    QMutexLocker lock(&Guard);
    Notices.push_back({a[0].toString(), a[1].toUInt(), a[2].toString(), a[3].toString(), a[4].toString()});
    connection.send(message.createReply(QVariant::fromValue(uint(40 + Notices.size()))));
    return true;
  }
  QString introspect(const QString&) const override { return {}; }

  std::vector<TNotice> Received() {
    QMutexLocker lock(&Guard);
    return Notices;
  }

  bool Registered = false;

private:
  QDBusConnection Bus;
  QMutex Guard;
  std::vector<TNotice> Notices;
};

class DesktopNotificationsTest : public test::TMainWindowFixture {
protected:
  // A check of a mailbox with good mail waiting, telling of it through the real notifier.
  void CheckWithGoodMail(const std::string& ini, int messages) {
    RunNotifier = &Late;
    Start(ini, true, false);
    Late.Real = std::make_unique<TNewMailNotifier>(*Config, View, *NoWindows);
    AddMailbox(0);
    for (int i = 1; i <= messages; ++i)
      Server->AddMessage(User, std::to_string(1700000300 + i) + ".M1P1." + User, test::Mail(10 + i, "Lunch"));
    Main->EnableCheckCommands(true);
    auto* timer = new QTimer(Main.get());
    QObject::connect(timer, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr || modal->objectName() != "frmMailWaiting") return;
      Windows.push_back(modal->findChild<QLabel*>("lblMessage")->text());
      modal->findChild<QPushButton*>("btnOk")->click();
    });
    timer->start(10);
    Find<QPushButton>("btnCheckOnly")->click();
    ASSERT_TRUE(WaitForRunEnd());
  }

  class TLateNotifier : public TRunNotifier {
  public:
    void ShowProcessingSummary() override {}
    void NotifyNewMail() override { Real->NotifyNewMail(); }
    std::unique_ptr<TNewMailNotifier> Real;
  };
  std::unique_ptr<TWindowSystem> NoWindows = NoWindowSystem();
  TLateNotifier Late;
  std::vector<QString> Windows;
};

TEST_F(DesktopNotificationsTest, TheNoticeGoesToTheDesktopWhenChosenOrWithoutATrayAndToTheWindowWithoutAServer) {
  REQUIRE_DOVECOT();
  test::TSessionBus bus;
  if (!bus.Running()) GTEST_SKIP() << "dbus-daemon is not installed";
  TNotificationServer server(bus.Address);
  ASSERT_TRUE(server.Registered);

  // The desktop has a tray, and the settings ask for the notification.
  CheckWithGoodMail("[Config]\nUseRas=0\nPopup=1\nDesktopNotify=1\n", 2);
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.Received().size() == 1; }, 10000));
  TNotificationServer::TNotice notice = server.Received()[0];
  EXPECT_EQ(notice.AppName, "mailmoat");
  EXPECT_EQ(notice.ReplacesId, 0u);
  EXPECT_EQ(notice.Icon, "mail-unread");
  EXPECT_EQ(notice.Summary, "Mail Waiting!");
  EXPECT_EQ(notice.Body, "Hey! You have 2 messages waiting in your mailbox!");
  EXPECT_TRUE(Windows.empty());

  // No tray: the notification although the settings ask for the window.
  Main->close();
  Main.reset();
  Tray.Present = false;
  CheckWithGoodMail("[Config]\nUseRas=0\nPopup=1\n", 3);
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.Received().size() == 2; }, 10000));
  EXPECT_EQ(server.Received()[1].Summary, "Mail Waiting!");
  EXPECT_EQ(server.Received()[1].Body, "Hey! You have 3 messages waiting in your mailbox!");
  EXPECT_TRUE(Windows.empty());
}

TEST_F(DesktopNotificationsTest, WithoutANotificationServerTheWindowTellsOfTheMail) {
  REQUIRE_DOVECOT();
  test::TSessionBus bus;
  if (!bus.Running()) GTEST_SKIP() << "dbus-daemon is not installed";
  Tray.Present = false;
  CheckWithGoodMail("[Config]\nUseRas=0\nPopup=1\nDesktopNotify=1\n", 2);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Windows.size() == 1; }, 10000));
  EXPECT_EQ(Windows[0], "Hey! You have 2 messages waiting in your mailbox!");
}

}  // namespace
}  // namespace mailmoat
