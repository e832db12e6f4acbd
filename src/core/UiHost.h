#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace mailmoat {

enum class TMsgKind { Information, Warning, Error, Confirmation };

// Buttons of a message box; a set is an OR of these.
enum TMsgButton : unsigned {
  mbNone = 0,
  mbOK = 1u << 0,
  mbCancel = 1u << 1,
  mbYes = 1u << 2,
  mbNo = 1u << 3,
  mbHelp = 1u << 4,
  mbAbort = 1u << 5,
  mbRetry = 1u << 6,
  mbIgnore = 1u << 7,
};
using TMsgButtons = unsigned;

// Everything the core needs from the person in front of the screen. The GUI shows real
// windows; the console host answers for a user who is not there; tests record the calls.
class TUiHost {
public:
  virtual ~TUiHost() = default;

  // Shows a modal message box and returns the button pressed. `helpContext` 0 means no help
  // topic. `defaultButton` is the button with the focus, and what a host without a user
  // answers; mbNone lets the host choose (OK, else No, else Cancel, else the first button).
  virtual TMsgButton MessageBox(TMsgKind kind, const std::string& text, TMsgButtons buttons, int helpContext = 0,
                                const std::string& caption = {}, TMsgButton defaultButton = mbNone) = 0;

  // The busy dialog: a caption and a progress bar that become visible only when the
  // operation lasts longer than a second.
  virtual void BusySetCaption(const std::string& caption) = 0;
  virtual void BusySetMax(std::int64_t max) = 0;
  virtual void BusySetPosition(std::int64_t position) = 0;
  virtual void BusyShow() = 0;
  virtual void BusyStep() = 0;
  virtual void BusyHide() = 0;

  // The hourglass cursor over the whole program.
  virtual void SetBusyCursor(bool busy) = 0;

  // Lets pending user-interface events (and due timers) run. Long operations call this
  // between their steps so Abort and the tray menu keep working.
  virtual void ProcessMessages() = 0;

  // A repeating timer; the callback runs from the event loop or from ProcessMessages.
  virtual int StartTimer(int intervalMs, std::function<void()> callback) = 0;
  virtual void StopTimer(int id) = 0;

  // Opens a file or an address with the desktop's handler; false when that failed.
  virtual bool OpenFile(const std::string& path) = 0;
  virtual bool OpenUrl(const std::string& url) = 0;

  // An input box with one line of text: `value` is shown first and holds the answer. Returns
  // false when the user cancelled (then `value` is unchanged).
  virtual bool InputBox(const std::string& caption, const std::string& prompt, std::string& value) = 0;

  // A message box with the check box "&Don't ask me this again." under its text. Returns the
  // button pressed; `dontAskAgain` tells whether the box was ticked (false when unanswered).
  virtual TMsgButton MessageBoxDontAsk(TMsgKind kind, const std::string& text, TMsgButtons buttons, bool& dontAskAgain,
                                       const std::string& caption = {}, TMsgButton defaultButton = mbNone) = 0;

  // Shows the help page of a topic number (10 contents, 20 main window, 40 check commands, ...).
  virtual void ShowHelp(int helpContext) = 0;
};

}  // namespace mailmoat
