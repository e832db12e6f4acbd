#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

namespace mailmoat::test {

// `size` bytes drawn evenly from the first `alphabet` byte values; the same for the same seed.
inline std::string RandomBytes(std::size_t size, std::uint32_t seed, unsigned alphabet = 256) {
  std::mt19937 rng(seed);
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(rng() % alphabet);
  return out;
}

// Text that looks like the headers and bodies the program stores: many short repeats at all
// distances, numbers that vary, and line ends of CR LF.
inline std::string MailText(std::size_t size, std::uint32_t seed = 7) {
  static const char* const words[] = {"Received:", "from", "by",          "with",  "SMTP",        "id",     "for",
                                      "Subject:",  "Re:",  "your",        "order", "free",        "offer",  "meeting",
                                      "the",       "and",  "tomorrow",    "at",    "report",      "please", "attached",
                                      "From:",     "To:",  "Message-ID:", "mail",  "example.com", "relay"};
  std::mt19937 rng(seed);
  std::string out;
  out.reserve(size + 100);
  while (out.size() < size) {
    const unsigned count = 3 + rng() % 9;
    for (unsigned i = 0; i < count; ++i) {
      out += words[rng() % (sizeof words / sizeof words[0])];
      out += rng() % 5 == 0 ? " " + std::to_string(rng() % 100000) + " " : " ";
    }
    out += "\r\n";
  }
  out.resize(size);
  return out;
}

// A short paragraph repeated until `size` bytes: compresses very well.
inline std::string RepeatedText(std::size_t size) {
  const std::string unit = "Dear customer, your mailbox has been selected for a special offer. Reply now!\r\n";
  std::string out;
  while (out.size() < size) out += unit;
  out.resize(size);
  return out;
}

}  // namespace mailmoat::test
