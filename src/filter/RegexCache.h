#pragma once

#include "platform/Errors.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace mailmoat {

// A match that could not be completed: the match or depth limit was reached (a pattern that
// backtracks without end on a hostile text), or PCRE2 failed otherwise. The text is PCRE2's.
class ERegexError : public EMailmoatError {
public:
  using EMailmoatError::EMailmoatError;
};

// Compile options, each the PCRE option of the same name.
enum TRegexOption : unsigned {
  roNone = 0,
  roCaseless = 1u << 0,
  roMultiline = 1u << 1,
  roExtended = 1u << 2,
};
using TRegexOptions = unsigned;

// Where a match lies in the subject.
struct TRegexMatch {
  std::size_t Offset = 0;
  std::size_t Length = 0;
};

// Compiles patterns (PCRE2, 8-bit, no UTF: texts are bytes) and keeps them per (pattern,
// options), JIT-compiled where PCRE2 supports it. Every match runs under a match and a
// depth limit. Not for use from two places at once.
class TRegexCache {
public:
  struct TOptions {
    bool Cache = true;  // false compiles every pattern on every call (the old way; benchmarks)
    bool Jit = true;
    // Low enough that a runaway pattern fails within milliseconds, high enough for any sane
    // rule on a message of a few hundred kilobytes.
    std::uint32_t MatchLimit = 2'000'000;
    std::uint32_t DepthLimit = 50'000;
  };
  // Beyond this many patterns the cache starts afresh, so stale entries cannot pile up.
  static constexpr std::size_t MaxEntries = 20'000;

  TRegexCache();
  explicit TRegexCache(TOptions options);
  ~TRegexCache();
  TRegexCache(const TRegexCache&) = delete;
  TRegexCache& operator=(const TRegexCache&) = delete;

  // The first match of `pattern` in `subject` at or after `start`. A pattern that does not
  // compile matches nothing and is no error. Throws ERegexError when the match fails.
  bool Find(std::string_view pattern, TRegexOptions options, std::string_view subject, TRegexMatch& match,
            std::size_t start = 0);
  // Find from offset 0; `matched` (when given) receives the whole-match text.
  bool Match(std::string_view pattern, TRegexOptions options, std::string_view subject, std::string* matched = nullptr);
  // Whether the pattern compiles with these options.
  bool Compiles(std::string_view pattern, TRegexOptions options);
  // Why the pattern does not compile with these options (PCRE2's text and the offset where it
  // stopped), or empty when it compiles.
  static std::string CompileError(std::string_view pattern, TRegexOptions options);

  void Clear();
  std::size_t Size() const;
  // How many compilations have been made since construction.
  std::size_t Compilations() const { return CompileCount; }

private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl;
  TOptions Options;
  std::size_t CompileCount = 0;
};

}  // namespace mailmoat
