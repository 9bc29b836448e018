// The header lines of the Outlook fallback: From, To and Cc with their display names, line
// ends of every kind, folded fields, encoded words and groups.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "outlook/HeaderFallback.h"

using namespace tessaly;

namespace {

std::string Joined(const std::vector<mailbox::TAddressEntry>& entries) {
  std::string text;
  for (const auto& e : entries) text += "[" + e.address + "|" + e.name + "]";
  return text;
}

}  // namespace

TEST(OutlookHeaderLines, TakeFromToAndCcWithTheirNames) {
  struct Case {
    const char* what;
    std::string block;
    std::string from, to, cc;
  };
  const Case cases[] = {
      {"CR LF, folded To",
       "From: \"John Doe\" <pst-test-1@aranetic.com>\r\n"
       "To: \"John Doe\" <pst-test-1@aranetic.com>,\r\n\t\"Jane Doe\" <pst-test-2@aranetic.com>\r\n"
       "Cc: <pst-test-3@aranetic.com>,\r\n\t<pst-test-4@aranetic.com>\r\n"
       "Subject: Multiple recipients\r",
       "[pst-test-1@aranetic.com|John Doe]",
       "[pst-test-1@aranetic.com|John Doe][pst-test-2@aranetic.com|Jane Doe]",
       "[pst-test-3@aranetic.com|][pst-test-4@aranetic.com|]"},
      {"LF only, encoded words",
       "From: =?UTF-8?B?R3VpbGhlcm1lIEFuZHJlw7pjZQ==?= <g@x.test>\n"
       "To: =?iso-8859-1?Q?Guilherme_Andre=FAce?= <h@x.test>\n",
       "[g@x.test|Guilherme Andre\xC3\xBA"
       "ce]",
       "[h@x.test|Guilherme Andre\xC3\xBA"
       "ce]",
       ""},
      {"CR only", "From: a@x.test\rCc: b@x.test, c@x.test\r", "[a@x.test|]", "",
       "[b@x.test|][c@x.test|]"},
      {"a group lists its members", "To: Team: a@x.test, Bo <b@x.test>;\r\nCc: undisclosed:;\r\n",
       "[|]", "[a@x.test|][b@x.test|Bo]", ""},
      {"several senders: the first", "From: one@x.test, two@x.test\n", "[one@x.test|]", "", ""},
      {"no header lines at all", "Dear Ann, this is the first paragraph of a body.", "[|]", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    THeaderAddresses parsed;
    try {
      parsed = ParseHeaderAddresses(c.block);
    } catch (const mailbox::EMailbox&) {
      // A block that does not parse gives no addresses, as an empty result does.
    }
    EXPECT_EQ(Joined({parsed.from}), c.from);
    EXPECT_EQ(Joined(parsed.to), c.to);
    EXPECT_EQ(Joined(parsed.cc), c.cc);
  }
}
