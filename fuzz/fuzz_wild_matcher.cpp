// The wildcard matcher against a full-search reference, over any pattern, text, pair of
// metacharacters and case mode.
#include <functional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "list/WildMatcher.h"

using namespace tessaly;

namespace {

unsigned char Up(unsigned char c) {
  return c >= 'a' && c <= 'z' ? c - 32 : c;
}

// Memoised full search, so that long patterns stay quick: every split a star allows.
bool Reference(std::string_view p, std::string_view t, unsigned char any, unsigned char one,
               bool caseSensitive) {
  std::vector<std::vector<signed char>> memo(p.size() + 1,
                                             std::vector<signed char>(t.size() + 1, -1));
  std::function<bool(std::size_t, std::size_t)> go = [&](std::size_t i, std::size_t j) -> bool {
    signed char& m = memo[i][j];
    if (m >= 0) return m;
    bool r;
    if (i == p.size()) {
      r = j == t.size();
    } else if (static_cast<unsigned char>(p[i]) == any) {
      r = go(i + 1, j) || (j < t.size() && go(i, j + 1));
    } else if (j == t.size()) {
      r = false;
    } else {
      const auto pc = static_cast<unsigned char>(p[i]);
      const auto tc = static_cast<unsigned char>(t[j]);
      r = (pc == one || (caseSensitive ? pc == tc : Up(pc) == Up(tc))) && go(i + 1, j + 1);
    }
    return (m = r);
  };
  return go(0, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const bool caseSensitive = data[0] & 1;
  const char any = static_cast<char>(data[1]);
  const char one = static_cast<char>(data[2]);
  const std::string_view rest = fuzz::AsText(data + 3, size - 3);
  const std::size_t split = rest.find('\n');
  const std::string_view pattern = rest.substr(0, split);
  const std::string_view text =
      split == std::string_view::npos ? std::string_view() : rest.substr(split + 1);
  // Without case, the mask's letters go to upper case and its runs of AnyChar shrink before
  // OneChar is set, so a letter as a metacharacter has no one meaning there; the deletion
  // uses "*" and "?" only.
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!caseSensitive && (letter(any) || letter(one))) return 0;
  // The set-up order is AnyChar first, while OneChar is still "?": that and a too long mask
  // are its refusals.
  const bool refused = any == '?' || any == one || pattern.size() > TWildMatcher::kMaxMaskLength;
  try {
    TWildMatcher m(pattern, caseSensitive, any, one);
    FUZZ_CHECK(!refused);
    FUZZ_CHECK(m.Matches(text) == Reference(pattern, text, static_cast<unsigned char>(any),
                                            static_cast<unsigned char>(one), caseSensitive));
  } catch (const EWildCard&) {
    FUZZ_CHECK(refused);
  }
  return 0;
}
