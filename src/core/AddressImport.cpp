#include "core/AddressImport.h"

#include "platform/AsciiText.h"
#include "platform/Errors.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

namespace mailmoat {

namespace {

constexpr std::size_t FieldBytes = 255;

// The lines of a vCard text with folded lines joined: a line that starts with a blank or a
// tab continues the one before it.
std::vector<std::string> UnfoldedLines(std::string_view text) {
  std::vector<std::string> lines;
  for (std::string& line : SplitLines(text)) {
    if (!lines.empty() && !line.empty() && (line.front() == ' ' || line.front() == '\t')) {
      lines.back() += line.substr(1);
    } else {
      lines.push_back(std::move(line));
    }
  }
  return lines;
}

// The value of a vCard text value with its escapes undone.
std::string Unescaped(std::string_view value) {
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      const char next = value[++i];
      text += next == 'n' || next == 'N' ? ' ' : next;
    } else {
      text += value[i];
    }
  }
  return text;
}

// "N:Family;Given;..." as "Given Family".
std::string NameFromParts(std::string_view value) {
  const std::vector<std::string> parts = SplitText(value, ";");
  std::string family = parts.empty() ? std::string() : std::string(TrimText(Unescaped(parts[0])));
  std::string given = parts.size() > 1 ? std::string(TrimText(Unescaped(parts[1]))) : std::string();
  if (given.empty()) return family;
  return family.empty() ? given : given + " " + family;
}

struct TStatementCloser {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
struct TDatabaseCloser {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};

std::string Column(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

}  // namespace

std::vector<TAddrRecord> ReadTextAddresses(std::string_view text) {
  std::vector<TAddrRecord> found;
  for (const std::string& line : SplitLines(text)) {
    if (TrimText(line).empty()) continue;
    const std::size_t comma = line.find(',');
    TAddrRecord record;
    record.Address = comma == std::string::npos ? line : line.substr(0, comma);
    if (comma != std::string::npos) record.Name = line.substr(comma + 1);
    found.push_back(std::move(record));
  }
  return found;
}

std::vector<TAddrRecord> ReadVCards(std::string_view text) {
  std::vector<TAddrRecord> found;
  bool inCard = false;
  std::string formatted, parts, address;
  for (const std::string& line : UnfoldedLines(text)) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    // "item1.EMAIL;TYPE=work:x@y": the property name without its group and parameters.
    std::string name = UpperCaseAscii(line.substr(0, std::min(colon, line.find(';'))));
    if (const std::size_t dot = name.find('.'); dot != std::string::npos) name.erase(0, dot + 1);
    const std::string_view value = std::string_view(line).substr(colon + 1);
    if (name == "BEGIN" && UpperCaseAscii(TrimText(value)) == "VCARD") {
      inCard = true;
      formatted.clear();
      parts.clear();
      address.clear();
    } else if (!inCard) {
      continue;
    } else if (name == "END" && UpperCaseAscii(TrimText(value)) == "VCARD") {
      inCard = false;
      if (address.empty()) continue;
      const std::string person = formatted.empty() ? NameFromParts(parts) : formatted;
      found.push_back({person, address, true});
    } else if (name == "FN") {
      formatted = TrimText(Unescaped(value));
    } else if (name == "N") {
      parts = std::string(value);
    } else if (name == "EMAIL" && address.empty()) {
      std::string_view mail = TrimText(value);
      // vCard 4.0 may write the address as a URI.
      if (LowerCaseAscii(mail.substr(0, 7)) == "mailto:") mail.remove_prefix(7);
      address = Unescaped(mail);
    }
  }
  return found;
}

std::vector<TAddrRecord> ReadThunderbirdBook(const TPath& file) {
  sqlite3* opened = nullptr;
  const int openCode = sqlite3_open_v2(file.c_str(), &opened, SQLITE_OPEN_READONLY, nullptr);
  std::unique_ptr<sqlite3, TDatabaseCloser> db(opened);
  if (openCode != SQLITE_OK) throw EInOutError("Cannot open the address book " + file.string());
  sqlite3_stmt* prepared = nullptr;
  const char* query =
      "SELECT card, name, value FROM properties WHERE name IN "
      "('PrimaryEmail', 'SecondEmail', 'DisplayName', 'FirstName', 'LastName') ORDER BY rowid";
  if (sqlite3_prepare_v2(db.get(), query, -1, &prepared, nullptr) != SQLITE_OK)
    throw EInOutError("Not a Thunderbird address book: " + file.string() + " (" + sqlite3_errmsg(db.get()) + ")");
  std::unique_ptr<sqlite3_stmt, TStatementCloser> statement(prepared);
  std::vector<std::string> order;
  std::map<std::string, std::map<std::string, std::string>> cards;
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
    const std::string card = Column(statement.get(), 0);
    if (!cards.contains(card)) order.push_back(card);
    cards[card][Column(statement.get(), 1)] = Column(statement.get(), 2);
  }
  if (step != SQLITE_DONE)
    throw EInOutError("Cannot read the address book " + file.string() + " (" + sqlite3_errmsg(db.get()) + ")");
  std::vector<TAddrRecord> found;
  for (const std::string& card : order) {
    std::map<std::string, std::string>& p = cards[card];
    const std::string address = !p["PrimaryEmail"].empty() ? p["PrimaryEmail"] : p["SecondEmail"];
    if (TrimText(address).empty()) continue;
    std::string name = p["DisplayName"];
    if (name.empty()) name = std::string(TrimText(p["FirstName"] + " " + p["LastName"]));
    found.push_back({name, address, true});
  }
  return found;
}

std::vector<TPath> ThunderbirdAddressBooks(const TPath& home) {
  std::vector<TPath> books;
  std::error_code error;
  // The profiles of a packaged install, a Snap and a Flatpak.
  for (const TPath& root : {home / ".thunderbird", home / "snap" / "thunderbird" / "common" / ".thunderbird",
                            home / ".var" / "app" / "org.mozilla.Thunderbird" / ".thunderbird"}) {
    for (const auto& profile : std::filesystem::directory_iterator(root, error)) {
      if (!profile.is_directory(error)) continue;
      for (const auto& entry : std::filesystem::directory_iterator(profile.path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name == "abook.sqlite" || (name.starts_with("abook-") && name.ends_with(".sqlite")) ||
            name == "history.sqlite")
          books.push_back(entry.path());
      }
    }
  }
  std::sort(books.begin(), books.end());
  return books;
}

std::vector<TAddrRecord> ReadAddressBookFile(const TPath& file) {
  const std::string text = ReadWholeFile(file);
  if (text.starts_with("SQLite format 3")) return ReadThunderbirdBook(file);
  if (LowerCaseAscii(text.substr(0, 2048)).find("begin:vcard") != std::string::npos) return ReadVCards(text);
  return ReadTextAddresses(text);
}

std::vector<TAddrRecord> ReadVCardFolder(const TPath& folder) {
  std::vector<TPath> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string extension = LowerCaseAscii(entry.path().extension().string());
    if ((extension == ".vcf" || extension == ".vcard") && entry.is_regular_file(error)) files.push_back(entry.path());
  }
  if (error) throw EInOutError("Cannot read the folder " + folder.string() + ": " + error.message());
  std::sort(files.begin(), files.end());
  std::vector<TAddrRecord> found;
  for (const TPath& file : files) {
    std::vector<TAddrRecord> cards = ReadVCards(ReadWholeFile(file));
    found.insert(found.end(), cards.begin(), cards.end());
  }
  return found;
}

TImportCounts AddImportedSenders(std::vector<ApprovedSenderRecord>& senders,
                                 const std::vector<TAddrRecord>& candidates) {
  TImportCounts counts;
  for (const TAddrRecord& candidate : candidates) {
    if (!candidate.Selected || TrimText(candidate.Address).empty()) continue;
    const std::string address(CutText(candidate.Address, FieldBytes));
    const std::string folded = LowerCaseAscii(address);
    const bool listed = std::any_of(senders.begin(), senders.end(), [&folded](const ApprovedSenderRecord& sender) {
      return LowerCaseAscii(sender.Address) == folded;
    });
    if (listed) {
      ++counts.Duplicates;
      continue;
    }
    senders.push_back({address, std::string(CutText(candidate.Name, FieldBytes))});
    ++counts.Imported;
  }
  return counts;
}

}  // namespace mailmoat
