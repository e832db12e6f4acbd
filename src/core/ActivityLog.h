#pragma once

#include "core/Settings.h"
#include "platform/FileSystem.h"

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mailmoat {

class TUiHost;
class TRegistry;

// The class of a log line. Every caller tests its line's class against LoggingLevel before
// writing; lines of class All are written at every level but None.
enum class TLogClass { All, Normal, Verbose, Debug };

// Whether a log at `loggingLevel` takes lines of `cls`. The levels rank
// None < Terse < Normal < Verbose < Debug although Terse is stored as 4.
bool LogLevelAdmits(int loggingLevel, TLogClass cls);

// The wall clock, injected so tests can fix the time.
using TClock = std::function<std::time_t()>;
std::time_t SystemClock();

// "08 Dec 2026 13:05:09": local time, English month names whatever the locale, so the log
// reads the same everywhere and can be trimmed by date.
std::string LogTimeStamp(std::time_t when);
// "08Dec2026-130509_mmt.log", the name a full log is renamed to.
std::string RolledLogName(std::time_t when);
// The day number (days since 1 Jan 1970) of a log line's "dd mmm yyyy" start, or nothing.
std::optional<long> LogLineDay(std::string_view line);

// The activity log "mmt.log" in the program directory.
class TActivityLog {
public:
  static constexpr std::string_view LogFileName = "mmt.log";

  TActivityLog(TPath programDir, const TSettings& settings, TUiHost& ui, TRegistry& registry, TClock clock);

  TPath FileName() const { return ProgramDir / TPath(LogFileName); }

  // Appends one line with its time stamp, first rolling the file over when it has reached
  // MaxLogSize. Does nothing at level None or for an empty message. Throws EInOutError when
  // the log cannot be opened or written.
  void WriteLog(std::string_view message);

  // Keeps only the lines of the last `days` days (today counts as day 1), behind the busy
  // dialog. A log it cannot date, or cannot rewrite, is left unchanged and the reason shown
  // in an error box.
  void TrimLog(int days);

  // The main window's log commands. The two clearing commands do nothing while a check runs.
  void ShowLog();
  void ClearLog(bool checkInProgress);
  // `askDays` shows the "Clear Old Log Entries" dialog with the remembered number of days and
  // returns the chosen number, or nothing on Cancel. The choice is remembered for next time.
  void ClearOldEntries(bool checkInProgress, const std::function<std::optional<int>(int)>& askDays);

  static constexpr int DefaultTrimDays = 7;

private:
  TPath ProgramDir;
  const TSettings& Settings;
  TUiHost& Ui;
  TRegistry& Registry;
  TClock Clock;
};

}  // namespace mailmoat
