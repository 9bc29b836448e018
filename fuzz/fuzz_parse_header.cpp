// The header address parse of a folder file's message, and its two helpers: the encoded
// word decoder and the address cleaner.
#include <string>

#include "fuzz_support.h"
#include "oe5/UOEMessage.h"

using namespace tessaly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::AsText(data, size);
  TOEMessage oe;
  bool reported = false;
  oe.onAddress = [&](void*, std::string_view a, std::string_view, std::uint8_t kind, int ndx) {
    FUZZ_CHECK(kind <= akBcc && ndx == 7);
    FUZZ_CHECK(!a.empty() && a.front() != '@');
    reported = true;
  };
  const bool taken = oe.ParseHeader(text, 7);
  if (!taken) FUZZ_CHECK(!reported);

  const std::string decoded = DecodeEncodedWord(text);
  FUZZ_CHECK(decoded.size() <= text.size());

  const std::string clean = CleanAddress(text);
  FUZZ_CHECK(clean.find_first_of("<>\"'[]") == std::string::npos);
  const auto first = static_cast<unsigned char>(clean.empty() ? 'x' : clean.front());
  const auto last = static_cast<unsigned char>(clean.empty() ? 'x' : clean.back());
  FUZZ_CHECK(first != '@' && first > ' ' && last > ' ');
  FUZZ_CHECK(CleanAddress(clean) == clean);
  return 0;
}
