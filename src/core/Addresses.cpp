#include "core/Addresses.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include "platform/AsciiText.h"
#include "core/RecordIO.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "platform/Errors.h"

#include <algorithm>
#include <memory>

namespace mailmoat {

namespace {

struct TCodeDeleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct TMatchDataDeleter {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

// The e-mail address pattern of the sender texts, compiled once.
const pcre2_code& AddressPattern() {
  static const std::unique_ptr<pcre2_code, TCodeDeleter> code = [] {
    static const char pattern[] = R"([0-9a-zA-Z\.\-_]+\@([0-9a-zA-Z\-_]+\.)+[a-zA-Z]{2,4})";
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* compiled = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED,
                                         PCRE2_CASELESS | PCRE2_EXTENDED, &error, &offset, nullptr);
    if (!compiled) throw EMailmoatError("The e-mail address pattern does not compile");
    return std::unique_ptr<pcre2_code, TCodeDeleter>(compiled);
  }();
  return *code;
}

const char UpgradeFailedText[] = "Upgrade failed. Please restart Mailmoat to try again.";

}  // namespace

std::string EncodeApprovedSenders(const std::vector<ApprovedSenderRecord>& senders) {
  std::string out;
  out.reserve(senders.size() * ApprovedSenderRecordSize);
  TRecordWriter w(out);
  for (const ApprovedSenderRecord& s : senders) {
    w.String(s.Address, 256);
    w.String(s.Name, 256);
    w.String({}, 256);
  }
  return out;
}

std::vector<ApprovedSenderRecord> DecodeApprovedSenders(std::string_view data) {
  std::vector<ApprovedSenderRecord> senders;
  for (std::string_view record : WholeRecords(data, ApprovedSenderRecordSize)) {
    TRecordReader r(record);
    ApprovedSenderRecord& s = senders.emplace_back();
    s.Address = r.String(256);
    s.Name = r.String(256);
  }
  return senders;
}

void TConfigData::LoadValidAddresses() {
  const TPath file = DataFile(ValidAddressesFileName);
  const TPath old = DataFile(OldValidAddressesFileName);
  // A failed rename (file in use, no permission) leaves whatever "validaddr.dat" holds.
  if (FileExists(old)) {
    if (FileExists(file)) {
      RenameNoReplace(old, TPath(old.string() + ".notused"));
    } else {
      RenameNoReplace(old, file);
    }
  }
  if (!FileExists(file)) return;
  ValidAddresses = SplitLines(ReadWholeFile(file));
}

void TConfigData::SaveValidAddresses() {
  const TPath file = DataFile(ValidAddressesFileName);
  if (ValidAddresses.empty()) {
    DeleteFileIfExists(file);
    return;
  }
  WriteFileAtomic(file, JoinLines(ValidAddresses));
}

bool TConfigData::LoadApprovedSenders() {
  ApprovedSenders.clear();
  const TPath file = DataFile(ApprovedSendersFileName);
  if (!FileExists(file)) return false;
  const std::string stored = ReadWholeFile(file);
  ApprovedSenders = DecodeApprovedSenders(stored);
  if (const std::size_t leftover = stored.size() % ApprovedSenderRecordSize; leftover != 0) {
    ReportDamagedStore(file, stored, ApprovedSenders.size(), leftover);
  }
  return true;
}

bool TConfigData::SaveApprovedSenders() {
  const TPath file = DataFile(ApprovedSendersFileName);
  if (ApprovedSenders.empty()) {
    DeleteFileIfExists(file);
    return false;
  }
  WriteFileAtomic(file, EncodeApprovedSenders(ApprovedSenders));
  return true;
}

bool TConfigData::AddApprovedSender(const std::string& address, const std::string& name) {
  // Compared as it would be stored, so an over-long address cannot slip in twice.
  const std::string_view stored = CutToField(address, ApprovedSenderTextMax + 1);
  for (const ApprovedSenderRecord& s : ApprovedSenders) {
    if (SameTextNoCase(s.Address, stored)) {
      Ui.MessageBox(TMsgKind::Warning, "Any entry for " + address + " already exists.", mbOK);
      return true;
    }
  }
  ApprovedSenders.push_back({std::string(stored), std::string(CutToField(name, ApprovedSenderTextMax + 1))});
  SaveApprovedSenders();
  return true;
}

void TConfigData::ReadLegacyApprovedSenders() {
  LegacyAddresses.clear();
  LegacyNames.clear();
  const TPath file = DataFile(LegacyApprovedSendersFileName);
  if (!FileExists(file)) return;
  try {
    for (const std::string& line : SplitLines(ReadWholeFile(file))) {
      const std::size_t hash = line.find('#');
      std::string address(TrimText(hash == std::string::npos ? std::string_view(line) : line.substr(0, hash)));
      // An empty pattern would approve every message; a blank line is no sender.
      if (address.empty()) continue;
      LegacyAddresses.push_back(std::move(address));
      LegacyNames.push_back(hash == std::string::npos ? std::string(" ") : line.substr(hash + 1));
    }
  } catch (const EMailmoatError& e) {
    LegacyAddresses.clear();
    LegacyNames.clear();
    TryWriteLog(std::string("! Read Approved Senders Exception: ") + e.what());
  }
}

void TConfigData::UpgradeApprovedSenders() {
  if (FileExists(DataFile(ApprovedSendersFileName)) || !FileExists(DataFile(LegacyApprovedSendersFileName))) return;
  Ui.BusySetCaption("Upgrading Approved Senders ...");
  Ui.BusySetPosition(0);
  ReadLegacyApprovedSenders();
  ApprovedSenders.clear();
  if (!LegacyAddresses.empty()) {
    Ui.BusySetMax(static_cast<std::int64_t>(LegacyAddresses.size()));
    Ui.BusyShow();
    for (std::size_t i = 0; i < LegacyAddresses.size(); ++i) {
      Ui.BusyStep();
      ApprovedSenders.push_back({std::string(CutToField(LegacyAddresses[i], ApprovedSenderTextMax + 1)),
                                 std::string(CutToField(LegacyNames[i], ApprovedSenderTextMax + 1))});
    }
    Ui.BusyHide();
  }
  if (!ApprovedSenders.empty()) {
    bool saved = false;
    try {
      saved = SaveApprovedSenders();
    } catch (const EMailmoatError&) {
      saved = false;
    }
    if (saved) {
      const TPath legacy = DataFile(LegacyApprovedSendersFileName);
      RenameNoReplace(legacy, TPath(legacy.string() + ".old"));
    } else {
      TryWriteLog("! Upgrade of Approved Senders failed!");
      Ui.MessageBox(TMsgKind::Error, UpgradeFailedText, mbOK);
      ApprovedSenders.clear();
    }
    LegacyAddresses.clear();
    LegacyNames.clear();
  }
}

TContactInfo TConfigData::ParseContact(std::string_view text) {
  const std::string trimmed(TrimText(text));
  const std::unique_ptr<pcre2_match_data, TMatchDataDeleter> match(
      pcre2_match_data_create_from_pattern(&AddressPattern(), nullptr));
  if (!match) throw std::bad_alloc();
  const int rc = pcre2_match(&AddressPattern(), reinterpret_cast<PCRE2_SPTR>(trimmed.data()), trimmed.size(), 0, 0,
                             match.get(), nullptr);
  if (rc < 0) return {};
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match.get());
  const std::size_t start = ovector[0];
  const std::size_t end = ovector[1];
  TContactInfo contact;
  contact.Address = trimmed.substr(start, end - start);
  std::transform(contact.Address.begin(), contact.Address.end(), contact.Address.begin(), LowerAscii);
  if (start == 0) {
    contact.Name = TrimText(std::string_view(trimmed).substr(end));
  } else {
    // The name is what precedes the address; an opening bracket around the address is not
    // part of it ("Jane Doe <jane@example.com>").
    std::string name(TrimText(std::string_view(trimmed).substr(0, start)));
    if (!name.empty() && (name.back() == '<' || name.back() == '(')) name = TrimText(name.substr(0, name.size() - 1));
    contact.Name = std::move(name);
  }
  return contact;
}

}  // namespace mailmoat
