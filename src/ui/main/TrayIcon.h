#pragma once

#include <QIcon>
#include <QString>

#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace mailmoat {

// The tray icon as the main window uses it. Many desktops have no tray at all; tests use a
// fake, since neither the offscreen platform nor Xvfb has one.
class TTrayIcon {
public:
  virtual ~TTrayIcon() = default;

  // Whether the desktop shows tray icons. Without one, hiding to the tray minimises.
  virtual bool Available() const = 0;
  virtual void SetIcon(const QIcon& icon) = 0;
  virtual void SetToolTip(const QString& text) = 0;
  virtual void SetMenu(QMenu* menu) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() const = 0;

  // A click or a double-click on the icon (the menu opens on the right button by itself).
  std::function<void()> OnActivated;
};

// The desktop's tray, through QSystemTrayIcon.
class TSystemTrayIcon final : public TTrayIcon {
public:
  TSystemTrayIcon();
  ~TSystemTrayIcon() override;

  bool Available() const override;
  void SetIcon(const QIcon& icon) override;
  void SetToolTip(const QString& text) override;
  void SetMenu(QMenu* menu) override;
  void SetVisible(bool visible) override;
  bool Visible() const override;

private:
  std::unique_ptr<QSystemTrayIcon> Icon;
};

}  // namespace mailmoat
