// The stream scan's running check must give CheckAddress's answer for every candidate the
// scan can build: held to that over every short candidate and many structured long ones.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "scan/ScannedCheck.h"
#include "scan/UMailParser.h"

using namespace tessaly;

namespace {

// Fed the way the stream scan feeds it: the local part from the "@" backwards, then the
// domain forwards.
bool RunningCheck(std::string_view local, std::string_view domain) {
  TScannedAddressCheck check;
  check.BeginLocalPart();
  const auto* l = reinterpret_cast<const std::uint8_t*>(local.data());
  bool ended = false, hopeless = false;
  const std::size_t taken = check.TakeLocalPartBackward(l, local.size(), ended, hopeless);
  // The classes hold every byte used here, so the walk takes all unless it gave up.
  EXPECT_TRUE(!ended && (hopeless || taken == local.size())) << local;
  const bool local_ok = !hopeless && check.LocalPartPasses();
  check.BeginDomain();
  const auto* d = reinterpret_cast<const std::uint8_t*>(domain.data());
  // Fed in two pieces, as a buffer boundary would cut it.
  const std::size_t half = domain.size() / 2;
  EXPECT_EQ(check.TakeDomain(d, half), half);
  EXPECT_EQ(check.TakeDomain(d + half, domain.size() - half), domain.size() - half);
  return check.EndDomain() && local_ok;
}

// Every string over the alphabet, of length 0 to maxLength, in turn.
template <typename F>
void ForEachString(std::string_view alphabet, std::size_t maxLength, F&& f) {
  std::string s;
  std::vector<std::size_t> digits;
  for (std::size_t len = 0; len <= maxLength; ++len) {
    digits.assign(len, 0);
    s.assign(len, alphabet[0]);
    for (;;) {
      f(s);
      std::size_t i = 0;
      while (i < len && ++digits[i] == alphabet.size()) {
        digits[i] = 0;
        s[i] = alphabet[0];
        ++i;
      }
      if (i == len) break;
      s[i] = alphabet[digits[i]];
    }
  }
}

// One byte of each kind the domain class tells apart, and of the local-part class.
constexpr std::string_view kDomainKinds = "a1.-#[]";
constexpr std::string_view kLocalKinds = "a.-";

TEST(ScannedAddressCheck, AgreesWithCheckAddressOnEveryShortDomain) {
  TMailParser parser;
  long disagreements = 0, passes = 0;
  ForEachString(kDomainKinds, 8, [&](const std::string& domain) {
    const bool expected = parser.CheckAddress("a@" + domain);
    passes += expected;
    if (RunningCheck("a", domain) != expected && ++disagreements < 10)
      ADD_FAILURE() << "a@" << domain << ": CheckAddress says " << expected;
  });
  EXPECT_EQ(disagreements, 0);
  EXPECT_GT(passes, 1000);  // the table is not all refusals
}

TEST(ScannedAddressCheck, AgreesWithCheckAddressOnEveryShortLocalPart) {
  TMailParser parser;
  long disagreements = 0;
  for (std::string_view domain : {"ab.cd", "ab", "[1.2.3.4]", "ab.c"}) {
    ForEachString(kLocalKinds, 10, [&](const std::string& local) {
      const std::string candidate = local + "@" + std::string(domain);
      const bool expected = parser.CheckAddress(candidate);
      if (RunningCheck(local, domain) != expected && ++disagreements < 10)
        ADD_FAILURE() << candidate << ": CheckAddress says " << expected;
    });
  }
  EXPECT_EQ(disagreements, 0);
}

TEST(ScannedAddressCheck, AgreesWithCheckAddressOnLongStructuredCandidates) {
  // Pieces that reach the quad's and the label's every corner when strung together.
  const std::vector<std::string> pieces = {"[",      "]",  "#",   ".",   "-",    "a",
                                           "b1",     "1",  "12",  "123", "1234", "[1.2.3.4]",
                                           "[1.2.3", "ab", "#12", "x-",  "9.",   "[999.9.99.0]"};
  const std::vector<std::string> locals = {"a", "a.b", "ab.", ".a", "a..b", "a-b", "x_y=z"};
  std::mt19937 rng(7);
  TMailParser parser;
  long disagreements = 0;
  for (int i = 0; i < 1'000'000; ++i) {
    std::string domain;
    const int n = 1 + static_cast<int>(rng() % 12);
    for (int k = 0; k < n; ++k) domain += pieces[rng() % pieces.size()];
    const std::string& local = locals[rng() % locals.size()];
    const bool expected = parser.CheckAddress(local + "@" + domain);
    if (RunningCheck(local, domain) != expected && ++disagreements < 10)
      ADD_FAILURE() << local << "@" << domain << ": CheckAddress says " << expected;
  }
  EXPECT_EQ(disagreements, 0);
}

}  // namespace
