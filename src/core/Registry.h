#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mailmoat {

// The program's per-user registry values, kept in an initialisation file: the program's own
// key is the section "Mailmoat Pro", its sub-keys ("Prompts", "Settings") are sections of
// their own. Every write is saved at once, as the registry would.
class TRegistry {
public:
  static constexpr std::string_view RootKey = "Mailmoat Pro";

  explicit TRegistry(TPath file) : File(std::move(file)) {}

  const TPath& FileName() const { return File; }

  // Reads never fail: a missing or unreadable file reads as empty.
  std::optional<std::string> ReadString(std::string_view key, std::string_view name) const;
  std::optional<std::int32_t> ReadInteger(std::string_view key, std::string_view name) const;
  std::optional<bool> ReadBool(std::string_view key, std::string_view name) const;

  // Throws EInOutError when the file cannot be written.
  void WriteString(std::string_view key, std::string_view name, std::string_view value);
  void WriteInteger(std::string_view key, std::string_view name, std::int32_t value);
  void WriteBool(std::string_view key, std::string_view name, bool value);
  void DeleteValue(std::string_view key, std::string_view name);

private:
  TPath File;
};

}  // namespace mailmoat
