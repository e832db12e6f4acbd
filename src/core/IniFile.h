#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

// An initialisation file ("[Section]", "Key=Value" lines) held in memory as its lines, so a
// save rewrites only the keys that were written and keeps everything else of a hand-edited
// file: other sections, unknown keys, comments, blank lines, order and line endings.
//
// Section and key names compare without regard to ASCII case. A value is the text after the
// first "=", without surrounding blanks and without one pair of enclosing quotes, as the
// classic initialisation-file functions read it. Lines starting with ";" or "#" are comments.
class TIniFile {
public:
  TIniFile() = default;

  // Reads a file; a missing file gives an empty document. Throws EInOutError when the file
  // exists but cannot be read.
  static TIniFile Load(const TPath& path);
  // Any bytes are accepted.
  static TIniFile Parse(std::string_view text);

  // The document as it would be saved.
  std::string Text() const;
  // Saves through a work file, so a failed save leaves the old file intact. Throws EInOutError.
  void Save(const TPath& path, TFileAccess access = TFileAccess::Keep) const;

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // Decimal, or hexadecimal after "0x"; a missing or malformed value gives `def`.
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
  // Any integer other than 0 is true; a missing or malformed value gives `def`.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  // Sets a key, in place when it exists, else at the end of its section (created when missing).
  // Line breaks and NUL bytes cannot be stored in this format and are written as blanks.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  void DeleteKey(std::string_view section, std::string_view key);

  // Whether ReadString gives back exactly `value` after WriteString stored it.
  static bool StoresUnchanged(std::string_view value);

private:
  enum class TLineKind { Other, Section, Key };
  struct TLine {
    std::string Raw;  // the line without its line break
    std::string Eol;  // its own line break, kept as it was; empty for a last line without
    TLineKind Kind = TLineKind::Other;
    std::string Name;   // section name or key name, trimmed
    std::string Value;  // for keys: the value as read
  };

  std::optional<size_t> FindSection(std::string_view section) const;
  std::optional<size_t> FindKey(std::string_view section, std::string_view key) const;
  static TLine ParseLine(std::string_view raw);
  TLine NewLine(std::string_view raw) const;

  std::vector<TLine> Lines;
  std::string Eol = "\n";  // for new lines: the break the file uses most
};

// Converts an integer text as the settings file reads it: optional sign, then decimal digits
// or "0x" and hexadecimal digits (up to 32 bits, two's complement). Nothing when malformed.
std::optional<std::int32_t> ParseIniInteger(std::string_view text);

}  // namespace mailmoat
