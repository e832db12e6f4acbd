#include "core/DialSettings.h"

#include "core/BlockCipher.h"
#include "core/RecordIO.h"
#include "core/UiHost.h"
#include "core/dataConfig.h"
#include "platform/Errors.h"

namespace mailmoat {

namespace {

const char UnreadableText[] =
    "Mailmoat was unable to read your DUN / RAS profile information. You will\r\n"
    "need to re - enter this information in order to use DUN / RAS with Mailmoat.";

}  // namespace

std::string EncodeDialSettings(const DialSettingsRecord& s) {
  std::string out;
  out.reserve(DialSettingsRecordSize);
  TRecordWriter w(out);
  w.String(s.EntryName, 41);
  w.String(s.UserName, 41);
  w.String(s.Password, 41);
  w.Bool(s.DisconnectWhenDone);
  w.String(s.PhoneNumber, 21);
  w.Zeros(236);
  return out;
}

std::optional<DialSettingsRecord> DecodeDialSettings(std::string_view plain) {
  if (plain.size() < DialSettingsRecordSize) return std::nullopt;
  TRecordReader r(plain.substr(0, DialSettingsRecordSize));
  DialSettingsRecord s;
  s.EntryName = r.String(41);
  s.UserName = r.String(41);
  s.Password = r.String(41);
  s.DisconnectWhenDone = r.Bool();
  s.PhoneNumber = r.String(21);
  return s;
}

void TConfigData::LoadDialSettings() {
  DialSettings = DialSettingsRecord{};
  const TPath file = DataFile(DialSettingsFileName);
  if (!FileExists(file)) return;
  std::optional<DialSettingsRecord> read;
  try {
    read = DecodeDialSettings(DecodeBlocks(ReadWholeFile(file)));
  } catch (const EInOutError&) {
  }
  if (read) {
    DialSettings = *read;
    return;
  }
  Ui.MessageBox(TMsgKind::Error, UnreadableText, mbOK, 0, "Error");
  UseRas = false;
}

void TConfigData::SaveDialSettings() {
  WriteFileAtomic(DataFile(DialSettingsFileName), EncodeBlocks(EncodeDialSettings(DialSettings)),
                  TFileAccess::OwnerOnly);
}

}  // namespace mailmoat
