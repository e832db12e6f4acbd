#pragma once

#include "mail/MimeTypeTable.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mailmoat {

// How an attachment travels: seven-bit lines, base64 (on input also uuencode), or
// quoted-printable.
enum TmsTransferKind : std::uint8_t { tkSevenBit = 0, tkBase64 = 1, tkQuotedPrintable = 2 };

// One attachment: its decoded bytes, a file name (which may carry a path; only the name
// part is ever written out) and a media type without parameters.
class TmsAttItem {
public:
  std::string Data;
  std::uint8_t TransferKind = tkSevenBit;

  const std::string& FileName() const { return FFileName; }
  const std::string& ContentType() const { return FContentType; }
  void SetContentType(std::string_view type);

  // Stores the name (cut to 255 bytes). A non-empty name also sets ContentType to the type
  // of its extension ("application/octet-stream" when unknown) and TransferKind by that
  // type: quoted-printable for text/plain, text/rtf and text/html, seven-bit for
  // message/rfc822, base64 otherwise.
  void SetFileName(std::string_view name, const TMimeTypeTable& types = TMimeTypeTable::System());

private:
  std::string FFileName;
  std::string FContentType;
};

class TmsAttList {
public:
  std::size_t Count() const { return Items.size(); }
  bool Empty() const { return Items.empty(); }
  const TmsAttItem& operator[](std::size_t index) const { return Items.at(index); }
  TmsAttItem& operator[](std::size_t index) { return Items.at(index); }

  TmsAttItem& Add(TmsAttItem item);
  // A new item named after the file (SetFileName(path)) holding its content. Throws
  // EInOutError when the file cannot be read; nothing is added then.
  TmsAttItem& AddFile(const std::string& path);
  void Clear() { Items.clear(); }

  auto begin() const { return Items.begin(); }
  auto end() const { return Items.end(); }

private:
  std::vector<TmsAttItem> Items;
};

}  // namespace mailmoat
