// Taking addresses out of message headers: which messages are taken, which fields are
// read, how each entry of a list is cut into address and name, and in which order.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "oe5/UOEMessage.h"

using namespace tessaly;

namespace {

using Report = std::tuple<std::string, std::string, std::string>;  // tag, address, name

struct Parsed {
  bool accepted = false;
  std::vector<Report> reports;
};

Parsed Parse(const std::string& text, int ndx = 7) {
  TOEMessage oe;
  Parsed out;
  oe.onAddress = [&](void* sender, std::string_view email, std::string_view name, std::uint8_t kind,
                     int n) {
    EXPECT_EQ(sender, &oe);
    EXPECT_EQ(n, ndx);
    out.reports.emplace_back(std::string(FieldTagFor(kind)), std::string(email), std::string(name));
  };
  out.accepted = oe.ParseHeader(text, ndx);
  return out;
}

// A message as a mail store holds it: a Received line, the header lines, an empty line
// and a body.
std::string Message(const std::string& headerLines, const std::string& body = "Hello.\r\n") {
  return "Received: from mx.example.net by mail.example.org\r\n" + headerLines + "\r\n" + body;
}

std::string Show(const std::vector<Report>& reports) {
  std::string s;
  for (const auto& [tag, email, name] : reports) s += "(" + tag + ", " + email + ", " + name + ") ";
  return s;
}

struct HeaderCase {
  const char* what;
  std::string headerLines;
  bool accepted;
  std::vector<Report> reports;
};

const std::string A1 = "ann@one.example", A2 = "bob@two.example", A3 = "cy@three.example",
                  A4 = "dee@four.example", A5 = "eve@five.example";

}  // namespace

TEST(ParseHeader, TakesTheAddressesOfEveryHeaderCase) {
  const std::vector<HeaderCase> cases = {
      {"bare address", "To: " + A1 + "\r\n", true, {{"TO", A1, ""}}},
      {"name and angle address", "To: Ann Lee <" + A1 + ">\r\n", true, {{"TO", A1, "Ann Lee"}}},
      {"quoted name", "To: \"Ann Lee\" <" + A1 + ">\r\n", true, {{"TO", A1, "Ann Lee"}}},
      {"quoted name with a comma",
       "To: \"Sales, North\" <" + A1 + ">\r\n",
       true,
       {{"TO", A1, "Sales, North"}}},
      {"apostrophes inside the quotes",
       "To: \"'Ann Lee'\" <" + A1 + ">\r\n",
       true,
       {{"TO", A1, "Ann Lee"}}},
      {"comment after the address", "To: " + A1 + " (Ann Lee)\r\n", true, {{"TO", A1, "Ann Lee"}}},
      {"comment right after the address",
       "To: " + A1 + "(Ann Lee)\r\n",
       true,
       {{"TO", A1, "Ann Lee"}}},
      {"two addresses", "To: " + A1 + ", " + A2 + "\r\n", true, {{"TO", A2, ""}, {"TO", A1, ""}}},
      {"three without spaces",
       "To: " + A1 + "," + A2 + "," + A3 + "\r\n",
       true,
       {{"TO", A3, ""}, {"TO", A2, ""}, {"TO", A1, ""}}},
      {"continuation line",
       "To: " + A1 + ",\r\n\t" + A2 + "\r\n",
       true,
       {{"TO", A2, ""}, {"TO", A1, ""}}},
      {"no space after the colon",
       "To:" + A1 + ", " + A2 + "\r\n",
       true,
       {{"TO", A2, ""}, {"TO", A1, ""}}},
      {"square brackets", "To: [" + A1 + "]\r\n", true, {{"TO", A1, ""}}},
      {"a name alone", "To: Ann Lee\r\n", true, {}},
      {"undisclosed recipients", "To: undisclosed-recipients:;\r\n", true, {}},
      {"source route", "To: <@relay.example:" + A1 + ">\r\n", true, {}},
      {"Q-encoded name",
       "To: =?iso-8859-1?Q?Caf=E9_Bar?= <" + A1 + ">\r\n",
       true,
       {{"TO", A1, "Caf\xE9 Bar"}}},
      {"Bcc alone", "Bcc: " + A1 + "\r\n", false, {}},
      {"From and Cc", "From: " + A1 + "\r\nCc: " + A2 + "\r\n", false, {}},
      {"From and Bcc",
       "From: " + A1 + "\r\nBcc: " + A2 + "\r\n",
       true,
       {{"FROM", A1, ""}, {"BCC", A2, ""}}},
      {"field names in capitals",
       "TO: " + A1 + "\r\nCC: " + A2 + "\r\n",
       true,
       {{"CC", A2, ""}, {"TO", A1, ""}}},
      {"Reply-To is no To", "Reply-To: " + A1 + "\r\nFrom: " + A2 + "\r\n", false, {}},
      {"empty value continues on the next line",
       "To:\r\nSubject: write to " + A2 + "\r\n",
       true,
       {{"TO", A2, "Subject: write to"}}},
      {"every field, fields in their order",
       "From: " + A1 + "\r\nSender: " + A2 + "\r\nCc: " + A3 + "\r\nTo: " + A4 + "\r\nBcc: " + A5 +
           "\r\n",
       true,
       {{"FROM", A1, ""}, {"SENDER", A2, ""}, {"CC", A3, ""}, {"TO", A4, ""}, {"BCC", A5, ""}}},
  };
  for (const HeaderCase& c : cases) {
    const Parsed p = Parse(Message(c.headerLines));
    EXPECT_EQ(p.accepted, c.accepted) << c.what;
    EXPECT_EQ(p.reports, c.reports) << c.what << ": got " << Show(p.reports);
  }
}

TEST(ParseHeader, ReadsFromAtTheVeryStartOnlyWhenNoFromLineFollowsAnywhere) {
  const std::string start = "From: " + A1 + "\r\nTo: " + A2 + "\r\n\r\n";
  EXPECT_EQ(Parse(start + "Hello.\r\n").reports,
            (std::vector<Report>{{"FROM", A1, ""}, {"TO", A2, ""}}));
  // A From line in the body hides the first line and is itself no header field.
  EXPECT_EQ(Parse(start + "Quoted:\r\nFrom: " + A3 + "\r\n").reports,
            (std::vector<Report>{{"TO", A2, ""}}));
  // The same goes for a second From line in the header: the first occurrence is read.
  EXPECT_EQ(
      Parse("Received: x\r\nFrom: " + A1 + "\r\nTo: " + A2 + "\r\nFrom: " + A3 + "\r\n\r\nbody")
          .reports,
      (std::vector<Report>{{"FROM", A1, ""}, {"TO", A2, ""}}));
}

TEST(ParseHeader, FieldsThatFirstOccurInTheBodyAreNotRead) {
  const Parsed p = Parse(Message("From: " + A1 + "\r\n", "Hi\r\nTo: " + A2 + "\r\n"));
  EXPECT_FALSE(p.accepted);
  EXPECT_TRUE(p.reports.empty());
  EXPECT_FALSE(Parse("To: " + A1 + "\r\nno empty line\r\n").accepted);
  EXPECT_FALSE(Parse("").accepted);
}

TEST(ParseHeader, AListEndingWithACommaContinuesIntoTheBody) {
  EXPECT_EQ(Parse(Message("To: " + A1 + ",\r\n", A2 + "\r\nThanks.\r\n")).reports,
            (std::vector<Report>{{"TO", A2, ""}, {"TO", A1, ""}}));
}

TEST(ParseHeader, CommentsCommasAndUnclosedParts) {
  const std::vector<HeaderCase> cases = {
      // With no ")" the entry stays as its address was taken, comment text included.
      {"unclosed comment", "To: " + A1 + " (Ann\r\n", true, {{"TO", A1 + " (Ann", ""}}},
      // A comment may close on a later line; the name then spans the lines.
      {"comment closing on the next line",
       "To: " + A1 + " (Ann\r\n\tLee)\r\n",
       true,
       {{"TO", A1, "Ann\r\n\tLee"}}},
      // The comment of a comma-ended entry names that entry; every entry once.
      {"comments on comma-ended entries",
       "To: " + A1 + " (Ann), " + A2 + " (Bob)\r\n",
       true,
       {{"TO", A2, "Bob"}, {"TO", A1, "Ann"}}},
      {"comma inside a comment",
       "To: " + A1 + " (Lee, Ann), " + A2 + "\r\n",
       true,
       {{"TO", A2, ""}, {"TO", A1, "Lee, Ann"}}},
      {"comma inside the last comment",
       "To: " + A2 + ", " + A1 + " (Lee, Ann)\r\n",
       true,
       {{"TO", A1, "Lee, Ann"}, {"TO", A2, ""}}},
      {"quoted name keeps over a comment",
       "To: \"Ann\" <" + A1 + "> (work), " + A2 + "\r\n",
       true,
       {{"TO", A2, ""}, {"TO", A1, "Ann"}}},
      {"unclosed quote", "To: \"Ann <" + A1 + ">\r\n", true, {}},
      {"a line without @ in the middle",
       "To: " + A1 + ",\r\n\tAnn Lee,\r\n\t" + A2 + "\r\n",
       true,
       {{"TO", A2, ""}, {"TO", A1, ""}}},
      {"one apostrophe alone as the name", "To: \"'\" <" + A1 + ">\r\n", true, {{"TO", A1, ""}}},
  };
  for (const HeaderCase& c : cases) {
    const Parsed p = Parse(Message(c.headerLines));
    EXPECT_EQ(p.accepted, c.accepted) << c.what;
    EXPECT_EQ(p.reports, c.reports) << c.what << ": got " << Show(p.reports);
  }
}

TEST(ParseHeader, AFailingHandlerCostsOnlyThatAddress) {
  TOEMessage oe;
  std::vector<std::string> seen;
  oe.onAddress = [&](void*, std::string_view email, std::string_view, std::uint8_t, int) {
    seen.emplace_back(email);
    if (email == A2) throw std::runtime_error("table full");
  };
  EXPECT_TRUE(
      oe.ParseHeader(Message("From: " + A4 + "\r\nTo: " + A1 + ", " + A2 + ", " + A3 + "\r\n"), 1));
  EXPECT_EQ(seen, (std::vector<std::string>{A4, A3, A2, A1}));
}

TEST(ParseHeader, ReadsAHundredThousandEntriesOnOneLineAndOnContinuationLines) {
  constexpr int kEntries = 100000;
  for (const std::string separator : {", ", ",\r\n\t"}) {
    std::string list;
    for (int i = 0; i < kEntries; ++i) {
      if (i) list += separator;
      list += "u" + std::to_string(i) + "@example.org";
    }
    TOEMessage oe;
    int count = 0;
    std::string first, last;
    oe.onAddress = [&](void*, std::string_view email, std::string_view, std::uint8_t, int) {
      if (count++ == 0) first = email;
      last = email;
    };
    EXPECT_TRUE(oe.ParseHeader(Message("To: " + list + "\r\n"), 1));
    EXPECT_EQ(count, kEntries);
    EXPECT_EQ(first, "u99999@example.org");  // last to first
    EXPECT_EQ(last, "u0@example.org");
  }
}

TEST(DecodeEncodedWord, DecodesOneQWordAndPassesEverythingElseThrough) {
  struct Case {
    const char* in;
    const char* out;
  };
  for (const Case& c : {
           Case{"Ann Lee", "Ann Lee"},
           Case{"=?iso-8859-1?Q?Caf=E9_Bar?=", "Caf\xE9 Bar"},
           Case{"=?x?q?a_b?= Lee", "a b Lee"},
           // The encoding letter is not looked at: a B word keeps its text, less one "=".
           Case{"=?utf-8?B?QW5uIExlZQ==?=", "QW5uIExlZQ="},
           // Only the first of two encoded words is decoded.
           Case{"=?iso-8859-1?Q?Caf=E9?= =?iso-8859-1?Q?Bar=E9?=",
                "Caf\xE9 =?iso-8859-1?Q?Bar=E9?="},
           // Without an encoded word, "=" and hex digits are decoded all the same.
           Case{"a=41b", "aAb"},
           Case{"x=4", "x\x04"},
           Case{"x=", "x"},
           Case{"==41", "=41"},
           // Underscores count only from the first "=" on.
           Case{"a_b", "a_b"},
           Case{"a_b=41_c", "a_bA c"},
       }) {
    EXPECT_EQ(DecodeEncodedWord(c.in), c.out) << c.in;
  }
}

TEST(CleanAddress, RemovesBracketsAndQuotesAndRefusesASourceRoute) {
  struct Case {
    const char* in;
    const char* out;
  };
  for (const Case& c : {Case{"  <ann@x.org>  ", "ann@x.org"}, Case{"\"ann@x.org\"", "ann@x.org"},
                        Case{"'ann@x.org'", "ann@x.org"}, Case{"[ann@x.org]", "ann@x.org"},
                        Case{"< ann@x.org >", "ann@x.org"}, Case{"<@relay:ann@x.org>", ""},
                        Case{"@x.org", ""}, Case{"", ""}, Case{" \t ", ""}}) {
    EXPECT_EQ(CleanAddress(c.in), c.out) << c.in;
  }
}
