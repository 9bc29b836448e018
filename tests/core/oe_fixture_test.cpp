// Real folder files: what our block scan finds against what undbx extracts through the
// file's index.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "oe5/UOEMessage.h"
#include "test_support.h"
#include "undbx_support.h"

using namespace tessaly;

namespace {

using Address = std::tuple<std::string, std::string, std::string>;  // tag, address, name

struct Harvest {
  std::vector<std::string> texts;  // accepted messages
  std::set<Address> addresses;
};

Harvest HarvestFile(const std::string& path) {
  TOEMessage oe;
  Harvest h;
  oe.onAddress = [&](void*, std::string_view e, std::string_view n, std::uint8_t k, int) {
    h.addresses.emplace(FieldTagFor(k), e, n);
  };
  oe.OnGetMessage = [&](std::string_view text, int) { h.texts.emplace_back(text); };
  EXPECT_TRUE(oe.ReadFolderFile(path)) << path;
  return h;
}

std::set<Address> AddressesOf(const std::vector<std::string>& texts) {
  std::set<Address> out;
  TOEMessage oe;
  oe.onAddress = [&](void*, std::string_view e, std::string_view n, std::uint8_t k, int) {
    out.emplace(FieldTagFor(k), e, n);
  };
  for (const std::string& t : texts) oe.ParseHeader(t, 1);
  return out;
}

struct FixtureCase {
  const char* file;
  std::size_t undbxMessages;   // what undbx extracts through the index
  std::size_t ourMessages;     // what our scan accepts
  std::set<Address> onlyOurs;  // addresses only the extra candidates hold
  Address known;               // one address the file is known to hold
};

}  // namespace

TEST(RealFolderFiles, EveryMessageUndbxExtractsIsReadWithTheSameAddresses) {
  const std::string folder = test::FixtureFolder();
  if (folder.empty())
    GTEST_SKIP()
        << "no real folder files: neither $TESSALY_FIXTURES/dbx nor ../shared/fixtures/dbx exists";
  if (!test::HaveUndbx()) GTEST_SKIP() << "undbx is not installed (scripts/install-deps)";

  const std::vector<FixtureCase> cases = {
      // A forwarded message carries another message whole; block boundaries cut four of
      // that inner header's lines so that each passes the start test and reaches its From
      // and To (the To of that inner header has no "@" in its angle brackets).
      {"oe6_xp_28_messages.dbx",
       28,
       32,
       {{"FROM", "no-reply@sgmail01.github.com", "GitHub"},
        {"TO", "NEVES", "MARCUS VINICIUS DE OLIVEIRA"}},
       {"CC", "marcusvoneves@gmail.com", "marcus"}},
      // The stale copy's first word is not its own offset, so neither reader takes it;
      // a header line cut at a block boundary ("ject: ...") repeats the To address.
      {"one_live_one_stale.dbx",
       1,
       2,
       {},
       {"FROM", "off_1@webstation.com", "Wealth_Enterprises_2002"}},
      {"one_message.dbx", 1, 1, {}, {"TO", "noreply@freshmeat.net", ""}},
  };
  for (const FixtureCase& c : cases) {
    const std::string path = folder + "/" + c.file;
    test::ScratchDir out;
    const std::vector<std::string> theirs = test::UndbxMessages(path, out.path);
    ASSERT_EQ(theirs.size(), c.undbxMessages) << c.file;

    const Harvest ours = HarvestFile(path);
    // Every message of the index is found by the scan, byte for byte.
    const std::multiset<std::string> ourTexts(ours.texts.begin(), ours.texts.end());
    for (const std::string& t : theirs) EXPECT_EQ(ourTexts.count(t), 1u) << c.file;
    // The scan also accepts header lines cut at a block boundary, which read the rest of
    // that header again.
    EXPECT_EQ(ours.texts.size(), c.ourMessages) << c.file;
    std::set<Address> expected = AddressesOf(theirs);
    expected.insert(c.onlyOurs.begin(), c.onlyOurs.end());
    EXPECT_EQ(ours.addresses, expected) << c.file;
    EXPECT_EQ(ours.addresses.count(c.known), 1u) << c.file;
  }
}
