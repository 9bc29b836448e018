// The address syntax check: the grammar's answers, its quirks, and candidates of any size.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "scan/UMailParser.h"

using namespace tessaly;

namespace {

struct Case {
  const char* candidate;
  bool passes;
  const char* why;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << '"' << c.candidate << '"';
}

class CheckAddressCases : public ::testing::TestWithParam<Case> {};

TEST_P(CheckAddressCases, GivesTheGrammarsAnswer) {
  const Case& c = GetParam();
  TMailParser parser;
  EXPECT_EQ(parser.CheckAddress(c.candidate), c.passes) << c.candidate << ": " << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, CheckAddressCases,
    ::testing::Values(
        Case{"ann@mail.test", true, "plain"},
        Case{"first.last@mail.test", true, "dotted local part"},
        Case{"a_b@mail.test", true, "underscore is an atom byte"},
        Case{"x=y?z@mail.test", true, "= and ? are atom bytes"},
        Case{"ann@123.45", true, "labels of digits"},
        Case{"ann@[10.0.0.1]", true, "bracketed dotted quad"},
        Case{"ann@[999.999.999.999]", true, "octets have no value limit"},
        Case{"ANN@MAIL.TEST", true, "letter case plays no part"},
        Case{"ann@m-l.test", true, "hyphen inside a label"},
        Case{"ann@m--l.test", true, "hyphens inside a label"},
        Case{"ann@#12.ab", true, "# with digits"},
        Case{"a@#1.#2", true, "# sub-domains after a full stop"},
        Case{"a@[1.2.3.4].[5.6.7.8]", true, "several quads"},
        Case{"{a}|~^`@mail.test", true, "braces, bar, tilde, circumflex, grave"},
        // No give-back, no rewinding: a failed "#" or "[" keeps what it took, and the
        // label alternative goes on from there.
        Case{"ann@#ab.test", true, "# without digits, then the label ab"},
        Case{"ann@[12ab.test", true, "[12 taken, then the label ab"},
        Case{"ann@[1.2.3.45ab", true, "[1.2.3.45 taken, then the label ab"},
        Case{"ann@[1.2.ab", true, "[1.2. taken, then the label ab"},
        Case{"ann@[12345.test", true, "octet 123, then the label 45"},
        Case{"ann@#[1.2.3.4].test", true, "# fails, then the quad"},
        Case{"ann@#12ab.test", false, "# with digits succeeded: ab.test is left over"},
        Case{"ann@[1.2.3.4]x.test", false, "bytes after the quad are left over"},
        Case{"ann@#12", false, "no full stop after the @"},
        Case{"ann@mailserver", false, "no full stop after the @"},
        Case{"ann@[1.2.3]", false, "three octets"},
        Case{"ann@[1234.1.1.1]", false, "a fourth digit is not an octet's"},
        Case{"ann@[1.2.3.4567]", false, "fourth octet 456, then 7 where ] is due"},
        Case{"john-doe@mail.test", false, "hyphen is not an atom byte"},
        Case{"ann@b.test", false, "one-byte label"},
        Case{"ann@mail.x", false, "one-byte last label"},
        Case{"ann@mail.test.", false, "full stop with nothing after it"},
        Case{".ann@mail.test", false, "local part starts with a full stop"},
        Case{"ann.@mail.test", false, "local part ends with a full stop"},
        Case{"an..n@mail.test", false, "two full stops"},
        Case{"ann@mail..test", false, "two full stops in the domain"},
        Case{"ann@mail-.test", false, "label ends with a hyphen"},
        Case{"ann@-mail.test", false, "label starts with a hyphen"},
        Case{"ann@mail.test#7", false, "bytes left over after the last label"},
        Case{"ann@mail.test@web.test", false, "a second @ is left over"},
        Case{"@mail.test", false, "empty local part"}, Case{"ann@", false, "empty domain"},
        Case{"ann@.test", false, "domain starts with a full stop"}, Case{"", false, "empty"},
        Case{"@", false, "@ alone"}, Case{"ann", false, "no @"},
        Case{"jos\xE9@mail.test", false, "byte 0xE9 in the local part"},
        Case{"ann@m\xE9l.test", false, "byte 0xE9 in the domain"},
        Case{"ann@mail.test\xFF", false, "byte 0xFF at the end"},
        Case{"ann+list@mail.test", false, "+ is not an atom byte"},
        Case{"ann@ma_il.test", false, "no underscore in a label"},
        Case{"ann @mail.test", false, "space"},
        // Quoted strings and backslashes, which no scanner hands over.
        Case{"\"ann lee\"@mail.test", false, "space is not a quoted byte"},
        Case{"\"ann\"@mail.test", true, "quoted local part"},
        Case{"\"a@b\"@mail.test", true, "@ inside quotes"},
        Case{"\"a@b\"@mailserver", false, "no full stop after the first @, which is quoted"},
        Case{"ann.\"x\"@mail.test", true, "dot-atom fails at the quote; quoted string from there"},
        Case{"ann\"x\"@mail.test", false, "dot-atom ended before the quote; @ is due"},
        Case{"\"\"@mail.test", false, "a quoted string holds one item or more"},
        Case{"\"a\\\"b\"@mail.test", false, "an escaped quote is below 0x30"},
        Case{"\"a\\Zb\"@mail.test", true, "backslash and an escaped byte in quotes"},
        Case{"a\\Zb@mail.test", true, "backslash and an escaped byte in a word"},
        Case{"a\\ b@mail.test", false, "backslash before a space"},
        Case{"\\\"x\"@mail.test", true, "a failed escape keeps its backslash taken"},
        Case{"\\ \"x\"@mail.test", false, "the quoted string starts at the space"}));

TEST(CheckAddress, NeverThrowsAndNeverReadsOutsideTheCandidate) {
  // Arbitrary bytes, NUL included, from a fixed seed: every answer is just a boolean.
  std::mt19937 rng(20240611);
  TMailParser parser;
  const std::string alphabet = std::string("a1.-@#[]\"\\_ ", 12) + std::string(1, '\0') + "\xE9";
  for (int i = 0; i < 200000; ++i) {
    std::string s(rng() % 24, ' ');
    for (char& c : s) c = alphabet[rng() % alphabet.size()];
    (void)parser.CheckAddress(s);
  }
  // A NUL inside looks like the end marker to the grammar, but is not the end.
  EXPECT_FALSE(parser.CheckAddress(std::string("ann@mail.test\0", 14)));
  EXPECT_FALSE(parser.CheckAddress(std::string("ann@ma\0il.test", 14)));
}

TEST(CheckAddress, OneParserChecksCandidatesOneAfterTheOther) {
  TMailParser parser;
  EXPECT_FALSE(parser.CheckAddress("ann@mail.test."));
  EXPECT_TRUE(parser.CheckAddress("ann@mail.test"));
  EXPECT_FALSE(parser.CheckAddress("ann@b.test"));
  EXPECT_TRUE(parser.CheckAddress("b@ab.test"));
}

TEST(CheckAddress, AnswersForMegabyteCandidatesWithoutDeepRecursion) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  struct Big {
    std::string candidate;
    bool passes;
    const char* what;
  };
  std::string dotted;
  for (std::size_t i = 0; dotted.size() < kMiB; ++i) dotted += "a.";
  std::string labels;
  while (labels.size() < kMiB) labels += "ab.";
  const Big cases[] = {
      {std::string(kMiB, 'a') + "@mail.test", true, "a long word"},
      {dotted + "b@mail.test", true, "half a million full stops in the local part"},
      {dotted + "@mail.test", false, "ends with a full stop"},
      {"ann@" + labels + "test", true, "a third of a million labels"},
      {"ann@" + labels, false, "domain ends with a full stop"},
      {"ann@" + std::string(kMiB, 'm') + ".test", true, "a long label"},
      {"ann@" + std::string(kMiB, 'm') + "-.test", false, "a long label ending in a hyphen"},
      {"ann@#" + std::string(kMiB, '7') + ".ab", true, "# with a million digits"},
      {"ann@m" + std::string(kMiB, '-') + "l.test", true, "a million hyphens inside a label"},
      {std::string(8 * kMiB, '=') + "@x", false, "eight megabytes, no full stop after the @"},
  };
  TMailParser parser;
  for (const Big& b : cases) EXPECT_EQ(parser.CheckAddress(b.candidate), b.passes) << b.what;
}

}  // namespace
