#include "core/ActivityLog.h"

#include "platform/AsciiText.h"
#include "core/Registry.h"
#include "core/UiHost.h"
#include "platform/Errors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace mailmoat {

namespace {

const char* const MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::tm LocalTime(std::time_t when) {
  std::tm tm{};
  localtime_r(&when, &tm);
  return tm;
}

// Days since 1 Jan 1970 of a civil date (Howard Hinnant's algorithm).
long DaysFromCivil(int y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

bool IsLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool Digit(char c) {
  return c >= '0' && c <= '9';
}

const char SettingsKey[] = "Settings";
const char TrimDaysName[] = "TrimLogDays";

}  // namespace

bool LogLevelAdmits(int loggingLevel, TLogClass cls) {
  switch (loggingLevel) {
    case LogLevel::Terse: return cls == TLogClass::All;
    case LogLevel::Normal: return cls == TLogClass::All || cls == TLogClass::Normal;
    case LogLevel::Verbose: return cls != TLogClass::Debug;
    case LogLevel::Debug: return true;
    default: return false;
  }
}

std::time_t SystemClock() {
  return std::time(nullptr);
}

std::string LogTimeStamp(std::time_t when) {
  const std::tm tm = LocalTime(when);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d %s %04d %02d:%02d:%02d", tm.tm_mday, MonthNames[tm.tm_mon], tm.tm_year + 1900,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

std::string RolledLogName(std::time_t when) {
  const std::tm tm = LocalTime(when);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02d%s%04d-%02d%02d%02d_mmt.log", tm.tm_mday, MonthNames[tm.tm_mon],
                tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

std::optional<long> LogLineDay(std::string_view line) {
  if (line.size() < 11 || !Digit(line[0]) || !Digit(line[1]) || line[2] != ' ' || line[6] != ' ') {
    return std::nullopt;
  }
  int month = -1;
  for (int m = 0; m < 12; ++m) {
    if (LowerAscii(line[3]) == LowerAscii(MonthNames[m][0]) && LowerAscii(line[4]) == LowerAscii(MonthNames[m][1]) &&
        LowerAscii(line[5]) == LowerAscii(MonthNames[m][2])) {
      month = m;
    }
  }
  if (month < 0) return std::nullopt;
  for (size_t i = 7; i < 11; ++i) {
    if (!Digit(line[i])) return std::nullopt;
  }
  const int day = (line[0] - '0') * 10 + (line[1] - '0');
  const int year = (line[7] - '0') * 1000 + (line[8] - '0') * 100 + (line[9] - '0') * 10 + (line[10] - '0');
  static const int DaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int monthDays = DaysInMonth[month] + (month == 1 && IsLeap(year) ? 1 : 0);
  if (day < 1 || day > monthDays || year < 1) return std::nullopt;
  return DaysFromCivil(year, static_cast<unsigned>(month + 1), static_cast<unsigned>(day));
}

TActivityLog::TActivityLog(TPath programDir, const TSettings& settings, TUiHost& ui, TRegistry& registry, TClock clock)
    : ProgramDir(std::move(programDir)), Settings(settings), Ui(ui), Registry(registry), Clock(std::move(clock)) {
}

void TActivityLog::WriteLog(std::string_view message) {
  if (Settings.LoggingLevel == LogLevel::None || message.empty()) return;
  const std::time_t now = Clock();
  const TPath path = FileName();

  std::string notice;
  if (Settings.MaxLogSize > 0) {
    const auto size = FileSize(path);
    if (size && *size >= static_cast<std::uint64_t>(Settings.MaxLogSize) * 1024u) {
      if (Settings.LogDisp == LogDisposition::Delete) {
        if (::unlink(path.c_str()) == 0) notice = "^ Log file reached max size. New log started - old log deleted.";
      } else {
        // Never over an older roll-over of the same second: that would lose a whole log.
        const std::string rolled = RolledLogName(now);
        if (RenameNoReplace(path, ProgramDir / rolled)) {
          notice = "^ Log file reached max size. New log started - old log renamed to " + rolled + ".";
        }
      }
    }
  }

  std::string text;
  const std::string stamp = LogTimeStamp(now);
  if (!notice.empty()) text += stamp + " " + notice + "\r\n";
  text += stamp + " ";
  text += message;
  text += "\r\n";

  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    const int err = errno;
    throw EInOutError("Cannot open the log " + path.string() + ": " + ErrnoText(err));
  }
  std::string_view rest = text;
  while (!rest.empty()) {
    const ssize_t n = ::write(fd, rest.data(), rest.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      throw EInOutError("Cannot write the log " + path.string() + ": " + ErrnoText(err));
    }
    rest.remove_prefix(static_cast<size_t>(n));
  }
  ::close(fd);
}

void TActivityLog::TrimLog(int days) {
  if (days <= 0) return;
  const TPath path = FileName();
  if (!FileExists(path)) return;
  TPath work = path;
  work.replace_extension(".~og");

  Ui.BusySetPosition(0);
  Ui.BusyShow();
  Ui.BusySetCaption("Trimming log file . . .");
  const std::int64_t total = static_cast<std::int64_t>(FileSize(path).value_or(0));
  Ui.BusySetMax(total);

  std::FILE* in = nullptr;
  std::FILE* out = nullptr;
  try {
    in = std::fopen(path.c_str(), "rb");
    if (!in) throw EInOutError("Cannot open the log " + path.string() + ": " + ErrnoText(errno));
    out = std::fopen(work.c_str(), "wb");
    if (!out) throw EInOutError("Cannot create " + work.string() + ": " + ErrnoText(errno));

    const std::tm now = LocalTime(Clock());
    const long today =
        DaysFromCivil(now.tm_year + 1900, static_cast<unsigned>(now.tm_mon + 1), static_cast<unsigned>(now.tm_mday));
    bool keeping = false;
    bool sawDatedLine = false;
    std::int64_t position = 0;
    unsigned lineCount = 0;
    char* raw = nullptr;
    size_t rawCap = 0;
    struct FreeLine {
      char*& p;
      ~FreeLine() { std::free(p); }
    } freeLine{raw};
    while (!keeping) {
      const ssize_t got = ::getline(&raw, &rawCap, in);
      if (got <= 0) break;
      const std::string line(raw, static_cast<size_t>(got));
      position += got;
      if (const auto day = LogLineDay(line)) {
        sawDatedLine = true;
        const long age = std::max(0L, today - *day + 1);
        keeping = days >= age;
      } else if (!sawDatedLine) {
        // Not a log this program wrote: leave it alone rather than guess.
        throw EConvertError("'" + line.substr(0, std::min<size_t>(11, line.find_first_of("\r\n"))) +
                            "' is not a valid date");
      }
      // An undated line continues the message above it (a text with a line break) and goes
      // with it.
      if (keeping && std::fwrite(line.data(), 1, line.size(), out) != line.size()) {
        throw EInOutError("Cannot write " + work.string() + ": " + ErrnoText(errno));
      }
      if (++lineCount % 512 == 0) {
        Ui.BusySetPosition(position);
        Ui.ProcessMessages();
      }
    }
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) {
      if (std::fwrite(buf, 1, n, out) != n)
        throw EInOutError("Cannot write " + work.string() + ": " + ErrnoText(errno));
    }
    if (std::ferror(in)) throw EInOutError("Cannot read the log " + path.string() + ": " + ErrnoText(errno));
    if (std::fflush(out) != 0 || ::fsync(::fileno(out)) != 0) {
      throw EInOutError("Cannot write " + work.string() + ": " + ErrnoText(errno));
    }
    std::fclose(in);
    in = nullptr;
    const int closed = std::fclose(out);
    out = nullptr;
    if (closed != 0) throw EInOutError("Cannot write " + work.string() + ": " + ErrnoText(errno));
    // rename replaces the old log in one step, so there is never a moment without one.
    if (std::rename(work.c_str(), path.c_str()) != 0) {
      throw EInOutError("Cannot replace the log " + path.string() + ": " + ErrnoText(errno));
    }
  } catch (const EMailmoatError& e) {
    if (in) std::fclose(in);
    if (out) std::fclose(out);
    ::unlink(work.c_str());
    Ui.BusyHide();
    Ui.MessageBox(TMsgKind::Error, e.what(), mbOK);
    return;
  }
  Ui.BusySetPosition(total);
  Ui.BusyHide();
}

void TActivityLog::ShowLog() {
  const TPath path = FileName();
  if (!FileExists(path)) {
    Ui.MessageBox(TMsgKind::Warning, "No log file currently exists to view.", mbOK);
    return;
  }
  Ui.OpenFile(path.string());
}

void TActivityLog::ClearLog(bool checkInProgress) {
  if (checkInProgress) return;
  const TPath path = FileName();
  if (!FileExists(path)) {
    Ui.MessageBox(TMsgKind::Information, "No Mailmoat Pro log file found.", mbOK);
    return;
  }
  if (Ui.MessageBox(TMsgKind::Confirmation, "Delete Mailmoat Pro log file?", mbYes | mbNo) != mbYes) return;
  try {
    DeleteFileIfExists(path);
  } catch (const EInOutError& e) {
    Ui.MessageBox(TMsgKind::Error, e.what(), mbOK);
  }
}

void TActivityLog::ClearOldEntries(bool checkInProgress, const std::function<std::optional<int>(int)>& askDays) {
  if (checkInProgress) return;
  if (!FileExists(FileName())) {
    Ui.MessageBox(TMsgKind::Information, "No log file currently exists. Trimming not needed.", mbOK);
    return;
  }
  int remembered = Registry.ReadInteger(SettingsKey, TrimDaysName).value_or(DefaultTrimDays);
  if (remembered < 1 || remembered > 999) remembered = DefaultTrimDays;
  const std::optional<int> chosen = askDays(remembered);
  if (!chosen) return;
  try {
    Registry.WriteInteger(SettingsKey, TrimDaysName, *chosen);
  } catch (const EInOutError&) {
    // Remembering the choice is a convenience; the trim itself must still run.
  }
  TrimLog(*chosen);
}

}  // namespace mailmoat
