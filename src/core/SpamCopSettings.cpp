#include "core/SpamCopSettings.h"

#include "core/FileCompress.h"
#include "core/RecordIO.h"
#include "core/dataConfig.h"

namespace mailmoat {

std::string EncodeSpamCopSettings(const TSpamCopSettings& settings) {
  std::string out;
  out.reserve(SpamCopRecordSize);
  TRecordWriter w(out);
  w.String(settings.ReportAddress, 256);
  w.String(settings.FromAddress, 256);
  w.String({}, 256);
  return out;
}

std::optional<TSpamCopSettings> DecodeSpamCopSettings(std::string_view data) {
  if (data.size() < SpamCopRecordSize) return std::nullopt;
  TRecordReader r(data.substr(0, SpamCopRecordSize));
  TSpamCopSettings settings;
  settings.ReportAddress = r.String(256);
  settings.FromAddress = r.String(256);
  return settings;
}

bool TConfigData::LoadSpamCopAddresses() {
  SpamCop = TSpamCopSettings{};
  const TPath file = DataFile(SpamCopFileName);
  if (!FileExists(file)) return true;
  try {
    if (auto read = DecodeSpamCopSettings(DecompressContainer(ReadWholeFile(file)))) SpamCop = std::move(*read);
  } catch (const EMailmoatError&) {
    // An unreadable file counts as no SpamCop set-up; the preferences show empty fields.
  }
  return true;
}

void TConfigData::SaveSpamCopAddresses() {
  WriteFileAtomic(DataFile(SpamCopFileName), CompressContainer(EncodeSpamCopSettings(SpamCop)));
}

}  // namespace mailmoat
