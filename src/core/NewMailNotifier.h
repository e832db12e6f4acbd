#pragma once

#include "core/Notification.h"
#include "core/Records.h"
#include "platform/ProcessList.h"
#include "platform/Spawn.h"
#include "platform/WindowList.h"

#include <functional>
#include <string>
#include <vector>

namespace mailmoat {

class TCheckView;
class TConfigData;

// Tells the user after a run that good mail is waiting: a sound, the "Mail Waiting!" window,
// and starting the e-mail program or bringing its window to the front, as the settings ask.
// Also shows the processing summary. Neither operation throws: what fails is logged or shown
// in a box, and the rest of the notification goes on.
class TNewMailNotifier : public TRunNotifier {
public:
  using TProcessLister = std::function<std::vector<TProcessEntry>()>;
  using TStarter = std::function<TStartError(const std::string& program, const std::vector<std::string>& args,
                                             const std::string& workDir)>;

  // `windows` must outlive the notifier. The process list and the program starter default
  // to the system's.
  TNewMailNotifier(TConfigData& config, TCheckView& view, TWindowSystem& windows, TProcessLister processes = {},
                   TStarter starter = {});

  // The summary window, when the last run processed at least one message.
  void ShowProcessingSummary() override;
  void NotifyNewMail() override;

  // Messages of the last run that were not rejected: processed less every rejection but
  // the eaten ones, which are among those.
  static int WaitingCount(const TRunCounters& counters);
  // The text of a start result of the e-mail program (the result codes of the desktop
  // shell's "open": 2 file not found, 3 path not found, 5 access denied, ...).
  static std::string StartErrorText(int result);
  // The start result for a failure to start a program.
  static int StartResult(const TStartError& error);
  // The text looked for in the caption of the e-mail program's window, from its executable.
  static std::string CaptionText(const std::string& executable);

private:
  void PlayWave();
  void ShowPopup(int waiting);
  void ActivateClient();
  void LogLine(const std::string& line);

  TConfigData& Config;
  TCheckView& View;
  TWindowSystem& Windows;
  TProcessLister Processes;
  TStarter Starter;
};

}  // namespace mailmoat
