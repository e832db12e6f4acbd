#include "ui/common/A11yIds.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace mailmoat {

namespace {

class TA11yIdFilter : public QObject {
public:
  using QObject::QObject;

protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Polish || event->type() == QEvent::Show) {
      auto* widget = qobject_cast<QWidget*>(object);
      if (widget != nullptr && widget->accessibleDescription().isEmpty() && !widget->objectName().isEmpty())
        widget->setAccessibleDescription(widget->objectName());
    }
    return false;
  }
};

}  // namespace

void InstallA11yIds(QApplication& app) {
  if (qEnvironmentVariable("MAILMOAT_A11Y_IDS") != "1") return;
  app.installEventFilter(new TA11yIdFilter(&app));
}

}  // namespace mailmoat
