#include "core/Registry.h"

#include "core/IniFile.h"
#include "platform/Errors.h"

namespace mailmoat {

namespace {

TIniFile LoadQuietly(const TPath& file) {
  try {
    return TIniFile::Load(file);
  } catch (const EInOutError&) {
    return TIniFile();
  }
}

}  // namespace

std::optional<std::string> TRegistry::ReadString(std::string_view key, std::string_view name) const {
  return LoadQuietly(File).Value(key, name);
}

std::optional<std::int32_t> TRegistry::ReadInteger(std::string_view key, std::string_view name) const {
  if (auto v = ReadString(key, name)) return ParseIniInteger(*v);
  return std::nullopt;
}

std::optional<bool> TRegistry::ReadBool(std::string_view key, std::string_view name) const {
  if (auto v = ReadInteger(key, name)) return *v != 0;
  return std::nullopt;
}

void TRegistry::WriteString(std::string_view key, std::string_view name, std::string_view value) {
  TIniFile ini = TIniFile::Load(File);
  ini.WriteString(key, name, value);
  ini.Save(File);
}

void TRegistry::WriteInteger(std::string_view key, std::string_view name, std::int32_t value) {
  WriteString(key, name, std::to_string(value));
}

void TRegistry::WriteBool(std::string_view key, std::string_view name, bool value) {
  WriteString(key, name, value ? "1" : "0");
}

void TRegistry::DeleteValue(std::string_view key, std::string_view name) {
  TIniFile ini = TIniFile::Load(File);
  if (!ini.ValueExists(key, name)) return;
  ini.DeleteKey(key, name);
  ini.Save(File);
}

}  // namespace mailmoat
