#include "core/RecordIO.h"

#include <algorithm>
#include <stdexcept>

namespace mailmoat {

std::string_view CutToField(std::string_view text, std::size_t fieldSize) {
  // The length byte cannot count beyond 255, whatever the field size.
  const std::size_t capacity = std::min<std::size_t>(fieldSize == 0 ? 0 : fieldSize - 1, 255);
  return text.substr(0, capacity);
}

void TRecordWriter::String(std::string_view text, std::size_t fieldSize) {
  if (fieldSize == 0) return;
  const std::string_view cut = CutToField(text, fieldSize);
  Byte(static_cast<std::uint8_t>(cut.size()));
  Out.append(cut);
  Zeros(fieldSize - 1 - cut.size());
}

void TRecordWriter::Int32(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) Byte(static_cast<std::uint8_t>(bits >> shift));
}

std::string_view TRecordReader::Take(std::size_t count) {
  if (count > Record.size() - Pos) throw std::out_of_range("record field beyond the end of the record");
  const std::string_view field = Record.substr(Pos, count);
  Pos += count;
  return field;
}

std::string TRecordReader::String(std::size_t fieldSize) {
  if (fieldSize == 0) return {};
  const std::string_view field = Take(fieldSize);
  const std::size_t length = std::min<std::size_t>(static_cast<std::uint8_t>(field[0]), fieldSize - 1);
  return std::string(field.substr(1, length));
}

std::uint8_t TRecordReader::Byte() {
  return static_cast<std::uint8_t>(Take(1)[0]);
}

std::int32_t TRecordReader::Int32() {
  const std::string_view field = Take(4);
  std::uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) bits = (bits << 8) | static_cast<std::uint8_t>(field[static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(bits);
}

std::vector<std::string_view> WholeRecords(std::string_view data, std::size_t recordSize) {
  std::vector<std::string_view> records;
  if (recordSize == 0) return records;
  records.reserve(data.size() / recordSize);
  for (std::size_t at = 0; data.size() - at >= recordSize; at += recordSize) {
    records.push_back(data.substr(at, recordSize));
  }
  return records;
}

}  // namespace mailmoat
