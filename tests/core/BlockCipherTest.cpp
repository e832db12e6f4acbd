#include "core/BlockCipher.h"
#include "core/Blowfish.h"
#include "platform/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace mailmoat {
namespace {

using test::ReadTextFile;
using test::TTempDir;
using test::WriteTextFile;

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

std::string ToHex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : bytes) {
    hex.push_back(digits[c >> 4]);
    hex.push_back(digits[c & 15]);
  }
  return hex;
}

std::string Apply(const TBlowfish& cipher, std::string block, bool encrypt) {
  auto* p = reinterpret_cast<std::uint8_t*>(block.data());
  if (encrypt) {
    cipher.Encrypt(p, p, block.size() / 8);
  } else {
    cipher.Decrypt(p, p, block.size() / 8);
  }
  return block;
}

// Schneier's published ECB vectors: key, plain, cipher.
TEST(BlowfishTest, PublishedVectorsInBothDirections) {
  const struct {
    const char *Key, *Plain, *Cipher;
  } vectors[] = {
      {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
      {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
      {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
      {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
      {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
      {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
  };
  for (const auto& v : vectors) {
    const TBlowfish cipher(FromHex(v.Key));
    EXPECT_EQ(ToHex(Apply(cipher, FromHex(v.Plain), true)), v.Cipher) << v.Key;
    EXPECT_EQ(ToHex(Apply(cipher, FromHex(v.Cipher), false)), v.Plain) << v.Key;
  }
}

TEST(BlockCipherTest, StoredBlocksAreTheCipherDecryptionUnderTheProgramKey) {
  // Computed with an independent Blowfish implementation.
  EXPECT_EQ(ToHex(EncodeBlocks("Mailmoat record!")), "C93B299B1168BAB86EAF3E2E869DD03E");
  EXPECT_EQ(ToHex(EncodeBlocks(std::string(8, '\0'))), "3756CD000FAD7F3D");
  EXPECT_EQ(DecodeBlocks(FromHex("C93B299B1168BAB86EAF3E2E869DD03E")), "Mailmoat record!");
}

TEST(BlockCipherTest, SizesArePaddedToWholeBlocksAndPaddingSurvivesDecoding) {
  for (std::size_t size : {0u, 1u, 381u, 432u, 1296u, 4095u, 4096u, 4097u, 9000u}) {
    std::string plain(size, '\0');
    for (std::size_t i = 0; i < size; ++i) plain[i] = static_cast<char>('A' + i % 26);
    const std::string stored = EncodeBlocks(plain);
    EXPECT_EQ(stored.size(), (size + 7) / 8 * 8) << size;
    const std::string decoded = DecodeBlocks(stored);
    ASSERT_EQ(decoded.size(), stored.size()) << size;
    EXPECT_EQ(decoded.substr(0, size), plain) << size;
    EXPECT_EQ(decoded.substr(size), std::string(decoded.size() - size, '\0')) << size;
  }
  // A damaged file whose length is not a whole number of blocks still decodes.
  EXPECT_EQ(DecodeBlocks("abc").size(), 8u);
}

TEST(BlockCipherTest, FileFormsReplaceTheFileAndLeaveNoWorkFile) {
  TTempDir dir;
  const TPath file = dir / "duncfg.dat";
  const std::string plain(381, 'x');
  WriteTextFile(file, plain);
  EncryptFile(file);
  EXPECT_EQ(ReadTextFile(file), EncodeBlocks(plain));
  DecryptFile(file);
  EXPECT_EQ(ReadTextFile(file), plain + std::string(3, '\0'));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);
}

TEST(BlockCipherTest, FileFormsReportEmptyPathsAndMissingFiles) {
  try {
    EncryptFile(TPath());
    FAIL();
  } catch (const EMailmoatError& e) {
    EXPECT_STREQ(e.what(), "EncryptFile Fname parameter is empty!");
  }
  try {
    DecryptFile(TPath());
    FAIL();
  } catch (const EMailmoatError& e) {
    EXPECT_STREQ(e.what(), "DecryptFile Fname parameter is empty!");
  }
  TTempDir dir;
  EXPECT_THROW(DecryptFile(dir / "pop3prof.dat"), EInOutError);
  EXPECT_FALSE(FileExists(dir / "pop3prof_$_"));
}

}  // namespace
}  // namespace mailmoat
