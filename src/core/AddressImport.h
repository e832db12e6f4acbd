#pragma once

#include "core/Records.h"
#include "platform/FileSystem.h"

#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

// One address found in an address book, offered for the approved senders.
struct TAddrRecord {
  std::string Name;
  std::string Address;
  bool Selected = true;
};

// A comma-delimited or plain text file: per line the address, then after the first comma
// the name (later commas included); lines empty after trimming are skipped. The parts are
// kept as the line has them.
std::vector<TAddrRecord> ReadTextAddresses(std::string_view text);

// vCard files (2.1, 3.0 and 4.0, any number of cards): each card's first e-mail address with
// its formatted name (or the name parts when it has none). Cards without an address give
// nothing.
std::vector<TAddrRecord> ReadVCards(std::string_view text);

// A Thunderbird address book ("abook.sqlite"): each card's primary (else second) e-mail
// address with its display name (or first and last name). Throws EInOutError when the file
// is no such address book.
std::vector<TAddrRecord> ReadThunderbirdBook(const TPath& file);

// The address books of the user's Thunderbird profiles under `home`, by path.
std::vector<TPath> ThunderbirdAddressBooks(const TPath& home);

// Reads an address book file by what it holds: SQLite, vCard, or text.
std::vector<TAddrRecord> ReadAddressBookFile(const TPath& file);

// The vCard files of a folder (as most address programs export them), read in name order.
std::vector<TAddrRecord> ReadVCardFolder(const TPath& folder);

struct TImportCounts {
  int Imported = 0;
  int Duplicates = 0;
};

// Appends the selected candidates whose address is not listed yet (in any letter case, also
// among those added just now) to `senders`, the name as the comment, both cut to 255 bytes.
// A candidate whose address is empty after trimming is skipped, as an empty pattern would
// approve every sender.
TImportCounts AddImportedSenders(std::vector<ApprovedSenderRecord>& senders,
                                 const std::vector<TAddrRecord>& candidates);

}  // namespace mailmoat
