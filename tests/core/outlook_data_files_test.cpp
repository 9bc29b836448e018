// Which Outlook data files are opened: the setting's list, and the usual places under the
// home folder and inside a Wine prefix.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "outlook/DataFiles.h"
#include "test_support.h"

using namespace tessaly;
namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  test::WriteFile(path.string(), "x");
}

// Sets an environment variable for one scope.
struct TEnv {
  std::string name;
  std::string old;
  bool had;
  TEnv(const char* n, const std::string& value) : name(n) {
    const char* v = std::getenv(n);
    had = v != nullptr;
    if (had) old = v;
    ::setenv(n, value.c_str(), 1);
  }
  ~TEnv() {
    if (had)
      ::setenv(name.c_str(), old.c_str(), 1);
    else
      ::unsetenv(name.c_str());
  }
};

}  // namespace

TEST(OutlookDataFileSetting, SplitsAtSemicolonsAndDropsBlanks) {
  struct Case {
    const char* setting;
    std::vector<std::string> files;
  };
  for (const Case& c : {Case{"", {}}, Case{" ; ;", {}}, Case{"/a/b.pst", {"/a/b.pst"}},
                        Case{" /a/My Mail.pst ;/b/c.ost;", {"/a/My Mail.pst", "/b/c.ost"}}}) {
    EXPECT_EQ(SplitDataFileList(c.setting), c.files) << c.setting;
  }
  EXPECT_EQ(JoinDataFileList({"/a/b.pst", "/c d/e.ost"}), "/a/b.pst;/c d/e.ost");
  EXPECT_EQ(SplitDataFileList(JoinDataFileList({"/a/b.pst", "/c d/e.ost"})),
            (std::vector<std::string>{"/a/b.pst", "/c d/e.ost"}));
}

TEST(OutlookDataFileSetting, TheSettingWinsAndTheRepairAddsTheUsualPlaces) {
  const std::vector<std::string> usual{"/home/u/Documents/Outlook Files/a.pst", "/x/b.ost"};
  int searches = 0;
  const auto search = [&] {
    ++searches;
    return usual;
  };
  EXPECT_EQ(KnownDataFiles("", search), usual);
  EXPECT_EQ(KnownDataFiles("/mine.pst", search), (std::vector<std::string>{"/mine.pst"}));
  EXPECT_EQ(searches, 1);  // a setting that names files is not second-guessed
  EXPECT_EQ(
      DataFilesWithUsualPlaces("/mine.pst;/x/b.ost", search),
      (std::vector<std::string>{"/mine.pst", "/x/b.ost", "/home/u/Documents/Outlook Files/a.pst"}));
  EXPECT_EQ(searches, 2);
}

TEST(OutlookDataFilePlaces, FindsPstAndOstFilesInTheUsualPlacesOfHomeAndWine) {
  test::ScratchDir scratch;
  const fs::path home = fs::path(scratch.path) / "home";
  Touch(home / "Documents/Outlook Files/b.pst");
  Touch(home / "Documents/Outlook Files/A.PST");
  Touch(home / "Documents/Outlook Files/notes.txt");
  Touch(home / "Documents/Outlook Files/older/c.pst");  // not directly inside the place
  Touch(home / "Documents/elsewhere.pst");
  const fs::path wine = home / ".wine/drive_c/users";
  Touch(wine / "joe/AppData/Local/Microsoft/Outlook/joe@work.ost");
  Touch(wine / "joe/Local Settings/Application Data/Microsoft/Outlook/outlook.pst");
  Touch(wine / "ann/My Documents/Outlook Files/ann.pst");
  // A user folder of the prefix that links back to the home folder's documents.
  fs::create_directories(wine / "linked");
  fs::create_directory_symlink(home / "Documents", wine / "linked/Documents");

  TEnv homeVar("HOME", home.string());
  ::unsetenv("WINEPREFIX");
  const std::vector<std::string> profiles = UsualProfileFolders();
  EXPECT_EQ(profiles,
            (std::vector<std::string>{home.string(), (wine / "ann").string(),
                                      (wine / "joe").string(), (wine / "linked").string()}));
  EXPECT_EQ(
      FindDataFiles(profiles),
      (std::vector<std::string>{
          (home / "Documents/Outlook Files/A.PST").string(),
          (home / "Documents/Outlook Files/b.pst").string(),
          (wine / "ann/My Documents/Outlook Files/ann.pst").string(),
          (wine / "joe/AppData/Local/Microsoft/Outlook/joe@work.ost").string(),
          (wine / "joe/Local Settings/Application Data/Microsoft/Outlook/outlook.pst").string()}));

  // WINEPREFIX names another prefix; the home folder is still searched.
  const fs::path other = fs::path(scratch.path) / "other-prefix";
  Touch(other / "drive_c/users/sam/Documents/Outlook Files/sam.pst");
  TEnv prefixVar("WINEPREFIX", other.string());
  EXPECT_EQ(UsualProfileFolders(),
            (std::vector<std::string>{home.string(), (other / "drive_c/users/sam").string()}));
}

TEST(OutlookDataFilePlaces, NoHomeAndNoPrefixFindsNothing) {
  test::ScratchDir scratch;
  TEnv homeVar("HOME", scratch.path);
  ::unsetenv("WINEPREFIX");
  EXPECT_TRUE(FindDataFiles(UsualProfileFolders()).empty());
  EXPECT_TRUE(FindDataFiles({scratch.path + "/missing"}).empty());
}
