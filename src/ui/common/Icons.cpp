#include "ui/common/Icons.h"

#include <QString>

// The resources live in a static library: they must be registered once by hand.
static void InitResources() {
  static const bool done = [] {
    Q_INIT_RESOURCE(mailmoat);
    return true;
  }();
  (void)done;
}

namespace mailmoat {

QIcon ProgramIcon() {
  InitResources();
  return QIcon(":/icons/mailmoat.svg");
}

QIcon TrayIcon(int frame) {
  InitResources();
  if (frame <= 0 || frame > 4) return QIcon(":/icons/tray-idle.svg");
  return QIcon(QString(":/icons/tray-busy-%1.svg").arg(frame));
}

QIcon EnvelopeIcon() {
  InitResources();
  return QIcon(":/icons/envelope.svg");
}

QIcon MessageStateIcon(int state) {
  InitResources();
  static const char* const files[] = {"msg-clean", "msg-rejected", "msg-blacklisted", "msg-approved",
                                      "msg-always-accept"};
  if (state < 0 || state > 4) state = 1;
  return QIcon(QString(":/icons/%1.svg").arg(files[state]));
}

}  // namespace mailmoat
