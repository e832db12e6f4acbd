#include "archive/DesktopCopies.h"
#include "mail/MessageErrors.h"
#include "mail/TmsMessage.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace mailmoat {
namespace {

TEST(DesktopCopies, AttachmentsAndSourcesLandInThePrivateFolderUnderSafeNames) {
  TmsMessage msg;
  TmsAttItem hostile;
  hostile.SetFileName("../../.bashrc");
  hostile.Data = "rm -rf ~\n";
  msg.Attachments.Add(hostile);
  msg.Attachments.Add(TmsAttItem{});
  const std::string written = WriteAttachmentCopy(msg, 0);
  EXPECT_EQ(written, PrivateTempFolder() + "/.bashrc");
  EXPECT_EQ(ReadWholeFile(written), "rm -rf ~\n");
  try {
    WriteAttachmentCopy(msg, 1);
    ADD_FAILURE() << "a blank name was written";
  } catch (const EAttachmentOpenError& e) {
    EXPECT_STREQ(e.what(), "Unable to execute attachment #1\nbecause file name is blank");
  }
  EXPECT_THROW(WriteAttachmentCopy(msg, 2), EAttachmentOpenError);

  test::TTempDir dir;
  test::WriteTextFile(dir / "20261208.spam", "Subject: x\r\n\r\nbody\r\n");
  const std::string source = WriteSourceCopy((dir / "20261208.spam").string());
  EXPECT_EQ(source, PrivateTempFolder() + "/20261208.spam.txt");
  EXPECT_EQ(ReadWholeFile(source), "Subject: x\r\n\r\nbody\r\n");
  EXPECT_THROW(WriteSourceCopy((dir / "gone.spam").string()), EInOutError);
}

}  // namespace
}  // namespace mailmoat
