#include "check/HdrReview.h"

#include <charconv>

namespace mailmoat {

namespace {

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}
bool StartsWith(const std::string& text, std::string_view part) {
  return text.rfind(part, 0) == 0;
}

}  // namespace

THdrState HdrState(const THdrRec& rec) {
  if (Contains(rec.Reason, "Black list")) return THdrState::Blacklisted;
  if (Contains(rec.Reason, "Approved Sender")) return THdrState::Approved;
  if (Contains(rec.Reason, "Always Accept")) return THdrState::AlwaysAccept;
  if (rec.Reason == "ok") return THdrState::Clean;
  return THdrState::Rejected;
}

bool IsGoodMessage(const THdrRec& rec) {
  return rec.Reason == "ok" || StartsWith(rec.Reason, "Approved Sender") || StartsWith(rec.Reason, "Always Accept");
}

std::string HdrStatusText(const THdrRec& rec) {
  if (rec.Reason == "ok") return "Message cleared all rule processing.";
  return rec.Reason;
}

void SetAllDeleteMarks(std::vector<THdrRec>& list, bool mark) {
  for (THdrRec& rec : list) rec.DeleteMark = mark;
}

void MarkAllSpam(std::vector<THdrRec>& list) {
  for (THdrRec& rec : list) {
    if (!IsGoodMessage(rec)) rec.DeleteMark = true;
  }
}

bool AnyDeleteMark(const std::vector<THdrRec>& list) {
  for (const THdrRec& rec : list) {
    if (rec.DeleteMark) return true;
  }
  return false;
}

long long SizeSortKey(std::string_view text) {
  long long value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  // Only a whole decimal number counts; "12 kB" or an overflow sorts as 0.
  if (ec != std::errc() || ptr != end) return 0;
  return value;
}

std::string HeaderWindowStatus(const std::string& reason, const std::string& openerText) {
  if (!openerText.empty()) return openerText;
  if (reason != "ok") return "Rejected: " + reason;
  return "Message appears to be OK";
}

}  // namespace mailmoat
