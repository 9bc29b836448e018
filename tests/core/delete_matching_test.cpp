// Delete by pattern over a real address table: one pass in id order, deleting in place,
// with progress, Stop, and the table's browsing state restored however the walk ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Shared/AddressList.h"
#include "harvest/EventPump.h"
#include "list/DeleteMatching.h"
#include "list/WildMatcher.h"
#include "test_support.h"

using namespace tessaly;

namespace {

class DeleteMatchingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(list.CreateAddressTable(dir.path, "intl.dat"));
    table().Open();
    table().SetIndexName("ndxemail");
  }
  void TearDown() override { InstallEventPump({}); }

  TDBISAMTableVantor& table() { return *list.Table(); }

  void Add(std::initializer_list<const char*> emails) {
    for (const char* e : emails) list.AddScannedAddress(e);
    table().Commit();
  }

  // id:Email of every record, in id order.
  std::vector<std::string> Left() {
    std::vector<std::string> rows;
    TRecordScan scan(table());
    while (scan.Next()) rows.push_back(std::to_string(scan.id()) + ":" + std::string(scan.Email()));
    return rows;
  }

  test::ScratchDir dir;
  TAddressList list{[] { return true; }};
};

}  // namespace

TEST_F(DeleteMatchingTest, DeletesEveryMatchInOnePassAndRestoresTheEmailOrder) {
  Add({"zed@bogus.test", "ann@example.test", "BOGUS@x.test", "bob@example.test", "x@nobogu.test"});
  std::vector<std::uint64_t> positions;
  std::uint64_t total = 0;
  THarvestEvents events;
  events.OnFileSize = [&](std::uint64_t size) { total = size; };
  events.OnProgressBar = [&](std::uint64_t pos, bool&) { positions.push_back(pos); };

  EXPECT_EQ(DeleteMatching(table(), "*bogus*", events), 2);

  table().SetIndexName("");
  EXPECT_EQ(Left(), (std::vector<std::string>{"2:ann@example.test", "4:bob@example.test",
                                              "5:x@nobogu.test"}));
  EXPECT_EQ(total, 5u);
  EXPECT_EQ(positions, (std::vector<std::uint64_t>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(table().RecordCount(), 3);
  EXPECT_FALSE(table().ControlsDisabled());

  // The deletion leaves the index that was active, so the list keeps its e-mail order.
  table().SetIndexName("ndxemail");
  EXPECT_EQ(DeleteMatching(table(), "nobody", {}), 0);
  EXPECT_EQ(table().IndexName(), "ndxemail");
  std::vector<std::string> order;
  for (table().First(); !table().Eof(); table().Next()) order.push_back(table().Current().Email);
  EXPECT_EQ(order,
            (std::vector<std::string>{"ann@example.test", "bob@example.test", "x@nobogu.test"}));
}

TEST_F(DeleteMatchingTest, StopEndsTheWalkAfterTheCurrentRecordAndKeepsTheRest) {
  // Id order and e-mail order differ, so a walk in the wrong order shows.
  Add({"e5@x.test", "e3@x.test", "e1@x.test", "e4@x.test", "e2@x.test"});
  THarvestEvents events;
  // Stop is answered while the second record is being handled.
  events.OnProgressBar = [](std::uint64_t examined, bool& abort) { abort = examined >= 2; };

  EXPECT_EQ(DeleteMatching(table(), "*", events), 2);
  table().SetIndexName("");
  EXPECT_EQ(Left(), (std::vector<std::string>{"3:e1@x.test", "4:e4@x.test", "5:e2@x.test"}));
}

TEST_F(DeleteMatchingTest, YieldsBetweenRecordsAndTheWindowMayReadTheTableMeanwhile) {
  for (int i = 0; i < 200; ++i)
    list.AddScannedAddress((i % 3 == 0 ? "bogus" : "good") + std::to_string(i) + "@x.test");
  table().Commit();
  // What a repaint or a status update does while the walk lets the window work.
  long passes = 0;
  std::int64_t seen = 0;
  InstallEventPump([&] {
    ++passes;
    seen = table().RecordCount();
    TAddressRecord r;
    table().ReadById(2, r);
  });
  const unsigned long before = EventPumpPasses();
  EXPECT_EQ(DeleteMatching(table(), "BOGUS*", {}), 67);
  EXPECT_GT(EventPumpPasses(), before);
  EXPECT_GT(passes, 0);
  EXPECT_LE(seen, 200);
  EXPECT_EQ(table().RecordCount(), 133);
}

TEST_F(DeleteMatchingTest, AFailureDuringTheWalkEndsItAndKeepsWhatWasDeleted) {
  Add({"a@x.test", "b@x.test", "c@x.test"});
  THarvestEvents events;
  events.OnProgressBar = [](std::uint64_t examined, bool&) {
    if (examined == 2) throw std::runtime_error("the window failed");
  };
  EXPECT_THROW(DeleteMatching(table(), "*", events), std::runtime_error);
  table().SetIndexName("");
  EXPECT_EQ(Left(), (std::vector<std::string>{"2:b@x.test", "3:c@x.test"}));
  EXPECT_FALSE(table().ControlsDisabled());
}

TEST_F(DeleteMatchingTest, ARefusedPatternDeletesNothingAndRestoresTheBrowsingState) {
  Add({"a@x.test", "b@x.test"});
  EXPECT_THROW(DeleteMatching(table(), std::string(128, '*'), {}), EWildCard);
  EXPECT_EQ(table().RecordCount(), 2);
  EXPECT_EQ(table().IndexName(), "ndxemail");
  EXPECT_FALSE(table().ControlsDisabled());
  // 127 characters are taken.
  EXPECT_EQ(DeleteMatching(table(), std::string(126, '*') + "a", {}), 0);
  EXPECT_EQ(DeleteMatching(table(), std::string(126, '*') + "t", {}), 2);
}
