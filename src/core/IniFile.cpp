#include "core/IniFile.h"

#include "platform/AsciiText.h"
#include <algorithm>

namespace mailmoat {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view StripQuotes(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

std::string Storable(std::string_view value) {
  std::string out(value);
  for (char& c : out) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return out;
}

}  // namespace

std::optional<std::int32_t> ParseIniInteger(std::string_view text) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    if (text.size() > 8) return std::nullopt;
    for (char c : text) {
      int digit;
      if (c >= '0' && c <= '9')
        digit = c - '0';
      else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
      else
        return std::nullopt;
      value = value * 16 + digit;
    }
    // Eight hexadecimal digits are a 32-bit pattern: 0xFFFFFFFF is -1.
    auto bits = static_cast<std::uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
  }
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > 2147483648LL) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > 2147483647LL || value < -2147483648LL) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

TIniFile::TLine TIniFile::ParseLine(std::string_view raw) {
  TLine line;
  line.Raw = std::string(raw);
  const std::string_view t = TrimBlanks(raw);
  if (t.empty() || t.front() == ';' || t.front() == '#') return line;
  if (t.front() == '[') {
    const size_t close = t.find(']');
    if (close != std::string_view::npos) {
      line.Kind = TLineKind::Section;
      line.Name = std::string(TrimBlanks(t.substr(1, close - 1)));
    }
    return line;
  }
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return line;
  line.Kind = TLineKind::Key;
  line.Name = std::string(TrimBlanks(t.substr(0, eq)));
  line.Value = std::string(StripQuotes(TrimBlanks(t.substr(eq + 1))));
  return line;
}

TIniFile TIniFile::Parse(std::string_view text) {
  TIniFile ini;
  size_t crlf = 0, lf = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    std::string eol;
    if (end != std::string_view::npos) {
      eol = "\n";
      if (!raw.empty() && raw.back() == '\r') {
        raw.remove_suffix(1);
        eol = "\r\n";
        ++crlf;
      } else {
        ++lf;
      }
    }
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    TLine line = ParseLine(raw);
    line.Eol = std::move(eol);
    ini.Lines.push_back(std::move(line));
  }
  if (crlf > lf) ini.Eol = "\r\n";
  return ini;
}

TIniFile TIniFile::Load(const TPath& path) {
  if (!FileExists(path) && !DirectoryExists(path)) return TIniFile();
  return Parse(ReadWholeFile(path));
}

std::string TIniFile::Text() const {
  std::string out;
  for (const TLine& line : Lines) {
    out += line.Raw;
    out += line.Eol;
  }
  return out;
}

void TIniFile::Save(const TPath& path, TFileAccess access) const {
  WriteFileAtomic(path, Text(), access);
}

std::optional<size_t> TIniFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < Lines.size(); ++i) {
    if (Lines[i].Kind == TLineKind::Section && SameTextNoCase(Lines[i].Name, section)) return i;
  }
  return std::nullopt;
}

std::optional<size_t> TIniFile::FindKey(std::string_view section, std::string_view key) const {
  // A section may appear more than once in a hand-edited file; its keys are searched in order.
  bool inSection = false;
  for (size_t i = 0; i < Lines.size(); ++i) {
    const TLine& line = Lines[i];
    if (line.Kind == TLineKind::Section)
      inSection = SameTextNoCase(line.Name, section);
    else if (inSection && line.Kind == TLineKind::Key && SameTextNoCase(line.Name, key))
      return i;
  }
  return std::nullopt;
}

bool TIniFile::SectionExists(std::string_view section) const {
  return FindSection(section).has_value();
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindKey(section, key).has_value();
}

std::optional<std::string> TIniFile::Value(std::string_view section, std::string_view key) const {
  if (auto i = FindKey(section, key)) return Lines[*i].Value;
  return std::nullopt;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  if (auto v = Value(section, key)) return *v;
  return std::string(def);
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const {
  if (auto v = Value(section, key)) {
    if (auto n = ParseIniInteger(*v)) return *n;
  }
  return def;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string stored = Storable(value);
  if (auto i = FindKey(section, key)) {
    TLine& line = Lines[*i];
    // Keep the key's own spelling and indentation; replace only what follows "=".
    const size_t eq = line.Raw.find('=');
    line.Raw = line.Raw.substr(0, eq + 1) + stored;
    line.Value = std::string(StripQuotes(TrimBlanks(stored)));
    return;
  }
  TLine fresh = NewLine(std::string(key) + "=" + stored);
  if (auto s = FindSection(section)) {
    // After the last key or comment of the section, before the blank lines that separate it
    // from the next one.
    size_t insertAt = *s + 1;
    for (size_t i = *s + 1; i < Lines.size() && Lines[i].Kind != TLineKind::Section; ++i) {
      if (!TrimBlanks(Lines[i].Raw).empty()) insertAt = i + 1;
    }
    if (Lines[insertAt - 1].Eol.empty()) Lines[insertAt - 1].Eol = Eol;
    Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(fresh));
    return;
  }
  if (!Lines.empty()) {
    if (Lines.back().Eol.empty()) Lines.back().Eol = Eol;
    if (!TrimBlanks(Lines.back().Raw).empty()) Lines.push_back(NewLine(""));
  }
  Lines.push_back(NewLine("[" + std::string(section) + "]"));
  Lines.push_back(std::move(fresh));
}

TIniFile::TLine TIniFile::NewLine(std::string_view raw) const {
  TLine line = ParseLine(raw);
  line.Eol = Eol;
  return line;
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  while (auto i = FindKey(section, key)) Lines.erase(Lines.begin() + static_cast<std::ptrdiff_t>(*i));
}

bool TIniFile::StoresUnchanged(std::string_view value) {
  if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return false;
  if (value.empty()) return true;
  if (IsBlank(value.front()) || IsBlank(value.back())) return false;
  return StripQuotes(value).size() == value.size();
}

}  // namespace mailmoat
