// The settings file is the one file a user edits by hand: any bytes must parse, read and save
// back without crashing, and a save of an unchanged document must give the same bytes.
#include "core/IniFile.h"
#include "core/Settings.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  mailmoat::TIniFile ini = mailmoat::TIniFile::Parse(text);
  if (ini.Text() != text) std::abort();
  mailmoat::TSettings settings = mailmoat::ReadSettings(ini);
  settings.Requeue.SMTPPassword.assign(text.substr(0, 40));
  mailmoat::WriteSettings(ini, settings, 3);
  mailmoat::TIniFile again = mailmoat::TIniFile::Parse(ini.Text());
  mailmoat::TSettings reread = mailmoat::ReadSettings(again);
  if (reread.Requeue.SMTPPassword != settings.Requeue.SMTPPassword) std::abort();
  return 0;
}
