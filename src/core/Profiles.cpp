#include "core/Profiles.h"

#include "core/BlockCipher.h"
#include "core/RecordIO.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"

namespace mailmoat {

namespace {

const char OldProfilesText[] =
    "Older Profiles file found. You need to re-enter your POP3 Profile\r\n"
    "information in Mailmoat Pro Preferences (File | Preferences).";

}  // namespace

std::string EncodeProfiles(const std::vector<ProfileRecord>& profiles) {
  std::string out;
  out.reserve(profiles.size() * ProfileRecordSize);
  TRecordWriter w(out);
  for (const ProfileRecord& p : profiles) {
    w.String(p.Name, 25);
    w.String(p.Server, 65);
    w.String(p.Login, 65);
    w.String(p.Password, 25);
    w.Bool(p.Enabled);
    w.Bool(p.Archive);
    w.String(p.ArchiveDir, 129);
    w.Byte(static_cast<std::uint8_t>(p.Port & 0xFF));
    w.Byte(static_cast<std::uint8_t>(p.Port >> 8));
    w.Byte(static_cast<std::uint8_t>(p.Security));
    w.Bytes(p.Reserved);
  }
  return out;
}

std::vector<ProfileRecord> DecodeProfiles(std::string_view plain) {
  std::vector<ProfileRecord> profiles;
  for (std::string_view record : WholeRecords(plain, ProfileRecordSize)) {
    TRecordReader r(record);
    ProfileRecord& p = profiles.emplace_back();
    p.Name = r.String(25);
    p.Server = r.String(65);
    p.Login = r.String(65);
    p.Password = r.String(25);
    p.Enabled = r.Bool();
    p.Archive = r.Bool();
    p.ArchiveDir = r.String(129);
    // The record ends in 121 reserved bytes, zero in files written before the port and the
    // security mode were added here: the first three hold the port (offsets 311-312,
    // little-endian; 0 = the global Port setting) and the security mode (offset 313), so such
    // a file reads as "global port, no TLS". Bytes 314-431 stay reserved.
    const std::uint8_t portLow = r.Byte();
    const std::uint8_t portHigh = r.Byte();
    p.Port = static_cast<std::uint16_t>(portLow | (portHigh << 8));
    p.Security = static_cast<TProfileSecurity>(r.Byte());
    r.Bytes(p.Reserved);
  }
  return profiles;
}

bool TConfigData::LoadProfiles() {
  Profiles.clear();
  NumProfiles = 0;
  const TPath file = DataFile(ProfilesFileName);
  if (FileExists(DataFile(OldProfilesFileName)) && !FileExists(file)) {
    Ui.MessageBox(TMsgKind::Warning, OldProfilesText, mbOK | mbHelp, 50);
    return false;
  }
  if (!FileExists(file)) return false;
  // Decoded in memory: the file on disk is never rewritten in order to be read.
  const std::string stored = ReadWholeFile(file);
  Profiles = DecodeProfiles(DecodeBlocks(stored));
  // A record is a whole number of cipher blocks, so the transform never pads this file:
  // bytes left over are damage.
  if (const std::size_t leftover = stored.size() % ProfileRecordSize; leftover != 0) {
    ReportDamagedStore(file, stored, Profiles.size(), leftover, TFileAccess::OwnerOnly);
  }
  NumProfiles = static_cast<std::int32_t>(Profiles.size());
  if (KeyringPasswords) {
    KeyringUsed = true;
    for (ProfileRecord& profile : Profiles) {
      if (!profile.Password.empty() || profile.Login.empty()) continue;
      if (auto secret = PasswordFromKeyring("pop3", Pop3KeyringAccount(profile), "the mailbox " + profile.Name))
        profile.Password = *secret;
    }
  }
  return !Profiles.empty();
}

void TConfigData::SaveProfiles() {
  NumProfiles = static_cast<std::int32_t>(Profiles.size());
  const TPath file = DataFile(ProfilesFileName);
  if (KeyringPasswords) KeyringUsed = true;
  std::vector<ProfileRecord> stored = Profiles;
  std::vector<std::string> keep;
  for (ProfileRecord& profile : stored) {
    const std::string account = Pop3KeyringAccount(profile);
    // A password that could not be read from the keyring at start-up is still there.
    if (profile.Password.empty()) keep.push_back(account);
    if (!KeyringPasswords || profile.Password.empty()) continue;
    if (StorePasswordInKeyring("pop3", account, profile.Password)) {
      keep.push_back(account);
      profile.Password.clear();
    }
  }
  if (stored.empty()) {
    DeleteFileIfExists(file);
  } else {
    WriteFileAtomic(file, EncodeBlocks(EncodeProfiles(stored)), TFileAccess::OwnerOnly);
  }
  if (KeyringUsed) PruneKeyring("pop3", keep);
}

}  // namespace mailmoat
