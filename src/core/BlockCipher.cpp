#include "core/BlockCipher.h"

#include "core/Blowfish.h"
#include "platform/Errors.h"

namespace mailmoat {

namespace {

// The key every stored file was written with; changing it makes every existing
// "pop3prof.dat" and "duncfg.dat" unreadable.
constexpr std::string_view FixedKey = "pmxe#rudQZHtn4^3071%";

enum class TDirection { Encode, Decode };

std::string Transform(std::string_view in, TDirection direction) {
  std::string out(in);
  out.resize((in.size() + TBlowfish::BlockSize - 1) / TBlowfish::BlockSize * TBlowfish::BlockSize, '\0');
  const TBlowfish cipher(FixedKey);
  auto* bytes = reinterpret_cast<std::uint8_t*>(out.data());
  const std::size_t blocks = out.size() / TBlowfish::BlockSize;
  // The stored form is the cipher's decryption of the plain blocks: the files were always
  // written this way round, so reading must encrypt.
  if (direction == TDirection::Encode) {
    cipher.Decrypt(bytes, bytes, blocks);
  } else {
    cipher.Encrypt(bytes, bytes, blocks);
  }
  return out;
}

// "pop3prof.dat" -> "pop3prof_$_": the extension, dot included, is replaced.
TPath WorkFileName(const TPath& path) {
  TPath work = path;
  work.replace_filename(path.stem().string() + "_$_");
  return work;
}

void TransformFile(const TPath& path, TDirection direction) {
  const std::string data = ReadWholeFile(path);
  const TPath work = WorkFileName(path);
  try {
    WriteFileAtomic(work, Transform(data, direction));
    std::error_code ec;
    std::filesystem::rename(work, path, ec);
    if (ec) throw EInOutError("Cannot replace " + path.string() + ": " + ec.message());
  } catch (...) {
    try {
      DeleteFileIfExists(work);
    } catch (const EInOutError&) {
      // The error being raised says more than this one.
    }
    throw;
  }
}

}  // namespace

std::string EncodeBlocks(std::string_view plain) {
  return Transform(plain, TDirection::Encode);
}

std::string DecodeBlocks(std::string_view stored) {
  return Transform(stored, TDirection::Decode);
}

void EncryptFile(const TPath& path) {
  if (path.empty()) throw EMailmoatError("EncryptFile Fname parameter is empty!");
  TransformFile(path, TDirection::Encode);
}

void DecryptFile(const TPath& path) {
  if (path.empty()) throw EMailmoatError("DecryptFile Fname parameter is empty!");
  TransformFile(path, TDirection::Decode);
}

}  // namespace mailmoat
