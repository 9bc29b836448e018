// The fallback header parse (From, To, Cc out of the Internet header lines of a message).
#include "fuzz_support.h"
#include "outlook/HeaderFallback.h"

using namespace tessaly;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const THeaderAddresses h = ParseHeaderAddresses(fuzz::AsText(data, size));
    FUZZ_CHECK(h.to.size() + h.cc.size() <= size);
  } catch (const mailbox::EMailbox&) {
    // A block that cannot be parsed at all is the one refusal the parse has.
  }
  return 0;
}
