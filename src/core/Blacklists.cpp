#include "core/Blacklists.h"

#include "core/RecordIO.h"
#include "core/dataConfig.h"

namespace mailmoat {

std::string EncodeBlacklists(const std::vector<TBlacklistRec>& blacklists) {
  std::string out;
  out.reserve(blacklists.size() * BlacklistRecordSize);
  TRecordWriter w(out);
  for (const TBlacklistRec& b : blacklists) {
    w.String(b.Name, 81);
    w.String(b.LookupSuffix, 81);
    w.Bool(b.Enabled);
    w.Bytes(b.Reserved);
  }
  return out;
}

std::vector<TBlacklistRec> DecodeBlacklists(std::string_view data) {
  std::vector<TBlacklistRec> blacklists;
  for (std::string_view record : WholeRecords(data, BlacklistRecordSize)) {
    TRecordReader r(record);
    TBlacklistRec& b = blacklists.emplace_back();
    b.Name = r.String(81);
    b.LookupSuffix = r.String(81);
    b.Enabled = r.Bool();
    r.Bytes(b.Reserved);
  }
  return blacklists;
}

std::vector<TBlacklistRec> DefaultBlacklists() {
  // The zones of services that have since closed are kept: they are configuration data the
  // user can change, and a zone nobody serves simply never answers.
  const struct {
    const char* Name;
    const char* Zone;
    bool Enabled;
  } table[] = {
      {"Realtime Blackhole List (RBL)", "blackholes.mail-abuse.org", false},
      {"Dial-up Users List (DUL)", "dialups.mail-abuse.org", false},
      {"Open Relays List (RSS)", "relays.mail-abuse.org", false},
      {"ORBZ UK Inputs List", "inputs.orbz.gst-group.co.uk", true},
      {"ORBZ UK Outputs List", "outputs.orbz.gst-group.co.uk", true},
      {"Spam Prevention Early Warning System (SPEWS)", "spews.relays.osirusoft.com", true},
      {"SpamCop Blacklist", "bl.spamcop.net", true},
  };
  std::vector<TBlacklistRec> blacklists;
  for (const auto& row : table) {
    TBlacklistRec b;
    b.Name = row.Name;
    b.LookupSuffix = row.Zone;
    b.Enabled = row.Enabled;
    blacklists.push_back(b);
  }
  return blacklists;
}

bool TConfigData::LoadBlacklists() {
  const TPath file = DataFile(BlacklistsFileName);
  if (!FileExists(file)) return false;
  const std::string stored = ReadWholeFile(file);
  Blacklists = DecodeBlacklists(stored);
  if (const std::size_t leftover = stored.size() % BlacklistRecordSize; leftover != 0) {
    ReportDamagedStore(file, stored, Blacklists.size(), leftover);
  }
  return true;
}

bool TConfigData::SaveBlacklists() {
  // An empty list writes nothing: the preferences delete the file themselves.
  if (Blacklists.empty()) return false;
  WriteFileAtomic(DataFile(BlacklistsFileName), EncodeBlacklists(Blacklists));
  return true;
}

}  // namespace mailmoat
