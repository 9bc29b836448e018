// Finding the store: identities and their store root in a registry (in memory, and in
// registry text files as a Wine prefix keeps them), the folder files of a store folder,
// and harvesting a store without the window.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "dbx_blocks.h"
#include "oe5/OeHarvest.h"
#include "oe5/UOEMessage.h"
#include "registry/RegFile.h"
#include "test_support.h"

using namespace tessaly;
namespace fs = std::filesystem;

namespace {

constexpr TRegRoot CU = TRegRoot::CurrentUser;
constexpr TRegRoot LM = TRegRoot::LocalMachine;
const std::string kOe = "\\Software\\Microsoft\\Outlook Express\\5.0";
const std::string kProfiles = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

struct StoreCase {
  const char* what;
  std::string storeRoot;                  // empty: no value
  std::vector<std::string> profilePaths;  // one ProfileList subkey each; "-" none there
  bool profileList = true;
  std::string expected;
};

TMemoryRegistry Registry(const StoreCase& c) {
  TMemoryRegistry reg;
  reg.SetWindowsFolder("C:\\WINDOWS");
  reg.SetString(CU, "Identities\\{ID-1}", "Username", "Main Identity");
  reg.AddKey(CU, "Identities\\{ID-1}" + kOe);
  if (!c.storeRoot.empty())
    reg.SetString(CU, "Identities\\{ID-1}" + kOe, "Store Root", c.storeRoot);
  if (c.profileList) reg.AddKey(LM, kProfiles);
  int n = 0;
  for (const std::string& p : c.profilePaths) {
    const std::string key = kProfiles + "\\S-1-5-" + std::to_string(21 + n++);
    if (p == "-")
      reg.AddKey(LM, key);
    else
      reg.SetString(LM, key, "ProfileImagePath", p);
  }
  return reg;
}

}  // namespace

TEST(GetStoreRoot, ExpandsEachPlaceholderByItsRule) {
  const std::string tail = "\\Local Settings\\Application Data\\Identities\\{ID-1}\\Microsoft\\OE";
  const std::vector<StoreCase> cases = {
      {"profile under the Windows folder",
       "%UserProfile%" + tail,
       {"%SystemRoot%\\Profiles\\ann"},
       true,
       "C:\\WINDOWS\\Profiles\\ann" + tail},
      {"plain profile path",
       "%UserProfile%" + tail,
       {"D:\\Users\\ann"},
       true,
       "D:\\Users\\ann" + tail},
      {"the first profile in registry order, whoever it is",
       "%UserProfile%\\OE",
       {"C:\\Users\\system", "C:\\Users\\ann"},
       true,
       "C:\\Users\\system\\OE"},
      {"system drive", "%SystemDrive%\\Mail\\Store", {}, true, "C:\\Mail\\Store"},
      {"system drive further in: the drive still goes first",
       "X%SystemDrive%\\Mail",
       {},
       true,
       "C:X\\Mail"},
      {"letter case of the placeholder differs",
       "%USERPROFILE%\\OE",
       {"C:\\Users\\ann"},
       true,
       "%USERPROFILE%\\OE"},
      {"no placeholder", "E:\\Mail Store", {}, true, "E:\\Mail Store"},
      {"a drive placeholder in the profile path stays",
       "%UserProfile%\\OE",
       {"%SystemDrive%\\Users\\ann"},
       true,
       "%SystemDrive%\\Users\\ann\\OE"},
      {"no profile list", "%UserProfile%\\OE", {}, false, ""},
      {"an empty profile list", "%UserProfile%\\OE", {}, true, ""},
      {"a first profile without a path", "%UserProfile%\\OE", {"-", "C:\\Users\\ann"}, true, ""},
      {"no Store Root value", "", {}, true, ""},
  };
  for (const StoreCase& c : cases) {
    const TMemoryRegistry reg = Registry(c);
    TOEMessage oe(&reg);
    oe.identity = "{ID-1}";
    EXPECT_EQ(oe.GetStoreRoot(), c.expected) << c.what;
  }
}

TEST(GetStoreRoot, FallsBackToTheFirstIdentityAndKeepsAKnownOneWhateverItsCase) {
  TMemoryRegistry reg;
  reg.SetString(CU, "Identities\\{AAA}" + kOe, "Store Root", "C:\\Store A");
  reg.SetString(CU, "Identities\\{BBB}" + kOe, "Store Root", "C:\\Store B");
  reg.AddKey(CU, "Identities\\{CCC}");  // no Outlook Express key
  TOEMessage oe(&reg);

  oe.identity = "{bbb}";
  EXPECT_EQ(oe.GetStoreRoot(), "C:\\Store B");
  EXPECT_EQ(oe.identity, "{bbb}");

  oe.identity = "{GONE}";
  EXPECT_EQ(oe.GetStoreRoot(), "C:\\Store A");
  EXPECT_EQ(oe.identity, "{AAA}");

  oe.identity = "{CCC}";
  EXPECT_EQ(oe.GetStoreRoot(), "");

  TMemoryRegistry none;
  TOEMessage empty(&none);
  empty.identity = "{X}";
  EXPECT_EQ(empty.GetStoreRoot(), "");
  EXPECT_EQ(empty.identity, "{X}");
  TOEMessage noRegistry;
  EXPECT_EQ(noRegistry.GetStoreRoot(), "");
}

TEST(ListIdentities, GivesUserNameNulKeyNameInRegistryOrder) {
  TMemoryRegistry reg;
  reg.SetString(CU, "Identities\\{B}", "Username", "Work");
  reg.AddKey(CU, "Identities\\{A}");  // no user name
  reg.SetString(CU, "Identities\\{C}", "Username", "Home");
  TOEMessage oe(&reg);
  std::vector<std::string> list = {"stale"};
  oe.ListIdentities(list);
  using namespace std::string_literals;
  EXPECT_EQ(list, (std::vector<std::string>{"Work\0{B}"s, "\0{A}"s, "Home\0{C}"s}));

  TOEMessage none;
  none.ListIdentities(list);
  EXPECT_TRUE(list.empty());
}

TEST(RegFileRegistry, FindsTheStoreOfAWinePrefixAndMapsItToARealFolder) {
  test::ScratchDir dir;
  const fs::path prefix = fs::path(dir.path) / "wine";
  const fs::path store = prefix /
                         "drive_c/users/ann/Local Settings/Application Data/Identities/"
                         "{5C3A}/Microsoft/Outlook Express";
  fs::create_directories(store);
  fs::create_directories(prefix / "dosdevices");
  fs::create_directory_symlink("../drive_c", prefix / "dosdevices/c:");

  test::WriteFile(
      (prefix / "user.reg").string(),
      "WINE REGISTRY Version 2\n"
      ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
      "#arch=win32\n\n"
      "[Identities] 1700000000\n"
      "#time=1da0000000000\n"
      "\"Default User ID\"=\"{5C3A}\"\n\n"
      "[Identities\\\\{5C3A}] 1700000000\n"
      "\"Username\"=\"Main Identit\\x00e9\"\n\n"
      "[Identities\\\\{5C3A}\\\\Software\\\\Microsoft\\\\Outlook Express\\\\5.0] 1700000000\n"
      "\"Store Root\"=str(2):\"%UserProfile%\\\\Local Settings\\\\Application "
      "Data\\\\Identities\\\\{5C3A}\\\\Microsoft\\\\Outlook Express\"\n");
  test::WriteFile((prefix / "system.reg").string(),
                  "WINE REGISTRY Version 2\n"
                  ";; All keys relative to \\\\Machine\n\n"
                  "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1700000000\n"
                  "\"SystemRoot\"=\"C:\\\\windows\"\n\n"
                  "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\ProfileList\\\\"
                  "S-1-5-21-0-0-0-1000] 1700000000\n"
                  "\"Flags\"=dword:00000000\n"
                  "\"ProfileImagePath\"=str(2):\"C:\\\\Users\\\\Ann\"\n");

  ::setenv("WINEPREFIX", prefix.c_str(), 1);
  EXPECT_EQ(FindWinePrefix(), prefix.string());
  const std::unique_ptr<TRegistry> reg = MakeDefaultRegistry();
  ::unsetenv("WINEPREFIX");
  ASSERT_NE(dynamic_cast<TRegFileRegistry*>(reg.get()), nullptr);

  TOEMessage oe(reg.get());
  std::vector<std::string> ids;
  oe.ListIdentities(ids);
  using namespace std::string_literals;
  EXPECT_EQ(ids, (std::vector<std::string>{"Main Identit\xC3\xA9\0{5C3A}"s}));
  EXPECT_EQ(reg->WindowsFolder(), "C:\\windows");
  EXPECT_EQ(oe.GetStoreRootWindowsForm(),
            "C:\\Users\\Ann\\Local Settings\\Application Data\\Identities\\{5C3A}\\Microsoft\\"
            "Outlook Express");
  // "Users\Ann" is "users/ann" on this file system.
  EXPECT_TRUE(fs::equivalent(oe.GetStoreRoot(), store)) << oe.GetStoreRoot();
}

TEST(RegFileRegistry, ReadsAnExportInUtf16WithExpandableHexValues) {
  // "%UserProfile%\OE" as the export writes an expandable string: UTF-16 bytes in hex,
  // continued over lines.
  std::string hex;
  for (char c : std::string("%UserProfile%\\OE")) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02x,00,", static_cast<unsigned char>(c));
    hex += buf;
    if (hex.size() % 60 < 6) hex += "\\\r\n  ";
  }
  hex += "00,00";
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Identities\\{X}]\r\n\"Username\"=\"Ann \\\"A\\\" Lee\"\r\n\r\n"
      "[HKEY_CURRENT_USER\\Identities\\{X}\\Software\\Microsoft\\Outlook Express\\5.0]\r\n"
      "\"Store Root\"=hex(2):" +
      hex +
      "\r\n\"Count\"=dword:00000002\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1]\r\n"
      "\"ProfileImagePath\"=\"C:\\\\Documents and Settings\\\\ann\"\r\n"
      "[HKEY_CLASSES_ROOT\\Identities\\{Y}]\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : text) {
    utf16 += c;
    utf16 += '\0';
  }
  TRegFileRegistry reg;
  reg.LoadText(utf16, TRegRoot::CurrentUser);
  EXPECT_EQ(reg.ReadString(CU, "identities\\{x}", "username"), "Ann \"A\" Lee");
  EXPECT_EQ(reg.ReadString(CU, "Identities\\{X}" + kOe, "Count"), std::nullopt);
  EXPECT_EQ(reg.SubKeyNames(CU, "Identities"), (std::vector<std::string>{"{X}"}));
  TOEMessage oe(&reg);
  oe.identity = "{X}";
  EXPECT_EQ(oe.GetStoreRoot(), "C:\\Documents and Settings\\ann\\OE");  // no drive mapped
}

TEST(ListFolderFiles, ListsTheFolderFilesByNameIgnoringCase) {
  test::ScratchDir dir;
  for (const char* name : {"Outbox.dbx", "inbox.dbx", "Deleted Items.dbx", "Folders.DBX", ".dbx",
                           ".hidden.dbx", "notes.txt", "Sent.dbx.bak"})
    test::WriteFile(dir.path + "/" + name, "");
  fs::create_directory(dir.path + "/Sub.dbx");
  EXPECT_EQ(ListFolderFiles(dir.path), (std::vector<std::string>{"Deleted Items.dbx", "Folders.DBX",
                                                                 "inbox.dbx", "Outbox.dbx"}));
  EXPECT_TRUE(ListFolderFiles(dir.path + "/missing").empty());

  struct Case {
    const char* file;
    const char* name;
  };
  for (const Case& c : {Case{"Inbox.dbx", "Inbox"}, Case{"my.folder.dbx", "my.folder"},
                        Case{".dbx", ""}, Case{"  .dbx", ""}, Case{" Inbox .dbx", " Inbox "}}) {
    EXPECT_EQ(FolderNameOf(c.file), c.name) << c.file;
  }
}

TEST(HarvestOutlookExpress, ReadsAStoreFolderOrOneFileAndEndsAtAFileInUse) {
  test::ScratchDir dir;
  for (const char* who : {"ann", "bob", "cy"}) {
    test::TBlockFile f;
    f.Message(0x100, test::MailText(std::string("To: ") + who + "@example.org\r\n"));
    test::WriteFile(dir.path + "/" + who + ".dbx", f.bytes);
  }
  std::vector<std::string> addresses, scanned;
  THarvestEvents events;
  events.onAddress = [&](void*, std::string_view e, std::string_view, std::uint8_t, int) {
    addresses.emplace_back(e);
  };
  auto rawScan = [&](const std::string& path) {
    scanned.push_back(fs::path(path).filename().string());
    if (scanned.size() == 2) throw std::runtime_error("body scan failed");
  };

  TOeHarvestResult all = HarvestOutlookExpress(dir.path, events, rawScan);
  EXPECT_EQ(addresses,
            (std::vector<std::string>{"ann@example.org", "bob@example.org", "cy@example.org"}));
  EXPECT_EQ(scanned, (std::vector<std::string>{"ann.dbx", "bob.dbx", "cy.dbx"}));
  EXPECT_EQ(all.read.size(), 3u);
  EXPECT_TRUE(all.failed.empty());

  addresses.clear();
  scanned.clear();
  const TOeHarvestResult one = HarvestOutlookExpress(dir.path + "/bob.dbx", events);
  EXPECT_EQ(addresses, (std::vector<std::string>{"bob@example.org"}));
  EXPECT_TRUE(scanned.empty());
  EXPECT_EQ(one.read, (std::vector<std::string>{dir.path + "/bob.dbx"}));

  // A Stop handed back by the progress report ends the harvest after that file.
  addresses.clear();
  events.OnProgressBar = [](std::uint64_t, bool& abort) { abort = true; };
  const TOeHarvestResult stopped = HarvestOutlookExpress(dir.path, events, rawScan);
  EXPECT_TRUE(stopped.aborted);
  EXPECT_EQ(addresses, (std::vector<std::string>{"ann@example.org"}));
  EXPECT_TRUE(scanned.empty());

  events.OnProgressBar = nullptr;
  addresses.clear();
  scanned.clear();
  fs::remove(dir.path + "/bob.dbx");
  fs::create_directory(dir.path + "/bob.dbx");  // listed no more
  test::WriteFile(dir.path + "/bz.dbx", "");
  const int holder = ::open((dir.path + "/bz.dbx").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);  // in use by the mail program
  const TOeHarvestResult failed = HarvestOutlookExpress(dir.path, events, rawScan);
  ::close(holder);
  EXPECT_EQ(failed.failed, dir.path + "/bz.dbx");
  EXPECT_EQ(failed.read, (std::vector<std::string>{dir.path + "/ann.dbx"}));
  EXPECT_EQ(addresses, (std::vector<std::string>{"ann@example.org"}));
  EXPECT_EQ(scanned, (std::vector<std::string>{"ann.dbx"}));
}
