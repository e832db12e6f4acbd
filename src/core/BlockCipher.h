#pragma once

#include "platform/FileSystem.h"

#include <string>
#include <string_view>

namespace mailmoat {

// The block transform of the two stores that hold passwords ("pop3prof.dat", "duncfg.dat"):
// Blowfish with the program's fixed key, ECB, zero padding to a multiple of 8 bytes. Writing
// applies the cipher's decryption function to each block and reading its encryption
// function, so stored blocks are D(key, plain).

// The stored form of `plain` (padded with zero bytes to a multiple of 8).
std::string EncodeBlocks(std::string_view plain);
// The plain form of stored bytes, padding included; a length that is not a multiple of 8
// (a damaged file) is padded first.
std::string DecodeBlocks(std::string_view stored);

// File forms: replace the file by its transformed form through the work file named like it
// with the extension replaced by "_$_". Throw EInOutError, or EMailmoatError for an empty path
// ("EncryptFile Fname parameter is empty!", "DecryptFile Fname parameter is empty!").
void EncryptFile(const TPath& path);
void DecryptFile(const TPath& path);

}  // namespace mailmoat
