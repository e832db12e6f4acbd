#pragma once

#include "ui/main/TrayIcon.h"

#include <QMenu>

#include <vector>

namespace mailmoat::test {

// A tray that remembers what the window did with it; `Present` says whether the desktop has
// one. A click is Activate().
class TFakeTray : public TTrayIcon {
public:
  bool Available() const override { return Present; }
  void SetIcon(const QIcon& icon) override {
    Icon = icon;
    ++IconChanges;
  }
  void SetToolTip(const QString& text) override { ToolTip = text; }
  void SetMenu(QMenu* menu) override { Menu = menu; }
  void SetVisible(bool visible) override { Shown = visible; }
  bool Visible() const override { return Shown; }
  void Activate() {
    if (OnActivated) OnActivated();
  }

  bool Present = true;
  bool Shown = false;
  QIcon Icon;
  int IconChanges = 0;
  QString ToolTip;
  QMenu* Menu = nullptr;
};

}  // namespace mailmoat::test
