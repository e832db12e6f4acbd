#pragma once

#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace mailmoat {

class TUiHost;

// A compressed stream that cannot be decoded: damaged, truncated, or claiming more than it
// can hold. Readers of the compressed stores report it as a read failure.
class ECompressError : public EMailmoatError {
public:
  using EMailmoatError::EMailmoatError;
};

// The largest original length a container may declare; anything larger is taken as damage.
constexpr std::uint32_t MaxContainerLength = 256u * 1024u * 1024u;

// The compressed container of the rule files, the SpamCop settings and the filter update:
// the original length as 4 bytes little-endian, then the data as one LHA -lh5- stream.
// Throws ECompressError when `data` is longer than MaxContainerLength, since such a container
// could not be read back.
std::string CompressContainer(std::string_view data);
// Throws ECompressError when the container is shorter than its length field, declares more
// than MaxContainerLength, or its stream is damaged or ends early.
std::string DecompressContainer(std::string_view container);

// The file compression component owned by TConfigData: file to file. Before any work it checks
// the two names (input missing, output existing or empty, both the same file, compared without
// regard to case) and shows an error box for the first that fails. Returns false after such a
// box, leaving every file as it was; throws EInOutError or ECompressError when reading, decoding
// or writing fails, and then writes no output. The output is written through WriteFileAtomic.
class TFileCompress {
public:
  explicit TFileCompress(TUiHost& ui) : Ui(ui) {}
  bool Compress(const TPath& input, const TPath& output);
  bool Decompress(const TPath& input, const TPath& output);

private:
  TUiHost& Ui;
};

}  // namespace mailmoat
