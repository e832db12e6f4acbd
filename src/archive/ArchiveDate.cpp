#include "archive/ArchiveDate.h"

#include "platform/AsciiText.h"

#include <array>
#include <cstdio>

namespace mailmoat {

namespace {

constexpr std::int64_t SecondsPerDay = 86400;
// Days from 1 March of year 0 (proleptic Gregorian) to the zero date.
constexpr std::int64_t ZeroDateDays = 693899;

constexpr std::array<const char*, 12> MonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Days since 1 March of year 0 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

bool IsLeap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : days[static_cast<std::size_t>(month - 1)];
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads the digits at the front of `text` (at most `most`) into `value`; false without any.
bool TakeNumber(std::string_view& text, int& value, std::size_t most) {
  std::size_t n = 0;
  value = 0;
  while (n < text.size() && n < most && IsDigit(text[n])) value = value * 10 + (text[n++] - '0');
  text.remove_prefix(n);
  return n > 0;
}

void SkipBlanks(std::string_view& text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
}

}  // namespace

TMailTime EncodeMailTime(int year, int month, int day, int hour, int minute, int second) {
  const std::int64_t days = DaysFromCivil(year, month, day) - ZeroDateDays;
  return days * SecondsPerDay + hour * 3600 + minute * 60 + second;
}

std::int64_t MailDay(TMailTime time) {
  return time >= 0 ? time / SecondsPerDay : -((-time + SecondsPerDay - 1) / SecondsPerDay);
}

TMailTime MailTimeOf(const std::tm& when) {
  return EncodeMailTime(when.tm_year + 1900, when.tm_mon + 1, when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec);
}

TMailTime ParseMailDate(std::string_view text, bool toUtc) {
  text = TrimText(text);
  if (text.empty()) return ZeroMailTime;
  static constexpr std::string_view Weekdays = "sun#mon#tue#wed#thu#fri#sat";
  if (text.size() >= 3 && Weekdays.find(LowerCaseAscii(text.substr(0, 3))) != std::string_view::npos) {
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos) return ZeroMailTime;
    text.remove_prefix(blank + 1);
    SkipBlanks(text);
  }
  int day = 0;
  if (!TakeNumber(text, day, 2) || text.empty() || text.front() != ' ') return ZeroMailTime;
  SkipBlanks(text);

  static constexpr std::string_view Months = "janfebmaraprmayjunjulaugsepoctnovdec";
  if (text.size() < 3) return ZeroMailTime;
  const std::size_t at = Months.find(LowerCaseAscii(text.substr(0, 3)));
  // A month name that is none of the twelve reads as January.
  const int month = at == std::string_view::npos || at % 3 != 0 ? 1 : static_cast<int>(at / 3) + 1;
  while (!text.empty() && text.front() != ' ') text.remove_prefix(1);
  SkipBlanks(text);

  int year = 0;
  const std::size_t before = text.size();
  if (!TakeNumber(text, year, 4)) return ZeroMailTime;
  const std::size_t yearDigits = before - text.size();
  if (yearDigits == 2) {
    year += 2000;
  } else if (yearDigits != 4) {
    return ZeroMailTime;
  }
  SkipBlanks(text);

  int hour = 0, minute = 0, second = 0;
  if (!TakeNumber(text, hour, 2) || text.empty() || text.front() != ':') return ZeroMailTime;
  text.remove_prefix(1);
  if (!TakeNumber(text, minute, 2)) return ZeroMailTime;
  if (!text.empty() && text.front() == ':') {
    text.remove_prefix(1);
    if (!TakeNumber(text, second, 2)) return ZeroMailTime;
  }
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 || second > 59)
    return ZeroMailTime;
  TMailTime time = EncodeMailTime(year, month, day, hour, minute, second);

  const std::string_view zone = TrimText(text);
  if (toUtc && LowerCaseAscii(zone).find("gmt") == std::string::npos && zone.size() > 4) {
    int zoneHours = 0, zoneMinutes = 0;
    std::string_view digits = zone.substr(1, 2);
    std::string_view minutes = zone.substr(3, 2);
    if (TakeNumber(digits, zoneHours, 2) && digits.empty() && TakeNumber(minutes, zoneMinutes, 2) && minutes.empty()) {
      const TMailTime offset = zoneHours * 3600 + zoneMinutes * 60;
      time += zone.front() == '+' ? -offset : offset;
    }
  }
  return time;
}

std::string FormatMailTime(TMailTime time) {
  const std::int64_t days = MailDay(time);
  const std::int64_t rest = time - days * SecondsPerDay;
  std::int64_t year = 0;
  int month = 0, day = 0;
  CivilFromDays(days + ZeroDateDays, year, month, day);
  char text[48];
  std::snprintf(text, sizeof text, "%02d %s %04lld %02d:%02d:%02d", day,
                MonthNames[static_cast<std::size_t>(month - 1)], static_cast<long long>(year),
                static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
  return text;
}

}  // namespace mailmoat
