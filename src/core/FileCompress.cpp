#include "core/FileCompress.h"

#include "core/Lh5.h"
#include "core/UiHost.h"

#include <cctype>

namespace mailmoat {
namespace {

const char* const InputMissing = "Input File doen´t exists";
const char* const OutputExists = "Output File does exists. You must enter a filename that are not exists.";
const char* const OutputEmpty = "You must enter a filename.";
const char* const SameFile = "Input File can´t be the same as Output File";

std::string FoldedPath(const TPath& path) {
  std::error_code ec;
  TPath full = std::filesystem::absolute(path, ec);
  if (ec) full = path;
  std::string text = full.lexically_normal().string();
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool SamePath(const TPath& a, const TPath& b) {
  return FoldedPath(a) == FoldedPath(b);
}

}  // namespace

std::string CompressContainer(std::string_view data) {
  if (data.size() > MaxContainerLength) {
    throw ECompressError("The data is too large to compress: " + std::to_string(data.size()) + " bytes, at most " +
                         std::to_string(MaxContainerLength) + " are allowed.");
  }
  const auto length = static_cast<std::uint32_t>(data.size());
  std::string out;
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((length >> shift) & 0xFF));
  out += Lh5Encode(data);
  return out;
}

std::string DecompressContainer(std::string_view container) {
  if (container.size() < 4) {
    throw ECompressError("The compressed data is damaged: it is shorter than its 4-byte length field.");
  }
  std::uint32_t length = 0;
  for (int i = 3; i >= 0; --i) length = (length << 8) | static_cast<unsigned char>(container[i]);
  if (length > MaxContainerLength) {
    throw ECompressError("The compressed data is damaged: it claims " + std::to_string(length) +
                         " bytes, more than the " + std::to_string(MaxContainerLength) + " allowed.");
  }
  return Lh5Decode(container.substr(4), length);
}

bool TFileCompress::Compress(const TPath& input, const TPath& output) {
  const char* failure = nullptr;
  if (!FileExists(input)) {
    failure = InputMissing;
  } else if (FileExists(output)) {
    failure = OutputExists;
  } else if (output.empty()) {
    failure = OutputEmpty;
  } else if (SamePath(input, output)) {
    failure = SameFile;
  }
  if (failure) {
    Ui.MessageBox(TMsgKind::Error, failure, mbOK);
    return false;
  }
  WriteFileAtomic(output, CompressContainer(ReadWholeFile(input)));
  return true;
}

bool TFileCompress::Decompress(const TPath& input, const TPath& output) {
  const char* failure = nullptr;
  if (!FileExists(input)) {
    failure = InputMissing;
  } else if (SamePath(input, output)) {
    failure = SameFile;
  } else if (output.empty()) {
    failure = OutputEmpty;
  } else if (FileExists(output)) {
    failure = OutputExists;
  }
  if (failure) {
    Ui.MessageBox(TMsgKind::Error, failure, mbOK);
    return false;
  }
  WriteFileAtomic(output, DecompressContainer(ReadWholeFile(input)));
  return true;
}

}  // namespace mailmoat
