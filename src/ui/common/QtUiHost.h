#pragma once

#include "core/UiHost.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

class QTimer;
class QWidget;

namespace mailmoat {

class TBusyDialog;

// The user-interface host of the windows: message boxes with an icon per kind, the busy
// dialog (visible only when its operation lasts longer than a second), the hourglass cursor,
// Qt timers and the desktop's handlers for files and web addresses. One per program.
class TQtUiHost : public TUiHost {
public:
  TQtUiHost();
  ~TQtUiHost() override;
  TQtUiHost(const TQtUiHost&) = delete;
  TQtUiHost& operator=(const TQtUiHost&) = delete;

  // The window boxes belong to; null (the default): the active window.
  void SetParentWindow(QWidget* window) { ParentWindow = window; }
  // What ShowHelp does with a topic number; the program opens its help window here.
  void SetHelpHandler(std::function<void(int)> handler) { HelpHandler = std::move(handler); }
  // Where a failure inside a timer callback is reported (the "! " log line); the text is also
  // shown in an error box.
  void SetErrorSink(std::function<void(const std::string&)> sink) { ErrorSink = std::move(sink); }

  TMsgButton MessageBox(TMsgKind kind, const std::string& text, TMsgButtons buttons, int helpContext = 0,
                        const std::string& caption = {}, TMsgButton defaultButton = mbNone) override;
  void BusySetCaption(const std::string& caption) override;
  void BusySetMax(std::int64_t max) override;
  void BusySetPosition(std::int64_t position) override;
  void BusyShow() override;
  void BusyStep() override;
  void BusyHide() override;
  void SetBusyCursor(bool busy) override;
  void ProcessMessages() override;
  int StartTimer(int intervalMs, std::function<void()> callback) override;
  void StopTimer(int id) override;
  bool OpenFile(const std::string& path) override;
  bool OpenUrl(const std::string& url) override;
  bool InputBox(const std::string& caption, const std::string& prompt, std::string& value) override;
  TMsgButton MessageBoxDontAsk(TMsgKind kind, const std::string& text, TMsgButtons buttons, bool& dontAskAgain,
                               const std::string& caption = {}, TMsgButton defaultButton = mbNone) override;
  void ShowHelp(int helpContext) override;

  // The busy dialog ("dlgWorking"), made on first use; for tests.
  QWidget* BusyDialog() const;

private:
  TMsgButton ShowBox(TMsgKind kind, const std::string& text, TMsgButtons buttons, int helpContext,
                     const std::string& caption, TMsgButton defaultButton, const char* checkText, bool& checked);
  TBusyDialog& Busy();

  QWidget* ParentWindow = nullptr;
  std::function<void(int)> HelpHandler;
  std::function<void(const std::string&)> ErrorSink;
  std::unique_ptr<TBusyDialog> BusyBox;
  std::int64_t Scale = 1;  // the busy dialog's progress units per bar step
  std::map<int, QTimer*> Timers;
  int NextTimerId = 1;
  int CursorDepth = 0;
};

}  // namespace mailmoat
