#include "mail/TmsAttItem.h"

#include "platform/AsciiText.h"
#include "mail/TmsMailAddress.h"
#include "platform/FileSystem.h"

namespace mailmoat {

void TmsAttItem::SetContentType(std::string_view type) {
  FContentType.assign(CutText(type, kMaxFieldLength));
}

void TmsAttItem::SetFileName(std::string_view name, const TMimeTypeTable& types) {
  FFileName.assign(CutText(name, kMaxFieldLength));
  if (FFileName.empty()) return;
  SetContentType(types.TypeOfFile(FFileName));
  if (SameTextNoCase(FContentType, "text/plain") || SameTextNoCase(FContentType, "text/rtf") ||
      SameTextNoCase(FContentType, "text/html")) {
    TransferKind = tkQuotedPrintable;
  } else if (SameTextNoCase(FContentType, "message/rfc822")) {
    TransferKind = tkSevenBit;
  } else {
    TransferKind = tkBase64;
  }
}

TmsAttItem& TmsAttList::Add(TmsAttItem item) {
  Items.push_back(std::move(item));
  return Items.back();
}

TmsAttItem& TmsAttList::AddFile(const std::string& path) {
  TmsAttItem item;
  item.Data = ReadWholeFile(path);
  item.SetFileName(path);
  return Add(std::move(item));
}

}  // namespace mailmoat
