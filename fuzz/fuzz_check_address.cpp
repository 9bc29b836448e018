// The address syntax check over any bytes. Where a candidate could come out of the stream
// scan (one "@", local-part bytes before it, domain bytes after it) the check's answer must
// be the answer of the two automata the stream scan uses.
#include "fuzz_support.h"
#include "scan/CharClasses.h"
#include "scan/ScannedCheck.h"
#include "scan/UMailParser.h"

using namespace tessaly;

namespace {

bool StreamShaped(std::string_view c) {
  const std::size_t at = c.find('@');
  if (at == std::string_view::npos || c.find('@', at + 1) != std::string_view::npos) return false;
  for (std::size_t i = 0; i < at; ++i)
    if (!scan::In(scan::kLocalPartClass, static_cast<std::uint8_t>(c[i]))) return false;
  for (std::size_t i = at + 1; i < c.size(); ++i)
    if (!scan::In(scan::kDomainClass, static_cast<std::uint8_t>(c[i]))) return false;
  return true;
}

bool AutomataAnswer(std::string_view c) {
  const std::size_t at = c.find('@');
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.data());
  TScannedAddressCheck check;
  check.BeginLocalPart();
  bool ended = false, hopeless = false;
  check.TakeLocalPartBackward(bytes, at, ended, hopeless);
  if (hopeless || !check.LocalPartPasses()) return false;
  check.BeginDomain();
  check.TakeDomain(bytes + at + 1, c.size() - at - 1);
  return check.EndDomain();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view candidate = fuzz::AsText(data, size);
  TMailParser parser;
  const bool passes = parser.CheckAddress(candidate);
  // The parser is reused by the text scan: a second answer must not depend on the first.
  FUZZ_CHECK(TMailParser().CheckAddress(candidate) == passes);
  if (passes) FUZZ_CHECK(candidate.find('@') != std::string_view::npos);
  if (StreamShaped(candidate)) FUZZ_CHECK(AutomataAnswer(candidate) == passes);
  return 0;
}
