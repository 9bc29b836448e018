// The address sink's rules, against a real table in a scratch folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Shared/AddressList.h"
#include "Shared/ListedMemo.h"
#include "harvest/Events.h"
#include "test_support.h"

using namespace tessaly;

namespace {

struct Row {
  int id;
  std::string email, name, field;
  bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
  return os << "{" << r.id << ", '" << r.email << "', '" << r.name << "', '" << r.field << "'}";
}

class AddressListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(list.CreateAddressTable(dir.path + "/data", "intl.dat"));
    list.Table()->Open();
    list.Table()->SetIndexName("ndxemail");
  }

  std::vector<Row> Rows(std::string_view index = "") {
    std::vector<Row> rows;
    auto* t = list.Table();
    t->SetIndexName(index);
    for (t->First(); !t->Eof(); t->Next()) {
      const auto& r = t->Current();
      rows.push_back({r.id, r.Email, r.Name, r.Field});
    }
    t->SetIndexName("ndxemail");
    return rows;
  }

  test::ScratchDir dir;
  bool duplicates = false;
  TAddressList list{[this] { return duplicates; }};
};

TEST_F(AddressListTest, RefusesAnAddressAlreadyListedInAnyLetterCaseAndTheFirstWins) {
  list.oeAddress(nullptr, "ann@example.test", "Ann", akFrom, 1);
  list.oeAddress(nullptr, "ANN@Example.TEST", "Other Ann", akCc, 2);
  list.AddScannedAddress("Ann@example.test");
  EXPECT_EQ(Rows(), (std::vector<Row>{{1, "ann@example.test", "Ann", "FROM"}}));
  EXPECT_EQ(list.idCounter, 1);
}

TEST_F(AddressListTest, KeepsEveryReportWhenDuplicatesAreAllowed) {
  duplicates = true;
  for (int i = 0; i < 3; ++i) list.oeAddress(nullptr, "bob@example.test", "", akTo, i);
  EXPECT_EQ(Rows(), (std::vector<Row>{{1, "bob@example.test", "", "TO"},
                                      {2, "bob@example.test", "", "TO"},
                                      {3, "bob@example.test", "", "TO"}}));
}

TEST_F(AddressListTest, ReadsTheDuplicatesPolicyAtEveryReport) {
  list.oeAddress(nullptr, "c@x.test", "", akTo, 1);
  list.oeAddress(nullptr, "c@x.test", "", akTo, 2);
  duplicates = true;  // the toggle changed during the run
  list.oeAddress(nullptr, "c@x.test", "", akTo, 3);
  EXPECT_EQ(Rows().size(), 2u);
}

TEST_F(AddressListTest, IgnoresBlankReportsWithoutUsingAnId) {
  list.oeAddress(nullptr, "", "Nobody", akFrom, 1);
  list.oeAddress(nullptr, " \t\r\n\x01 ", "Nobody", akFrom, 1);
  list.oeAddress(nullptr, "  d@x.test ", "Dee", akFrom, 2);
  // Stored as reported: the blanks around a real address stay.
  EXPECT_EQ(Rows(), (std::vector<Row>{{1, "  d@x.test ", "Dee", "FROM"}}));
}

TEST_F(AddressListTest, StoresTheTagWordOfEachKindAndNothingForAnUnknownKind) {
  duplicates = true;
  const std::vector<std::string> tags = {"FROM", "TO", "SENDER", "CC", "BCC", "BODY", "", ""};
  for (std::uint8_t kind = 0; kind < tags.size(); ++kind)
    list.oeAddress(nullptr, "k@x.test", "", kind == 7 ? 255 : kind, 0);
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), tags.size());
  for (std::size_t i = 0; i < tags.size(); ++i) EXPECT_EQ(rows[i].field, tags[i]) << i;
}

TEST_F(AddressListTest, CutsTextsToTheirWidthInBytesAndProbesWithTheCutKey) {
  const std::string longAddress = std::string(90, 'a') + "@example.test";  // 103 bytes
  const std::string longName(100, 'N');
  list.oeAddress(nullptr, longAddress, longName, akFrom, 1);
  // Same first 80 bytes, different tail, other letter case: a duplicate of the cut key.
  list.oeAddress(nullptr, std::string(80, 'A') + "-different", "", akTo, 2);
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].email, longAddress.substr(0, 80));
  EXPECT_EQ(rows[0].name, longName.substr(0, 80));
}

TEST_F(AddressListTest, KeepsBytesAsTheyCameWithoutCharacterSetConversion) {
  const std::string latin1 = "j\xF6rg@m\xFCller.test";   // not valid UTF-8
  const std::string name = "J\xF6rg \xFF\xFE";
  list.oeAddress(nullptr, latin1, name, akFrom, 1);
  // An 80-byte cut that splits a multi-byte sequence is kept as the bytes it is.
  const std::string utf8 = std::string(79, 'x') + "\xC3\xA9@x.test";
  list.oeAddress(nullptr, utf8, "", akTo, 2);
  const auto rows = Rows("");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].email, latin1);
  EXPECT_EQ(rows[0].name, name);
  EXPECT_EQ(rows[1].email, std::string(79, 'x') + "\xC3");
}

TEST_F(AddressListTest, ScannedAddressesHaveNoNameAndNoField) {
  list.AddScannedAddress("s@x.test");
  EXPECT_EQ(Rows(), (std::vector<Row>{{1, "s@x.test", "", ""}}));
}

TEST_F(AddressListTest, AFailingAppendIsCancelledItsIdSkippedAndTheRunGoesOn) {
  list.oeAddress(nullptr, "one@x.test", "", akFrom, 1);
  list.oeAddress(nullptr, "two@x.test", "", akFrom, 2);
  // The counter is set back, so the next append collides with id 1 and fails.
  list.idCounter = 0;
  list.oeAddress(nullptr, "lost@x.test", "", akFrom, 3);
  EXPECT_EQ(list.idCounter, 1);
  EXPECT_FALSE(list.Table()->Appending());
  list.idCounter = 2;
  list.oeAddress(nullptr, "three@x.test", "", akFrom, 4);
  EXPECT_EQ(Rows(""), (std::vector<Row>{{1, "one@x.test", "", "FROM"},
                                        {2, "two@x.test", "", "FROM"},
                                        {3, "three@x.test", "", "FROM"}}));
}

TEST_F(AddressListTest, TheEmailIndexKeepsAddressOrderIgnoringCase) {
  for (const char* a : {"zed@x.test", "Bob@x.test", "alice@x.test", "bob2@x.test"})
    list.AddScannedAddress(a);
  std::vector<std::string> emails;
  for (const auto& r : Rows("ndxemail")) emails.push_back(r.email);
  EXPECT_EQ(emails, (std::vector<std::string>{"alice@x.test", "bob2@x.test", "Bob@x.test",
                                              "zed@x.test"}));
}

TEST_F(AddressListTest, ReportsWithoutAnOpenTableAreDroppedQuietly) {
  list.Table()->Close();
  list.oeAddress(nullptr, "x@x.test", "", akFrom, 1);
  EXPECT_EQ(list.idCounter, 0);
}

TEST(CreateAddressTable, ReplacesTheOldTableAndMakesMissingFolders) {
  test::ScratchDir dir;
  TAddressList list([] { return false; });
  const std::string folder = dir.path + "/a/b/c";
  ASSERT_TRUE(list.CreateAddressTable(folder, "intl.dat"));
  list.Table()->Open();
  list.Table()->SetIndexName("ndxemail");
  list.AddScannedAddress("kept@x.test");
  list.Table()->Close();
  int released = 0;
  list.onTableReleased = [&] { ++released; };
  ASSERT_TRUE(list.CreateAddressTable(folder, "intl.dat"));
  EXPECT_EQ(released, 1);
  list.Table()->Open();
  EXPECT_TRUE(list.Table()->IsEmpty());
}

TEST(CreateAddressTable, FailsWhenTheFolderCannotBeMadeAndKeepsTheCurrentTable) {
  test::ScratchDir dir;
  TAddressList list([] { return false; });
  ASSERT_TRUE(list.CreateAddressTable(dir.path, "intl.dat"));
  auto* before = list.Table();
  test::WriteFile(dir.path + "/plain", "x");
  EXPECT_FALSE(list.CreateAddressTable(dir.path + "/plain/sub", "intl.dat"));
  EXPECT_EQ(list.Table(), before);
}

TEST(CreateAddressTable, RefusesAFolderThatAnotherCopyIsUsing) {
  test::ScratchDir dir;
  TAddressList first([] { return false; });
  ASSERT_TRUE(first.CreateAddressTable(dir.path, "intl.dat"));
  first.Table()->Open();
  first.Table()->SetIndexName("ndxemail");
  first.AddScannedAddress("mine@x.test");
  first.Table()->Commit();

  // A second copy in another process must not re-create the table under the first.
  const int status = test::InChildProcess([&] {
    TAddressList second([] { return false; });
    return second.CreateAddressTable(dir.path, "intl.dat") ? 1 : 0;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(first.Table()->RecordCount(), 1);
}

}  // namespace

namespace {

TEST_F(AddressListTest, AnAddressDeletedFromTheListIsTakenAgainWhenItComesBack) {
  list.AddScannedAddress("again@mail.test");
  list.AddScannedAddress("AGAIN@mail.test");  // refused, and now remembered as listed
  auto* t = list.Table();
  t->SetIndexName("");
  t->First();
  t->Delete();
  t->SetIndexName("ndxemail");
  list.AddScannedAddress("Again@Mail.test");
  EXPECT_EQ(Rows(), (std::vector<Row>{{2, "Again@Mail.test", "", ""}}));
}

TEST(ListedMemo, AnswersListedOnlyForKeysItTookAsTheIndexComparesThem) {
  TListedMemo memo;
  const std::string longKey = std::string(80, 'q') + "@tail.test";
  memo.Insert("ann@mail.test");
  memo.Insert("J\xF6RG@mail.test");
  memo.Insert(longKey);
  for (int i = 0; i < 100000; ++i) memo.Insert("filler" + std::to_string(i) + "@x.test");
  EXPECT_TRUE(memo.Contains("ANN@MAIL.TEST"));
  EXPECT_TRUE(memo.Contains("j\xF6rg@MAIL.test"));
  EXPECT_FALSE(memo.Contains("j\xD6rg@mail.test"));  // only ASCII letters fold
  EXPECT_TRUE(memo.Contains(std::string(80, 'Q') + "-other"));  // the same cut key
  EXPECT_FALSE(memo.Contains("ann@mail.tes"));
  EXPECT_FALSE(memo.Contains("filler100000@x.test"));
  EXPECT_TRUE(memo.Contains("FILLER99999@x.test"));
  memo.Clear();
  EXPECT_FALSE(memo.Contains("ann@mail.test"));
}

}  // namespace
