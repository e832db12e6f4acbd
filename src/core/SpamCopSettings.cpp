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
  std::string stored;
  std::string content;
  try {
    stored = ReadWholeFile(file);
    content = DecompressContainer(stored);
  } catch (const EMailmoatError&) {
    // An unreadable file counts as no SpamCop set-up; the preferences show empty fields.
    return true;
  }
  if (auto read = DecodeSpamCopSettings(content)) SpamCop = std::move(*read);
  // The container keeps the exact length: a record cut short is damage, not padding.
  if (const std::size_t leftover = content.size() % SpamCopRecordSize; leftover != 0) {
    ReportDamagedStore(file, stored, content.size() / SpamCopRecordSize, leftover);
  }
  return true;
}

void TConfigData::SaveSpamCopAddresses() {
  WriteFileAtomic(DataFile(SpamCopFileName), CompressContainer(EncodeSpamCopSettings(SpamCop)));
}

}  // namespace mailmoat
