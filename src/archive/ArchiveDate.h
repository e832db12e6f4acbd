#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace mailmoat {

// A date and time of the archive windows: seconds since the zero date, 30 December 1899
// 00:00:00, which also stands for "no date".
using TMailTime = std::int64_t;
constexpr TMailTime ZeroMailTime = 0;

TMailTime EncodeMailTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
// The calendar day of `time`, counted from the zero date.
std::int64_t MailDay(TMailTime time);
// `when` (a local or UTC calendar time) as a mail time.
TMailTime MailTimeOf(const std::tm& when);

// The date of a Date header value: "[Day, ]d Mon yyyy h:mm[:ss] [zone]", two-digit years
// taken as 20yy, any run of blanks where one is expected. With `toUtc` a numeric zone
// ("+0100", "-0500 (EST)") is taken off. The zero date when the text is empty or does not
// read as a date.
TMailTime ParseMailDate(std::string_view text, bool toUtc);

// "dd mmm yyyy hh:nn:ss" with English short month names, as the archive lists show dates.
std::string FormatMailTime(TMailTime time);

}  // namespace mailmoat
