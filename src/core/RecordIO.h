#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Field-by-field access to the fixed-size records of the data files: little-endian integers,
// one-byte Booleans, and length-prefixed strings (a length byte, then the characters, in a
// field of fixed size whose bytes after the text mean nothing).

namespace mailmoat {

// `text` cut to what a length-prefixed field of `fieldSize` bytes can hold.
std::string_view CutToField(std::string_view text, std::size_t fieldSize);

// Appends the fields of one record to a byte string.
class TRecordWriter {
public:
  explicit TRecordWriter(std::string& out) : Out(out) {}

  // A length byte and the text cut to the field, the rest of the field zero.
  void String(std::string_view text, std::size_t fieldSize);
  // 1 for true, 0 for false.
  void Bool(bool value) { Byte(value ? 1 : 0); }
  void Byte(std::uint8_t value) { Out.push_back(static_cast<char>(value)); }
  void Int32(std::int32_t value);
  template <std::size_t N>
  void Bytes(const std::array<std::uint8_t, N>& bytes) {
    Out.append(reinterpret_cast<const char*>(bytes.data()), N);
  }
  void Zeros(std::size_t count) { Out.append(count, '\0'); }

private:
  std::string& Out;
};

// Reads the fields of one record in order. Reading past the end of the record is a
// programming error and throws std::out_of_range.
class TRecordReader {
public:
  explicit TRecordReader(std::string_view record) : Record(record) {}

  // The text of a length-prefixed field; a length byte larger than the field holds (a damaged
  // record) reads as much as the field holds.
  std::string String(std::size_t fieldSize);
  // Any non-zero byte is true.
  bool Bool() { return Byte() != 0; }
  std::uint8_t Byte();
  std::int32_t Int32();
  template <std::size_t N>
  void Bytes(std::array<std::uint8_t, N>& bytes) {
    const std::string_view field = Take(N);
    for (std::size_t i = 0; i < N; ++i) bytes[i] = static_cast<std::uint8_t>(field[i]);
  }
  void Skip(std::size_t count) { Take(count); }
  std::size_t Position() const { return Pos; }

private:
  std::string_view Take(std::size_t count);

  std::string_view Record;
  std::size_t Pos = 0;
};

// The whole records of `recordSize` bytes in `data`, in order; bytes at the end that do not
// fill a record are left out.
std::vector<std::string_view> WholeRecords(std::string_view data, std::size_t recordSize);

}  // namespace mailmoat
