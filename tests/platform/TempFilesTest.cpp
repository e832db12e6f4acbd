#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace mailmoat {
namespace {

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 0777;
}

TEST(PrivateTempFolder, OneOwnerOnlyFolderPerRunHoldsBareNamesOnly) {
  const std::string folder = PrivateTempFolder();
  EXPECT_EQ(folder, PrivateTempFolder());
  EXPECT_EQ(folder.rfind(TempDirectory() + "/mailmoat-", 0), 0u) << folder;
  EXPECT_EQ(ModeOf(folder), 0700u);

  const std::string file = WritePrivateTempFile("report.pdf", "first");
  EXPECT_EQ(file, folder + "/report.pdf");
  EXPECT_EQ(ReadWholeFile(file), "first");
  EXPECT_EQ(ModeOf(file), 0600u);
  EXPECT_EQ(ReadWholeFile(WritePrivateTempFile("report.pdf", "second")), "second");

  for (const char* bad : {"", ".", "..", "../x", "a/b"})
    EXPECT_THROW(WritePrivateTempFile(bad, "x"), EInOutError) << bad;
  EXPECT_THROW(WritePrivateTempFile(std::string("a\0b", 3), "x"), EInOutError);

  // Something removed the folder (a cleaner of old temporary files): a new one is made.
  std::filesystem::remove_all(folder);
  const std::string again = PrivateTempFolder();
  EXPECT_NE(again, folder);
  EXPECT_EQ(ModeOf(again), 0700u);
}

}  // namespace
}  // namespace mailmoat
