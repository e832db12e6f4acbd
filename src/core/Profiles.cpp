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
  Profiles = DecodeProfiles(DecodeBlocks(ReadWholeFile(file)));
  NumProfiles = static_cast<std::int32_t>(Profiles.size());
  return !Profiles.empty();
}

void TConfigData::SaveProfiles() {
  NumProfiles = static_cast<std::int32_t>(Profiles.size());
  const TPath file = DataFile(ProfilesFileName);
  if (Profiles.empty()) {
    DeleteFileIfExists(file);
    return;
  }
  WriteFileAtomic(file, EncodeBlocks(EncodeProfiles(Profiles)), TFileAccess::OwnerOnly);
}

}  // namespace mailmoat
