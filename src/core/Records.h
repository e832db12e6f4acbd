#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The records that TConfigData keeps in its stores. Text fields hold at most the number of
// bytes their record field can store; readers and writers of the files cut to that length.

namespace mailmoat {

// How a profile's POP3 connection is secured. Stored as one byte; files written
// before it was added hold 0.
enum class TProfileSecurity : std::uint8_t {
  None = 0,         // plain text
  Stls = 1,         // plain connect, then STLS; a server without it is an error
  ImplicitTls = 2,  // TLS from the first byte (usually port 995)
};

// One POP3 mailbox.
struct ProfileRecord {
  std::string Name;      // at most 24
  std::string Server;    // at most 64
  std::string Login;     // at most 64
  std::string Password;  // at most 24
  bool Enabled = true;
  bool Archive = false;
  std::string ArchiveDir;  // at most 128
  std::uint16_t Port = 0;  // 0: the global Port setting
  TProfileSecurity Security = TProfileSecurity::None;
  std::array<std::uint8_t, 118> Reserved{};  // zero in new records, kept as read

  bool operator==(const ProfileRecord&) const = default;
};

struct ApprovedSenderRecord {
  std::string Address;  // address or address pattern, at most 255
  std::string Name;     // at most 255

  bool operator==(const ApprovedSenderRecord&) const = default;
};

struct TContactInfo {
  std::string Name;
  std::string Address;

  bool operator==(const TContactInfo&) const = default;
};

// The values of TRuleRec::RuleType. Rule files may hold others; those are kept as read.
namespace RuleType {
constexpr std::uint8_t Header = 0;
constexpr std::uint8_t Body = 1;
constexpr std::uint8_t AlwaysAccept = 2;
}  // namespace RuleType

// A filter rule as stored in the rule files and delivered by the filter update.
struct TRuleRec {
  std::string Description;  // at most 50
  std::string HeaderField;  // at most 40: "Subject", "TOCC", "From" or "ALL"
  std::string Expression;   // at most 255
  std::uint8_t RuleType = RuleType::Header;
  std::int32_t Weight = 1;
  bool Enabled = true;
  bool RejectOnMatch = true;
  std::int32_t RuleID = 0;
  std::array<std::uint8_t, 248> Reserved{};  // kept as read

  bool operator==(const TRuleRec&) const = default;
};

struct TBlacklistRec {
  std::string Name;          // at most 80
  std::string LookupSuffix;  // DNS zone, at most 80
  bool Enabled = true;
  std::array<std::uint8_t, 256> Reserved{};  // kept as read

  bool operator==(const TBlacklistRec&) const = default;
};

// The dial-up connection to make before a check ("duncfg.dat").
struct DialSettingsRecord {
  std::string EntryName;  // at most 40
  std::string UserName;   // at most 40
  std::string Password;   // at most 40
  bool DisconnectWhenDone = true;
  std::string PhoneNumber;  // at most 20; empty dials the entry's own number

  bool operator==(const DialSettingsRecord&) const = default;
};

struct TSpamCopSettings {
  std::string ReportAddress;  // at most 255
  std::string FromAddress;    // at most 255

  bool operator==(const TSpamCopSettings&) const = default;
};

// One message of a check-and-view connection.
struct THdrRec {
  std::string Recipients;
  std::string Sender;
  std::string Subject;
  std::string HeaderText;
  std::string Reason;
  std::int32_t Size = 0;
  std::string UIDL;
  bool DeleteMark = false;
  std::int32_t MsgNumber = 0;
};

// The nine counters of one check run.
struct TRunCounters {
  std::int32_t Processed = 0;
  std::int32_t Eaten = 0;
  std::int32_t FailedHeaderRules = 0;
  std::int32_t FailedBodyRules = 0;
  std::int32_t NoValidAddresses = 0;
  std::int32_t ApprovedSenders = 0;
  std::int32_t Oversized = 0;
  std::int32_t AlwaysAccept = 0;
  std::int32_t BlacklistRejections = 0;

  // The messages of the run that came through as not rejected.
  std::int32_t Cleared() const {
    return Processed - (FailedHeaderRules + FailedBodyRules + NoValidAddresses + Oversized + BlacklistRejections);
  }
};

}  // namespace mailmoat
