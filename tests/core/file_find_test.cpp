// The Folder source's listing: every entry of one folder, of every kind, taken as it is.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "scan/FileFind.h"
#include "test_support.h"

using namespace tessaly;
using tessaly::test::ScratchDir;
using tessaly::test::WriteFile;

namespace {

std::set<std::string> Sorted(const std::vector<std::string>& v) {
  return {v.begin(), v.end()};
}

TEST(FileSearch, ListsEveryEntryOfOneFolderOfEveryKindButNotInsideSubfolders) {
  ScratchDir dir;
  const std::string& d = dir.path;
  WriteFile(d + "/a.txt", "x");
  WriteFile(d + "/noext", "x");
  WriteFile(d + "/.hidden", "x");
  std::filesystem::create_directory(d + "/sub");
  WriteFile(d + "/sub/inner.txt", "x");
  ASSERT_EQ(::mkfifo((d + "/pipe").c_str(), 0600), 0);
  std::filesystem::create_symlink(d + "/nowhere", d + "/dangling");
  ASSERT_TRUE(tessaly::test::MakeSocket(d + "/socket"));

  std::vector<std::pair<std::string, TEntryKind>> found;
  TFileSearch fs;
  fs.RecurseSubFolders = false;
  fs.OnFileFind = [&](const std::string& folder, const TSearchRec& e) {
    EXPECT_EQ(folder, d + "/");
    found.emplace_back(e.Name, e.Kind);
  };
  fs.SearchFile = d + "/*.*";
  ::alarm(20);  // listing must never open the FIFO
  fs.Search();
  ::alarm(0);

  std::sort(found.begin(), found.end());
  const std::vector<std::pair<std::string, TEntryKind>> expected = {
      {".hidden", TEntryKind::ekFile},     {"a.txt", TEntryKind::ekFile},
      {"dangling", TEntryKind::ekUnknown}, {"noext", TEntryKind::ekFile},
      {"pipe", TEntryKind::ekOther},       {"socket", TEntryKind::ekOther},
      {"sub", TEntryKind::ekFolder}};
  EXPECT_EQ(found, expected);
  EXPECT_EQ(Sorted(fs.FilesFound),
            (std::set<std::string>{d + "/.hidden", d + "/a.txt", d + "/dangling", d + "/noext",
                                   d + "/pipe", d + "/socket", d + "/sub"}));
  // ListFolder gives the same paths in the same (listing) order.
  EXPECT_EQ(ListFolder(d), fs.FilesFound);
  EXPECT_EQ(ListFolder(d + "/"), fs.FilesFound);

  EXPECT_TRUE(IsRegularFile(d + "/a.txt"));
  for (const char* name : {"/sub", "/pipe", "/socket", "/dangling", "/missing"})
    EXPECT_FALSE(IsRegularFile(d + name)) << name;
}

TEST(FileSearch, TakesTheFolderAsItIsWithASemicolonAndBeyond255Characters) {
  ScratchDir dir;
  // A folder "a;b" beside a folder "a": the search must not split at the ";".
  std::filesystem::create_directory(dir.path + "/a");
  WriteFile(dir.path + "/a/wrong", "x");
  const std::string semi = dir.path + "/a;b";
  std::filesystem::create_directory(semi);
  WriteFile(semi + "/right", "x");
  EXPECT_EQ(ListFolder(semi), std::vector<std::string>{semi + "/right"});

  std::string deep = dir.path;
  while (deep.size() < 300) deep += "/" + std::string(40, 'd');
  std::filesystem::create_directories(deep);
  WriteFile(deep + "/far", "x");
  EXPECT_EQ(ListFolder(deep), std::vector<std::string>{deep + "/far"});
}

TEST(FileSearch, WalksSubfoldersDepthFirstWhenAskedAndStopsWhenToldTo) {
  ScratchDir dir;
  std::filesystem::create_directories(dir.path + "/s/t");
  WriteFile(dir.path + "/top.eml", "x");
  WriteFile(dir.path + "/s/mid.EML", "x");
  WriteFile(dir.path + "/s/t/low.eml", "x");
  WriteFile(dir.path + "/s/t/skip.txt", "x");
  std::filesystem::create_directory_symlink(dir.path, dir.path + "/s/loop");

  TFileSearch fs;
  std::vector<std::string> folders;
  bool finished = false;
  fs.OnFileFind = [](const std::string&, const TSearchRec&) {};
  fs.OnChangeFolder = [&](const std::string& folder, const TSearchRec&) {
    folders.push_back(folder);
  };
  fs.OnFinish = [&] { finished = true; };
  fs.SearchFile = dir.path + "/*.eml";
  fs.Search();
  EXPECT_TRUE(finished);
  EXPECT_EQ(Sorted(fs.FilesFound),
            (std::set<std::string>{dir.path + "/top.eml", dir.path + "/s/mid.EML",
                                   dir.path + "/s/t/low.eml"}));
  // A folder is listed before its subfolders; the link back up is not followed.
  EXPECT_EQ(folders,
            (std::vector<std::string>{dir.path + "/", dir.path + "/s/", dir.path + "/s/t/"}));

  for (int i = 0; i < 20; ++i) WriteFile(dir.path + "/f" + std::to_string(i) + ".eml", "x");
  fs.RecurseSubFolders = false;
  fs.OnFileFind = [&](const std::string&, const TSearchRec&) { fs.Stop = true; };
  fs.Search();
  EXPECT_EQ(fs.FilesFound.size(), 1u);

  // Without a handler nothing is collected; a folder that cannot be listed gives nothing.
  fs.OnFileFind = nullptr;
  fs.Search();
  EXPECT_TRUE(fs.FilesFound.empty());
  EXPECT_TRUE(ListFolder(dir.path + "/missing").empty());
}

TEST(MatchesMask, MatchesWildcardsIgnoringCase) {
  struct Case {
    const char* name;
    const char* mask;
    bool matches;
  };
  for (const Case& c :
       {Case{"noext", "*.*", true}, Case{".hidden", "*.*", true}, Case{"Inbox.DBX", "*.dbx", true},
        Case{"inbox.dbx.bak", "*.dbx", false}, Case{"a.dbx", "?.dbx", true},
        Case{"ab.dbx", "?.dbx", false}, Case{"abc", "a*c", true}, Case{"abcbc", "a*bc", true},
        Case{"abd", "a*c", false}, Case{"", "*", true}})
    EXPECT_EQ(MatchesMask(c.name, c.mask), c.matches) << c.name << " ~ " << c.mask;
}

}  // namespace
