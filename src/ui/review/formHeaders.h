#pragma once

#include "core/Records.h"

#include <QDialog>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QPlainTextEdit;
class QPrinter;
class QStatusBar;

namespace mailmoat {

class TConfigData;

// "Mailmoat Pro - View Message Headers": one message's header block, read-only, with a
// status line saying whether and why it was rejected. Selected text can become a rule.
class TfrmHeaders : public QDialog {
public:
  // `rec` is copied; only its reason text is used, for the status line.
  TfrmHeaders(TConfigData& config, const THdrRec& rec, QWidget* parent = nullptr);

  void SetHeaderText(const QString& text);
  // A status text of the opener's; it replaces the one made from the reason when not empty.
  void SetStatusText(const QString& text) { OpenerStatus = text; }
  QString StatusText() const;

  // Builds a rule from the selected text (the rule wizard); returns whether one was saved.
  // "Create Rule from Selected Text" does nothing while it is empty.
  std::function<bool(const QString&)> OnCreateRule;
  // Sets up the printer for "&Print Headers"; false: the user cancelled. Empty: the
  // desktop's print dialog.
  std::function<bool(QPrinter&)> ChoosePrinter;

  // The text selected in the header area, line breaks as "\n".
  QString SelectedText() const;
  void CreateRuleFromSelection();
  void PrintHeaders();

  static constexpr int HelpTopic = 40;

protected:
  void showEvent(QShowEvent* event) override;

private:
  template <typename F>
  void Guarded(const char* what, F&& command);
  void UpdateActions();

  TConfigData& Config;
  THdrRec Rec;
  QString OpenerStatus;
  QPlainTextEdit* mHdrs = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* CreateRule1 = nullptr;
  QAction* PrintHeaders1 = nullptr;
};

}  // namespace mailmoat
