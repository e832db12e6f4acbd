#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"
#include "support/TempDir.h"

#include "support/FileSizeLimit.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace mailmoat {
namespace {

using test::ReadTextFile;
using test::TTempDir;
using test::WriteTextFile;

TEST(WriteFileAtomic, ReplacesContentAndKeepsPermissionsWithoutLeavingWorkFiles) {
  TTempDir dir;
  const TPath file = dir / "store.dat";
  WriteTextFile(file, "old");
  ::chmod(file.c_str(), 0600);
  WriteFileAtomic(file, std::string("new\0bytes", 9));
  EXPECT_EQ(ReadTextFile(file), std::string("new\0bytes", 9));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(WriteFileAtomic, PasswordFilesAreForTheirOwnerOnly) {
  TTempDir dir;
  const TPath file = dir / "pop3prof.dat";
  WriteTextFile(file, "old");
  ::chmod(file.c_str(), 0644);
  WriteFileAtomic(file, "new", TFileAccess::OwnerOnly);
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  WriteFileAtomic(dir / "fresh.dat", "x", TFileAccess::OwnerOnly);
  ASSERT_EQ(::stat((dir / "fresh.dat").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(WriteFileAtomic, FailureNamesTheFileAndLeavesNothingBehind) {
  TTempDir dir;
  try {
    WriteFileAtomic(dir / "missing" / "store.dat", "x");
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find("missing/store.dat"), std::string::npos) << e.what();
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 0);
}

TEST(WriteFileAtomic, AWriteThatFailsPartWayLeavesTheOldFileIntact) {
  TTempDir dir;
  const TPath file = dir / "store.dat";
  WriteTextFile(file, "the old content");
  {
    test::TFileSizeLimit limit(100);
    EXPECT_THROW(WriteFileAtomic(file, std::string(4096, 'n')), EInOutError);
  }
  EXPECT_EQ(ReadTextFile(file), "the old content");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(WriteFileAtomic, ALinkedFileStaysLinked) {
  TTempDir dir;
  std::filesystem::create_directory(dir / "dotfiles");
  WriteTextFile(dir / "dotfiles" / "real.ini", "old");
  std::filesystem::create_symlink(dir / "dotfiles" / "real.ini", dir / "link.ini");
  WriteFileAtomic(dir / "link.ini", "new");
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
  EXPECT_EQ(ReadTextFile(dir / "dotfiles" / "real.ini"), "new");
}

TEST(RenameNoReplace, NeverOverwritesAnExistingTarget) {
  TTempDir dir;
  WriteTextFile(dir / "a", "first");
  WriteTextFile(dir / "b", "second");
  std::string error;
  EXPECT_FALSE(RenameNoReplace(dir / "a", dir / "b", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadTextFile(dir / "a"), "first");
  EXPECT_EQ(ReadTextFile(dir / "b"), "second");
  EXPECT_TRUE(RenameNoReplace(dir / "a", dir / "c"));
  EXPECT_FALSE(FileExists(dir / "a"));
  EXPECT_EQ(ReadTextFile(dir / "c"), "first");
}

TEST(FileQueries, TellFilesFromDirectoriesAndMissingPaths) {
  TTempDir dir;
  WriteTextFile(dir / "f", "12345");
  EXPECT_TRUE(FileExists(dir / "f"));
  EXPECT_FALSE(FileExists(dir.Path()));
  EXPECT_TRUE(DirectoryExists(dir.Path()));
  EXPECT_EQ(FileSize(dir / "f"), 5u);
  EXPECT_FALSE(FileSize(dir / "nothing").has_value());
  EXPECT_NO_THROW(DeleteFileIfExists(dir / "nothing"));
  EXPECT_THROW(ReadWholeFile(dir / "nothing"), EInOutError);
}

TEST(TempFileName, CreatesDistinctEmptyFilesWithThePrefix) {
  const std::string a = TempFileName("mmt");
  const std::string b = TempFileName("mmt");
  EXPECT_NE(a, b);
  EXPECT_EQ(FileSize(a), 0u);
  EXPECT_EQ(TPath(a).filename().string().rfind("mmt", 0), 0u);
  EXPECT_EQ(TPath(a).extension(), ".tmp");
  std::filesystem::remove(a);
  std::filesystem::remove(b);
}

}  // namespace
}  // namespace mailmoat
