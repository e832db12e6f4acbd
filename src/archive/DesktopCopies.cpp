#include "archive/DesktopCopies.h"

#include "mail/MessageErrors.h"
#include "mail/TmsMessage.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"

namespace mailmoat {

std::string WriteAttachmentCopy(const TmsMessage& msg, std::size_t index) {
  if (index >= msg.Attachments.Count()) {
    throw EAttachmentOpenError("There is no attachment #" + std::to_string(index));
  }
  const TmsAttItem& item = msg.Attachments[index];
  if (item.FileName().empty()) {
    throw EAttachmentOpenError("Unable to execute attachment #" + std::to_string(index) +
                               "\nbecause file name is blank");
  }
  return WritePrivateTempFile(TmsMessage::SafeTempFileName(item.FileName()), item.Data);
}

std::string WriteSourceCopy(const std::string& archivePath) {
  const std::string text = ReadWholeFile(archivePath);
  return WritePrivateTempFile(TmsMessage::SafeTempFileName(archivePath) + ".txt", text);
}

}  // namespace mailmoat
