#include "core/Blowfish.h"

#include "platform/Errors.h"

#include <cstring>

namespace mailmoat {

TBlowfish::TBlowfish(std::string_view key) {
  if (key.size() < BLOWFISH_MIN_KEY_SIZE || key.size() > BLOWFISH_MAX_KEY_SIZE) {
    throw EMailmoatError("Blowfish key must be " + std::to_string(BLOWFISH_MIN_KEY_SIZE) + " to " +
                         std::to_string(BLOWFISH_MAX_KEY_SIZE) + " bytes long");
  }
  // Nettle reports keys whose S-boxes hold a repeated entry as weak, but keys them all the
  // same; the stored files were written with such tables if the key was one, so use them.
  blowfish_set_key(&Context, key.size(), reinterpret_cast<const std::uint8_t*>(key.data()));
}

TBlowfish::~TBlowfish() {
  explicit_bzero(&Context, sizeof Context);
}

void TBlowfish::Encrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t count) const {
  blowfish_encrypt(&Context, count * BlockSize, out, in);
}

void TBlowfish::Decrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t count) const {
  blowfish_decrypt(&Context, count * BlockSize, out, in);
}

}  // namespace mailmoat
