// The stream scan over memory and the text scan. The stream scan must report exactly what
// a slow reference reports (grow each candidate byte by byte, ask the syntax check), and
// the same through any buffer size; the text scan reports only what the check passes.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "scan/CharClasses.h"
#include "scan/Scanner.h"
#include "scan/UMailParser.h"

using namespace tessaly;

namespace {

std::vector<std::string> Reference(std::string_view t) {
  std::vector<std::string> found;
  TMailParser parser;
  // An "@" as the very first byte starts no candidate; the byte that ends a forward walk
  // is consumed with it, so an "@" there starts none either.
  std::size_t at = t.find('@', 1);
  while (at != std::string_view::npos) {
    std::size_t begin = at;
    while (begin > 0 && scan::In(scan::kLocalPartClass, static_cast<std::uint8_t>(t[begin - 1])))
      --begin;
    std::size_t end = at + 1;
    while (end < t.size() && scan::In(scan::kDomainClass, static_cast<std::uint8_t>(t[end]))) ++end;
    const std::string_view candidate = t.substr(begin, end - begin);
    if (parser.CheckAddress(candidate))
      found.emplace_back(candidate.substr(0, kHeldCandidateLimit));
    if (end >= t.size()) break;
    at = t.find('@', end + 1);
  }
  return found;
}

std::vector<std::string> Stream(std::string_view bytes, std::size_t bufferSize,
                                std::uint64_t& lastProgress) {
  std::vector<std::string> found;
  THarvestEvents events;
  events.onScannedAddress = [&](std::string_view a) { found.emplace_back(a); };
  events.OnProgressBar = [&](std::uint64_t position, bool&) {
    FUZZ_CHECK(position >= lastProgress && position <= bytes.size());
    lastProgress = position;
  };
  TMemoryByteSource source(bytes);
  TLineStream stream(source, bufferSize);
  ScanStream(stream, events);
  return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks a small buffer, so that refills fall inside candidates.
  const std::size_t bufferSize = 1 + data[0] % 64;
  const std::string_view bytes = fuzz::AsText(data + 1, size - 1);

  std::uint64_t last = 0;
  const auto whole = Stream(bytes, 1 << 16, last);
  last = 0;
  FUZZ_CHECK(Stream(bytes, bufferSize, last) == whole);
  FUZZ_CHECK(whole == Reference(bytes));

  TMailParser parser;
  ScanText(bytes,
           [&](void*, std::string_view email, std::string_view name, std::uint8_t kind, int) {
             FUZZ_CHECK(email == name && kind == akBody);
             FUZZ_CHECK(parser.CheckAddress(email));
           });
  return 0;
}
