#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace mailmoat {

// Content types by file extension: the system's /etc/mime.types when it can be read, else a
// built-in table of the common types.
class TMimeTypeTable {
public:
  // The table of this system, read once on first use.
  static const TMimeTypeTable& System();
  static TMimeTypeTable BuiltIn();
  // A table from text in the mime.types form: a type, then its extensions, "#" comments.
  static TMimeTypeTable Parse(std::string_view text);

  // The type of a file name's extension (ignoring case), or "application/octet-stream".
  std::string TypeOfFile(std::string_view fileName) const;

private:
  std::unordered_map<std::string, std::string> Types;
};

}  // namespace mailmoat
