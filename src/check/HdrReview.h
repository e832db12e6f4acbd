#pragma once

#include "core/Records.h"

#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

// How a message of the check-and-view list is pictured; the values are the picture indexes.
enum class THdrState { Clean = 0, Rejected = 1, Blacklisted = 2, Approved = 3, AlwaysAccept = 4 };
inline constexpr int HdrStateCount = 5;

// The state of a record by its reason text: the blacklist, approved-sender and always-accept
// texts are looked for anywhere, in that order; "ok" is clean, anything else a rejection.
THdrState HdrState(const THdrRec& rec);

// Good mail: the reason is "ok" or begins with "Approved Sender" or "Always Accept".
bool IsGoodMessage(const THdrRec& rec);

// The status line of the list for one record (the caller colours it green for good mail,
// red otherwise).
std::string HdrStatusText(const THdrRec& rec);

// The delete-mark actions of the list.
void SetAllDeleteMarks(std::vector<THdrRec>& list, bool mark);
void MarkAllSpam(std::vector<THdrRec>& list);
bool AnyDeleteMark(const std::vector<THdrRec>& list);

// The "Size" column sorts by this: the text as a decimal integer, 0 when it is none.
long long SizeSortKey(std::string_view text);

// The header window's status line: the opener's text when it gave one, else what the
// record's reason says.
std::string HeaderWindowStatus(const std::string& reason, const std::string& openerText);

}  // namespace mailmoat
