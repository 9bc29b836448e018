// The benchmark's folder-file generator must stay faithful to the real layout: undbx,
// which reads through the file's header and index tree, extracts exactly the messages
// written, and our block scan reads every one of them too.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "../../bench/DbxWriter.h"
#include "../../bench/MailCorpus.h"
#include "oe5/UOEMessage.h"
#include "test_support.h"
#include "undbx_support.h"

using namespace tessaly;

TEST(FolderFileGenerator, WritesAFileUndbxExtractsMessageForMessage) {
  if (!test::HaveUndbx()) GTEST_SKIP() << "undbx is not installed (scripts/install-deps)";
  test::ScratchDir dir;
  const std::string path = dir.path + "/Generated.dbx";

  // Enough messages for a tree of two levels (a node holds 51), with the block address
  // kept in the record's data for every other message.
  std::vector<std::string> written;
  {
    bench::TDbxWriter writer(path);
    bench::TMailCorpus corpus(7);
    for (int i = 0; i < 140; ++i) {
      auto mail = corpus.Next();
      mail.info.indirect = i % 2 == 1;
      writer.AddMessage(mail.text, mail.info);
      written.push_back(std::move(mail.text));
    }
    writer.Finish();
  }
  std::sort(written.begin(), written.end());

  test::ScratchDir out;
  EXPECT_EQ(test::UndbxMessages(path, out.path), written);

  TOEMessage oe;
  std::multiset<std::string> read;
  oe.OnGetMessage = [&](std::string_view text, int) { read.emplace(text); };
  ASSERT_TRUE(oe.ReadFolderFile(path));
  for (const std::string& text : written) EXPECT_EQ(read.count(text), 1u);
}
