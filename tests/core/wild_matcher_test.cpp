// The wildcard matcher of Delete Emails, against a table of cases and against an obviously
// correct recursive matcher over every short pattern and text.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "list/WildMatcher.h"

using namespace tessaly;

namespace {

// The full search: try every split a star allows. Letter case is ignored as the deletion
// does it: ASCII letters only.
bool Reference(std::string_view p, std::string_view t) {
  auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  if (p.empty()) return t.empty();
  if (p[0] == '*') {
    for (std::size_t k = 0; k <= t.size(); ++k)
      if (Reference(p.substr(1), t.substr(k))) return true;
    return false;
  }
  if (t.empty()) return false;
  if (p[0] != '?' && up(p[0]) != up(t[0])) return false;
  return Reference(p.substr(1), t.substr(1));
}

struct Case {
  std::string pattern;
  std::string text;
  bool matches;
  // A row whose answer comes from remembering only the last star, and which a full search
  // would answer otherwise, says so here. With only "*" and "?", retrying from the last star
  // finds every match a full search finds, so no row needs it.
  bool singleBacktrackOnly = false;
};

const Case kCases[] = {
    // "*" alone takes everything, the empty text included.
    {"*", "", true},
    {"*", "anyone@anywhere.test", true},
    // Prefix patterns, in any letter case, the bare prefix included.
    {"me@*", "me@", true},
    {"me@*", "ME@Example.Test", true},
    {"me@*", "mex@example.test", false},
    {"me@*", "ame@example.test", false},
    // A word anywhere.
    {"*bogus*", "bogus", true},
    {"*bogus*", "x.BoGuS-y@example.test", true},
    {"*bogus*", "bogu@s.test", false},
    // "?" is exactly one character, never the end of the text.
    {"a?c", "abc", true},
    {"a?c", "ABC", true},
    {"a?c", "ac", false},
    {"a?c", "abbc", false},
    {"a?", "a", false},
    {"a?", "ab", true},
    {"?", "", false},
    {"*?", "", false},
    {"*?", "x", true},
    // Runs of stars are one star.
    {"**x", "x", true},
    {"**x", "abx", true},
    {"**x", "xa", false},
    {"a***b", "ab", true},
    {"*?*", "a", true},
    // Retrying after the last star.
    {"*ab", "aab", true},
    {"*@*.test", "me@mail.example.test", true},
    {"*.test", "a.testx", false},
    {"a*b*c", "abcbc", true},
    {"a*b*c", "acb", false},
    {"*a*b", "xxaxxbxb", true},
    {"*a*a*a", "aa", false},
    // No escapes: brackets and backslashes stand for themselves.
    {"[a]*", "[A]@x", true},
    {"[a]*", "a@x", false},
    {"a\\b", "A\\B", true},
    // The byte 0xFF is an ordinary byte on both sides; it never ends the text or the pattern.
    {"a\xFF"
     "b",
     "a", false},
    {"a\xFF"
     "b",
     "A\xFF"
     "B",
     true},
    {"a", "a\xFF", false},
    {"ab", "ab\xFF", false},
    {"a?", "a\xFF", true},
    {"*\xFF", "x\xFF", true},
    {"\xFF", "", false},
    {"*\xFF*", "abc", false},
};

}  // namespace

TEST(TWildMatcher, AnswersEveryCaseOfTheTableAsAFullSearchDoes) {
  for (const Case& c : kCases) {
    const TWildMatcher matcher(c.pattern, false, '*', '?');
    EXPECT_EQ(matcher.Matches(c.text), c.matches) << "'" << c.pattern << "' on '" << c.text << "'";
    if (!c.singleBacktrackOnly) {
      EXPECT_EQ(Reference(c.pattern, c.text), c.matches) << "reference: '" << c.pattern << "'";
    }
  }
}

TEST(TWildMatcher, AgreesWithTheFullSearchOnEveryShortPatternAndText) {
  // Every pattern up to five characters over five symbols against every text up to five
  // characters over four: stars, ones, letters in both cases and the byte 0xFF.
  const std::string patternSymbols = "aB*?\xFF";
  const std::string textSymbols = "abA\xFF";
  std::vector<std::string> patterns{""}, texts{""};
  std::function<void(std::vector<std::string>&, const std::string&, std::string, int)> grow =
      [&](std::vector<std::string>& out, const std::string& symbols, std::string prefix, int left) {
        if (left == 0) return;
        for (char s : symbols) {
          out.push_back(prefix + s);
          grow(out, symbols, prefix + s, left - 1);
        }
      };
  grow(patterns, patternSymbols, "", 5);
  grow(texts, textSymbols, "", 5);

  long compared = 0, differing = 0;
  for (const std::string& p : patterns) {
    const TWildMatcher matcher(p, false, '*', '?');
    for (const std::string& t : texts) {
      ++compared;
      if (matcher.Matches(t) != Reference(p, t)) {
        if (++differing <= 5) ADD_FAILURE() << "'" << p << "' on '" << t << "'";
      }
    }
  }
  EXPECT_EQ(differing, 0) << "of " << compared;
  EXPECT_GT(compared, 5'000'000);
}

TEST(TWildMatcher, TakesPatternsOfUpTo127CharactersAndRefuses128KeepingTheOldMask) {
  const std::string longest(127, 'a');
  TWildMatcher matcher(longest, false, '*', '?');
  EXPECT_TRUE(matcher.Matches(std::string(127, 'A')));
  EXPECT_FALSE(matcher.Matches(std::string(126, 'a')));

  try {
    matcher.SetMask(std::string(128, 'b'));
    FAIL() << "a 128-character mask was taken";
  } catch (const EWildCard& e) {
    EXPECT_STREQ(e.what(), "Mask length too long");
  }
  EXPECT_TRUE(matcher.Matches(longest));
  // The limit counts what was given, before runs of stars shrink.
  EXPECT_THROW(TWildMatcher(std::string(128, '*'), false, '*', '?'), EWildCard);
  EXPECT_THROW(TWildMatcher(std::string(300, 'a'), false, '*', '?'), EWildCard);
}

TEST(TWildMatcher, RefusesEqualMetacharacters) {
  for (auto make : std::vector<std::function<void()>>{
           [] { TWildMatcher("x", false, '*', '*'); },
           [] { TWildMatcher().SetAnyChar('?'); },
           [] { TWildMatcher().SetOneChar('*'); },
       }) {
    try {
      make();
      ADD_FAILURE() << "accepted AnyChar = OneChar";
    } catch (const EWildCard& e) {
      EXPECT_STREQ(e.what(), "AnyChar = OneChar");
    }
  }
}

TEST(TWildMatcher, CountsLetterCaseOnlyWhenAskedAndHonoursAModeChangeForTheSameMask) {
  TWildMatcher matcher("Me@*", true, '*', '?');
  EXPECT_TRUE(matcher.Matches("Me@x"));
  EXPECT_FALSE(matcher.Matches("me@x"));
  EXPECT_EQ(matcher.Mask(), "Me@*");

  // The same text again, now with case ignored: it must be normalised again.
  matcher.CaseSensitive = false;
  matcher.SetMask("Me@*");
  EXPECT_EQ(matcher.Mask(), "ME@*");
  EXPECT_TRUE(matcher.Matches("me@x"));

  // Other metacharacters: "%" and "_", with "*" and "?" plain characters.
  const TWildMatcher other("%a_c*", false, '%', '_');
  EXPECT_TRUE(other.Matches("xxabc*"));
  EXPECT_FALSE(other.Matches("xxabcd"));
}
