// The Save As writers: the exact bytes of every text layout, the order they follow, the
// bracket around them, and what a failed write leaves behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "Shared/AddressList.h"
#include "harvest/Events.h"
#include "list/SaveLayouts.h"
#include "test_support.h"

using namespace tessaly;
namespace fs = std::filesystem;

namespace {

std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

// Root ignores permission bits, so as root the body runs under an unprivileged user id.
class TNoWritePermission {
 public:
  explicit TNoWritePermission(const std::string& folder) : folder_(folder) {
    ::chmod(folder_.c_str(), 0555);
    if (::geteuid() == 0) dropped_ = ::seteuid(65534) == 0;
  }
  ~TNoWritePermission() {
    if (dropped_) (void)::seteuid(0);
    ::chmod(folder_.c_str(), 0755);
  }
  bool Effective() const { return ::geteuid() != 0; }

 private:
  std::string folder_;
  bool dropped_ = false;
};

class SaveLayoutsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::chmod(dir.path.c_str(), 0755);
    ASSERT_TRUE(list.CreateAddressTable(dir.path + "/data", "intl.dat"));
    table().Open();
    table().SetIndexName("ndxemail");
    out = dir.path + "/out";
    fs::create_directory(out);
  }

  TDBISAMTableVantor& table() { return *list.Table(); }

  // In id order; the e-mail order is Ann, bob, carl, zed.
  void AddFixture() {
    list.oeAddress(nullptr, "zed@example.test", "Zed", akFrom, 1);
    list.oeAddress(nullptr, "Ann@example.test", "", akTo, 1);
    list.oeAddress(nullptr, "bob@example.test", "Bob \"The\" Builder ", akCc, 2);
    list.oeAddress(nullptr, "carl@example.test", "\tCarl", akBody, 3);
    table().Commit();
  }

  std::string Written(int layout, char separator = ';') {
    const std::string path = out + "/list";
    WriteLayout(table(), layout, path, separator);
    return test::ReadFile(path);
  }

  test::ScratchDir dir;
  std::string out;
  TAddressList list{[] { return true; }};
};

struct TextCase {
  int layout;
  const char* bytes;
};

}  // namespace

TEST_F(SaveLayoutsTest, WritesEveryTextLayoutByteForByte) {
  AddFixture();
  // The separator handed over is a semicolon: only the address-book layout takes it.
  const TextCase cases[] = {
      {2, "Ann@example.test\r\nbob@example.test\r\ncarl@example.test\r\nzed@example.test\r\n"},
      {3,
       "\"Email\",\r\n\"Ann@example.test\"\r\n\"bob@example.test\"\r\n\"carl@example.test\"\r\n"
       "\"zed@example.test\"\r\n"},
      {5,
       "Ann@example.test,,TO\r\nbob@example.test,Bob \"The\" Builder ,CC\r\n"
       "carl@example.test,\tCarl,BODY\r\nzed@example.test,Zed,FROM\r\n"},
      {6,
       "\"Email\",\"Name\",\"Field\",\r\n\"Ann@example.test\",\"\",\"TO\"\r\n"
       "\"bob@example.test\",\"Bob The "
       "Builder\",\"CC\"\r\n\"carl@example.test\",\"Carl\",\"BODY\"\r\n"
       "\"zed@example.test\",\"Zed\",\"FROM\"\r\n"},
      {7,
       "\"E-mail Address\";\"Name\";\r\n\"Ann@example.test\";\"\"\r\n"
       "\"bob@example.test\";\"Bob The Builder\"\r\n\"carl@example.test\";\"Carl\"\r\n"
       "\"zed@example.test\";\"Zed\"\r\n"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(Written(c.layout), c.bytes) << "layout " << c.layout;
  EXPECT_EQ(Written(7, ','),
            "\"E-mail Address\",\"Name\",\r\n\"Ann@example.test\",\"\"\r\n"
            "\"bob@example.test\",\"Bob The Builder\"\r\n\"carl@example.test\",\"Carl\"\r\n"
            "\"zed@example.test\",\"Zed\"\r\n");
}

TEST_F(SaveLayoutsTest, AnEmptyTableGivesTheHeaderAloneOrAnEmptyFile) {
  const TextCase cases[] = {{2, ""},
                            {3, "\"Email\",\r\n"},
                            {5, ""},
                            {6, "\"Email\",\"Name\",\"Field\",\r\n"},
                            {7, "\"E-mail Address\";\"Name\";\r\n"}};
  for (const TextCase& c : cases) EXPECT_EQ(Written(c.layout), c.bytes) << "layout " << c.layout;
}

TEST_F(SaveLayoutsTest, FollowsTheActiveIndexAndRestoresTheTablesPositionAndControls) {
  AddFixture();
  table().SetIndexName("");
  EXPECT_EQ(Written(2),
            "zed@example.test\r\nAnn@example.test\r\nbob@example.test\r\ncarl@example.test\r\n");

  table().First();
  table().Next();
  Written(6);
  EXPECT_EQ(table().RecNo(), 1u);
  EXPECT_FALSE(table().ControlsDisabled());
  // Controls someone else disabled stay disabled.
  table().DisableControls();
  Written(1);
  EXPECT_TRUE(table().ControlsDisabled());
  table().EnableControls();
  EXPECT_FALSE(table().ControlsDisabled());
}

TEST_F(SaveLayoutsTest, NamesTheSevenLayoutsForTheDialogAndTheCommandLine) {
  EXPECT_EQ(SaveDialogFilter(),
            "E-Mail DBase file (*.dbf)|*.dbf|E-Mail Text file (*.txt)|*.txt|E-Mail Comma Separated "
            "file (*.csv)|*.csv|E-Mail/Name DBase file (*.dbf)|*.dbf|E-Mail/Name Text file "
            "(*.txt)|*.txt|E-Mail/Name Comma Separated file (*.csv)|*.csv|Outlook Express 5 Import "
            "file (*.csv)|*.csv");
  for (const TSaveLayout& layout : SaveLayouts()) {
    EXPECT_EQ(FindSaveLayout(std::to_string(layout.number)), &layout);
    EXPECT_EQ(FindSaveLayout(layout.shortName), &layout);
  }
  EXPECT_EQ(FindSaveLayout("0"), nullptr);
  EXPECT_EQ(FindSaveLayout("8"), nullptr);
  EXPECT_EQ(FindSaveLayout(""), nullptr);
  EXPECT_THROW(WriteLayout(table(), 8, out + "/x", ','), EExportError);
  EXPECT_FALSE(fs::exists(out + "/x"));
  EXPECT_EQ(ListSeparatorForDecimalPoint(","), ';');
  EXPECT_EQ(ListSeparatorForDecimalPoint("."), ',');
}

TEST_F(SaveLayoutsTest, ReplacesTheFileALinkNamesAndKeepsItsPermissions) {
  AddFixture();
  const std::string real = out + "/real.txt";
  test::WriteFile(real, "an older and much longer list of addresses\r\n");
  ::chmod(real.c_str(), 0640);
  fs::create_symlink(real, out + "/link.txt");

  WriteLayout(table(), 2, out + "/link.txt");
  EXPECT_TRUE(fs::is_symlink(out + "/link.txt"));
  EXPECT_EQ(test::ReadFile(real),
            "Ann@example.test\r\nbob@example.test\r\ncarl@example.test\r\nzed@example.test\r\n");
  struct stat st {};
  ::stat(real.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(Entries(out), (std::set<std::string>{"link.txt", "real.txt"}));
}

TEST_F(SaveLayoutsTest, AFullDeviceRaisesForTextAndDbase) {
  AddFixture();
  for (int layout : {6, 4}) {
    try {
      WriteLayout(table(), layout, "/dev/full");
      ADD_FAILURE() << "layout " << layout << " reported success on a full device";
    } catch (const EExportError& e) {
      EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos)
          << e.what();
    }
  }
}

TEST_F(SaveLayoutsTest, AFolderWithoutWritePermissionKeepsThePreviousFileAndGetsNoOther) {
  AddFixture();
  const std::string target = out + "/list.dbf";
  test::WriteFile(target, "previous");
  for (int layout : {1, 6}) {
    std::string message;
    {
      TNoWritePermission readOnly(out);
      ASSERT_TRUE(readOnly.Effective());
      try {
        WriteLayout(table(), layout, target);
      } catch (const EExportError& e) {
        message = e.what();
      }
    }
    EXPECT_NE(message.find("Permission denied"), std::string::npos) << layout << ": " << message;
    EXPECT_EQ(test::ReadFile(target), "previous");
    EXPECT_EQ(Entries(out), std::set<std::string>{"list.dbf"});
  }
}

TEST_F(SaveLayoutsTest, AWriteFailingMidwayKeepsThePreviousFileAndLeavesNoPartOfTheNewOne) {
  for (int i = 0; i < 2000; ++i)
    list.oeAddress(nullptr, "someone" + std::to_string(i) + "@example.test", "Some One", akTo, 0);
  table().Commit();
  const std::string target = out + "/list";
  for (int layout : {6, 4}) {
    test::WriteFile(target, "previous");
    // The child may write 16 KiB per file and no more, as a nearly full disk would allow.
    const int status = test::InChildProcess([&] {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{16 * 1024, 16 * 1024};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
      try {
        WriteLayout(table(), layout, target);
        return 11;
      } catch (const EExportError&) {
        return 0;
      }
    });
    EXPECT_EQ(status, 0) << "layout " << layout;
    EXPECT_EQ(test::ReadFile(target), "previous") << "layout " << layout;
    EXPECT_EQ(Entries(out), std::set<std::string>{"list"}) << "layout " << layout;
  }
}

TEST_F(SaveLayoutsTest, RefusesAFolderAsTargetAndColumnsItDoesNotHave) {
  AddFixture();
  fs::create_directory(out + "/folder.csv");
  EXPECT_THROW(WriteLayout(table(), 6, out + "/folder.csv"), EExportError);
  EXPECT_TRUE(fs::is_empty(out + "/folder.csv"));
  EXPECT_THROW(table().ExportText(out + "/x", false, {}, {}, ',', false), EExportError);
  EXPECT_THROW(table().ExportDbf(out + "/x", {"Email", "id"}), EExportError);
  EXPECT_EQ(Entries(out), std::set<std::string>{"folder.csv"});
}
