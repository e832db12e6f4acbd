#include "filter/RegexCache.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <unordered_map>

namespace mailmoat {
namespace {

struct TCodeFree {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
using TCodePtr = std::unique_ptr<pcre2_code, TCodeFree>;

std::uint32_t Pcre2Options(TRegexOptions options) {
  std::uint32_t result = 0;
  if (options & roCaseless) result |= PCRE2_CASELESS;
  if (options & roMultiline) result |= PCRE2_MULTILINE;
  if (options & roExtended) result |= PCRE2_EXTENDED;
  return result;
}

std::string ErrorText(int code) {
  PCRE2_UCHAR buffer[256];
  if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0) return "PCRE2 error " + std::to_string(code);
  return std::string(reinterpret_cast<const char*>(buffer));
}

}  // namespace

struct TRegexCache::TImpl {
  // An entry with a null code is a pattern that does not compile.
  std::unordered_map<std::string, TCodePtr> Codes;
  pcre2_match_data* MatchData = nullptr;
  pcre2_match_context* MatchContext = nullptr;
  pcre2_jit_stack* JitStack = nullptr;

  ~TImpl() {
    pcre2_match_data_free(MatchData);
    pcre2_match_context_free(MatchContext);
    pcre2_jit_stack_free(JitStack);
  }
};

TRegexCache::TRegexCache() : TRegexCache(TOptions{}) {
}

TRegexCache::TRegexCache(TOptions options) : Impl(std::make_unique<TImpl>()), Options(options) {
  Impl->MatchData = pcre2_match_data_create(1, nullptr);
  Impl->MatchContext = pcre2_match_context_create(nullptr);
  if (!Impl->MatchData || !Impl->MatchContext) throw std::bad_alloc();
  pcre2_set_match_limit(Impl->MatchContext, Options.MatchLimit);
  pcre2_set_depth_limit(Impl->MatchContext, Options.DepthLimit);
  if (Options.Jit) {
    // The default 32 KiB JIT stack fails some sane rules on long bodies.
    Impl->JitStack = pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr);
    if (Impl->JitStack) pcre2_jit_stack_assign(Impl->MatchContext, nullptr, Impl->JitStack);
  }
}

TRegexCache::~TRegexCache() = default;

namespace {

TCodePtr CompilePattern(std::string_view pattern, TRegexOptions options, bool jit) {
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  TCodePtr code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), Pcre2Options(options),
                              &error, &errorOffset, nullptr));
  // A failed JIT compilation leaves the interpreter, which is just slower.
  if (code && jit) pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE);
  return code;
}

}  // namespace

bool TRegexCache::Find(std::string_view pattern, TRegexOptions options, std::string_view subject, TRegexMatch& match,
                       std::size_t start) {
  TCodePtr uncached;
  pcre2_code* code = nullptr;
  if (Options.Cache) {
    std::string key(1, static_cast<char>(options));
    key.append(pattern);
    auto it = Impl->Codes.find(key);
    if (it == Impl->Codes.end()) {
      if (Impl->Codes.size() >= MaxEntries) Impl->Codes.clear();
      ++CompileCount;
      it = Impl->Codes.emplace(std::move(key), CompilePattern(pattern, options, Options.Jit)).first;
    }
    code = it->second.get();
  } else {
    ++CompileCount;
    uncached = CompilePattern(pattern, options, Options.Jit);
    code = uncached.get();
  }
  if (!code || start > subject.size()) return false;

  const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), start, 0,
                             Impl->MatchData, Impl->MatchContext);
  if (rc == PCRE2_ERROR_NOMATCH) return false;
  if (rc < 0) throw ERegexError(ErrorText(rc));
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(Impl->MatchData);
  // \K in a lookbehind can put the end before the start; such a match has no text.
  match.Offset = ovector[0];
  match.Length = ovector[1] > ovector[0] ? ovector[1] - ovector[0] : 0;
  return true;
}

bool TRegexCache::Match(std::string_view pattern, TRegexOptions options, std::string_view subject,
                        std::string* matched) {
  TRegexMatch match;
  if (!Find(pattern, options, subject, match)) return false;
  if (matched) matched->assign(subject.substr(match.Offset, match.Length));
  return true;
}

bool TRegexCache::Compiles(std::string_view pattern, TRegexOptions options) {
  return CompilePattern(pattern, options, false) != nullptr;
}

std::string TRegexCache::CompileError(std::string_view pattern, TRegexOptions options) {
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  TCodePtr code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), Pcre2Options(options),
                              &error, &errorOffset, nullptr));
  if (code) return {};
  return ErrorText(error) + " at offset " + std::to_string(errorOffset);
}

void TRegexCache::Clear() {
  Impl->Codes.clear();
}

std::size_t TRegexCache::Size() const {
  return Impl->Codes.size();
}

}  // namespace mailmoat
